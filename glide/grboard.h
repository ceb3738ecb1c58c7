// grboard.h - the one virtual board: its state as the Glide calls leave it.
// Internal to glide2x.
#pragma once

#include "glide.h"
#include "grtexcache.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <vector>

namespace gr {

//---- Board limits

constexpr int kMaxTmus = 2;
constexpr int kMaxColorBuffers = 3;
constexpr int kMaxThreads = 16;
// Spare pixels after every row so that whole vectors may be read and written
// back past a span's end without touching the next row (rows of one band are
// drawn by one thread, the next band's by another).
constexpr int kRowPad = 64;

//---- The hardware, as the environment describes it

enum class SpanSet { kBaseline, kAvx2, kAvx512 };

struct Hardware {
    int fbMegabytes = 4;
    int tmuCount = 2;
    int tmuMegabytes = 4;
    int threads = 1;                    // drawing threads, the caller's included
    SpanSet spans = SpanSet::kBaseline; // the widest the processor and GLIDE2X_SIMD allow
};

// Reads GLIDE2X_FBRAM, GLIDE2X_TMUS, GLIDE2X_TMURAM, GLIDE2X_THREADS and
// GLIDE2X_SIMD; values outside their ranges give the defaults.
Hardware hardwareFromEnvironment();

// An integer from the environment when it is set and one of the accepted
// values; otherwise the fallback.
int envInt(const char *name, int fallback, int lowest, int highest);

//---- Configuration of the combine units

struct CombineUnit {
    int function = GR_COMBINE_FUNCTION_ZERO;
    int factor = GR_COMBINE_FACTOR_ZERO;
    int local = GR_COMBINE_LOCAL_ITERATED;
    int other = GR_COMBINE_OTHER_ITERATED;
    bool invert = false;
};

//---- One texture unit

struct TextureSource {
    bool valid = false; // a grTexSource with a usable GrTexInfo was made
    uint32_t address = 0;
    uint32_t evenOdd = GR_MIPMAPLEVELMASK_BOTH;
    int smallLod = GR_LOD_1, largeLod = GR_LOD_256;
    int aspect = GR_ASPECT_1x1, format = GR_TEXFMT_RGB_565;
};

// What grGlideInit resets: the unit's power-up state.
struct TmuState {
    TextureSource source;
    // grTexCombine: the unit passes its own texel on.
    CombineUnit rgb{GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, 0, 0, false};
    CombineUnit alpha{GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, 0, 0, false};
    int minFilter = GR_TEXTUREFILTER_POINT_SAMPLED;
    int magFilter = GR_TEXTUREFILTER_POINT_SAMPLED;
    int clampS = GR_TEXTURECLAMP_WRAP, clampT = GR_TEXTURECLAMP_WRAP;
    int mipmapMode = GR_MIPMAP_DISABLE;
};

struct Tmu : TmuState {
    std::vector<uint8_t> memory;
    std::array<uint32_t, 256> palette{};
    uint32_t paletteGeneration = 0;
    TexelCache texels;
};

//---- Counters (wide; reported to 24 bits)

struct Counters {
    uint64_t pixelsIn = 0, chromaFail = 0, zFuncFail = 0, aFuncFail = 0, pixelsOut = 0;
    Counters &operator+=(const Counters &o)
    {
        pixelsIn += o.pixelsIn;
        chromaFail += o.chromaFail;
        zFuncFail += o.zFuncFail;
        aFuncFail += o.aFuncFail;
        pixelsOut += o.pixelsOut;
        return *this;
    }
};

//---- The pixel pipeline state and its power-up values

struct PipelineState {
    CombineUnit colorCombine{GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE,
                             GR_COMBINE_LOCAL_ITERATED, GR_COMBINE_OTHER_ITERATED, false};
    CombineUnit alphaCombine{GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE, GR_COMBINE_LOCAL_NONE,
                             GR_COMBINE_OTHER_CONSTANT, false};
    int rgbSrcBlend = GR_BLEND_ONE, rgbDstBlend = GR_BLEND_ZERO;
    int alphaSrcBlend = GR_BLEND_ONE, alphaDstBlend = GR_BLEND_ZERO;
    int alphaTestFunction = GR_CMP_ALWAYS;
    int alphaTestReference = 0;
    uint32_t constantColor = 0xFFFFFFFFu;
    bool rgbWrite = true, alphaWrite = false, depthWrite = false;
    int depthMode = GR_DEPTHBUFFER_DISABLE;
    int depthFunction = GR_CMP_LESS;
    int depthBias = 0;
    int cullMode = GR_CULL_DISABLE;
    bool chromakey = false;
    uint32_t chromakeyValue = 0;
    int ditherMode = GR_DITHER_4x4;
    int renderBack = 1; // 1: drawing goes to the back buffer
};

//---- The board

struct Board : PipelineState {
    // Hardware, fixed at grGlideInit.
    Hardware hardware;

    // Window and buffers (grSstWinOpen).
    bool open = false;
    uint32_t window = 0;
    int width = 0, height = 0, stride = 0;
    int colorFormat = GR_COLORFORMAT_ARGB;
    int origin = GR_ORIGIN_UPPER_LEFT;
    int colorBufferCount = 0;
    bool hasAux = false;
    std::vector<uint16_t> color[kMaxColorBuffers]; // stride * height each
    std::vector<uint16_t> aux;
    int front = 0; // index into color[] shown by the last swap
    int refreshHz = 60;
    std::chrono::steady_clock::time_point retraceEpoch{};
    int clipMinX = 0, clipMinY = 0, clipMaxX = 0, clipMaxY = 0; // max exclusive

    std::array<Tmu, kMaxTmus> tmus;

    // Counters of what the calling thread drew and cleared; the bands drawn
    // by the workers keep their own until they are gathered.
    Counters counters;

    // Bumped by every state change that the resolved pipeline depends on.
    uint32_t stateSerial = 1;

    // The buffer drawing goes to, and the one shown.
    uint16_t *drawBuffer() { return color[renderBack && colorBufferCount > 1 ? back() : front].data(); }
    int back() const { return (front + 1) % colorBufferCount; }
    // The aux buffer holds depth while depth buffering is on, else alpha.
    bool auxIsDepth() const { return hasAux && depthMode != GR_DEPTHBUFFER_DISABLE; }
    bool auxIsAlpha() const { return hasAux && depthMode == GR_DEPTHBUFFER_DISABLE; }
};

Board &board();
// Between grGlideInit and grGlideShutdown.
bool boardInitialised();

// The texture unit of a Glide chip number, or null for a unit the board
// does not have.
Tmu *tmuOf(GrChipID_t tmu);

// Red, green, blue, alpha bytes of a GrColor_t in the board's colour format.
struct Rgba {
    uint8_t r, g, b, a;
};
Rgba unpackColor(uint32_t color, int format);

// 8-bit channels to 565, truncating (clears and frame buffer writes).
inline uint16_t pack565(unsigned r, unsigned g, unsigned b)
{
    return uint16_t(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

void invalidatePipeline(Board &b);

} // namespace gr
