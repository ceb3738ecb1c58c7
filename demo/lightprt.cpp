// Light tracing part: set-up, the per-frame tracing passes and layers, and
// the two light-map rasterisers.
#include "lightprt.h"
#include "lightrnd.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <emmintrin.h>
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
constexpr Tap kAlphaTaps[] = {
    {0, 15},   {-1, 6},   {1, 6},   {-256, 6}, {256, 6},  {-255, 4}, {255, 4},
    {-257, 4}, {257, 4},  {-2, 3},  {2, 3},    {-512, 3}, {512, 3},  {-254, 3},
    {254, 3},  {-258, 3}, {258, 3}, {-511, 3}, {511, 3},  {-513, 3}, {513, 3},
};

// Grey increments (all three nibbles at once) around a sample.
constexpr Tap kGlowTaps[] = {
    {0, 0x444},    {-1, 0x222},  {1, 0x222},    {-256, 0x222}, {256, 0x222},
    {-255, 0x111}, {255, 0x111}, {-257, 0x111}, {257, 0x111},
};

// A splat as five rows of eight lanes, columns centre - 2 .. centre + 5:
// one vector load and store a row instead of a read and write a pixel. Each
// tap touches its own pixel, so the order of the taps never mattered.
constexpr int kSplatRows = 5;
constexpr int kLanes = 8;

struct SplatRows {
    uint16_t increment[kSplatRows][kLanes]{};
    uint16_t fill[kSplatRows][kLanes]{}; // the saturated bits, on the lanes a tap touches
};

template <size_t N>
constexpr SplatRows splatRows(const Tap (&taps)[N], int scale, uint16_t saturated)
{
    SplatRows rows;
    for (const Tap &tap : taps) {
        // Offsets lie within two rows and two columns of the centre.
        const int row = (tap.offset + 2 * kMapSide + 2) / kMapSide - 2;
        const int lane = tap.offset - row * kMapSide + 2;
        rows.increment[row + 2][lane] = uint16_t(tap.increment * scale);
        rows.fill[row + 2][lane] = saturated;
    }
    return rows;
}

constexpr SplatRows kAlphaRows = splatRows(kAlphaTaps, 0x1000, kAlphaFull);
constexpr SplatRows kGlowRows = splatRows(kGlowTaps, 1, kGreyFull);

__m128i lane(const uint16_t (&row)[kLanes])
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(row));
}

// Alpha nibble plus increment, stopping at 15, the grey bits kept: the sum
// while it fits, else the pixel with full alpha, whichever is smaller.
struct AlphaSplat {
    static void apply(uint16_t *map, int centre)
    {
        for (int r = 0; r < kSplatRows; ++r) {
            auto *at = reinterpret_cast<__m128i *>(map + centre + (r - 2) * kMapSide - 2);
            const __m128i p = _mm_loadu_si128(at);
            const __m128i sum = _mm_adds_epu16(p, lane(kAlphaRows.increment[r]));
            const __m128i full = _mm_or_si128(p, lane(kAlphaRows.fill[r]));
            _mm_storeu_si128(at, _mm_sub_epi16(sum, _mm_subs_epu16(sum, full))); // min(sum, full)
        }
    }
};

// Grey plus increment while the sum stays below 0x0FFF, else the pixel with
// every grey bit set (as the word's sum compares, alpha included).
struct GlowSplat {
    static void apply(uint16_t *map, int centre)
    {
        const __m128i belowFull = _mm_set1_epi16(short(kGreyFull - 1));
        for (int r = 0; r < 3; ++r) {
            auto *at = reinterpret_cast<__m128i *>(map + centre + (r - 1) * kMapSide - 2);
            const __m128i p = _mm_loadu_si128(at);
            const __m128i sum = _mm_adds_epu16(p, lane(kGlowRows.increment[r + 1]));
            const __m128i fits = _mm_cmpeq_epi16(_mm_subs_epu16(sum, belowFull), _mm_setzero_si128());
            const __m128i full = _mm_or_si128(p, lane(kGlowRows.fill[r + 1]));
            _mm_storeu_si128(at, _mm_or_si128(_mm_and_si128(fits, sum), _mm_andnot_si128(fits, full)));
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
    return p.x >= kBoxMin - slack && p.x <= kBoxMax + slack && p.y >= kBoxMin - slack &&
           p.y <= kBoxMax + slack;
}

// Neighbouring samples lie a few pixels apart, so their splats' vectors
// overlap, and a load that overlaps a store still under way waits for it.
// Every increment saturates at the top only, so the order of the splats
// does not change the map: a run of samples is splatted every third one
// first (those are far enough apart), then the others.
constexpr int kPhases = 3;
constexpr int kRun = 32 * kPhases;

template <typename Splat>
void splatRun(uint16_t *map, const int *centres, int count)
{
    for (int phase = 0; phase < kPhases; ++phase)
        for (int i = phase; i < count; i += kPhases)
            Splat::apply(map, centres[i]);
}

template <typename Splat>
void rasterise(float x0, float x1, float y0, float y1, int density, uint16_t *map)
{
    if (density < 1 || density > kMaxDensity)
        return;
    if ((x0 < kBoxMin && x1 < kBoxMin) || (x0 > kBoxMax && x1 > kBoxMax) || (y0 < kBoxMin && y1 < kBoxMin) ||
        (y0 > kBoxMax && y1 > kBoxMax))
        return;

    Point a = {x0, y0}, b = {x1, y1};
    const auto below = [](float v, float bound) { return v < bound; };
    const auto above = [](float v, float bound) { return v > bound; };
    clipSide(a, b, &Point::x, kBoxMin, below);
    clipSide(a, b, &Point::x, kBoxMax, above);
    clipSide(a, b, &Point::y, kBoxMin, below);
    clipSide(a, b, &Point::y, kBoxMax, above);
    // NOTE: also rejects NaN, which every comparison above lets through.
    if (!insideBox(a) || !insideBox(b))
        return;

    const float dx = b.x - a.x, dy = b.y - a.y;
    // A zero-length segment gives an infinite step: one splat.
    const float step = (1.0f / float(density)) * (1.0f / std::sqrt(dx * dx + dy * dy));
    int centres[kRun];
    int count = 0;
    for (float f = 0.0f; f < 1.0f; f += step) {
        const int row = int((a.y + dy * f) * 255.0f);
        const int column = int((a.x + dx * f) * 255.0f);
        centres[count++] = row * kMapSide + column;
        if (count == kRun) {
            splatRun<Splat>(map, centres, count);
            count = 0;
        }
    }
    splatRun<Splat>(map, centres, count);
}

//---- Tracing ---------------------------------------------------------------

constexpr float kProbeDistance = 0.35f;
constexpr float kFarDistance = 140.0f;
constexpr int kOccludedDensity = 40;
constexpr int kOpenDensity = 100;
constexpr int kBeamDensity = 90;
constexpr int kBeyondDensity = 120;

struct Probe {
    Point probe;   // where the ray meets z = kProbeDistance
    Point far;     // where it has gone kFarDistance
    bool inside;   // the probe lies on the picture, away from its border
    bool occluded; // ... and on a black pixel
};

Probe probe(const Trace &trace, const mwmVECTOR &ray)
{
    const float s = kProbeDistance / ray.z;
    Probe p;
    p.probe = {trace.lightX + ray.x * s, trace.lightY + ray.y * s};
    p.far = {trace.lightX + ray.x * kFarDistance, trace.lightY + ray.y * kFarDistance};
    const int column = int(p.probe.x * 255.0f);
    const int row = int(p.probe.y * 255.0f);
    p.inside = column > 1 && column < 254 && row > 1 && row < 254;
    p.occluded = p.inside && trace.picture[row * kMapSide + column] == 0;
    return p;
}

} // namespace

LightPosition lightPath(float t)
{
    return {float(0.5 + 0.4 * std::sin(0.01 * double(t))),
            float(0.5 + 0.035 * std::sin(double(0.033333335f) * double(t)))};
}

void turnFan(const mwmVECTOR *rays, mwmVECTOR *turned, int count, float t)
{
    mwmMATRIX turn;
    mwmMatrixIdentity(&turn);
    mwmMatrixRotate(&turn, 0.0f, 0.0f, t);
    for (int i = 0; i < count; ++i)
        mwmMatrixTransformPoint(&turned[i], &turn, &rays[i]);
}

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
        alphaRay(trace.lightX, end.x, trace.lightY, end.y, p.occluded ? kOccludedDensity : kOpenDensity, map);
    }
}

void traceBeams(const Trace &trace, uint16_t *map)
{
    for (int i = 0; i < trace.rayCount; ++i) {
        const Probe p = probe(trace, trace.rays[i]);
        glowRay(trace.lightX, p.probe.x, trace.lightY, p.probe.y, kBeamDensity, map);
    }
}

void traceBeyond(const Trace &trace, uint16_t *map)
{
    for (int i = 0; i < trace.rayCount; ++i) {
        const Probe p = probe(trace, trace.rays[i]);
        if (p.inside && !p.occluded)
            glowRay(p.probe.x, p.far.x, p.probe.y, p.far.y, kBeyondDensity, map);
    }
}

} // namespace lightprt

//---- The part --------------------------------------------------------------

namespace {

using namespace lightprt;

const char kOwner[] = "lightprt";
const char kPictureFile[] = "POO.TGA";
std::string picturePath = kPictureFile;
constexpr int kNoiseTextures = 4;
constexpr int kNoiseDrawn = 3; // the fourth is made but never drawn

struct Part {
    mwrMATERIAL *material;
    mwCARDBITMAP *noise[kNoiseTextures];
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
    mwBITMAP *bitmap = mwbCreate(MW_IMAGE_ARGB_4444, kMapSide, kMapSide);
    uint16_t *p = pixels(bitmap);
    for (int i = 0; i < kMapPixels; ++i) {
        const uint16_t n = uint16_t(lightprt::rand() % 8 + 8); // grey n with alpha n
        p[i] = uint16_t(n | n << 4 | n << 8 | n << 12);
    }
    mwCARDBITMAP *handle = mwBlitCreateBitmap(bitmap, MW_BLIT_BITMAP_PRIVATE);
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
    // Read in strips: a picture far larger than the heap is reduced as it is read.
    mwBITMAP *picture = mwbTGALoadResampled(path, kMapSide, kMapSide);
    if (!picture)
        mwFatal("Cannot read %s: not an uncompressed 24- or 32-bit Targa of at most %d x %d pixels", path,
                MW_TGA_LARGEST_SIDE, MW_TGA_LARGEST_SIDE);
    mwbConvert(picture, MW_IMAGE_ARGB_4444);
    // Black is an occluder whatever the alpha: a 32-bit picture's opaque
    // black converts to alpha 15 with colour 0, so the colour is tested.
    uint16_t *p = pixels(picture);
    for (int i = 0; i < kMapPixels; ++i)
        p[i] = (p[i] & kGreyFull) == 0 ? 0 : uint16_t(p[i] | kAlphaFull);
    return picture;
}

// A unit direction in a cone about +z: x and y in [-0.5, 0.5) over z = 2.
mwmVECTOR randomRay()
{
    // A draw of 0 would divide by zero below.
    int a, b;
    while ((a = lightprt::rand()) == 0) {
    }
    while ((b = lightprt::rand()) == 0) {
    }
    const int r1 = lightprt::rand();
    const int r2 = lightprt::rand();
    const float fa = float(a), fb = float(b);
    mwmVECTOR ray = {(float(r2 % b) - 0.5f * fb) / fb, (float(r1 % a) - 0.5f * fa) / fa, 2.0f};
    mwmVectorNormalize(&ray);
    return ray;
}

//---- Layers ----------------------------------------------------------------

struct Quad {
    float x, y, w, h;
};
constexpr Quad kScreenQuad = {10.0f, 10.0f, 510.0f, 380.0f};
constexpr Point kClipMin = {10.0f, 10.0f};
constexpr Point kClipMax = {510.0f, 380.0f};

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

void drawLayer(mwCARDBITMAP *texture, int blendMode, float depth)
{
    static const float white[3] = {1.0f, 1.0f, 1.0f};
    part.material->texture[0] = texture;
    part.material->blendMode = blendMode;
    mwrMaterialSelect(part.material);
    drawScreenQuad(kScreenQuad, white, 1.0f, depth, kClipMin, kClipMax);
}

// Clears the light map, traces one pass into it and draws it as a layer; the
// card copy lives only for that layer.
void drawLightMap(void (*pass)(const Trace &, uint16_t *), const Trace &trace, int blendMode, float depth)
{
    std::memset(part.lightMap->data, 0, size_t(kMapPixels) * 2);
    pass(trace, pixels(part.lightMap));
    mwCARDBITMAP *handle = mwBlitCreateBitmap(part.lightMap, MW_BLIT_BITMAP_PRIVATE);
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
    part.pictureHandle = mwBlitCreateBitmap(part.picture, MW_BLIT_BITMAP_PRIVATE);
    if (!part.pictureHandle)
        mwFatal("Cannot load bitmap onto driver");
    part.lightMap = mwbCreate(MW_IMAGE_ARGB_4444, kMapSide, kMapSide);

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
    m.cullMode = MWR_CULL_NONE;
    m.flags = 0;
    m.colorMode = MWR_COLOR_VERTEX;
    m.blendMode = MWR_BLEND_TEXTURE_ALPHA;
    m.opacity = 1.0f;
    m.textureMask = MWR_TEXTURE_LAYER0;
    m.texture[0] = nullptr;

    announce(" Finished \n");
    return 1;
}

int lightPartFrame(float t)
{
    const LightPosition light = lightPath(t);
    Trace trace;
    trace.lightX = light.x;
    trace.lightY = light.y;
    trace.rays = part.rotated;
    trace.rayCount = part.rayCount;
    trace.picture = pixels(part.picture);

    drawLayer(part.pictureHandle, MWR_BLEND_VERTEX_ALPHA, 0.9f);
    drawLayer(part.noise[lightprt::rand() % kNoiseDrawn], MWR_BLEND_DARKEN, 0.91f);

    turnFan(part.rays, part.rotated, part.rayCount, t);

    drawLightMap(traceOccluded, trace, MWR_BLEND_DARKEN, 1.0f); // black outside the rays
    drawLightMap(traceBeams, trace, MWR_BLEND_ADD, 1.01f);      // near glow
    drawLayer(part.pictureHandle, MWR_BLEND_DARKEN, 1.02f);     // occluders black
    drawLightMap(traceBeyond, trace, MWR_BLEND_ADD, 1.03f);     // far glow
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
