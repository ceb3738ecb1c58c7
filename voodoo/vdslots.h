/*
 * vdslots.h - the packet's slot functions: slot N of MW_BLIT_SLOTS is
 * vd<GlobalName> (slot 9, swapBuffers, is vdSwapBuffers). Their contracts
 * are those of mwblit.h; voodoo.cpp puts them into the packet.
 */
#ifndef VDSLOTS_H
#define VDSLOTS_H

#include "mwblit.h"

#define VD_DECLARE_SLOT(slot, Global, field, result, args) mwBLIT_##Global##_FN vd##Global;
MW_BLIT_SLOTS(VD_DECLARE_SLOT)
#undef VD_DECLARE_SLOT

#endif
