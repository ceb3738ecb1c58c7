// Light tracing part: set-up, the per-frame tracing passes and layers, and
// the two light-map rasterisers.
#include "lightprt.h"

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "mwbitmap.h"
#include "mwblit.h"
#include "mwcon.h"
#include "mwkernel.h"
#include "mwrender.h"

// Pixels are handled as native 16-bit words; the bitmap format is little-endian.
static_assert(std::endian::native == std::endian::little, "ARGB 4444 words are little-endian");

namespace lightprt {

namespace {

//---- Splats ----------------------------------------------------------------

struct Tap {
    int offset;
    int increment;
};

// Alpha nibble increments (in units of 0x1000) around a sample: the centre
// always saturates, then the 4 neighbours, the 4 diagonals and the 12 pixels
// at distance 2 and sqrt(5).
constexpr Tap ALPHA_TAPS[] = {
    {0, 15},   {-1, 6},   {1, 6},   {-256, 6}, {256, 6},  {-255, 4}, {255, 4},
    {-257, 4}, {257, 4},  {-2, 3},  {2, 3},    {-512, 3}, {512, 3},  {-254, 3},
    {254, 3},  {-258, 3}, {258, 3}, {-511, 3}, {511, 3},  {-513, 3}, {513, 3},
};

// Grey increments (all three nibbles at once) around a sample.
constexpr Tap GLOW_TAPS[] = {
    {0, 0x444},    {-1, 0x222},  {1, 0x222},    {-256, 0x222}, {256, 0x222},
    {-255, 0x111}, {255, 0x111}, {-257, 0x111}, {257, 0x111},
};

struct AlphaSplat {
    static void apply(uint16_t *map, int centre)
    {
        for (const Tap &tap : ALPHA_TAPS) {
            uint16_t &p = map[centre + tap.offset];
            const int raised = p + tap.increment * 0x1000;
            p = raised < ALPHA_FULL ? uint16_t(raised) : uint16_t(p | ALPHA_FULL);
        }
    }
};

struct GlowSplat {
    static void apply(uint16_t *map, int centre)
    {
        for (const Tap &tap : GLOW_TAPS) {
            uint16_t &p = map[centre + tap.offset];
            const int raised = p + tap.increment;
            p = raised < GREY_FULL ? uint16_t(raised) : uint16_t(p | GREY_FULL);
        }
    }
};

//---- Rasteriser ------------------------------------------------------------

struct Point {
    float x, y;
};

// Moves `e` along the segment onto the line where its `axis` coordinate is
// `bound`; `o` is the other endpoint.
void moveOnto(Point &e, const Point &o, float Point::*axis, float bound)
{
    const float t = (bound - e.*axis) / (o.*axis - e.*axis);
    e = {e.x * (1.0f - t) + o.x * t, e.y * (1.0f - t) + o.y * t};
}

// Clips one side: the first endpoint beyond it moves, else the second.
template <typename Beyond>
void clipSide(Point &a, Point &b, float Point::*axis, float bound, Beyond beyond)
{
    if (beyond(a.*axis, bound))
        moveOnto(a, b, axis, bound);
    else if (beyond(b.*axis, bound))
        moveOnto(b, a, axis, bound);
}

bool insideBox(const Point &p)
{
    // Clipping lands on the box up to rounding; a segment that passes the
    // box by a corner is pushed along its line to far outside instead.
    constexpr float slack = 1e-4f;
    return p.x >= BOX_MIN - slack && p.x <= BOX_MAX + slack && p.y >= BOX_MIN - slack &&
           p.y <= BOX_MAX + slack;
}

template <typename Splat>
void rasterise(float x0, float x1, float y0, float y1, int density, uint16_t *map)
{
    if (density < 1 || density > MAX_DENSITY)
        return;
    if ((x0 < BOX_MIN && x1 < BOX_MIN) || (x0 > BOX_MAX && x1 > BOX_MAX) || (y0 < BOX_MIN && y1 < BOX_MIN) ||
        (y0 > BOX_MAX && y1 > BOX_MAX))
        return;

    Point a = {x0, y0}, b = {x1, y1};
    const auto below = [](float v, float bound) { return v < bound; };
    const auto above = [](float v, float bound) { return v > bound; };
    clipSide(a, b, &Point::x, BOX_MIN, below);
    clipSide(a, b, &Point::x, BOX_MAX, above);
    clipSide(a, b, &Point::y, BOX_MIN, below);
    clipSide(a, b, &Point::y, BOX_MAX, above);
    // NOTE: also rejects NaN, which every comparison above lets through.
    if (!insideBox(a) || !insideBox(b))
        return;

    const float dx = b.x - a.x, dy = b.y - a.y;
    // A zero-length segment gives an infinite step: one splat.
    const float step = (1.0f / float(density)) * (1.0f / std::sqrt(dx * dx + dy * dy));
    for (float f = 0.0f; f < 1.0f; f += step) {
        const int row = int((a.y + dy * f) * 255.0f);
        const int column = int((a.x + dx * f) * 255.0f);
        Splat::apply(map, row * MAP_SIDE + column);
    }
}

//---- Tracing ---------------------------------------------------------------

constexpr float PROBE_DISTANCE = 0.35f;
constexpr float FAR_DISTANCE = 140.0f;
constexpr int OCCLUDED_DENSITY = 40;
constexpr int OPEN_DENSITY = 100;
constexpr int BEAM_DENSITY = 90;
constexpr int BEYOND_DENSITY = 120;

struct Probe {
    Point probe;   // where the ray meets z = PROBE_DISTANCE
    Point far;     // where it has gone FAR_DISTANCE
    bool inside;   // the probe lies on the picture, away from its border
    bool occluded; // ... and on a black pixel
};

Probe probe(const Trace &trace, const mwmVECTOR &ray)
{
    const float s = PROBE_DISTANCE / ray.z;
    Probe p;
    p.probe = {trace.lightX + ray.x * s, trace.lightY + ray.y * s};
    p.far = {trace.lightX + ray.x * FAR_DISTANCE, trace.lightY + ray.y * FAR_DISTANCE};
    const int column = int(p.probe.x * 255.0f);
    const int row = int(p.probe.y * 255.0f);
    p.inside = column > 1 && column < 254 && row > 1 && row < 254;
    p.occluded = p.inside && trace.picture[row * MAP_SIDE + column] == 0;
    return p;
}

} // namespace

void alphaRay(float x0, float x1, float y0, float y1, int density, uint16_t *map)
{
    rasterise<AlphaSplat>(x0, x1, y0, y1, density, map);
}

void glowRay(float x0, float x1, float y0, float y1, int density, uint16_t *map)
{
    rasterise<GlowSplat>(x0, x1, y0, y1, density, map);
}

void traceOccluded(const Trace &trace, uint16_t *map)
{
    for (int i = 0; i < trace.rayCount; ++i) {
        const Probe p = probe(trace, trace.rays[i]);
        const Point end = p.occluded ? p.probe : p.far;
        alphaRay(trace.lightX, end.x, trace.lightY, end.y, p.occluded ? OCCLUDED_DENSITY : OPEN_DENSITY, map);
    }
}

void traceBeams(const Trace &trace, uint16_t *map)
{
    for (int i = 0; i < trace.rayCount; ++i) {
        const Probe p = probe(trace, trace.rays[i]);
        glowRay(trace.lightX, p.probe.x, trace.lightY, p.probe.y, BEAM_DENSITY, map);
    }
}

void traceBeyond(const Trace &trace, uint16_t *map)
{
    for (int i = 0; i < trace.rayCount; ++i) {
        const Probe p = probe(trace, trace.rays[i]);
        if (p.inside && !p.occluded)
            glowRay(p.probe.x, p.far.x, p.probe.y, p.far.y, BEYOND_DENSITY, map);
    }
}

} // namespace lightprt

//---- The part --------------------------------------------------------------

namespace {

using namespace lightprt;

const char kOwner[] = "lightprt";
const char kPictureFile[] = "POO.TGA";
std::string picturePath = kPictureFile;
constexpr int NOISE_TEXTURES = 4;
constexpr int NOISE_DRAWN = 3; // the fourth is made but never drawn

struct Part {
    mwrMATERIAL *material;
    mwCARDBITMAP *noise[NOISE_TEXTURES];
    mwBITMAP *picture;
    mwCARDBITMAP *pictureHandle;
    mwBITMAP *lightMap;
    int rayCount;
    mwmVECTOR *rays;
    mwmVECTOR *rotated;
};
Part part;

uint16_t *pixels(mwBITMAP *bitmap) { return reinterpret_cast<uint16_t *>(bitmap->data); }

// Console and report log alike; the console shows it at once.
void announce(const char *text)
{
    mwConPrintf("%s", text);
    mwLogPrintf("%s", text);
    mwConDraw();
    mwBlitSwapBuffers(1);
}

mwCARDBITMAP *makeNoiseTexture()
{
    mwBITMAP *bitmap = mwbCreate(MW_IMAGE_ARGB_4444, MAP_SIDE, MAP_SIDE);
    uint16_t *p = pixels(bitmap);
    for (int i = 0; i < MAP_PIXELS; ++i) {
        const uint16_t n = uint16_t(std::rand() % 8 + 8); // grey n with alpha n
        p[i] = uint16_t(n | n << 4 | n << 8 | n << 12);
    }
    mwCARDBITMAP *handle = mwBlitCreateBitmap(bitmap, 1);
    if (!handle)
        mwFatal("Cannot load bitmap onto driver\n");
    mwbFree(bitmap);
    return handle;
}

// POO.TGA as ARGB 4444 at 256 x 256: black stays 0 (alpha 0, an occluder),
// every other pixel gets full alpha.
mwBITMAP *loadPicture()
{
    const char *path = picturePath.c_str();
    if (!mwFileExists(kOwner, __LINE__, path))
        mwFatal("Cannot open %s", path);
    mwBITMAP *picture = mwbLoad(path);
    if (!picture)
        mwFatal("Cannot read %s: not an uncompressed 24- or 32-bit Targa that fits in memory", path);
    mwbResample(picture, MAP_SIDE, MAP_SIDE, 0);
    mwbConvert(picture, MW_IMAGE_ARGB_4444);
    uint16_t *p = pixels(picture);
    for (int i = 0; i < MAP_PIXELS; ++i)
        if (p[i] != 0)
            p[i] |= ALPHA_FULL;
    return picture;
}

// A unit direction in a cone about +z: x and y in [-0.5, 0.5) over z = 2.
mwmVECTOR randomRay()
{
    // A draw of 0 would divide by zero below.
    int a, b;
    while ((a = std::rand()) == 0) {
    }
    while ((b = std::rand()) == 0) {
    }
    const int r1 = std::rand();
    const int r2 = std::rand();
    const float fa = float(a), fb = float(b);
    mwmVECTOR ray = {(float(r2 % b) - 0.5f * fb) / fb, (float(r1 % a) - 0.5f * fa) / fa, 2.0f};
    mwmVectorNormalize(&ray);
    return ray;
}

//---- Layers ----------------------------------------------------------------

struct Quad {
    float x, y, w, h;
};
constexpr Quad SCREEN_QUAD = {10.0f, 10.0f, 510.0f, 380.0f};
constexpr Point CLIP_MIN = {10.0f, 10.0f};
constexpr Point CLIP_MAX = {510.0f, 380.0f};

// The quad's part inside the clip rectangle as one screen polygon, with the
// texture coordinates cut to match.
void drawScreenQuad(const Quad &q, const float colour[3], float alpha, float depth, const Point &clipMin,
                    const Point &clipMax)
{
    const float u0 = q.x < clipMin.x ? (clipMin.x - q.x) / q.w : 0.0f;
    const float v0 = q.y < clipMin.y ? (clipMin.y - q.y) / q.h : 0.0f;
    const float u1 = q.x + q.w > clipMax.x ? 1.0f - ((q.x + q.w) - clipMax.x) / q.w : 1.0f;
    const float v1 = q.y + q.h > clipMax.y ? 1.0f - ((q.y + q.h) - clipMax.y) / q.h : 1.0f;
    if (u0 > u1 || v0 > v1)
        return;

    const Point corners[4] = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
    mwrVERTEX vertices[4] = {};
    mwrVERTEX *order[4];
    for (int i = 0; i < 4; ++i) {
        mwrVERTEX &v = vertices[i];
        v.x = q.x + corners[i].x * q.w;
        v.y = q.y + corners[i].y * q.h;
        v.z = depth;
        v.u0 = corners[i].x;
        v.v0 = corners[i].y;
        v.r = colour[0];
        v.g = colour[1];
        v.b = colour[2];
        v.a = alpha;
        order[i] = &v;
    }
    const mwrSCREENPOLYGON polygon = {4, order};
    mwBlitDrawScreenPolygon(&polygon);
}

// Blend modes of the display driver.
constexpr int BLEND_VERTEX_ALPHA = 1;
constexpr int BLEND_DARKEN = 3; // destination times texture alpha
constexpr int BLEND_ADD = 5;

void drawLayer(mwCARDBITMAP *texture, int blendMode, float depth)
{
    static const float white[3] = {1.0f, 1.0f, 1.0f};
    part.material->texture[0] = texture;
    part.material->blendMode = blendMode;
    mwrMaterialSelect(part.material);
    drawScreenQuad(SCREEN_QUAD, white, 1.0f, depth, CLIP_MIN, CLIP_MAX);
}

// Clears the light map, traces one pass into it and draws it as a layer; the
// card copy lives only for that layer.
void drawLightMap(void (*pass)(const Trace &, uint16_t *), const Trace &trace, int blendMode, float depth)
{
    std::memset(part.lightMap->data, 0, size_t(MAP_PIXELS) * 2);
    pass(trace, pixels(part.lightMap));
    mwCARDBITMAP *handle = mwBlitCreateBitmap(part.lightMap, 1);
    if (!handle)
        mwFatal("Crud");
    drawLayer(handle, blendMode, depth);
    mwBlitFreeBitmap(handle);
}

} // namespace

void lightPartSetPicture(const char *path) { picturePath = path && *path ? path : kPictureFile; }

int lightPartSetup(int rayCount)
{
    if (rayCount < 1)
        mwFatal("lightPartSetup: %d rays", rayCount);
    announce("Setting up Light Tracing Part 1...");

    part.material = mwrMaterialAlloc(1);
    for (mwCARDBITMAP *&noise : part.noise)
        noise = makeNoiseTexture();

    part.picture = loadPicture();
    part.pictureHandle = mwBlitCreateBitmap(part.picture, 1);
    if (!part.pictureHandle)
        mwFatal("Cannot load bitmap onto driver");
    part.lightMap = mwbCreate(MW_IMAGE_ARGB_4444, MAP_SIDE, MAP_SIDE);

    part.rayCount = rayCount;
    const int bytes = rayCount * int(sizeof(mwmVECTOR));
    // The owner lines are the ones this part has always reported, so error
    // captions and heap listings read the same from build to build.
    part.rays = static_cast<mwmVECTOR *>(mwDMemAlloc(kOwner, 360, bytes));
    part.rotated = static_cast<mwmVECTOR *>(mwDMemAlloc(kOwner, 361, bytes));
    for (int i = 0; i < rayCount; ++i)
        part.rays[i] = part.rotated[i] = randomRay();

    mwrMATERIAL &m = *part.material;
    const float emissive[3] = {0.1f, 0.1f, 0.1f}, diffuse[3] = {0.3f, 0.3f, 0.3f};
    std::memcpy(m.emissive, emissive, sizeof m.emissive);
    std::memcpy(m.diffuse, diffuse, sizeof m.diffuse);
    std::memset(m.specular, 0, sizeof m.specular);
    m.shininess = 20.0f;
    m.cullMode = 3;
    m.flags = 0;
    m.colorMode = 1;
    m.blendMode = 2;
    m.opacity = 1.0f;
    m.textureMask = 1;
    m.texture[0] = nullptr;

    announce(" Finished \n");
    return 1;
}

int lightPartFrame(float t)
{
    Trace trace;
    trace.lightX = float(0.5 + 0.4 * std::sin(0.01 * double(t)));
    trace.lightY = float(0.5 + 0.035 * std::sin(double(0.033333335f) * double(t)));
    trace.rays = part.rotated;
    trace.rayCount = part.rayCount;
    trace.picture = pixels(part.picture);

    drawLayer(part.pictureHandle, BLEND_VERTEX_ALPHA, 0.9f);
    drawLayer(part.noise[std::rand() % NOISE_DRAWN], BLEND_DARKEN, 0.91f);

    // The fan turns t degrees about the viewing axis.
    mwmMATRIX turn;
    mwmMatrixIdentity(&turn);
    mwmMatrixRotate(&turn, 0.0f, 0.0f, t);
    for (int i = 0; i < part.rayCount; ++i)
        mwmMatrixTransformPoint(&part.rotated[i], &turn, &part.rays[i]);

    drawLightMap(traceOccluded, trace, BLEND_DARKEN, 1.0f); // black outside the rays
    drawLightMap(traceBeams, trace, BLEND_ADD, 1.01f);      // near glow
    drawLayer(part.pictureHandle, BLEND_DARKEN, 1.02f);     // occluders black
    drawLightMap(traceBeyond, trace, BLEND_ADD, 1.03f);     // far glow
    return 1;
}

int lightPartFree(void)
{
    announce("Freeing up Light Tracing Part 1...");
    mwrMaterialFree(part.material);
    for (mwCARDBITMAP *noise : part.noise)
        mwBlitFreeBitmap(noise);
    mwBlitFreeBitmap(part.pictureHandle);
    mwbFree(part.picture);
    mwbFree(part.lightMap);
    mwDMemFree(kOwner, 498, part.rays);
    mwDMemFree(kOwner, 499, part.rotated);
    part = Part{};
    announce("Done \n");
    return 1;
}
