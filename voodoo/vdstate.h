/*
 * vdstate.h - the plug-in's process-wide state: one board, one display.
 *
 * Everything here is valid between a successful _mwPluginInit and
 * _mwPluginDeinit (vdState.initialised). The renderer reads the board
 * (tmuMask), the buffers of the current mode (depthBuffer, alphaBuffer) and
 * keeps the colour-mask pair (colorWrite, alphaWrite) up to date.
 */
#ifndef VDSTATE_H
#define VDSTATE_H

#include "glide.h"
#include "mwblit.h"

#define VD_MAX_TMUS 3 /* texture units the plug-in handles */

/* The engine's heap allocator and free, as handed over in the services
 * record: owner file (without extension), line, then size or block. */
typedef void *(vdALLOC_FN)(const char *file, int line, int size);
typedef void(vdFREE_FN)(const char *file, int line, void *block);

typedef struct vdSTATE {
    int32_t initialised;
    vdALLOC_FN *heapAlloc;
    vdFREE_FN *heapFree;

    GrHwConfiguration hardware; /* from grSstQueryHardware at init */
    int32_t boardIndex;         /* always 0 */
    int32_t boardType;          /* GR_SSTTYPE_; SST96 draws into a window */
    int32_t frameBufferBytes;
    int32_t tmuCount; /* 0..VD_MAX_TMUS */
    int32_t tmuBytes[VD_MAX_TMUS];
    uint8_t tmuMask; /* bit n set: texture unit n is present */

    mwBLIT_MODE currentMode; /* zero until a mode is set */
    int32_t colorBuffers;    /* 1 or 2 */
    int32_t depthBuffer;     /* the auxiliary buffer holds depth */
    int32_t alphaBuffer;     /* the auxiliary buffer holds destination alpha */
    int32_t drawBuffer;      /* GR_BUFFER_FRONTBUFFER or GR_BUFFER_BACKBUFFER */
    int32_t colorWrite;      /* the grColorMask pair last set */
    int32_t alphaWrite;
} vdSTATE;

extern vdSTATE vdState;

/* Board 0's frame buffer megabytes and texture unit count, read by board
 * type; 0 for a configuration without a usable board. */
int vdBoardRead(const GrHwConfiguration *hardware, int *frameBufferMegabytes, int *tmuCount);

/* Engine heap blocks, owned by the named source file. NULL (and nothing
 * freed) while the plug-in holds no allocator. */
static inline void *vdAlloc(const char *owner, int line, int size)
{
    return vdState.heapAlloc && size > 0 ? vdState.heapAlloc(owner, line, size) : nullptr;
}
static inline void vdFree(const char *owner, int line, void *block)
{
    if (vdState.heapFree && block)
        vdState.heapFree(owner, line, block);
}

#endif
