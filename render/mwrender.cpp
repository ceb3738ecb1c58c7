// Start-up of the render library, the render state, the vertex routines
// (transform, clip flags, projection and edge clipping) and the routines that
// classify and draw the world's cells.
#include <cfloat>
#include <climits>
#include <cstring>

#include "mwblit.h"
#include "mwrintern.h"
#include "mwworld.h"

namespace {

const char kOwner[] = "mwrender";

// The IEEE pattern as a signed integer. The near, far and +z tests compare
// these: the order is the float order unless both values are negative, which
// only happens in the left and bottom tests of a point behind the camera,
// where it still flags only points outside the plane.
int32_t bitsOf(float f)
{
    int32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// Signed distance of a camera-space point to one clip plane, or false for a
// value that names no plane.
bool planeDistance(uint32_t plane, const float *p, const mwrRENDERSTATE &st, float &d)
{
    switch (plane) {
    case MWR_CLIP_FAR: d = p[2] - st.farZ; return true;
    case MWR_CLIP_BOTTOM: d = p[2] + p[1]; return true;
    case MWR_CLIP_TOP: d = p[2] - p[1]; return true;
    case MWR_CLIP_LEFT: d = p[2] + p[0]; return true;
    case MWR_CLIP_RIGHT: d = p[2] - p[0]; return true;
    case MWR_CLIP_NEAR: d = p[2] - st.nearZ; return true;
    default: return false;
    }
}

//---- Cells

constexpr uint32_t kPlanes =
    MWR_CLIP_FAR | MWR_CLIP_BOTTOM | MWR_CLIP_TOP | MWR_CLIP_LEFT | MWR_CLIP_RIGHT | MWR_CLIP_NEAR;

// The clipping steps one corner may take; a corner still outside after them
// (the 1 % pull-back can leave it beyond the same plane) counts as outside.
constexpr int kClipSteps = 3;

struct ScreenPoint {
    float x, y;
};

// The screen position relative to the projection centre. The winding test
// compares differences only, and drivers may move the centres far off: the
// voodoo plug-in adds 2^19 to snap its coordinates to 1/16 pixel, which would
// round away the winding of faces seen nearly edge-on (the camera close to a
// cell wall), so the projected sx, sy are not used here.
ScreenPoint project(const float *eye, const mwrRENDERSTATE &st)
{
    const float oow = 1.0f / eye[2];
    return {eye[0] * oow * st.scaleX, -eye[1] * oow * st.scaleY};
}

// The screen position of a face corner for the winding test: a corner at or
// before the near plane moves along its edge to the reference corner (which
// lies beyond it) until it meets the plane.
ScreenPoint windingPoint(const mwrTVERTEX &v, const mwrTVERTEX &reference, const mwrRENDERSTATE &st)
{
    if (v.clip & MWR_CLIP_NEAR) {
        const float *a = v.eyePos;
        const float *b = reference.eyePos;
        const float t = (st.nearZ - a[2]) / (b[2] - a[2]);
        const float onNear[3] = {a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, st.nearZ};
        return project(onNear, st);
    }
    return project(v.eyePos, st);
}

// For a face whose corners all lie outside the view, though not all beyond
// one plane: whether some corner, clipped plane by plane towards the
// reference corner, lands inside.
bool clippedCornerInside(const mwrTVERTEX *const corners[4], const mwrTVERTEX &reference)
{
    mwLogPrintf("Bla -");
    bool inside = false;
    const uint32_t referencePlanes = reference.clip & kPlanes;
    for (int k = 0; k < 4; ++k) {
        mwLogPrintf("m");
        mwrTVERTEX point = *corners[k];
        for (int step = 0; step < kClipSteps; ++step) {
            const uint32_t planes = point.clip & kPlanes;
            if (planes == 0 || (planes & referencePlanes))
                break;
            uint32_t plane = MWR_CLIP_NEAR;
            while (!(planes & plane))
                plane >>= 1;
            mwLogPrintf("a");
            mwrTVERTEX cut = point;
            mwrClipEdge(plane, &reference, &point, &cut);
            point = cut;
        }
        if ((point.clip & kPlanes) == 0)
            inside = true;
    }
    mwLogPrintf("Blo \n");
    return inside;
}

} // namespace

namespace mwr {

mwrRENDERSTATE *state = nullptr;

mwrRENDERSTATE &requireState(const char *function)
{
    if (!state)
        mwFatal("%s: the render library is not started (mwrInit)\n", function);
    return *state;
}

void requireRecord(const void *record, const char *owner, int line, const char *function)
{
    if (!record)
        mwError(owner, line, function, MW_ERR_INVALID_PARAMETER);
}

void *allocRecords(const char *owner, int line, const char *function, int count, std::size_t size)
{
    if (count < 1)
        mwError(owner, line, function, MW_ERR_INVALID_PARAMETER);
    const unsigned long long bytes = static_cast<unsigned long long>(count) * size;
    if (bytes > INT_MAX)
        mwError(owner, line, function, MW_ERR_OUT_OF_MEMORY);
    return mwDMemAlloc(owner, line, static_cast<int>(bytes));
}

void freeRecords(void *records, const char *owner, int line, const char *function)
{
    requireRecord(records, owner, line, function);
    mwDMemFree(owner, line, records);
}

void copyRecord(void *dst, const void *src, std::size_t size, const char *owner, int line,
                const char *function)
{
    requireRecord(dst, owner, line, function);
    requireRecord(src, owner, line, function);
    std::memmove(dst, src, size);
}

void updateDerived()
{
    mwrRENDERSTATE &st = *state;
    mwmMatrixMultiply(&st.modelView, &st.model, &st.camera.view);
    mwmMATRIX inverse, placed;
    mwmMatrixInverse(&inverse, &st.model);
    mwmMatrixMultiply(&placed, &st.camera.matrix, &inverse);
    st.eye[0] = placed.m[3];
    st.eye[1] = placed.m[7];
    st.eye[2] = placed.m[11];
}

} // namespace mwr

extern "C" {

mwrRENDERSTATE *mwrInit(void)
{
    mwmUseSinglePrecision();
    if (mwr::state)
        std::memset(mwr::state, 0, sizeof *mwr::state);
    else
        mwr::state = static_cast<mwrRENDERSTATE *>(
            mwMemAlloc(kOwner, __LINE__, sizeof(mwrRENDERSTATE), "RENDERSTATE", 0));
    mwrLightReset();
    mwr::resetStack();
    mwmMATRIX identity;
    mwmMatrixIdentity(&identity);
    mwrMatrixPush(&identity);

    mwrCAMERA camera;
    mwr::cameraDefaults(camera);
    mwrCameraSelect(&camera);
    mwr::materialDefaults(mwr::state->material);
    mwr::prepareLights();
    return mwr::state;
}

void mwrDeinit(void) {}

mwrRENDERSTATE *mwrGetRenderState(void) { return mwr::state; }

void mwrVertexTransform(mwrTVERTEX *vertex)
{
    const mwrRENDERSTATE &st = mwr::requireState("mwrVertexTransform");
    const float *m = st.modelView.m;
    const float *l = vertex->local;
    const float x = m[0] * l[0] + m[1] * l[1] + m[2] * l[2] + m[3];
    const float y = m[4] * l[0] + m[5] * l[1] + m[6] * l[2] + m[7];
    const float z = m[8] * l[0] + m[9] * l[1] + m[10] * l[2] + m[11];
    vertex->eyePos[0] = x;
    vertex->eyePos[1] = y;
    vertex->eyePos[2] = z;

    uint32_t clip = MWR_CLIP_PENDING;
    const int32_t zBits = bitsOf(z);
    if (zBits >= bitsOf(st.farZ))
        clip |= MWR_CLIP_FAR;
    if (zBits <= bitsOf(st.nearZ)) {
        clip |= MWR_CLIP_NEAR;
        vertex->oow = FLT_MAX;
    }
    if (z > 0.0f) {
        if (bitsOf(x) >= zBits)
            clip |= MWR_CLIP_RIGHT;
        if (x <= -z)
            clip |= MWR_CLIP_LEFT;
        if (bitsOf(y) >= zBits)
            clip |= MWR_CLIP_TOP;
        if (y <= -z)
            clip |= MWR_CLIP_BOTTOM;
    } else {
        if (-z <= x)
            clip |= MWR_CLIP_RIGHT;
        if (bitsOf(x) <= zBits)
            clip |= MWR_CLIP_LEFT;
        if (-z <= y)
            clip |= MWR_CLIP_TOP;
        if (bitsOf(y) <= zBits)
            clip |= MWR_CLIP_BOTTOM;
    }

    if (clip == MWR_CLIP_PENDING) {
        // Deferred until now: only vertices inside every plane are projected.
        const float oow = 1.0f / z;
        vertex->oow = oow;
        vertex->sx = st.centerX + x * oow * st.scaleX;
        vertex->sy = st.centerY - y * oow * st.scaleY;
        clip = 0;
    }
    vertex->clip = clip;
}

float mwrClipEdge(uint32_t plane, const mwrTVERTEX *from, const mwrTVERTEX *to, mwrTVERTEX *out)
{
    const mwrRENDERSTATE &st = mwr::requireState("mwrClipEdge");
    float dFrom, dTo;
    if (!planeDistance(plane, from->eyePos, st, dFrom) || !planeDistance(plane, to->eyePos, st, dTo))
        mwError(kOwner, __LINE__, "mwrClipEdge", MW_ERR_INVALID_PARAMETER);

    // Pulled back 1 % towards `from`, so the point lies safely inside.
    const float t = dFrom / (dFrom - dTo) - 0.01f;
    const float *a = from->eyePos;
    const float *b = to->eyePos;
    const float x = a[0] * (1.0f - t) + b[0] * t;
    const float y = a[1] * (1.0f - t) + b[1] * t;
    const float z = a[2] * (1.0f - t) + b[2] * t;
    out->eyePos[0] = x;
    out->eyePos[1] = y;
    out->eyePos[2] = z;

    uint32_t clip = MWR_CLIP_PENDING;
    if (x > z)
        clip |= MWR_CLIP_RIGHT;
    if (x < -z)
        clip |= MWR_CLIP_LEFT;
    if (y > z)
        clip |= MWR_CLIP_TOP;
    if (y < -z)
        clip |= MWR_CLIP_BOTTOM;
    if (z > st.farZ)
        clip |= MWR_CLIP_FAR;
    out->clip = clip;
    return t;
}

} // extern "C"

//---- Cell routines of the world

extern "C" {

void mwrCellClassify(int32_t tick, mwwCELL *cell)
{
    mwr::requireRecord(cell, kOwner, __LINE__, "mwrCellClassify");
    const mwrRENDERSTATE &st = mwr::requireState("mwrCellClassify");
    for (mwrTVERTEX *corner : cell->corner)
        if (corner->stamp != tick) {
            mwrVertexTransform(corner);
            corner->stamp = tick;
        }

    uint32_t list1 = 0, list2 = 0;
    int count1 = 0, count2 = 0;
    for (int f = 0; f < MWW_FACES; ++f) {
        const mwrTVERTEX *c[4];
        uint32_t all = kPlanes;
        int clipped = 0, reference = 0, unclippedNear = 0;
        for (int k = 0; k < 4; ++k) {
            c[k] = cell->corner[mwwFaceCorners[f][k]];
            const uint32_t planes = c[k]->clip & kPlanes;
            all &= planes;
            clipped += planes != 0;
            // The reference corner: the second corner in front of the near
            // plane, or the first when there is only one.
            if (!(planes & MWR_CLIP_NEAR) && unclippedNear < 2) {
                reference = k;
                ++unclippedNear;
            }
        }

        bool inList2 = false;
        if (all) {
            cell->visible[f] = 0;
        } else if (clipped == 4) {
            cell->visible[f] = clippedCornerInside(c, *c[reference]);
        } else {
            cell->visible[f] = 1;
            const mwrTVERTEX &r = *c[reference];
            const ScreenPoint R = windingPoint(r, r, st);
            const ScreenPoint Q = windingPoint(*c[(reference + 3) % 4], r, st);
            const ScreenPoint U = windingPoint(*c[(reference + 1) % 4], r, st);
            inList2 = (Q.x - R.x) * (U.y - R.y) > (U.x - R.x) * (Q.y - R.y);
        }
        if (inList2) {
            list2 = list2 << 3 | static_cast<uint32_t>(f);
            ++count2;
        } else {
            list1 = list1 << 3 | static_cast<uint32_t>(f);
            ++count1;
        }
    }
    const uint32_t total = static_cast<uint32_t>(count1 + count2);
    cell->order = ((list1 << 3 | total) << (3 * count2) | list2) << 3 | static_cast<uint32_t>(count2);
}

int32_t mwrCellFaceVisible(const mwwCELL *cell, int face)
{
    mwr::requireRecord(cell, kOwner, __LINE__, "mwrCellFaceVisible");
    if (face < 0 || face >= MWW_FACES)
        mwError(kOwner, __LINE__, "mwrCellFaceVisible", MW_ERR_INVALID_PARAMETER);
    return cell->visible[face];
}

void mwrCellDraw(int32_t tick, mwwCELL *cell)
{
    mwr::requireRecord(cell, kOwner, __LINE__, "mwrCellDraw");
    for (mwLISTNODE *node = cell->contents.first; node; node = node->next) {
        auto *item = static_cast<mwwITEM *>(node->data);
        if (item->stamp == tick)
            continue; // already drawn from another cell
        item->stamp = tick;
        if (mwBlitDrawMesh && item->mesh)
            mwBlitDrawMesh(item->mesh);
    }
}

} // extern "C"
