// Blit library: the 57 driver globals bound from a display plug-in's packet.
#include "mwblit.h"

// NULL until mwBlitSelect binds a packet.
#define MW_BLIT_DEFINE(slot, Global, field, result, args) mwBLIT_##Global##_FN *mwBlit##Global = nullptr;
MW_BLIT_SLOTS(MW_BLIT_DEFINE)
#undef MW_BLIT_DEFINE
