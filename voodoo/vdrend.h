/*
 * vdrend.h - the renderer's internals shared by its sources: the vertex
 * cache, the render state handed over by the engine, the current material's
 * vertex set-up, and the steps a primitive goes through (transform and clip
 * flags, projection, culling, clipping).
 *
 * A primitive is transformed into the cache once per draw call; vertices
 * inside the view volume are projected at once, the others keep
 * MWR_CLIP_PENDING and are projected only when a later step needs them.
 * Colour and texture set-up runs after culling, at most once per vertex.
 */
#ifndef VDREND_H
#define VDREND_H

#include "glide.h"
#include "mwrender.h"

#define VD_VERTEX_CACHE_START 256 /* capacity after init, in vertices */
#define VD_VERTEX_CACHE_STEP 64   /* capacities are multiples of this */
#define VD_POLYGON_MAX 50         /* vertices of a convex polygon */
/* Cache vertices the polygon clipper may add: each plane cuts a convex
 * polygon's outline twice. */
#define VD_POLYGON_CLIP_ROOM 12

/* NOTE: 2^19, where floats lie 1/16 apart. canvasChanged adds it to the
 * projection centres and every projection subtracts it after adding the
 * centre, so the addition itself snaps screen coordinates to 1/16 pixel. */
#define VD_SNAP 524288.0f

#define VD_CLIP_PLANES 0x3Fu /* MWR_CLIP_FAR .. MWR_CLIP_NEAR */

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

/* Colours (and lights) one cache vertex and gives it the texture
 * coordinates of the material's units, from its source vertex. */
typedef void(vdSETUP_FN)(vdVERTEX *vertex, const mwrVERTEX *source);

typedef struct vdRENDERER {
    mwrRENDERSTATE *state;  /* the engine's, read in place; NULL: nothing is drawn */
    vdSETUP_FN *setUp;      /* of the current material */
    uint32_t textureMask;   /* units 0 and 1 of the current material that are set up */
    float sMax[2], tMax[2]; /* far-edge texture coordinates of their card bitmaps */
    int32_t drawable;       /* 0: the material's textures cannot be used, nothing is drawn */
} vdRENDERER;

extern vdVERTEX_CACHE vdVertexCache;
extern vdRENDERER vdRender;

/* Vertex cache at its starting capacity, no render state, the set-up of a
 * plain constant-colour material. 0 when the heap refuses. */
int vdRendInit(void);
void vdRendDeinit(void);

/* Room for count vertices at the start of the cache (growing it when count
 * reaches the capacity); NULL when it cannot be had. */
vdVERTEX *vdVertexCacheReserve(int count);

/* The set-up of a constant-colour, untextured material. */
vdSETUP_FN *vdDefaultSetUp(void);

/* Back-face test of a triangle in drawing order (the caller orders the
 * corners by culling mode). Corners behind the near plane are replaced by
 * where their edges from a corner in front cross it; pending corners in
 * front are projected. */
int vdBackFace(vdVERTEX *a, vdVERTEX *b, vdVERTEX *c);

/* Clips a triangle against plane (an MWR_CLIP_ bit) and every lower one,
 * drawing what remains; new vertices live on the stack. */
void vdClipTriangle(uint32_t plane, vdVERTEX *a, vdVERTEX *b, vdVERTEX *c);

/* Clips a convex polygon (count cache vertices, at most VD_POLYGON_MAX)
 * against plane and every lower one and draws it as a fan. New vertices go
 * to [room, roomEnd) of the cache; a polygon that would need more (it is
 * not convex) is dropped. */
void vdClipPolygon(vdVERTEX *const *list, int count, vdVERTEX *room, vdVERTEX *roomEnd, uint32_t plane);

/* One FIFO sample, then the triangle. */
void vdEmitTriangle(const vdVERTEX *a, const vdVERTEX *b, const vdVERTEX *c);

/* The render state when the current material can be drawn, else NULL. */
static inline mwrRENDERSTATE *vdDrawingState(void) { return vdRender.drawable ? vdRender.state : NULL; }

/* The highest plane bit among flags (which hold at least one). */
static inline uint32_t vdHighestPlane(uint32_t flags)
{
    flags &= VD_CLIP_PLANES;
    uint32_t plane = MWR_CLIP_NEAR;
    while (plane && !(flags & plane))
        plane >>= 1;
    return plane;
}

/* The planes an eye-space point lies on or beyond. */
static inline uint32_t vdOutside(float x, float y, float z, const mwrRENDERSTATE *st)
{
    uint32_t flags = 0;
    if (z >= st->farZ)
        flags |= MWR_CLIP_FAR;
    if (z <= st->nearZ)
        flags |= MWR_CLIP_NEAR;
    if (z <= x)
        flags |= MWR_CLIP_RIGHT;
    if (x <= -z)
        flags |= MWR_CLIP_LEFT;
    if (z <= y)
        flags |= MWR_CLIP_TOP;
    if (y <= -z)
        flags |= MWR_CLIP_BOTTOM;
    return flags;
}

/* Screen position and 1/w of an eye-space vertex. */
static inline void vdProjectPosition(vdVERTEX *v, const mwrRENDERSTATE *st)
{
    const float oow = 1.0f / v->v.z;
    v->v.oow = oow;
    v->v.ooz = 65535.0f * oow;
    v->v.x = v->eyeX * oow * st->scaleX + st->centerX - VD_SNAP;
    v->v.y = -v->eyeY * oow * st->scaleY + st->centerY - VD_SNAP;
}

/* Projects a pending vertex, texture coordinates included. */
static inline void vdProject(vdVERTEX *v, const mwrRENDERSTATE *st)
{
    vdProjectPosition(v, st);
    const float oow = v->v.oow;
    if (vdRender.textureMask & 1) {
        v->v.tmuvtx[0].sow = v->s0 * oow;
        v->v.tmuvtx[0].tow = v->t0 * oow;
    }
    if (vdRender.textureMask & 2) {
        v->v.tmuvtx[1].sow = v->s1 * oow;
        v->v.tmuvtx[1].tow = v->t1 * oow;
    }
    v->clip &= ~(uint32_t)MWR_CLIP_PENDING;
}

/* Model space to eye space, clip flags, and the projection of a vertex
 * inside the view volume. Set-up is still to come. */
static inline void vdTransform(vdVERTEX *v, const mwrVERTEX *source, const mwrRENDERSTATE *st)
{
    const float *m = st->modelView.m;
    const float x = m[0] * source->x + m[1] * source->y + m[2] * source->z + m[3];
    const float y = m[4] * source->x + m[5] * source->y + m[6] * source->z + m[7];
    const float z = m[8] * source->x + m[9] * source->y + m[10] * source->z + m[11];
    /* NOTE: every word the board is handed is set here, the colour and the
     * units a material leaves alone included (zero); set-up fills in what it
     * uses. */
    v->v = GrVertex{};
    v->v.a = source->a * 255.0f;
    v->setUpDone = 0;
    v->eyeX = x;
    v->eyeY = y;
    v->v.z = z;
    const uint32_t outside = vdOutside(x, y, z, st);
    if (outside) {
        v->v.oow = 0.0f; /* set-up's s/w stays finite until the projection */
        v->clip = outside | MWR_CLIP_PENDING;
    } else {
        vdProjectPosition(v, st);
        v->clip = 0;
    }
}

static_assert(sizeof(vdVERTEX) == 100, "a cache vertex is 100 bytes");

#endif
