// Culling and clipping: the back-face test with its near-plane replacement,
// the recursive triangle clipper and the polygon clipper. Planes are taken
// from the highest bit down: near, right, left, top, bottom, far.
#include "vdrend.h"

#include "vdstats.h"

namespace {

// Signed distance to a plane, positive inside for every plane but far
// (where inside is negative); only ratios of two distances are used.
float distance(uint32_t plane, const vdVERTEX *p, const mwrRENDERSTATE *st)
{
    switch (plane) {
    case MWR_CLIP_FAR: return p->v.z - st->farZ;
    case MWR_CLIP_BOTTOM: return p->v.z + p->eyeY;
    case MWR_CLIP_TOP: return p->v.z - p->eyeY;
    case MWR_CLIP_LEFT: return p->v.z + p->eyeX;
    case MWR_CLIP_RIGHT: return p->v.z - p->eyeX;
    default: return p->v.z - st->nearZ;
    }
}

float lerp(float a, float b, float t) { return a + (b - a) * t; }

// The point where the edge from the inside corner p to the outside corner q
// crosses plane. It is set up (colour, alpha and texture interpolated) and
// pending, flagged against the planes still to come.
void cut(vdVERTEX *out, const vdVERTEX *p, const vdVERTEX *q, uint32_t plane)
{
    const mwrRENDERSTATE *st = vdRender.state;
    const float dp = distance(plane, p, st);
    const float t = dp / (dp - distance(plane, q, st));
    out->v = GrVertex{}; // the units outside the mask stay zero, as in vdTransform
    out->eyeX = lerp(p->eyeX, q->eyeX, t);
    out->eyeY = lerp(p->eyeY, q->eyeY, t);
    out->v.z = lerp(p->v.z, q->v.z, t);
    out->v.r = lerp(p->v.r, q->v.r, t);
    out->v.g = lerp(p->v.g, q->v.g, t);
    out->v.b = lerp(p->v.b, q->v.b, t);
    out->v.a = lerp(p->v.a, q->v.a, t);
    if (vdRender.textureMask & MWR_TEXTURE_LAYER0) {
        out->s0 = lerp(p->s0, q->s0, t);
        out->t0 = lerp(p->t0, q->t0, t);
    }
    if (vdRender.textureMask & MWR_TEXTURE_LAYER1) {
        out->s1 = lerp(p->s1, q->s1, t);
        out->t1 = lerp(p->t1, q->t1, t);
    }
    out->clip = (vdOutside(out->eyeX, out->eyeY, out->v.z, st) & (plane - 1)) | MWR_CLIP_PENDING;
    out->setUpDone = 1;
}

void projectPending(vdVERTEX *v)
{
    if (v->clip & MWR_CLIP_PENDING)
        vdProject(v, vdRender.state);
}

} // namespace

void vdEmitTriangle(const vdVERTEX *a, const vdVERTEX *b, const vdVERTEX *c)
{
    vdStatsFifoSample();
    grDrawTriangle(&a->v, &b->v, &c->v);
}

int vdBackFace(vdVERTEX *a, vdVERTEX *b, vdVERTEX *c)
{
    const mwrRENDERSTATE *st = vdRender.state;
    vdVERTEX *corners[3] = {a, b, c};
    // Rotating keeps the winding; start from a corner in front of the near plane.
    int first = 0;
    while (first < 3 && (corners[first]->clip & MWR_CLIP_NEAR))
        ++first;
    if (first == 3)
        return 1;
    const vdVERTEX *front = corners[first];
    float x[3], y[3];
    for (int k = 0; k < 3; ++k) {
        vdVERTEX *corner = corners[(first + k) % 3];
        if (corner->clip & MWR_CLIP_NEAR) {
            // Only for the test: the corner moved along its edge to the near plane.
            const float dFront = front->v.z - st->nearZ;
            const float t = dFront / (dFront - (corner->v.z - st->nearZ));
            vdVERTEX moved;
            moved.eyeX = lerp(front->eyeX, corner->eyeX, t);
            moved.eyeY = lerp(front->eyeY, corner->eyeY, t);
            moved.v.z = lerp(front->v.z, corner->v.z, t);
            vdProjectPosition(&moved, st);
            x[k] = moved.v.x;
            y[k] = moved.v.y;
        } else {
            projectPending(corner);
            x[k] = corner->v.x;
            y[k] = corner->v.y;
        }
    }
    return (x[1] - x[0]) * (y[2] - y[0]) < (x[2] - x[0]) * (y[1] - y[0]);
}

void vdClipTriangle(uint32_t plane, vdVERTEX *a, vdVERTEX *b, vdVERTEX *c)
{
    if (!plane) {
        projectPending(a);
        projectPending(b);
        projectPending(c);
        vdEmitTriangle(a, b, c);
        return;
    }
    const uint32_t next = plane >> 1;
    const int outside = (a->clip & plane ? 1 : 0) | (b->clip & plane ? 2 : 0) | (c->clip & plane ? 4 : 0);
    // The pieces keep the winding of a, b, c.
    vdVERTEX i1, i2;
    switch (outside) {
    case 0: vdClipTriangle(next, a, b, c); break;
    case 1: // a
        cut(&i1, b, a, plane);
        cut(&i2, c, a, plane);
        vdClipTriangle(next, &i1, b, c);
        vdClipTriangle(next, &i1, c, &i2);
        break;
    case 2: // b
        cut(&i1, a, b, plane);
        cut(&i2, c, b, plane);
        vdClipTriangle(next, a, &i1, c);
        vdClipTriangle(next, &i1, &i2, c);
        break;
    case 4: // c
        cut(&i1, a, c, plane);
        cut(&i2, b, c, plane);
        vdClipTriangle(next, &i1, a, b);
        vdClipTriangle(next, &i1, b, &i2);
        break;
    case 3: // a and b
        cut(&i1, c, a, plane);
        cut(&i2, c, b, plane);
        vdClipTriangle(next, c, &i1, &i2);
        break;
    case 5: // a and c
        cut(&i1, b, a, plane);
        cut(&i2, b, c, plane);
        vdClipTriangle(next, &i1, b, &i2);
        break;
    case 6: // b and c
        cut(&i1, a, b, plane);
        cut(&i2, a, c, plane);
        vdClipTriangle(next, a, &i1, &i2);
        break;
    default: // all three outside
        break;
    }
}

void vdClipPolygon(vdVERTEX *const *list, int count, vdVERTEX *room, vdVERTEX *roomEnd, uint32_t plane)
{
    // Each list holds distinct vertices: the polygon's own and the new ones.
    constexpr int kListMax = VD_POLYGON_MAX + VD_POLYGON_CLIP_ROOM;
    vdVERTEX *lists[2][kListMax];
    vdVERTEX *const *in = list;
    for (int pass = 0; plane; pass ^= 1) {
        if (count < 3)
            return;
        vdVERTEX **out = lists[pass];
        int kept = 0;
        uint32_t any = 0, all = VD_CLIP_PLANES;
        auto keep = [&](vdVERTEX *v) {
            out[kept++] = v;
            any |= v->clip;
            all &= v->clip;
        };
        vdVERTEX *previous = in[count - 1];
        for (int i = 0; i < count; ++i) {
            vdVERTEX *current = in[i];
            const bool currentOut = current->clip & plane;
            const bool previousOut = previous->clip & plane;
            if (currentOut != previousOut) {
                if (room == roomEnd)
                    return; // more crossings than a convex outline has
                if (currentOut)
                    cut(room, previous, current, plane);
                else
                    cut(room, current, previous, plane);
                keep(room++);
            }
            if (!currentOut)
                keep(current);
            previous = current;
        }
        if (all & VD_CLIP_PLANES)
            return; // wholly outside one plane
        in = out;
        count = kept;
        plane = vdHighestPlane(any & (plane - 1));
    }
    if (count < 3)
        return;
    for (int i = 0; i < count; ++i)
        projectPending(in[i]);
    for (int i = 2; i < count; ++i)
        vdEmitTriangle(in[0], in[i - 1], in[i]);
}
