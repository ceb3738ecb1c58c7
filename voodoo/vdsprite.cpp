// Points and sprites (slots 46 and 45): a 3 x 3 dot and a camera-facing
// rectangle at a model-space point, set up like a vertex there.
#include "vdrend.h"

#include <cmath>
#include <cstring>

#include "vdslots.h"

namespace {

struct DotPixel {
    float dx, dy, alpha;
};
// The centre, its edge neighbours at half and its diagonals at a fifth.
const DotPixel kDot[] = {
    {0, 0, 1.0f},   {-1, 0, 0.5f}, {1, 0, 0.5f},  {0, -1, 0.5f}, {0, 1, 0.5f},
    {-1, -1, 0.2f}, {1, -1, 0.2f}, {-1, 1, 0.2f}, {1, 1, 0.2f},
};

// Unit vector from a model-space point towards the eye: a sprite faces it.
void towardsEye(const mwrRENDERSTATE *st, const float *position, float *normal)
{
    const float d[3] = {st->eye[0] - position[0], st->eye[1] - position[1], st->eye[2] - position[2]};
    const float length2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    const float r = length2 > 0.0f ? 1.0f / std::sqrt(length2) : 0.0f;
    for (int i = 0; i < 3; ++i)
        normal[i] = d[i] * r;
}

} // namespace

void vdDrawPoint(const mwrPOINT *point)
{
    const mwrRENDERSTATE *st = vdDrawingState();
    if (!st || !point)
        return;
    vdVERTEX v;
    vdTransform(&v, &point->vertex, st);
    if (v.clip) // visible only strictly inside every plane
        return;
    vdRender.setUp(&v, &point->vertex);
    for (const DotPixel &pixel : kDot) {
        GrVertex dot = v.v;
        dot.x += pixel.dx;
        dot.y += pixel.dy;
        dot.a = v.v.a * pixel.alpha;
        grDrawPoint(&dot);
    }
}

void vdDrawSprite(const mwrSPRITE *sprite)
{
    const mwrRENDERSTATE *st = vdDrawingState();
    if (!st || !sprite)
        return;
    const float *m = st->modelView.m;
    const float x = m[0] * sprite->x + m[1] * sprite->y + m[2] * sprite->z + m[3];
    const float y = m[4] * sprite->x + m[5] * sprite->y + m[6] * sprite->z + m[7];
    const float z = m[8] * sprite->x + m[9] * sprite->y + m[10] * sprite->z + m[11];
    if (!(z > st->nearZ && z < st->farZ))
        return;
    // Half sizes in eye space, where the side planes are x = +-z and y = +-z.
    const float hw = st->camera.focal * sprite->size;
    const float hh = st->camera.focalY * sprite->size * sprite->heightRatio;
    if (!(hw > 0.0f && hh > 0.0f))
        return;
    const float left = x - hw, right = x + hw, top = y + hh, bottom = y - hh;
    if (left >= z || right <= -z || bottom >= z || top <= -z)
        return; // wholly beyond a side plane
    // Texture fractions across the sprite (v grows downwards), moved to
    // where a side plane cuts it: 0.5 at the centre, linear to each edge.
    float u0 = 0.0f, u1 = 1.0f, v0 = 0.0f, v1 = 1.0f;
    if (right > z)
        u1 = 0.5f + 0.5f * (z - x) / hw;
    if (left < -z)
        u0 = 0.5f - 0.5f * (z + x) / hw;
    if (top > z)
        v0 = 0.5f - 0.5f * (z - y) / hh;
    if (bottom < -z)
        v1 = 0.5f + 0.5f * (z + y) / hh;

    const float oow = 1.0f / z;
    const float cx = x * oow * st->scaleX, cy = -y * oow * st->scaleY;
    const float hwScreen = hw * oow * st->scaleX, hhScreen = hh * oow * st->scaleY;
    // The record from its texture words on is laid out as a vertex.
    mwrVERTEX source;
    std::memcpy(&source, sprite, sizeof source);
    towardsEye(st, &sprite->x, &source.nx);
    const float corner[4][2] = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
    vdVERTEX v[4] = {}; // what the set-up leaves alone reaches the board as zero
    for (int i = 0; i < 4; ++i) {
        const float u = corner[i][0], w = corner[i][1];
        source.u0 = u;
        source.v0 = w;
        v[i].v.x = u * 2.0f * hwScreen + cx - hwScreen + st->centerX - VD_SNAP;
        v[i].v.y = w * 2.0f * hhScreen + cy - hhScreen + st->centerY - VD_SNAP;
        v[i].v.z = z;
        v[i].v.oow = oow;
        v[i].v.ooz = 65535.0f * oow;
        v[i].v.a = sprite->a * 255.0f;
        v[i].clip = 0;
        vdRender.setUp(&v[i], &source);
    }
    vdEmitTriangle(&v[0], &v[1], &v[2]);
    vdEmitTriangle(&v[0], &v[2], &v[3]);
}
