/*
 * vdbitmap.h - card bitmaps: engine bitmaps turned into textures that the
 * texture cache downloads on demand, drawn as screen-aligned rectangles.
 *
 * A handle given to the packet is an mwCARDBITMAP only while its magic is
 * VD_CARD_BITMAP_MAGIC. The renderer maps a vertex's u and v (0..1) to
 * u * sMax and v * tMax and selects the bitmap's cache entry.
 */
#ifndef VDBITMAP_H
#define VDBITMAP_H

#include "mwblit.h"
#include "vdcache.h"

#define VD_CARD_BITMAP_MAGIC 0x5644424Du

struct mwCARDBITMAP {
    uint32_t magic;
    int32_t width, height; /* of the source bitmap */
    int32_t flags;
    float sMax, tMax;     /* texture coordinates of the far edges */
    float sScale, tScale; /* texture units per texel: sMax / (width - 1) */
    uint8_t *pixels;      /* the source's data or the private copy */
    uint8_t *palette;     /* likewise; NULL without a palette (never sent to the board) */
    vdCACHE_ENTRY entry;
};

/* The card bitmap behind a handle, or NULL when it is not one. */
mwCARDBITMAP *vdCardBitmap(mwCARDBITMAP *handle);

/* Draws a rectangle of the texture currently selected on unit 0, with the
 * colour of slot 26 on its corners: s0 on the left edge, s1 on the right, t0
 * on the top and t1 on the bottom. The combine state is the caller's. */
void vdDrawTexturedRect(float x, float y, float w, float h, float s0, float s1, float t0, float t1);

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(mwCARDBITMAP) == 92, "a card bitmap is 92 bytes");
#endif

#endif
