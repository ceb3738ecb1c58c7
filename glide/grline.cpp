// grline.cpp - lines and points, drawn through the triangle rasteriser and
// the span pipeline so that they share its fill rule and arithmetic.
#include "grsetup.h"

#include <cmath>

namespace {

// A line is the parallelogram one pixel across its minor axis: two
// triangles sharing a diagonal, which the fill rule draws once.
void drawLine(gr::DrawContext &ctx, const gr::SetupVertex &p0, const gr::SetupVertex &p1)
{
    using gr::SetupVertex;
    const bool xMajor = std::llabs(p1.X - p0.X) >= std::llabs(p1.Y - p0.Y);
    if (p1.X == p0.X && p1.Y == p0.Y)
        return;
    const int64_t ox = xMajor ? 0 : 8, oy = xMajor ? 8 : 0; // half a pixel, in 1/16
    auto shifted = [&](const SetupVertex &v, int sign) {
        SetupVertex s = v;
        s.X += sign * ox;
        s.Y += sign * oy;
        s.x = double(s.X) / 16.0;
        s.y = double(s.Y) / 16.0;
        return s;
    };
    const SetupVertex a0 = shifted(p0, -1), a1 = shifted(p0, 1);
    const SetupVertex b0 = shifted(p1, -1), b1 = shifted(p1, 1);
    // The attributes change only along the line, so both halves share planes.
    gr::Planes planes;
    if (!gr::planesOf(a0, b0, b1, planes))
        return;
    gr::prepareSamplers(ctx, planes, (p0.x + p1.x) / 2.0, (p0.y + p1.y) / 2.0);
    gr::rasterTriangle(ctx, a0, b0, b1, planes);
    gr::rasterTriangle(ctx, a0, b1, a1, planes);
}

} // namespace

extern "C" void FX_CALL grDrawLine(const GrVertex *v1, const GrVertex *v2)
{
    gr::DrawContext ctx;
    if (!v1 || !v2)
        return;
    const GrVertex *ends[2] = {v1, v2};
    gr::FlatColor flat;
    if (!gr::beginDraw(ctx, gr::flatColorOf(ends, 2, flat) ? &flat : nullptr))
        return;
    gr::SetupVertex a, b;
    if (!gr::loadVertex(*ctx.board, *v1, a) || !gr::loadVertex(*ctx.board, *v2, b))
        return;
    drawLine(ctx, a, b);
}

extern "C" void FX_CALL grDrawPoint(const GrVertex *pt)
{
    using namespace gr;
    DrawContext ctx;
    FlatColor flat;
    if (!pt || !flatColorOf(&pt, 1, flat) || !beginDraw(ctx, &flat))
        return;
    SetupVertex v;
    if (!loadVertex(*ctx.board, *pt, v))
        return;
    const Board &b = *ctx.board;
    const int64_t x = v.X >> 4, y = v.Y >> 4; // the pixel containing the point
    if (x < b.clipMinX || x >= b.clipMaxX || y < b.clipMinY || y >= b.clipMaxY)
        return;
    Planes still{};
    still.x0 = v.x;
    still.y0 = v.y;
    for (int i = 0; i < kAttrs; ++i)
        still.v0[i] = v.attr[i];
    prepareSamplers(ctx, still, v.x, v.y);
    Span span;
    span.y = int(y);
    span.x = int(x);
    span.count = 1;
    for (int i = 0; i < kAttrs; ++i) {
        span.start[i] = v.attr[i];
        span.step[i] = 0.0f;
    }
    rasterSpan(ctx, span);
}
