// grsetup.cpp - triangle set-up and the rows-to-spans rasteriser.
#include "grsetup.h"

#include "grpresent.h"
#include "grqueue.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gr {

namespace {

// Coordinates beyond this many pixels are refused, which keeps every edge
// function product well inside 64 bits.
constexpr float kCoordinateLimit = 32768.0f;

int64_t floorDiv(int64_t a, int64_t d)
{ // d > 0
    int64_t q = a / d;
    if ((a % d) != 0 && a < 0)
        --q;
    return q;
}
int64_t ceilDiv(int64_t a, int64_t d) { return -floorDiv(-a, d); }

// Edge from p to q of a triangle wound so that the inside is on the
// positive side. With y down, a top edge runs to the right horizontally and
// a left edge runs upwards.
Edge edgeOf(const SetupVertex &p, const SetupVertex &q)
{
    Edge e{q.X - p.X, q.Y - p.Y, p.X, p.Y, 1};
    if ((e.dy == 0 && e.dx > 0) || e.dy < 0)
        e.bias = 0;
    return e;
}

// Pipelines resolved for the board state they were built from: one for
// primitives with varying colour, one for a flat colour.
struct Resolved {
    uint32_t serial = 0;
    FlatColor color{};
    Pipeline pipeline;
    const SpanKernels *kernels = nullptr;
};
Resolved g_resolved[2];

// The calling thread's block, for what it draws at once.
Block &directBlock()
{
    static Block blk;
    return blk;
}

void prepare(const Pipeline &p, Block &blk)
{
    if (blk.preparedFor != p.id) {
        p.kernels->prepareBlock(p, blk);
        blk.preparedFor = p.id;
    }
}

// Records the primitive for the drawing threads, or draws it at once.
void submit(DrawContext &ctx, Primitive &prim, int64_t pixels)
{
    if (queueTakes(pixels)) {
        queueRecord(prim, prim.pipeline);
        return;
    }
    Counters counters;
    drawRows(prim, directBlock(), prim.rowFirst, prim.rowLast, counters);
    ctx.board->counters += counters;
}

bool sameFlat(const FlatColor &a, const FlatColor &b)
{
    return a.value[0] == b.value[0] && a.value[1] == b.value[1] && a.value[2] == b.value[2] &&
           a.value[3] == b.value[3];
}

// The iterated value the span stages give a colour attribute.
int32_t iteratedValue(float x)
{
    x = x > 0.0f ? x : 0.0f;
    x = x < 255.0f ? x : 255.0f;
    return int32_t(x + 0.5f);
}

// Source of a unit without a usable texture: one black texel, padded.
const uint32_t kNoTexel[4] = {0, 0, 0, 0};

} // namespace

bool loadVertex(const Board &b, const GrVertex &v, SetupVertex &out)
{
    if (!(std::fabs(v.x) <= kCoordinateLimit) || !(std::fabs(v.y) <= kCoordinateLimit))
        return false;
    const float y = b.origin == GR_ORIGIN_LOWER_LEFT ? float(b.height) - v.y : v.y;
    out.X = std::lrint(double(v.x) * 16.0);
    out.Y = std::lrint(double(y) * 16.0);
    out.x = double(out.X) / 16.0;
    out.y = double(out.Y) / 16.0;
    out.attr[kOow] = v.oow;
    out.attr[kOoz] = v.ooz;
    out.attr[kRed] = v.r;
    out.attr[kGreen] = v.g;
    out.attr[kBlue] = v.b;
    out.attr[kAlpha] = v.a;
    out.attr[kSow0] = v.tmuvtx[0].sow;
    out.attr[kTow0] = v.tmuvtx[0].tow;
    out.attr[kSow1] = v.tmuvtx[1].sow;
    out.attr[kTow1] = v.tmuvtx[1].tow;
    return true;
}

bool flatColorOf(const GrVertex *const *v, int count, FlatColor &out)
{
    for (int i = 1; i < count; ++i)
        if (v[i]->r != v[0]->r || v[i]->g != v[0]->g || v[i]->b != v[0]->b || v[i]->a != v[0]->a)
            return false;
    out = {{iteratedValue(v[0]->r), iteratedValue(v[0]->g), iteratedValue(v[0]->b), iteratedValue(v[0]->a)}};
    return true;
}

bool beginDraw(DrawContext &ctx, const FlatColor *flat)
{
    Board &b = board();
    if (!b.open)
        return false;
    Resolved &r = g_resolved[flat ? 1 : 0];
    if (r.serial != b.stateSerial || !r.kernels || (flat && !sameFlat(r.color, *flat))) {
        r.kernels = resolvePipeline(b, r.pipeline, flat);
        r.pipeline.kernels = r.kernels;
        r.serial = b.stateSerial;
        if (flat)
            r.color = *flat;
    }
    if (!r.kernels)
        return false;
    Pipeline &p = r.pipeline;
    uint16_t *target = b.drawBuffer();
    if (target == b.color[b.front].data())
        presentRelease(); // the frame handed over is drawn into
    uint16_t *aux = b.hasAux ? b.aux.data() : nullptr;
    if (p.color != target || p.aux != aux || p.stride != b.stride) {
        p.color = target;
        p.aux = aux;
        p.stride = b.stride;
        ++p.version;
    }
    ctx = {&b, &p, r.kernels};
    return true;
}

bool planesOf(const SetupVertex &a, const SetupVertex &b, const SetupVertex &c, Planes &out)
{
    const double x1 = b.x - a.x, y1 = b.y - a.y, x2 = c.x - a.x, y2 = c.y - a.y;
    const double det = x1 * y2 - x2 * y1;
    if (det == 0.0)
        return false;
    out.x0 = a.x;
    out.y0 = a.y;
    for (int i = 0; i < kAttrs; ++i) {
        const double v0 = a.attr[i], d1 = double(b.attr[i]) - v0, d2 = double(c.attr[i]) - v0;
        out.v0[i] = v0;
        out.dx[i] = (d1 * y2 - d2 * y1) / det;
        out.dy[i] = (d2 * x1 - d1 * x2) / det;
    }
    return true;
}

void prepareSamplers(DrawContext &ctx, const Planes &pl, double cx, double cy)
{
    Board &b = *ctx.board;
    Pipeline &p = *ctx.pipeline;
    const SpanKernels &k = *ctx.kernels;
    SpanFn span = k.drawSpan;
    for (int u = 0; u < kMaxTmus; ++u) {
        if (p.samplerStep[u] < 0)
            continue;
        Tmu &t = b.tmus[u];
        Sampler sm = p.sampler[u];
        StageFn sample = k.sample[0][0][0][0];
        TexelCache::Copy d = t.texels.lookup(t.source, t.memory, t.palette, t.paletteGeneration);
        if (!d) {
            sm.texels = kNoTexel;
            sm.width = sm.height = 1;
            sm.stride = 2;
            span = k.drawSpan;
        } else {
            int levelIndex = 0;
            int filter = t.magFilter;
            const bool mipmapped = t.mipmapMode != GR_MIPMAP_DISABLE && d->levelCount > 1;
            if (mipmapped || t.minFilter != t.magFilter) {
                // Texels per pixel at the centre, in texels of the largest level.
                const int sa = u == 0 ? kSow0 : kSow1, ta = u == 0 ? kTow0 : kTow1;
                const double dxc = cx - pl.x0, dyc = cy - pl.y0;
                auto at = [&](int a) { return pl.v0[a] + pl.dx[a] * dxc + pl.dy[a] * dyc; };
                const double q = at(kOow), s = at(sa) / q, tt = at(ta) / q;
                const double longSide = std::max(d->level[0].width, d->level[0].height) / 256.0;
                const double sdx = (pl.dx[sa] - s * pl.dx[kOow]) / q * longSide;
                const double sdy = (pl.dy[sa] - s * pl.dy[kOow]) / q * longSide;
                const double tdx = (pl.dx[ta] - tt * pl.dx[kOow]) / q * longSide;
                const double tdy = (pl.dy[ta] - tt * pl.dy[kOow]) / q * longSide;
                const double rho = std::max(std::hypot(sdx, tdx), std::hypot(sdy, tdy));
                const double lod = rho > 0.0 && std::isfinite(rho) ? std::log2(rho) : 0.0;
                filter = lod > 0.0 ? t.minFilter : t.magFilter;
                if (mipmapped && lod > 0.0)
                    levelIndex = int(std::min<double>(d->levelCount - 1, std::floor(lod + 0.5)));
            }
            const DecodedLevel &l = d->level[levelIndex];
            sm.texels = l.texels;
            sm.width = l.width;
            sm.height = l.height;
            sm.stride = l.stride;
            sm.scale = float(std::max(l.width, l.height));
            // Every pixel of a primitive of one 1/w divides by the same value.
            const bool constantW = pl.dx[kOow] == 0.0 && pl.dy[kOow] == 0.0;
            sm.reciprocalW = 1.0f / float(pl.v0[kOow]);
            const bool bilinear = filter == GR_TEXTUREFILTER_BILINEAR;
            const bool clampS = t.clampS == GR_TEXTURECLAMP_CLAMP, clampT = t.clampT == GR_TEXTURECLAMP_CLAMP;
            sample = k.sample[bilinear][clampS][clampT][constantW];
            const FusedLayer &f = p.fused;
            if (u == 0 && f.eligible && !clampS && !clampT)
                span = k.texturedSpan[bilinear][constantW][f.depth][f.blend][f.dither];
        }
        Pipeline::Step &step = p.steps[p.samplerStep[u]];
        if (std::memcmp(&sm, &p.sampler[u], sizeof sm) != 0 || step.fn != sample || p.textures[u] != d) {
            p.sampler[u] = sm;
            step.fn = sample;
            p.textures[u] = std::move(d);
            ++p.version;
        }
    }
    if (p.span != span) {
        p.span = span;
        ++p.version;
    }
}

void rasterTriangle(DrawContext &ctx, const SetupVertex &a, const SetupVertex &b0, const SetupVertex &c0,
                    const Planes &pl)
{
    Board &bd = *ctx.board;
    // Wind the triangle so that its inside is on the positive side of each edge.
    const int64_t area = (b0.X - a.X) * (c0.Y - a.Y) - (c0.X - a.X) * (b0.Y - a.Y);
    if (area == 0)
        return;
    const SetupVertex &b = area > 0 ? b0 : c0;
    const SetupVertex &c = area > 0 ? c0 : b0;
    const int64_t minY = std::min({a.Y, b.Y, c.Y}), maxY = std::max({a.Y, b.Y, c.Y});
    Primitive prim;
    prim.kind = Primitive::kTriangle;
    prim.rowFirst = int(std::max<int64_t>(bd.clipMinY, ceilDiv(minY - 8, 16)));
    prim.rowLast = int(std::min<int64_t>(bd.clipMaxY - 1, floorDiv(maxY - 8, 16)));
    if (prim.rowFirst > prim.rowLast)
        return;
    prim.pipeline = ctx.pipeline;
    TriangleRows &t = prim.triangle;
    t.edges[0] = edgeOf(a, b);
    t.edges[1] = edgeOf(b, c);
    t.edges[2] = edgeOf(c, a);
    const int64_t minX = std::min({a.X, b.X, c.X}), maxX = std::max({a.X, b.X, c.X});
    t.clipMinX = int(std::max<int64_t>(bd.clipMinX, ceilDiv(minX - 8, 16)));
    t.clipMaxX = int(std::min<int64_t>(bd.clipMaxX, floorDiv(maxX - 8, 16) + 1));
    if (t.clipMinX >= t.clipMaxX)
        return;
    t.planes = pl;
    // Half the bounding box: about what a triangle covers.
    submit(ctx, prim, int64_t(prim.rowLast - prim.rowFirst + 1) * (t.clipMaxX - t.clipMinX) / 2);
}

void rasterSpan(DrawContext &ctx, const Span &span)
{
    Primitive prim;
    prim.kind = Primitive::kSpan;
    prim.rowFirst = prim.rowLast = span.y;
    prim.pipeline = ctx.pipeline;
    prim.span = span;
    submit(ctx, prim, span.count);
}

namespace {

// Whole 64-bit words where the row allows: clears run at memory speed.
void fillRow(uint16_t *p, int n, uint16_t value)
{
    for (; n > 0 && (uintptr_t(p) & 7) != 0; --n)
        *p++ = value;
    const uint64_t word = value * 0x0001000100010001ull;
    for (; n >= 4; n -= 4, p += 4)
        std::memcpy(p, &word, 8);
    for (; n > 0; --n)
        *p++ = value;
}

} // namespace

void clearRows(const ClearRect &c, int rowFrom, int rowTo)
{
    for (int y = rowFrom; y <= rowTo; ++y) {
        const size_t row = size_t(y) * size_t(c.stride);
        if (c.color)
            fillRow(c.color + row + c.x0, c.x1 - c.x0, c.colorValue);
        if (c.aux)
            fillRow(c.aux + row + c.x0, c.x1 - c.x0, c.auxValue);
    }
}

void drawRows(const Primitive &prim, Block &blk, int rowFrom, int rowTo, Counters &counters)
{
    if (prim.kind == Primitive::kClear) {
        clearRows(prim.clear, rowFrom, rowTo);
        return;
    }
    const Pipeline &p = *prim.pipeline;
    if (p.span == p.kernels->drawSpan)
        prepare(p, blk); // the fused span functions keep everything in registers
    if (prim.kind == Primitive::kSpan) {
        p.span(p, blk, prim.span, counters);
        return;
    }
    const TriangleRows &t = prim.triangle;
    const Planes &pl = t.planes;
    Span span;
    for (int i = 0; i < kAttrs; ++i)
        span.step[i] = float(pl.dx[i]);
    for (int y = rowFrom; y <= rowTo; ++y) {
        const int64_t ry = 16 * int64_t(y) + 8;
        int64_t lo = t.clipMinX, hi = t.clipMaxX - 1;
        for (const Edge &e : t.edges) {
            const int64_t k = e.dx * (ry - e.py) + e.dy * (e.px - 8);
            if (e.dy < 0)
                lo = std::max(lo, ceilDiv(e.bias - k, -16 * e.dy));
            else if (e.dy > 0)
                hi = std::min(hi, floorDiv(k - e.bias, 16 * e.dy));
            else if (k < e.bias)
                hi = lo - 1;
        }
        if (lo > hi)
            continue;
        span.y = y;
        span.x = int(lo);
        span.count = int(hi - lo + 1);
        const double px = double(lo) + 0.5 - pl.x0, py = double(y) + 0.5 - pl.y0;
        for (int i = 0; i < kAttrs; ++i)
            span.start[i] = float(pl.v0[i] + pl.dx[i] * px + pl.dy[i] * py);
        p.span(p, blk, span, counters);
    }
}

} // namespace gr

//---- Entry point

extern "C" void FX_CALL grDrawTriangle(const GrVertex *a, const GrVertex *b, const GrVertex *c)
{
    using namespace gr;
    DrawContext ctx;
    if (!a || !b || !c)
        return;
    const GrVertex *corners[3] = {a, b, c};
    FlatColor flat;
    if (!beginDraw(ctx, flatColorOf(corners, 3, flat) ? &flat : nullptr))
        return;
    SetupVertex v[3];
    if (!loadVertex(*ctx.board, *a, v[0]) || !loadVertex(*ctx.board, *b, v[1]) ||
        !loadVertex(*ctx.board, *c, v[2]))
        return;
    // Culling looks at the triangle as the caller gave it.
    int64_t area = (v[1].X - v[0].X) * (v[2].Y - v[0].Y) - (v[2].X - v[0].X) * (v[1].Y - v[0].Y);
    if (ctx.board->origin == GR_ORIGIN_LOWER_LEFT)
        area = -area;
    if (area == 0 || (ctx.board->cullMode == GR_CULL_NEGATIVE && area < 0) ||
        (ctx.board->cullMode == GR_CULL_POSITIVE && area > 0))
        return;
    Planes planes;
    if (!planesOf(v[0], v[1], v[2], planes))
        return;
    prepareSamplers(ctx, planes, (v[0].x + v[1].x + v[2].x) / 3.0, (v[0].y + v[1].y + v[2].y) / 3.0);
    rasterTriangle(ctx, v[0], v[1], v[2], planes);
}
