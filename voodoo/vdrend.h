/*
 * vdrend.h - the renderer's vertex cache: the screen-space vertices of the
 * primitive being drawn, transformed once per draw call.
 */
#ifndef VDREND_H
#define VDREND_H

#include "glide.h"

#define VD_VERTEX_CACHE_START 256 /* capacity after init, in vertices */

/* One transformed vertex: what the board draws, then what clipping and
 * set-up need. No pointers, so 100 bytes on every target. */
typedef struct vdVERTEX {
    GrVertex v;    /* z holds the eye-space depth, oow its reciprocal */
    uint32_t clip; /* MWR_CLIP_ flags; MWR_CLIP_PENDING until projected */
    float eyeX, eyeY;
    float s0, t0, spare0; /* unit 0 texture coordinates, not divided by w */
    float s1, t1, spare1; /* unit 1 */
    int32_t setUpDone;    /* colour and texture set up for this draw call */
} vdVERTEX;

typedef struct vdVERTEX_CACHE {
    int32_t capacity;   /* vertices the buffer holds */
    vdVERTEX *vertices; /* engine heap, owner vdrend */
    int32_t requests;   /* reservations since the last shrink check */
    int64_t requestSum; /* vertices they asked for */
} vdVERTEX_CACHE;

extern vdVERTEX_CACHE vdVertexCache;

/* Allocates the cache at its starting capacity; 0 when the heap refuses. */
int vdVertexCacheAlloc(void);
void vdVertexCacheFree(void);

static_assert(sizeof(vdVERTEX) == 100, "a cache vertex is 100 bytes");

#endif
