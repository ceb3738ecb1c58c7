/*
 * mwblit_internal.h - the blit library's device score (internal; the tests
 * check its weights).
 */
#ifndef MW_PLUGIN_MWBLIT_INTERNAL_H
#define MW_PLUGIN_MWBLIT_INTERNAL_H

#include <cstdint>

/* How well a driver with these capability bits suits the program: 65 for
 * every bit (0x7FF), filtering with a depth buffer counting most. */
int mwBlitCapsScore(uint32_t caps);

#endif
