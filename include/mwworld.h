/*
 * mwworld.h - the Marrow world library: grid worlds of box cells joined by
 * portals, items placed in them, point location, and the per-frame traversal
 * that draws what the camera can see.
 *
 * A world divides the box min .. max into count.x x count.y x count.z equal
 * cells. Every cell knows its 8 corner vertices, its 6 faces and, per face,
 * the portal to the neighbouring cell; the two portals of a shared face share
 * one flag word. A traversal starts in the camera's cell, classifies each
 * reached cell's faces against the view, draws every cell's items once and
 * walks on through the faces in view.
 *
 * Faces and corners. Corner k of a cell lies at index (ix + (k & 1),
 * iy + ((k >> 1) & 1), iz + ((k >> 2) & 1)). The faces, by corner:
 *   0 (0, 1, 3, 2) -z    1 (0, 4, 5, 1) -y    2 (0, 2, 6, 4) -x
 *   3 (7, 3, 1, 5) +x    4 (7, 6, 2, 3) +y    5 (7, 5, 4, 6) +z
 * Face 5 - f lies opposite face f.
 *
 * Ticks. Cells, corner vertices and items remember the tick at which they
 * were last classified, transformed or drawn (their stamp), so a traversal's
 * tick must differ from the previous one. Stamps start at 0: the first tick
 * must not be 0.
 *
 * Conventions: records come from the dynamic heap and belong to the caller
 * of mwwWorldCreate until mwwWorldFree. Items and nested worlds are placed by
 * pointer (nested worlds through mwwWorldNest, which keeps nesting free of
 * cycles); the world never frees them. Single-threaded: the traversal's
 * deferred queue is process-wide.
 */
#ifndef MWWORLD_H
#define MWWORLD_H

#include "mwkernel.h"
#include "mwmath.h"
#include "mwrender.h"

MW_EXTERN_C_BEGIN

#define MWW_FACES 6
#define MWW_CORNERS 8

/* Each face's corners, in face order. */
static const int mwwFaceCorners[MWW_FACES][4] = {{0, 1, 3, 2}, {0, 4, 5, 1}, {0, 2, 6, 4},
                                                 {7, 3, 1, 5}, {7, 6, 2, 3}, {7, 5, 4, 6}};

/* The packed face order of a cell nobody classified yet: no faces in list 2,
 * six faces, faces 0 to 5 in list 1 (see mwrCellClassify). */
#define MWW_ORDER_INITIAL 0xb1a230u

typedef struct mwwWORLD mwwWORLD;
typedef struct mwwGRID mwwGRID;
typedef struct mwwCELL mwwCELL;

/* Something drawable placed in the world (by the caller). */
typedef struct mwwITEM {
    int32_t stamp; /* tick of the last draw; 0 for a new item */
    mwrMESH *mesh; /* drawn through the driver's drawMesh */
    float min[3];  /* bounding box in world space: min .. min + size */
    float size[3];
} mwwITEM;

/* One face's passage to the neighbouring cell. */
typedef struct mwwPORTAL {
    int32_t *flag;         /* shared with the neighbour's opposite portal: 0 in view, 1 not */
    mwwCELL *neighbour;    /* NULL at the world's boundary */
    mwrTVERTEX *corner[4]; /* the face's corners in face order */
} mwwPORTAL;

struct mwwCELL {
    int32_t index[3]; /* ix, iy, iz */
    float origin[3];  /* world min + index x cell size */
    float size[3];    /* the cell size */
    int32_t stamp;    /* tick of the last classification or draw */
    int32_t reserved[2];
    mwLIST contents; /* mwwITEM pointers */
    mwrTVERTEX *corner[MWW_CORNERS];
    int32_t portalCount[MWW_FACES]; /* portals per face: 1 */
    int32_t visible[MWW_FACES];     /* 1: the face was in view at the last classification */
    mwwPORTAL *portal[MWW_FACES];   /* each face's portalCount portals */
    mwwCELL *next, *prev;           /* links of the traversal's deferred queue */
    int32_t queued;                 /* nonzero while in the queue */
    uint32_t order;                 /* packed face order (mwrCellClassify) */
    mwLIST nested;                  /* mwwWORLD pointers: worlds placed inside the cell */
    mwwGRID *grid;
};

struct mwwGRID {
    int32_t reserved0[3];
    int32_t count[3];  /* cells along x, y, z */
    float cellSize[3]; /* extent / count */
    float invCellSize[3];
    mwrTVERTEX *vertices; /* (count.x + 1)(count.y + 1)(count.z + 1) corners, x fastest */
    void *traversal;      /* mwwWorldDraw's scratch: one entry per cell */
    int32_t reserved1[5];
    mwwCELL *cells;     /* count.x x count.y x count.z, x fastest, then y, then z */
    mwwPORTAL *portals; /* 6 per cell, cell by cell */
    int32_t *flags;     /* the portals' shared flag words */
    mwwWORLD *world;
};

struct mwwWORLD {
    char name[16];        /* at most 15 characters */
    mwmMATRIX matrix;     /* places a nested world in its parent cell; identity */
    float min[3], max[3]; /* the box: origin .. origin + extent */
    int32_t lastTick;     /* tick of the last traversal */
    int32_t active;       /* 1 */
    mwLIST grids;         /* mwwGRID pointers; creation makes one */
    int32_t reserved[4];
};

/* The flag words of a grid: one per face between two cells, one per face on
 * the boundary. */
#define MWW_FLAG_COUNT(cx, cy, cz) ((cx) * (cy) + (cy) * (cz) + (cz) * (cx) + 3 * (cx) * (cy) * (cz))

/*---- Worlds --------------------------------------------------------------*/

/* A world covering origin .. origin + extent in count[0] x count[1] x
 * count[2] cells, named after the first 15 characters of name (NULL: no
 * name). Every extent must be positive and every count at least 1 (else an
 * invalid parameter); a grid too large for the heap is out of memory. */
mwwWORLD *mwwWorldCreate(const mwmVECTOR *extent, const mwmVECTOR *origin, const int32_t count[3],
                         const char *name);

/* Frees the world, its grids, cells, portals, flags and corners, and the
 * cells' content and nested-world lists (not the items or nested worlds).
 * Returns 1, or 0 for NULL. */
int mwwWorldFree(mwwWORLD *world);

/* Adds the item to the contents of every cell its box overlaps; a box
 * reaching beyond the world is clamped to its cells. Returns 1, or 0 when the
 * box lies wholly outside a grid (cells of earlier grids keep the item). */
int mwwWorldInsert(mwwWORLD *world, mwwITEM *item);

/* Places nested in the cell, after the worlds already there. Returns 1, or 0
 * (and places nothing) when the cell's own world is nested or lies nested at
 * any depth: a world inside itself has no innermost cell. */
int mwwWorldNest(mwwCELL *cell, mwwWORLD *nested);

/* The innermost cell containing point: a world's cells include their low
 * faces, so a point on max lies outside. Nested worlds of the cell, in list
 * order, are searched with the point carried into them by the inverse of
 * their matrix. NULL outside the world. */
mwwCELL *mwwWorldLocate(const mwmVECTOR *point, mwwWORLD *world);

/* One traversal from the camera's cell: classifies the reached cells' faces
 * under the current render state, draws each cell's items once and writes
 * the portal flags; records tick as the world's lastTick. */
void mwwWorldDraw(int32_t tick, mwwCELL *start);

/*---- Cell routines (render library) --------------------------------------*/

/* Transforms the cell's corners not yet transformed at tick and classifies
 * its 6 faces into visible[] and order. A face wholly outside one plane of the
 * view is not visible; a face whose corners are all outside (of different
 * planes) is visible when some corner, clipped towards a reference corner,
 * lands inside the view; any other face is visible. Visible faces whose
 * screen winding is reversed go to list 2, every other face to list 1.
 * order, read from its low end in 3-bit fields: the count of list 2, its
 * faces (last added first), the count of both lists, the faces of list 1
 * (last added first). */
void mwrCellClassify(int32_t tick, mwwCELL *cell);

/* The cell's visibility flag for face 0..5 (any other face is an invalid
 * parameter). */
int32_t mwrCellFaceVisible(const mwwCELL *cell, int face);

/* Draws the items of the cell's contents not yet drawn at tick through the
 * driver's drawMesh (when bound) and stamps them. */
void mwrCellDraw(int32_t tick, mwwCELL *cell);

MW_EXTERN_C_END

#ifdef __cplusplus
static_assert(sizeof(void *) != 4 || sizeof(mwwITEM) == 8 * 4, "an item is 8 words");
static_assert(sizeof(void *) != 4 || sizeof(mwwPORTAL) == 24, "a portal is 24 bytes");
static_assert(sizeof(void *) != 4 || sizeof(mwwCELL) == 188, "a cell is 188 bytes");
static_assert(sizeof(void *) != 4 || sizeof(mwwGRID) == 23 * 4, "a grid is 23 words");
static_assert(sizeof(void *) != 4 || sizeof(mwwWORLD) == 136, "a world is 136 bytes");
#endif

#endif /* MWWORLD_H */
