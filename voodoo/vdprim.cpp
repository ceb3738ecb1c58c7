// The 2D primitives (slots 27 to 31): lines and rectangles in vertex
// colour, opaque. The far corners reach 0.6 past the last pixel so that its
// centre is inside.
#include "vdslots.h"
#include "vdstate.h"

namespace {

struct Color {
    float r, g, b;
};

float position(int value) { return float(uint32_t(value)); }

GrVertex vertex(float x, float y, Color c)
{
    GrVertex v{};
    v.x = x;
    v.y = y;
    v.r = c.r * 255.0f;
    v.g = c.g * 255.0f;
    v.b = c.b * 255.0f;
    v.a = 255.0f;
    v.ooz = 1.0f;
    v.oow = 1.0f;
    return v;
}

void opaqueVertexColor(void)
{
    grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
    grColorCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_LOCAL, GR_COMBINE_LOCAL_ITERATED,
                   GR_COMBINE_OTHER_CONSTANT, FXFALSE);
}

// Corners P1 (top left) to P4 (bottom left), clockwise, in the given colours.
void fill(int x0, int y0, int x1, int y1, Color c1, Color c2, Color c3, Color c4)
{
    opaqueVertexColor();
    const float left = position(x0), top = position(y0);
    const float right = position(x1) + 0.6f, bottom = position(y1) + 0.6f;
    const GrVertex p1 = vertex(left, top, c1), p2 = vertex(right, top, c2);
    const GrVertex p3 = vertex(right, bottom, c3), p4 = vertex(left, bottom, c4);
    grDrawTriangle(&p1, &p2, &p3);
    grDrawTriangle(&p1, &p3, &p4);
}

} // namespace

void vdDrawLine(int x0, int y0, int x1, int y1, float r, float g, float b)
{
    opaqueVertexColor();
    const GrVertex from = vertex(position(x0) + 0.5f, position(y0) + 0.5f, {r, g, b});
    const GrVertex to = vertex(position(x1) + 0.6f, position(y1) + 0.6f, {r, g, b});
    grDrawLine(&from, &to);
}

void vdFillRect(int x0, int y0, int x1, int y1, float r, float g, float b)
{
    const Color c{r, g, b};
    fill(x0, y0, x1, y1, c, c, c, c);
}

void vdDrawRect(int x0, int y0, int x1, int y1, float r, float g, float b)
{
    opaqueVertexColor();
    const Color c{r, g, b};
    const float left = position(x0) + 0.5f, top = position(y0) + 0.5f;
    const float right = position(x1) + 0.6f, bottom = position(y1) + 0.6f;
    const GrVertex p[4] = {vertex(left, top, c), vertex(right, top, c), vertex(right, bottom, c),
                           vertex(left, bottom, c)};
    for (int i = 0; i < 4; ++i)
        grDrawLine(&p[i], &p[(i + 1) % 4]);
}

void vdFillRectGradient(int x0, int y0, int x1, int y1, int vertical, float r0, float g0, float b0, float r1,
                        float g1, float b1)
{
    const Color from{r0, g0, b0}, to{r1, g1, b1};
    if (vertical)
        fill(x0, y0, x1, y1, from, from, to, to);
    else
        fill(x0, y0, x1, y1, from, to, to, from);
}

void vdFillRectCorners(int x0, int y0, int x1, int y1, float r0, float g0, float b0, float r1, float g1,
                       float b1, float r2, float g2, float b2, float r3, float g3, float b3)
{
    fill(x0, y0, x1, y1, {r0, g0, b0}, {r1, g1, b1}, {r2, g2, b2}, {r3, g3, b3});
}
