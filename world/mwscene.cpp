// The scene graph: named nodes in a tree, their key-framed motions and the
// per-frame evaluation that moves lights and cameras in place.
#include <cmath>
#include <cstring>

#include "mwscene.h"

namespace {

const char kOwner[] = "mwscene";

float currentFrame = 0.0f;

void *allocZeroed(int line, size_t bytes)
{
    void *block = mwDMemAlloc(kOwner, line, static_cast<int>(bytes));
    std::memset(block, 0, bytes);
    return block;
}

mwmMATRIX *allocMatrix(int line) { return static_cast<mwmMATRIX *>(allocZeroed(line, sizeof(mwmMATRIX))); }

bool isAncestorOrSelf(const mwsNODE *candidate, const mwsNODE *node)
{
    for (; node; node = node->parent) {
        if (node == candidate)
            return true;
    }
    return false;
}

//---- Motion sampling

// The spline time for the current frame: the frame offset taken off, then
// held or wrapped into the keys' range.
double sampleTime(const mwsMOTIONREF &ref, const mwmSPLINE &spline)
{
    const double start = spline.start;
    const double end = spline.end;
    const double t = double(currentFrame) - ref.frameOffset;
    if (t > end) {
        switch (ref.endBehavior) {
        case MWS_END_RESET: return start;
        case MWS_END_STOP: return end;
        default: {
            // Wrapped from the first key, so that a loop whose first key is
            // not frame 0 runs on without a jump. Keys all on one frame have
            // no period: the motion holds its first key.
            const double period = end - start;
            return period > 0.0 ? start + std::fmod(t - start, period) : start;
        }
        }
    }
    return t >= start ? t : start; // NOTE: not-a-number frames land on the start too
}

// Samples the reference at the current frame; false when it has nothing to
// sample, or is not to be sampled at this frame.
bool sample(mwsMOTIONREF &ref, int minChannels)
{
    mwmSPLINE *spline = ref.spline;
    if (!spline || spline->keyCount < 2 || spline->channels < minChannels)
        return false;
    if (static_cast<float>(ref.stamp) == currentFrame)
        return false;
    mwmSplineEvaluate(spline, sampleTime(ref, *spline));
    return true;
}

void transform(mwsNODE *node)
{
    if (sample(node->motion, MWS_NODE_CHANNELS))
        mwsNodeBuildMatrix(node);
}

//---- Evaluation of the tree

void updateNode(mwsNODE *node);

void updateChildren(mwsNODE *node)
{
    for (mwLISTNODE *entry = node->children.first; entry; entry = entry->next)
        updateNode(static_cast<mwsNODE *>(entry->data));
}

void updateScene(mwsNODE *node)
{
    currentFrame = static_cast<mwsSCENE *>(node->data)->frame;
    transform(node);
    updateChildren(node);
}

void updateLight(mwsLIGHTDATA &data)
{
    mwrLIGHT *light = data.light;
    if (sample(data.intensity, 3))
        std::memcpy(light->color, data.intensity.spline->values, sizeof light->color);
    if (sample(data.range, 1))
        light->falloff = data.range.spline->values[0];
    if (sample(data.cone, 1))
        light->cone = data.cone.spline->values[0];
}

void updateNode(mwsNODE *node)
{
    if (node->type == MWS_SCENE) {
        if (!node->data)
            return;
        // A nested scene runs at its own frame; its later siblings do not.
        const float outer = currentFrame;
        updateScene(node);
        currentFrame = outer;
        return;
    }
    transform(node);
    if (node->type == MWS_CAMERA && node->data) {
        auto *data = static_cast<mwsCAMERADATA *>(node->data);
        if (sample(data->zoom, 1))
            data->camera->fov = data->zoom.spline->values[0];
    } else if (node->type == MWS_LIGHT && node->data) {
        updateLight(*static_cast<mwsLIGHTDATA *>(node->data));
    }
    updateChildren(node);
}

//---- Release

void freeTypeRecords(mwsNODE *node)
{
    switch (node->type) {
    case MWS_CAMERA:
        if (auto *data = static_cast<mwsCAMERADATA *>(node->data)) {
            mwmSplineFree(data->zoom.spline);
            mwrCameraFree(data->camera);
            mwDMemFree(kOwner, __LINE__, data);
        }
        break;
    case MWS_LIGHT:
        if (auto *data = static_cast<mwsLIGHTDATA *>(node->data)) {
            // The driver reads active lights through their slots: freeing one
            // would leave a slot pointing into the free heap.
            if (const mwrRENDERSTATE *state = mwrGetRenderState()) {
                for (const mwrLIGHTSLOT *slot = state->lights; slot; slot = slot->next) {
                    if (slot->light == data->light)
                        mwError(kOwner, __LINE__, "mwsNodeFree", MW_ERR_INVALID_PARAMETER);
                }
            }
            mwmSplineFree(data->intensity.spline);
            mwmSplineFree(data->range.spline);
            mwmSplineFree(data->cone.spline);
            mwrLightFree(data->light);
            mwDMemFree(kOwner, __LINE__, data);
        }
        break;
    case MWS_SCENE:
        mwDMemFree(kOwner, __LINE__, node->matrix);
        if (node->data)
            mwDMemFree(kOwner, __LINE__, node->data);
        break;
    default: // null and object nodes: the data pointer, if any, is the caller's
        mwDMemFree(kOwner, __LINE__, node->matrix);
        break;
    }
}

} // namespace

extern "C" {

mwsNODE *mwsNodeCreate(int type)
{
    if (type < 0)
        return nullptr;
    auto *node = static_cast<mwsNODE *>(allocZeroed(__LINE__, sizeof(mwsNODE)));
    switch (type) {
    case MWS_LIGHT: {
        auto *data = static_cast<mwsLIGHTDATA *>(allocZeroed(__LINE__, sizeof(mwsLIGHTDATA)));
        data->node = node;
        data->light = mwrLightAlloc(1);
        node->matrix = &data->light->matrix;
        node->data = data;
        break;
    }
    case MWS_CAMERA: {
        auto *data = static_cast<mwsCAMERADATA *>(allocZeroed(__LINE__, sizeof(mwsCAMERADATA)));
        data->node = node;
        data->camera = mwrCameraAlloc(1);
        node->matrix = &data->camera->matrix;
        node->data = data;
        break;
    }
    case MWS_SCENE: {
        auto *data = static_cast<mwsSCENE *>(allocZeroed(__LINE__, sizeof(mwsSCENE)));
        data->node = node;
        node->data = data;
        node->matrix = allocMatrix(__LINE__);
        break;
    }
    default: node->matrix = allocMatrix(__LINE__); break;
    }
    node->type = type;
    mwmMatrixIdentity(node->matrix);
    return node;
}

void mwsNodeFree(mwsNODE *node)
{
    if (!node)
        return;
    mwLogPrintf("Hmmm %s ...", node->name);
    mwsNodeDetach(node);

    mwLogPrintf("Hrmmm %s ...", node->name);
    // Each child's release takes it out of this list, so the next entry is
    // taken before the child goes.
    mwLISTNODE *entry = node->children.first;
    while (entry) {
        mwLISTNODE *next = entry->next;
        auto *child = static_cast<mwsNODE *>(entry->data);
        mwLogPrintf("bla %s %s ", node->name, child->name);
        mwsNodeFree(child);
        entry = next;
    }

    mwLogPrintf("Mu %s ...", node->name);
    freeTypeRecords(node);

    mwLogPrintf("Me \n");
    mwmSplineFree(node->motion.spline);
    mwDMemFree(kOwner, __LINE__, node);
}

void mwsNodeAttach(mwsNODE *parent, mwsNODE *child)
{
    if (!parent || !child)
        return;
    // A second parent would leave a stale entry behind, a cycle would make
    // every walk of the tree endless.
    if (child->parent || isAncestorOrSelf(child, parent))
        mwError(kOwner, __LINE__, "mwsNodeAttach", MW_ERR_INVALID_PARAMETER);
    child->entry = mwListAppend(&parent->children, child);
    child->parent = parent;
}

void mwsNodeDetach(mwsNODE *node)
{
    if (!node || !node->parent)
        return;
    mwListRemoveNode(&node->parent->children, node->entry);
    node->parent = nullptr;
    node->entry = nullptr;
}

mwsNODE *mwsNodeFind(mwsNODE *node, const char *name)
{
    if (!node || !name)
        return nullptr;
    if (std::strncmp(node->name, name, MWS_NAME_SIZE) == 0 && strnlen(name, MWS_NAME_SIZE) < MWS_NAME_SIZE)
        return node;
    for (mwLISTNODE *entry = node->children.first; entry; entry = entry->next) {
        if (mwsNODE *found = mwsNodeFind(static_cast<mwsNODE *>(entry->data), name))
            return found;
    }
    return nullptr;
}

mwsNODE *mwsNodeRoot(mwsNODE *node)
{
    for (; node; node = node->parent) {
        if (node->type == MWS_SCENE)
            return node;
    }
    return nullptr;
}

void mwsNodeBuildMatrix(mwsNODE *node)
{
    if (!node || !node->matrix)
        return;
    const mwmSPLINE *spline = node->motion.spline;
    if (!spline || spline->channels < MWS_NODE_CHANNELS)
        return;
    const float *v = spline->values;

    mwmMATRIX t, r, s, p, sp, rsp;
    mwmMatrixIdentity(&t);
    mwmMatrixSetTranslation(&t, v[MWS_CHANNEL_X], v[MWS_CHANNEL_Y], v[MWS_CHANNEL_Z]);
    mwmMatrixSetRotation(&r, v[MWS_CHANNEL_PITCH], v[MWS_CHANNEL_HEADING], v[MWS_CHANNEL_BANK]);
    mwmMatrixIdentity(&s);
    mwmMatrixSetScale(&s, v[MWS_CHANNEL_SCALE_X], v[MWS_CHANNEL_SCALE_Y], v[MWS_CHANNEL_SCALE_Z]);
    mwmMatrixIdentity(&p);
    mwmMatrixSetTranslation(&p, -node->pivot.x, -node->pivot.y, -node->pivot.z);

    // mwmMatrixMultiply(out, a, b) is b x a: each step puts one more factor
    // on the left of T x R x S x P.
    mwmMatrixMultiply(&sp, &p, &s);
    mwmMatrixMultiply(&rsp, &sp, &r);
    mwmMatrixMultiply(node->matrix, &rsp, &t);
}

void mwsSetFrame(float frame) { currentFrame = frame; }

void mwsSceneUpdate(mwsNODE *sceneNode)
{
    if (!sceneNode || sceneNode->type != MWS_SCENE || !sceneNode->data)
        return;
    updateScene(sceneNode);
}

} // extern "C"
