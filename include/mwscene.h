/*
 * mwscene.h - the Marrow scene graph and the LightWave scene file reader.
 *
 * A scene is a tree of named nodes. Each node has a local matrix, an
 * optional key-framed motion and a record of its type: a light node drives
 * an mwrLIGHT, a camera node an mwrCAMERA, a scene node (a root) carries the
 * frame range and the frame to evaluate. Once per frame mwsSceneUpdate
 * samples every motion at the scene's frame and rebuilds the local matrices
 * in place, so the render library's lights and cameras move by themselves.
 * Only local matrices are computed: a node's world matrix is the product of
 * its ancestors' (for example through the matrix stack of mwrender.h).
 *
 * Conventions
 * - Nodes and their records live on the kernel's dynamic heap and belong to
 *   the caller; mwsNodeFree releases a node with its whole subtree.
 * - Misuse (attaching a node that is attached already, or under itself) is
 *   reported through mwError and ends the process.
 * - Only one thread may use the library: the current frame is process-wide.
 */
#ifndef MWSCENE_H
#define MWSCENE_H

#include <stdint.h>

#include "mwkernel.h"
#include "mwmath.h"
#include "mwrender.h"

MW_EXTERN_C_BEGIN

/*---- Nodes ---------------------------------------------------------------*/

/* Node types. Any type above MWS_SCENE behaves as an object. */
#define MWS_NULL 0   /* a null object: a placement without geometry */
#define MWS_CAMERA 1 /* data is an mwsCAMERADATA */
#define MWS_LIGHT 2  /* data is an mwsLIGHTDATA */
#define MWS_SCENE 3  /* a scene root; data is an mwsSCENE */
#define MWS_OBJECT 4 /* a placed object */

/* Bytes of a node name, the terminating NUL included. */
#define MWS_NAME_SIZE 16

/* End behaviours: what a motion does after its last key. */
#define MWS_END_RESET 0  /* jump back to the first key */
#define MWS_END_STOP 1   /* hold the last key */
#define MWS_END_REPEAT 2 /* loop from the first key (so does any other value) */

/* Channels of a node's motion. */
enum {
    MWS_CHANNEL_PITCH = 0, /* degrees, about X */
    MWS_CHANNEL_HEADING,   /* degrees, about Y */
    MWS_CHANNEL_BANK,      /* degrees, about Z */
    MWS_CHANNEL_X,
    MWS_CHANNEL_Y,
    MWS_CHANNEL_Z,
    MWS_CHANNEL_SCALE_X,
    MWS_CHANNEL_SCALE_Y,
    MWS_CHANNEL_SCALE_Z,
    MWS_NODE_CHANNELS
};

/* A key-framed quantity and how it is sampled. */
typedef struct mwsMOTIONREF {
    int32_t endBehavior; /* MWS_END_ */
    int32_t reserved;
    int32_t stamp;       /* not sampled while the current frame equals it; 0 */
    int32_t frameOffset; /* subtracted from the current frame */
    mwmSPLINE *spline;   /* NULL: nothing moves */
} mwsMOTIONREF;

typedef struct mwsNODE {
    char name[MWS_NAME_SIZE]; /* at most 15 characters, NUL-terminated */
    int32_t type;             /* MWS_ */
    mwsMOTIONREF motion;      /* MWS_NODE_CHANNELS channels */
    mwmVECTOR pivot;          /* subtracted before scaling and rotation */
    mwmMATRIX *matrix;        /* local matrix; a light's or camera's own matrix */
    mwLIST children;          /* of mwsNODE */
    mwLISTNODE *entry;        /* this node's entry in its parent's children */
    struct mwsNODE *parent;   /* NULL for a root or an unattached node */
    void *data;               /* the type record; NULL for null and object nodes */
} mwsNODE;

/* The type records. Each begins with a pointer back to its node. */
typedef struct mwsLIGHTDATA {
    mwsNODE *node;
    int32_t reserved;
    mwsMOTIONREF intensity; /* 3 channels: the light's colour */
    mwsMOTIONREF range;     /* 1 channel: the light's falloff (1 / range) */
    mwsMOTIONREF cone;      /* 1 channel: the cosine of the spot's cone */
    mwrLIGHT *light;
} mwsLIGHTDATA;

typedef struct mwsCAMERADATA {
    mwsNODE *node;
    mwsMOTIONREF zoom; /* 1 channel: the camera's fov */
    mwrCAMERA *camera;
} mwsCAMERADATA;

typedef struct mwsSCENE {
    mwsNODE *node; /* the root */
    float fps;
    int32_t firstFrame;
    int32_t lastFrame;
    float frame; /* the frame mwsSceneUpdate evaluates */
    int32_t reserved;
} mwsSCENE;

/* A new unattached node with an identity matrix and a zeroed record of its
 * type: a light node gets an mwrLIGHT with defaults (its matrix is the
 * node's), a camera node an mwrCAMERA. NULL for a negative type. */
mwsNODE *mwsNodeCreate(int type);

/* Detaches the node, releases its subtree, then its own records: matrix,
 * splines, type record, and the mwrLIGHT or mwrCAMERA. A light must have
 * been taken out of the active light list (mwrLightRemove) first; one that
 * is still active is an invalid parameter. NULL is ignored. Writes its
 * progress to the report log. */
void mwsNodeFree(mwsNODE *node);

/* Appends child to parent's children; nothing when either is NULL. A child
 * that is attached already, or that is parent or one of its ancestors, is
 * an invalid parameter. */
void mwsNodeAttach(mwsNODE *parent, mwsNODE *child);

/* Takes the node out of its parent's children, if it has a parent. */
void mwsNodeDetach(mwsNODE *node);

/* The first node named exactly `name` (case-sensitive), depth first: the
 * node itself, then each child's subtree in order. NULL when none is. */
mwsNODE *mwsNodeFind(mwsNODE *node, const char *name);

/* The nearest scene node among the node and its ancestors, or NULL. */
mwsNODE *mwsNodeRoot(mwsNODE *node);

/* Rebuilds the local matrix from the current values of the node's motion
 * as T x R x S x P: translation, rotation (pitch about X, heading about Y,
 * bank about Z, as mwmMatrixSetRotation), scale, and the pivot moved to the
 * origin. Nothing happens for a node without a motion of
 * MWS_NODE_CHANNELS channels. */
void mwsNodeBuildMatrix(mwsNODE *node);

/*---- Evaluation ----------------------------------------------------------*/

/* Sets the process-wide current frame. */
void mwsSetFrame(float frame);

/* Sets the current frame to the scene's frame and evaluates the tree under
 * the scene node: every motion is sampled (after subtracting its frame
 * offset; past its last key as its end behaviour says), a node whose motion
 * changed gets its matrix rebuilt, lights take their colour, falloff and
 * cone from their envelopes and cameras their fov from their zoom. A
 * motion of one key, or one whose stamp equals the frame, is not sampled:
 * what was built at load stands. A nested scene node evaluates its subtree
 * at its own frame. Nothing happens unless the node is a scene node. */
void mwsSceneUpdate(mwsNODE *sceneNode);

/*---- LightWave scene files -----------------------------------------------*/

/* Reads a LightWave scene file (text beginning with "LWSC") into a new
 * scene: a root named after the file carrying the frame range and rate,
 * object and null nodes, light nodes with their envelopes, an ambient light
 * named "AMBIENT" and camera nodes. Object geometry files are not opened.
 * Returns the root's scene record (free it with mwsNodeFree of its node),
 * or NULL when the file is missing, does not begin with "LWSC", holds the
 * keyword "return", or claims a motion of more keys than it can hold or than
 * the dynamic heap has room for now.
 * A motion or envelope of no keys or no channels ends the program
 * ("processObjectMotion: No Keyframes" / "No Channels"). Progress goes to
 * the report log. `context` is not used. */
mwsSCENE *lwsLoad(const char *fileName, void *context);

MW_EXTERN_C_END

#ifdef __cplusplus
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(mwsMOTIONREF) == 20, "a motion reference is 5 words");
static_assert(sizeof(mwsNODE) == 76, "a node is 76 bytes");
static_assert(sizeof(mwsLIGHTDATA) == 72, "light data is 18 words");
static_assert(sizeof(mwsCAMERADATA) == 28, "camera data is 7 words");
static_assert(sizeof(mwsSCENE) == 24, "a scene record is 6 words");
#endif
#endif

#endif /* MWSCENE_H */
