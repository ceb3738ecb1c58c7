// The 3D primitives made of engine vertices (slots 43, 44, 49 and 56):
// triangles, polygons, meshes and screen polygons.
#include "vdrend.h"

#include "vdslots.h"

namespace {

void setUpOnce(vdVERTEX *v, const mwrVERTEX *source)
{
    if (!v->setUpDone) {
        vdRender.setUp(v, source);
        v->setUpDone = 1;
    }
}

// The triangle pipeline: reject, cull, set up, then draw or clip.
void renderTriangle(vdVERTEX *a, vdVERTEX *b, vdVERTEX *c, const mwrVERTEX *sa, const mwrVERTEX *sb,
                    const mwrVERTEX *sc, int cullMode)
{
    if (a->clip & b->clip & c->clip & VD_CLIP_PLANES)
        return;
    if (cullMode != MWR_CULL_NONE &&
        (cullMode == MWR_CULL_CLOCKWISE ? vdBackFace(a, c, b) : vdBackFace(a, b, c)))
        return;
    setUpOnce(a, sa);
    setUpOnce(b, sb);
    setUpOnce(c, sc);
    const uint32_t any = a->clip | b->clip | c->clip;
    if (!any)
        vdEmitTriangle(a, b, c);
    else
        vdClipTriangle(vdHighestPlane(any), a, b, c);
}

// A polygon faces away when the corner second in order in front of the
// near plane, with its neighbours, does.
bool polygonBackFace(vdVERTEX *v, int count, int cullMode)
{
    int chosen = -1;
    for (int i = 0, found = 0; i < count && found < 2; ++i)
        if (!(v[i].clip & MWR_CLIP_NEAR)) {
            chosen = i;
            ++found;
        }
    if (chosen < 0)
        return true;
    vdVERTEX *predecessor = &v[(chosen + count - 1) % count];
    vdVERTEX *successor = &v[(chosen + 1) % count];
    return cullMode == MWR_CULL_CLOCKWISE ? vdBackFace(&v[chosen], predecessor, successor)
                                          : vdBackFace(&v[chosen], successor, predecessor);
}

void drawFan(vdVERTEX *v, int count)
{
    for (int i = 2; i < count; ++i)
        vdEmitTriangle(&v[0], &v[i - 1], &v[i]);
}

} // namespace

void vdDrawTriangle(const mwrVERTEX *first, const mwrVERTEX *second, const mwrVERTEX *third)
{
    const mwrRENDERSTATE *st = vdDrawingState();
    if (!st || !first || !second || !third)
        return;
    vdVERTEX *v = vdVertexCacheReserve(3);
    if (!v)
        return;
    vdTransform(&v[0], first, st);
    vdTransform(&v[1], second, st);
    vdTransform(&v[2], third, st);
    renderTriangle(&v[0], &v[1], &v[2], first, second, third, st->material.cullMode);
}

void vdDrawMesh(const mwrMESH *mesh)
{
    const mwrRENDERSTATE *st = vdDrawingState();
    if (!st || !mesh || mesh->vertexCount <= 0 || mesh->faceCount <= 0 || !mesh->vertices || !mesh->faces)
        return;
    const int count = mesh->vertexCount;
    vdVERTEX *v = vdVertexCacheReserve(count);
    if (!v)
        return;
    const mwrVERTEX *source = mesh->vertices;
    for (int i = 0; i < count; ++i)
        vdTransform(&v[i], &source[i], st);
    const int cullMode = st->material.cullMode;
    for (int f = 0; f < mesh->faceCount; ++f) {
        const int32_t *face = mesh->faces[f];
        // Indices come from files: one outside the mesh drops its face.
        if (uint32_t(face[0]) >= uint32_t(count) || uint32_t(face[1]) >= uint32_t(count) ||
            uint32_t(face[2]) >= uint32_t(count))
            continue;
        renderTriangle(&v[face[0]], &v[face[1]], &v[face[2]], &source[face[0]], &source[face[1]],
                       &source[face[2]], cullMode);
    }
}

void vdDrawPolygon(const mwrPOLYGON *polygon)
{
    const mwrRENDERSTATE *st = vdDrawingState();
    if (!st || !polygon || !polygon->vertices)
        return;
    const int count = polygon->count;
    const int type = polygon->type;
    if (type == MWR_POLYGON_CONVEX ? count > VD_POLYGON_MAX : type != MWR_POLYGON_FAN)
        return;
    if (count < 3)
        return;
    // A convex polygon gets the clipper's room after its own vertices.
    const int reserved = type == MWR_POLYGON_CONVEX ? count + VD_POLYGON_CLIP_ROOM : count;
    vdVERTEX *v = vdVertexCacheReserve(reserved);
    if (!v)
        return;
    mwrVERTEX *const *source = polygon->vertices;
    uint32_t any = 0, all = VD_CLIP_PLANES;
    for (int i = 0; i < count; ++i) {
        vdTransform(&v[i], source[i], st);
        any |= v[i].clip;
        all &= v[i].clip;
    }
    if (all)
        return;
    const int cullMode = st->material.cullMode;
    if (cullMode != MWR_CULL_NONE && polygonBackFace(v, count, cullMode))
        return;
    for (int i = 0; i < count; ++i)
        vdRender.setUp(&v[i], source[i]);

    if (type == MWR_POLYGON_CONVEX) {
        if (!any) {
            drawFan(v, count);
        } else {
            vdVERTEX *list[VD_POLYGON_MAX];
            for (int i = 0; i < count; ++i)
                list[i] = &v[i];
            vdClipPolygon(list, count, v + count, v + reserved, vdHighestPlane(any));
        }
        return;
    }
    for (int i = 2; i < count; ++i) {
        vdVERTEX *a = &v[0], *b = &v[i - 1], *c = &v[i];
        const uint32_t flags = a->clip | b->clip | c->clip;
        if (!flags)
            vdEmitTriangle(a, b, c);
        else if (!(a->clip & b->clip & c->clip & VD_CLIP_PLANES))
            vdClipTriangle(vdHighestPlane(flags), a, b, c);
    }
}

void vdDrawScreenPolygon(const mwrSCREENPOLYGON *polygon)
{
    // The screensaver's layers come this way: no transform, culling or clipping.
    const mwrRENDERSTATE *st = vdDrawingState();
    if (!st || !polygon || !polygon->vertices || polygon->count < 3)
        return;
    const int count = polygon->count;
    vdVERTEX *v = vdVertexCacheReserve(count);
    if (!v)
        return;
    for (int i = 0; i < count; ++i) {
        const mwrVERTEX *source = polygon->vertices[i];
        vdVERTEX &cached = v[i];
        cached = vdVERTEX{}; // set-up fills in only what the material uses
        cached.v.a = source->a * 255.0f;
        cached.v.x = source->x;
        cached.v.y = source->y;
        cached.v.oow = source->z;
        cached.v.ooz = 65535.0f * source->z;
        vdRender.setUp(&cached, source);
    }
    drawFan(v, count);
}
