/*
 * vdmode.h - the screen modes a board's frame buffer offers.
 */
#ifndef VDMODE_H
#define VDMODE_H

#include <stdint.h>

/* Three resolutions, each as a pair: the even record with a depth buffer,
 * the odd one with an alpha buffer (they share the one auxiliary buffer). */
#define VD_MODE_COUNT 6

typedef struct vdMODE {
    int32_t width;
    int32_t height;
    uint32_t flags; /* MW_BLIT_FLAG_ bits this frame buffer supports */
    int32_t available;
    int32_t resolution; /* GR_RESOLUTION_ */
} vdMODE;

extern vdMODE vdModeTable[VD_MODE_COUNT];

/* Rebuilds the table for a frame buffer of the given bytes and gives the
 * indices of the smallest and largest available modes (0 when none is). */
void vdModeTableBuild(int32_t frameBufferBytes, int *smallest, int *largest);

#endif
