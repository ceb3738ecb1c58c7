// grsetup.h - primitive set-up: vertices to fixed point, plane equations of
// the attributes, rows to spans. Internal.
//
// Every row's span and every span's attribute start are computed from the
// primitive alone (exact integer edge functions, plane equations evaluated
// at the row), never carried from the row above, so the screen can be drawn
// in bands in any order, by any thread, with identical results.
#pragma once

#include "grpipe.h"

namespace gr {

struct SetupVertex {
    int64_t X, Y; // 1/16 pixel, buffer orientation (y down)
    double x, y;  // the same in pixels
    float attr[kAttrs];
};

// False (draw nothing) for coordinates that are not finite or lie beyond
// 32768 pixels.
bool loadVertex(const Board &b, const GrVertex &v, SetupVertex &out);

// The resolved pipeline and a block to run it with, valid for one draw.
struct DrawContext {
    Board *board = nullptr;
    Pipeline *pipeline = nullptr;
    const SpanKernels *kernels = nullptr;
    Block *block = nullptr;
};
// flat: the primitive's one iterated colour, or null when it varies.
bool beginDraw(DrawContext &ctx, const FlatColor *flat);

// The flat colour of vertices that all carry the same colour and alpha.
bool flatColorOf(const GrVertex *const *v, int count, FlatColor &out);

// Attribute planes of a triangle: value = v0 + dx (x - x0) + dy (y - y0).
struct Planes {
    double x0, y0;
    double v0[kAttrs], dx[kAttrs], dy[kAttrs];
};
// False for a triangle of no area.
bool planesOf(const SetupVertex &a, const SetupVertex &b, const SetupVertex &c, Planes &out);

// Chooses each texture unit's level and filter for a primitive whose
// texture coordinates change as the planes say.
void prepareSamplers(DrawContext &ctx, const Planes &planes, double cx, double cy);

// Draws a triangle already known to be drawn (culling done); any winding.
void rasterTriangle(DrawContext &ctx, const SetupVertex &a, const SetupVertex &b, const SetupVertex &c,
                    const Planes &planes);

} // namespace gr
