/*
 * mwrender.h - the Marrow render library: lights and the per-vertex lighting
 * functions, materials, cameras, canvases, the matrix stack, the render state
 * shared with the display driver, and the records of the driver's 3D slots.
 *
 * The render state is one process-wide record. mwrInit makes it; its address
 * is handed once to the display driver (the packet's setRenderState), which
 * from then on reads it in place on every draw call. Every selection, light
 * change and matrix stack operation updates it in place, so the field order
 * and widths of the records below are part of the driver interface.
 *
 * Conventions
 * - Colours are three floats in 0..1; matrices are those of mwmath.h.
 * - Alloc functions return arrays of default records from the dynamic heap,
 *   released with the matching Free. A count below 1, or a NULL record given
 *   to Free, Copy, Select or mwrLightAdd, is an invalid parameter (mwError).
 * - Selecting copies (camera, material) or derives (canvas) what the driver
 *   needs; a light is added by pointer and must stay allocated while it is in
 *   the active list.
 * - Calling order: mwrInit, then lights and the model matrix, then the
 *   material (its selection bakes the lights into the slots); a camera and a
 *   canvas are selected before drawing.
 * - Single-threaded: everything here belongs to the drawing thread.
 */
#ifndef MWRENDER_H
#define MWRENDER_H

#include "mwkernel.h"
#include "mwmath.h"

/* NOTE: the Windows headers define `near` and `far` as empty macros, which
 * would erase the camera's field names; nothing uses the old meaning. */
#if defined(_WIN32) && defined(near)
#undef near
#endif
#if defined(_WIN32) && defined(far)
#undef far
#endif

MW_EXTERN_C_BEGIN

/* A driver's bitmap handle (mwblit.h). */
typedef struct mwCARDBITMAP mwCARDBITMAP;

/*---- Vertices and the records of the driver's 3D slots -------------------*/

/* The engine's vertex: 16 floats. Meshes, polygons and screen polygons are
 * built of it; in a screen polygon x and y are screen pixels and z is the
 * depth value the driver takes as 1/w. */
typedef struct mwrVERTEX {
    float x, y, z;           /* position */
    float nx, ny, nz;        /* unit normal (lit materials) */
    float u0, u1, reservedU; /* texture u of units 0 and 1, a spare word */
    float v0, v1, reservedV; /* texture v of units 0 and 1, a spare word */
    float r, g, b, a;        /* colour and alpha, 0..1 */
} mwrVERTEX;

/* Polygon types for drawPolygon. */
#define MWR_POLYGON_CONVEX 0 /* at most 50 vertices, clipped as one polygon */
#define MWR_POLYGON_FAN 1    /* a triangle fan around vertex 0 */

typedef struct mwrPOLYGON {
    int32_t count;
    mwrVERTEX **vertices; /* count vertex pointers */
    int32_t type;         /* MWR_POLYGON_ */
} mwrPOLYGON;

/* A polygon in screen space, drawn as a fan without clipping or culling. */
typedef struct mwrSCREENPOLYGON {
    int32_t count;
    mwrVERTEX **vertices; /* count vertex pointers */
} mwrSCREENPOLYGON;

/* An indexed triangle list. */
typedef struct mwrMESH {
    int32_t vertexCount;
    mwrVERTEX *vertices;
    int32_t faceCount;
    int32_t (*faces)[3]; /* faceCount triangles of three vertex indices */
} mwrMESH;

/* A 3 x 3 pixel dot, set up (coloured, lit, textured) as its vertex. */
typedef struct mwrPOINT {
    mwrVERTEX vertex;
} mwrPOINT;

/* A camera-facing rectangle centred on a model-space point. Its half width
 * is size times the camera's focal scale, its half height that times the
 * focal height scale and heightRatio. From word 6 on the record has the
 * layout of mwrVERTEX (word 5 is a spare). The renderer gives each corner
 * the unit-0 coordinates of its texture fractions (0 to 1 across the sprite,
 * cut where a side plane crosses it) and takes the unit-1 coordinates, the
 * colour and the alpha from the record. */
typedef struct mwrSPRITE {
    float x, y, z;           /* centre, model space */
    float size;              /* half width in camera units */
    float heightRatio;       /* half height / half width */
    float reserved;          /* 0 */
    float u0, u1, reservedU; /* texture u: unit 0 set per corner, unit 1 as given */
    float v0, v1, reservedV; /* texture v: likewise */
    float r, g, b, a;        /* colour and alpha, 0..1 */
} mwrSPRITE;

/* Clip flags of a transformed vertex. */
#define MWR_CLIP_FAR 0x01
#define MWR_CLIP_BOTTOM 0x02
#define MWR_CLIP_TOP 0x04
#define MWR_CLIP_LEFT 0x08
#define MWR_CLIP_RIGHT 0x10
#define MWR_CLIP_NEAR 0x20
#define MWR_CLIP_PENDING 0x8000 /* projection not yet done */

/* A vertex carried through the view (the corners of the world's cells). */
typedef struct mwrTVERTEX {
    float sx, sy;    /* screen position, once projected */
    float oow;       /* 1 / camera-space z; FLT_MAX at or before the near plane */
    float user[13];  /* free for the caller; the render and world libraries leave it */
    float local[3];  /* model-space position (input) */
    float eyePos[3]; /* camera-space position after the model-view matrix */
    uint32_t clip;   /* MWR_CLIP_ flags */
    int32_t stamp;   /* the tick at which the owner last transformed it */
} mwrTVERTEX;

/*---- Meshes --------------------------------------------------------------*/
/* A mesh and its two arrays come from the dynamic heap and belong to the
 * caller, who releases all three with mwrMeshFree. */

/* Sets count vertices to what drawMesh takes for a vertex nobody filled in:
 * position, normal and texture words 0, colour white, alpha 1. */
void mwrVertexDefaults(mwrVERTEX *vertices, int count);

/* Frees the vertex and face arrays and the record. */
void mwrMeshFree(mwrMESH *mesh);

/* Loads a 3D Studio file: the triangle meshes of all its named objects merged
 * into one mesh, each object's faces indexing its own vertices, corners in
 * the reverse of the file's order, with texture coordinates from the mapping
 * lists and smoothed unit vertex normals (a vertex no face uses keeps a zero
 * normal). NULL for a missing file, a file whose first chunk is not the main
 * chunk, a file without vertices or faces, and a broken file: a chunk shorter
 * than its header or reaching beyond its parent, a list longer than its
 * chunk, a face index outside its object's vertices, a mapping list longer
 * than its object's vertex list, or more data than the dynamic heap holds. */
mwrMESH *mw3dsLoad(const char *fileName);

/* A sphere about the origin: rings (at least 1) circles of segments (at least
 * 1) vertices from the top down, then the top and the bottom pole, and
 * 2 x rings x segments faces: the top cap, the bands between the rings, the
 * bottom cap. Ring vertices carry unit normals, texture u = segment /
 * segments and v = ring / rings; the top pole has u 0.5, v 1; the bottom pole
 * has u0 = v0 = 0, u1 = 0.5 and v1 = rings mod 2. */
mwrMESH *mwrGenSphere(float radius, int rings, int segments);

/*---- Lights --------------------------------------------------------------*/

#define MWR_MAX_LIGHTS 64 /* slots; 63 lights can be active at once */

/* Light types. Each type with specular light has its diffuse-only variant
 * at type + 1, used by itself under a material without specular colour. */
#define MWR_LIGHT_AMBIENT 1     /* colour x material diffuse, added to the ambient term */
#define MWR_LIGHT_DIRECTIONAL 2 /* along the light's Z axis */
#define MWR_LIGHT_DIRECTIONAL_DIFFUSE 3
#define MWR_LIGHT_POINT 4 /* from the light's position */
#define MWR_LIGHT_POINT_DIFFUSE 5
#define MWR_LIGHT_RANGED 6 /* point light with a range and quadratic falloff */
#define MWR_LIGHT_RANGED_DIFFUSE 7
#define MWR_LIGHT_SPOT 8 /* point light inside a hard cone about its Z axis */
#define MWR_LIGHT_SPOT_DIFFUSE 9
#define MWR_LIGHT_GLOW 10 /* ranged, ignores the surface normal, diffuse only */

typedef struct mwrLIGHT {
    int32_t type;     /* MWR_LIGHT_; default directional. Other values light nothing. */
    float color[3];   /* default (1, 1, 1) */
    float falloff;    /* 1 / range of the ranged types, 0 = unlimited; default 0 */
    float cone;       /* cosine of a spot's half angle; default cos 25 degrees */
    mwmMATRIX matrix; /* placement in world space; shines along its Z axis; default identity */
} mwrLIGHT;

typedef struct mwrLIGHTSLOT mwrLIGHTSLOT;

/* A lighting function: adds one slot's light at a vertex to the colour
 * accumulator. normal (unit), position and the slot's fields are in the
 * space of the current model matrix. The driver sets the accumulator to the
 * render state's ambient term, calls the function of every slot of the list
 * in order, then scales by 255 and clamps. */
typedef void (*mwrSHADE_FN)(const float normal[3], float accumulator[3], const float position[3],
                            const mwrLIGHTSLOT *slot);

/* One entry of the active light table, prepared by mwrMaterialSelect. */
struct mwrLIGHTSLOT {
    mwrLIGHT *light;    /* NULL: the slot is free */
    float dir[3];       /* unit vector towards the light (directional, spot) */
    float pos[3];       /* light position (point, ranged, spot, glow) */
    float diffuse[3];   /* light colour x material diffuse */
    float specular[3];  /* light colour x material specular */
    float range;        /* falloff scaled into model space (ranged, glow) */
    mwrSHADE_FN shade;  /* this slot's lighting function */
    int32_t key;        /* the owner key given to mwrLightAdd */
    mwrLIGHTSLOT *next; /* next active slot, NULL at the end */
};

mwrLIGHT *mwrLightAlloc(int count);
void mwrLightFree(mwrLIGHT *light);
void mwrLightCopy(mwrLIGHT *dst, const mwrLIGHT *src);
/* Puts the light at the head of the active list under key; it shines from
 * the next mwrMaterialSelect on. The 64th light ends the program
 * ("mwrAddLight: Find- Too many lights (64)"). */
void mwrLightAdd(mwrLIGHT *light, int32_t key);
/* Takes every slot with key out of the list; returns how many. */
int mwrLightRemove(int32_t key);
/* Empties the table (mwrInit does it). */
void mwrLightReset(void);

/*---- Materials -----------------------------------------------------------*/

/* Culling modes (cullMode): which triangles the driver drops, by the order
 * in which their corners run on the screen (y grows downwards). */
#define MWR_CULL_CLOCKWISE 0        /* drops those running clockwise (the default) */
#define MWR_CULL_COUNTERCLOCKWISE 1 /* drops those running counter-clockwise; so does 2 */
#define MWR_CULL_NONE 3             /* draws both */

/* Colour modes (colorMode): where the driver takes a vertex's colour. A
 * nonzero mode also starts the ambient term from the material's emissive
 * colour instead of its diffuse one. */
#define MWR_COLOR_CONSTANT 0 /* the board's constant colour */
#define MWR_COLOR_VERTEX 1   /* the vertex's r, g, b */
#define MWR_COLOR_LIT 2      /* the ambient term plus every active light, per vertex */

/* Blend modes (blendMode): how the driver puts a source pixel over the
 * destination. Alpha comes from the vertex or the texture as named. */
#define MWR_BLEND_OPAQUE 0        /* the source replaces the destination */
#define MWR_BLEND_VERTEX_ALPHA 1  /* source x alpha + destination x (1 - alpha), vertex alpha */
#define MWR_BLEND_TEXTURE_ALPHA 2 /* the same with the texture's alpha */
#define MWR_BLEND_DARKEN 3        /* destination x the texture's alpha; the source's colour unused */
#define MWR_BLEND_ADD_HALF 4      /* source + about half the destination (a constant alpha of 128) */
#define MWR_BLEND_ADD 5           /* source + destination */
#define MWR_BLEND_MODES 6

/* Material flags. */
#define MWR_MATERIAL_ADD_HALF 0x1 /* blends as MWR_BLEND_ADD_HALF whatever blendMode is */

/* Texture layers (textureMask, textureFlags): layer n is bit n and takes
 * texture[n]; the driver uses the layers it has texture units for. */
#define MWR_TEXTURE_LAYER0 0x1
#define MWR_TEXTURE_LAYER1 0x2
#define MWR_TEXTURE_LAYER2 0x4

typedef struct mwrMATERIAL {
    float emissive[3];        /* (0, 0, 0): ambient start when colorMode is nonzero */
    float diffuse[3];         /* (0.5, 0.5, 0.5) */
    float specular[3];        /* (0, 0, 0); all +0.0 switches lights to diffuse only */
    float shininess;          /* specular exponent, 5 */
    int32_t cullMode;         /* MWR_CULL_CLOCKWISE */
    int32_t flags;            /* 0; MWR_MATERIAL_ flags */
    int32_t colorMode;        /* MWR_COLOR_CONSTANT */
    int32_t blendMode;        /* MWR_BLEND_OPAQUE */
    float opacity;            /* 1 */
    int32_t textureMask;      /* 0; MWR_TEXTURE_LAYER bits of the layers in use */
    mwCARDBITMAP *texture[3]; /* driver bitmaps of the layers, NULL */
    int32_t textureFlags;     /* 0; MWR_TEXTURE_LAYER bits, ANDed with textureMask into the render state */
    int32_t reserved[3];
} mwrMATERIAL;

mwrMATERIAL *mwrMaterialAlloc(int count);
void mwrMaterialFree(mwrMATERIAL *material);
void mwrMaterialCopy(mwrMATERIAL *dst, const mwrMATERIAL *src);
/* Makes the material current, prepares every active light for it under the
 * current model matrix and calls the driver's setMaterial (when bound). */
void mwrMaterialSelect(const mwrMATERIAL *material);

/*---- Cameras -------------------------------------------------------------*/

typedef struct mwrCAMERA {
    float fov;        /* full horizontal field of view, radians; 70 degrees */
    float aspect;     /* 4:3 */
    float near;       /* 0.001 */
    float far;        /* 65535 */
    float focal;      /* set on selection: 1 / tan(fov / 2) */
    float focalY;     /* set on selection: aspect x focal */
    mwmMATRIX matrix; /* camera to world; identity */
    mwmMATRIX view;   /* set on selection: world to scaled camera space; identity */
} mwrCAMERA;

mwrCAMERA *mwrCameraAlloc(int count);
void mwrCameraFree(mwrCAMERA *camera);
void mwrCameraCopy(mwrCAMERA *dst, const mwrCAMERA *src);
/* Computes focal, focalY and view into the camera (the view volume becomes
 * |x| <= z, |y| <= z), then copies it into the render state and updates the
 * model-view matrix, the eye position and the clip distances. */
void mwrCameraSelect(mwrCAMERA *camera);

/*---- Canvases ------------------------------------------------------------*/

typedef struct mwrCANVAS {
    float x0, y0, x1, y1; /* inclusive pixel rectangle */
    float width, height;
} mwrCANVAS;

/* Each record covers the driver's current mode; records are zero when no
 * driver is bound or it reports no mode. */
mwrCANVAS *mwrCanvasAlloc(int count);
void mwrCanvasFree(mwrCANVAS *canvas);
void mwrCanvasCopy(mwrCANVAS *dst, const mwrCANVAS *src);
/* Sets the projection (camera-space (x, y, z) lands at centreX + x / z
 * scaleX, centreY - y / z scaleY) and the pixel size, then calls the
 * driver's canvasChanged (when bound). */
void mwrCanvasSelect(const mwrCANVAS *canvas);

/*---- Render state --------------------------------------------------------*/

typedef struct mwrRENDERSTATE {
    mwmMATRIX model;      /* top of the matrix stack */
    mwmMATRIX modelView;  /* camera view x model; the driver uses rows 0..2 */
    float scaleX, scaleY; /* projection of the selected canvas */
    float centerX, centerY;
    float nearZ, farZ;               /* clip distances of the selected camera */
    float eye[3];                    /* camera position in model space */
    float ambient[3];                /* ambient term prepared for the selected material */
    mwrLIGHTSLOT *lights;            /* head of the active light list, NULL: none */
    int32_t pixelWidth, pixelHeight; /* canvas size in whole pixels */
    int32_t reserved[6];
    mwrCAMERA camera;         /* copy of the selected camera */
    mwrMATERIAL material;     /* copy of the selected material */
    mwCARDBITMAP *texture[3]; /* texture handles of the selected material */
    int32_t textureFlags;     /* material textureMask AND textureFlags */
} mwrRENDERSTATE;

/* Sets the processor to single-precision floats where it has a choice,
 * makes the render state (block memory "RENDERSTATE"), empties the light
 * table and pushes the identity. The state then reads as if a default
 * camera and a default material had been selected (the driver is not
 * called). Returns the record to hand to the driver; calling it again
 * resets the same record in place. */
mwrRENDERSTATE *mwrInit(void);
/* Nothing: the state and the stack live until the process ends. */
void mwrDeinit(void);
/* The record made by mwrInit, NULL before. */
mwrRENDERSTATE *mwrGetRenderState(void);

/*---- Matrix stack --------------------------------------------------------*/
/* The top of the stack is the render state's model matrix; every operation
 * but a pop without update recomputes modelView and eye. Depth counts the
 * entries; the identity pushed by mwrInit is depth 1 and is never popped.
 * A x B applies B first. */

/* Push a copy of m; returns the new depth. */
int mwrMatrixPush(const mwmMATRIX *m);
/* Push top x m (m acts first); returns the new depth. */
int mwrMatrixPushMultiply(const mwmMATRIX *m);
/* Push m x top; returns the new depth. */
int mwrMatrixPushPreMultiply(const mwmMATRIX *m);
/* Replace the top by m x top; returns the depth. */
int mwrMatrixPreMultiply(const mwmMATRIX *m);
/* Replace the top by top x m; returns the depth. */
int mwrMatrixMultiply(const mwmMATRIX *m);
/* Drop the top (fatal at depth 1: "mwrMatrixPop: Matrix stack is empty");
 * recompute the derived fields when update is nonzero. Returns the depth. */
int mwrMatrixPop(int update);

/*---- Vertex transform and clipping ---------------------------------------*/

/* eyePos = modelView x local; clip = the planes the vertex lies outside of
 * (near also sets oow to FLT_MAX); a vertex inside all of them is projected
 * into sx, sy, oow and has clip 0, any other keeps MWR_CLIP_PENDING. */
void mwrVertexTransform(mwrTVERTEX *vertex);

/* The point where the segment from `from` to `to` crosses one plane (an
 * MWR_CLIP_ plane bit), pulled back towards `from` by 1 % of the segment:
 * writes out's eyePos and clip (pending plus the side and far planes it is
 * outside of) and returns the segment parameter. The ends must lie on
 * different sides of the plane. Any other plane value is an invalid
 * parameter. */
float mwrClipEdge(uint32_t plane, const mwrTVERTEX *from, const mwrTVERTEX *to, mwrTVERTEX *out);

MW_EXTERN_C_END

#ifdef __cplusplus
#include <cstddef>

/* Records without pointers have their sizes on every target. */
static_assert(sizeof(mwrVERTEX) == 16 * 4, "a vertex is 16 floats");
static_assert(sizeof(mwrPOINT) == 16 * 4, "a point is one vertex");
static_assert(sizeof(mwrSPRITE) == 16 * 4, "a sprite is 16 words");
static_assert(offsetof(mwrSPRITE, u0) == offsetof(mwrVERTEX, u0),
              "a sprite's texture and colour words lie where a vertex has them");
static_assert(sizeof(mwrTVERTEX) == 24 * 4, "a transformed vertex is 24 words");
static_assert(offsetof(mwrTVERTEX, local) == 16 * 4, "local follows the 16 screen words");
static_assert(sizeof(mwrLIGHT) == 22 * 4, "a light is 22 words");
static_assert(sizeof(mwrCAMERA) == 38 * 4, "a camera is 38 words");
static_assert(sizeof(mwrCANVAS) == 6 * 4, "a canvas is 6 floats");
/* The render state's fields before the light list are words everywhere. */
static_assert(offsetof(mwrRENDERSTATE, modelView) == 16 * 4, "render state layout");
static_assert(offsetof(mwrRENDERSTATE, scaleX) == 32 * 4, "render state layout");
static_assert(offsetof(mwrRENDERSTATE, nearZ) == 36 * 4, "render state layout");
static_assert(offsetof(mwrRENDERSTATE, eye) == 38 * 4, "render state layout");
static_assert(offsetof(mwrRENDERSTATE, ambient) == 41 * 4, "render state layout");
static_assert(offsetof(mwrRENDERSTATE, lights) == 44 * 4, "render state layout");
static_assert(offsetof(mwrLIGHTSLOT, dir) == sizeof(void *), "light slot layout");

/* Records with pointers have their documented sizes on 32-bit targets. */
static_assert(sizeof(void *) != 4 || sizeof(mwrRENDERSTATE) == 472, "render state is 472 bytes");
static_assert(sizeof(void *) != 4 || offsetof(mwrRENDERSTATE, camera) == 53 * 4, "render state layout");
static_assert(sizeof(void *) != 4 || offsetof(mwrRENDERSTATE, material) == 91 * 4, "render state layout");
static_assert(sizeof(void *) != 4 || offsetof(mwrRENDERSTATE, texture) == 114 * 4, "render state layout");
static_assert(sizeof(void *) != 4 || sizeof(mwrMATERIAL) == 23 * 4, "a material is 23 words");
static_assert(sizeof(void *) != 4 || sizeof(mwrLIGHTSLOT) == 17 * 4, "a light slot is 17 words");
static_assert(sizeof(void *) != 4 || sizeof(mwrMESH) == 4 * 4, "a mesh is 4 words");
static_assert(sizeof(void *) != 4 || sizeof(mwrPOLYGON) == 3 * 4, "a polygon is 3 words");
static_assert(sizeof(void *) != 4 || sizeof(mwrSCREENPOLYGON) == 2 * 4, "a screen polygon is 2 words");
#endif

#endif /* MWRENDER_H */
