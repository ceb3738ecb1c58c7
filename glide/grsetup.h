// grsetup.h - primitive set-up: vertices to fixed point, plane equations of
// the attributes, rows to spans, and the primitives as the drawing threads
// record them. Internal.
//
// Every row's span and every span's attribute start are computed from the
// primitive alone (exact integer edge functions, plane equations evaluated
// at the row), never carried from the row above, so the rows of a primitive
// may be drawn in bands, in any order and by any of the drawing threads,
// with identical results.
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

// The resolved pipeline and the calling thread's block, valid for one draw.
struct DrawContext {
    Board *board = nullptr;
    Pipeline *pipeline = nullptr;
    const SpanKernels *kernels = nullptr;
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

// Draws one span (a point) through the pipeline.
void rasterSpan(DrawContext &ctx, const Span &span);

//---- Primitives as recorded for the drawing threads

struct Edge {
    int64_t dx, dy, px, py;
    int64_t bias; // 0 for a top or left edge (its centres are inside), else 1
};

// A triangle wound so that its inside is on the positive side of each edge.
struct TriangleRows {
    Edge edges[3];
    int clipMinX, clipMaxX; // max exclusive
    Planes planes;
};

// A rectangle of the colour buffer, the aux buffer or both set to one value.
struct ClearRect {
    uint16_t *color, *aux; // null: not cleared
    uint16_t colorValue, auxValue;
    int stride, x0, x1;
};

struct Primitive {
    enum Kind : uint8_t { kTriangle, kSpan, kClear } kind = kTriangle;
    int rowFirst = 0, rowLast = -1;     // rows touched
    const Pipeline *pipeline = nullptr; // triangles and spans
    TriangleRows triangle;
    Span span;
    ClearRect clear;
};

void clearRows(const ClearRect &clear, int rowFrom, int rowTo);

// Draws the primitive's rows rowFrom..rowTo (inside its own rows) with blk,
// adding to counters.
void drawRows(const Primitive &prim, Block &blk, int rowFrom, int rowTo, Counters &counters);

} // namespace gr
