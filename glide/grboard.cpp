// grboard.cpp - the board itself: start-up, hardware query, status,
// counters, and the pixel pipeline state calls.
#include "grboard.h"
#include "grqueue.h"

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <thread>

namespace gr {

bool avx2Available();
bool avx512Available();

namespace {
Board g_board;
bool g_initialised = false;

// Combine codes outside the documented sets read as ZERO.
bool validFunction(int f)
{
    return (f >= GR_COMBINE_FUNCTION_ZERO && f <= GR_COMBINE_FUNCTION_SCALE_MINUS_LOCAL_ADD_LOCAL) ||
           f == GR_COMBINE_FUNCTION_SCALE_MINUS_LOCAL_ADD_LOCAL_ALPHA;
}
bool validFactor(int f)
{
    return (f >= GR_COMBINE_FACTOR_ZERO && f <= GR_COMBINE_FACTOR_LOD_FRACTION) ||
           (f >= GR_COMBINE_FACTOR_ONE && f <= GR_COMBINE_FACTOR_ONE_MINUS_LOD_FRACTION);
}
CombineUnit combineUnit(int function, int factor, int local, int other, bool invert)
{
    CombineUnit u;
    u.function = validFunction(function) ? function : GR_COMBINE_FUNCTION_ZERO;
    u.factor = validFactor(factor) ? factor : GR_COMBINE_FACTOR_ZERO;
    u.local = local >= GR_COMBINE_LOCAL_ITERATED && local <= GR_COMBINE_LOCAL_DEPTH
                  ? local
                  : GR_COMBINE_LOCAL_ITERATED;
    u.other = other >= GR_COMBINE_OTHER_ITERATED && other <= GR_COMBINE_OTHER_CONSTANT
                  ? other
                  : GR_COMBINE_OTHER_ITERATED;
    u.invert = invert != 0;
    return u;
}
int compareFunction(int f) { return f >= GR_CMP_NEVER && f <= GR_CMP_ALWAYS ? f : GR_CMP_ALWAYS; }
int blendFactor(int f) { return f >= GR_BLEND_ZERO && f <= GR_BLEND_ALPHA_SATURATE ? f : GR_BLEND_ZERO; }

SpanSet spansFromEnvironment()
{
    const char *choice = std::getenv("GLIDE2X_SIMD");
    const std::string_view asked = choice ? choice : "";
    if (asked == "baseline")
        return SpanSet::kBaseline;
    if (avx512Available() && asked != "avx2")
        return SpanSet::kAvx512;
    return avx2Available() ? SpanSet::kAvx2 : SpanSet::kBaseline;
}

} // namespace

Board &board() { return g_board; }
bool boardInitialised() { return g_initialised; }

Tmu *tmuOf(GrChipID_t tmu)
{
    return tmu >= 0 && tmu < g_board.hardware.tmuCount ? &g_board.tmus[size_t(tmu)] : nullptr;
}

int envInt(const char *name, int fallback, int lowest, int highest)
{
    const char *text = std::getenv(name);
    if (!text || !*text)
        return fallback;
    char *end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (*end != '\0' || v < lowest || v > highest)
        return fallback;
    return int(v);
}

Hardware hardwareFromEnvironment()
{
    const Hardware defaults;
    Hardware h;
    h.fbMegabytes = envInt("GLIDE2X_FBRAM", defaults.fbMegabytes, 1, 4);
    h.tmuCount = envInt("GLIDE2X_TMUS", defaults.tmuCount, 1, kMaxTmus);
    h.tmuMegabytes = envInt("GLIDE2X_TMURAM", defaults.tmuMegabytes, 1, 4);
    const int cores = int(std::thread::hardware_concurrency());
    h.threads = envInt("GLIDE2X_THREADS",
                       cores < 1             ? 1
                       : cores > kMaxThreads ? kMaxThreads
                                             : cores,
                       1, kMaxThreads);
    h.spans = spansFromEnvironment();
    return h;
}

Rgba unpackColor(uint32_t c, int format)
{
    const uint8_t b3 = uint8_t(c >> 24), b2 = uint8_t(c >> 16), b1 = uint8_t(c >> 8), b0 = uint8_t(c);
    switch (format) {
    case GR_COLORFORMAT_ABGR: return {b0, b1, b2, b3};
    case GR_COLORFORMAT_RGBA: return {b3, b2, b1, b0};
    case GR_COLORFORMAT_BGRA: return {b1, b2, b3, b0};
    default: return {b2, b1, b0, b3}; // ARGB
    }
}

void invalidatePipeline(Board &b) { ++b.stateSerial; }

} // namespace gr

using gr::board;

//---- Board, window and status

extern "C" void FX_CALL grGlideInit(void)
{
    gr::Board &b = board();
    grSstWinClose();
    b.hardware = gr::hardwareFromEnvironment();
    for (int u = 0; u < gr::kMaxTmus; ++u) {
        gr::Tmu &t = b.tmus[size_t(u)];
        const size_t bytes = u < b.hardware.tmuCount ? size_t(b.hardware.tmuMegabytes) << 20 : 0;
        static_cast<gr::TmuState &>(t) = gr::TmuState{};
        t.memory.assign(bytes, 0);
        t.palette.fill(0);
        ++t.paletteGeneration;
        t.texels.clear();
    }
    static_cast<gr::PipelineState &>(b) = gr::PipelineState{};
    b.counters = {};
    gr::invalidatePipeline(b);
    gr::g_initialised = true;
}

extern "C" void FX_CALL grGlideShutdown(void)
{
    gr::Board &b = board();
    grSstWinClose();
    for (gr::Tmu &t : b.tmus) {
        t.memory = {};
        t.texels.clear();
    }
    gr::g_initialised = false;
}

extern "C" FxBool FX_CALL grSstQueryHardware(GrHwConfiguration *hw)
{
    if (!hw)
        return FXFALSE;
    const gr::Hardware h = gr::g_initialised ? board().hardware : gr::hardwareFromEnvironment();
    std::memset(hw, 0, sizeof *hw);
    hw->num_sst = 1;
    hw->SSTs[0].type = GR_SSTTYPE_SST96;
    GrSst96Config_t &c = hw->SSTs[0].sstBoard.SST96Config;
    c.fbRam = h.fbMegabytes;
    c.nTexelfx = h.tmuCount;
    c.tmuConfig.tmuRev = 1;
    c.tmuConfig.tmuRam = h.tmuMegabytes;
    return FXTRUE;
}

extern "C" void FX_CALL grSstSelect(int) {}

extern "C" FxBool FX_CALL grSstControl(FxU32 code)
{
    return code >= GR_CONTROL_ACTIVATE && code <= GR_CONTROL_MOVE ? FXTRUE : FXFALSE;
}

extern "C" void FX_CALL grSstPerfStats(GrSstPerfStats_t *s)
{
    if (!s)
        return;
    gr::queueDrain(); // the counters are final only once everything recorded is drawn
    const gr::Counters &c = board().counters;
    s->pixelsIn = FxU32(c.pixelsIn & 0xFFFFFF);
    s->chromaFail = FxU32(c.chromaFail & 0xFFFFFF);
    s->zFuncFail = FxU32(c.zFuncFail & 0xFFFFFF);
    s->aFuncFail = FxU32(c.aFuncFail & 0xFFFFFF);
    s->pixelsOut = FxU32(c.pixelsOut & 0xFFFFFF);
}

extern "C" void FX_CALL grSstResetPerfStats(void)
{
    gr::queueDrain();
    board().counters = {};
}

//---- Pixel pipeline state

#define GR_STATE(statement)                                                                                  \
    do {                                                                                                     \
        gr::Board &b = board();                                                                              \
        statement;                                                                                           \
        gr::invalidatePipeline(b);                                                                           \
    } while (0)

extern "C" void FX_CALL grColorCombine(GrCombineFunction_t function, GrCombineFactor_t factor,
                                       GrCombineLocal_t local, GrCombineOther_t other, FxBool invert)
{
    GR_STATE(b.colorCombine = gr::combineUnit(function, factor, local, other, invert));
}

extern "C" void FX_CALL grAlphaCombine(GrCombineFunction_t function, GrCombineFactor_t factor,
                                       GrCombineLocal_t local, GrCombineOther_t other, FxBool invert)
{
    GR_STATE(b.alphaCombine = gr::combineUnit(function, factor, local, other, invert));
}

extern "C" void FX_CALL grAlphaBlendFunction(GrAlphaBlendFnc_t rgb_sf, GrAlphaBlendFnc_t rgb_df,
                                             GrAlphaBlendFnc_t alpha_sf, GrAlphaBlendFnc_t alpha_df)
{
    GR_STATE(b.rgbSrcBlend = gr::blendFactor(rgb_sf); b.rgbDstBlend = gr::blendFactor(rgb_df);
             b.alphaSrcBlend = gr::blendFactor(alpha_sf); b.alphaDstBlend = gr::blendFactor(alpha_df));
}

extern "C" void FX_CALL grAlphaTestFunction(GrCmpFnc_t function)
{
    GR_STATE(b.alphaTestFunction = gr::compareFunction(function));
}

extern "C" void FX_CALL grAlphaTestReferenceValue(GrAlpha_t value) { GR_STATE(b.alphaTestReference = value); }

extern "C" void FX_CALL grConstantColorValue(GrColor_t value) { GR_STATE(b.constantColor = value); }

extern "C" void FX_CALL grColorMask(FxBool rgb, FxBool a)
{
    GR_STATE(b.rgbWrite = rgb != 0; b.alphaWrite = a != 0);
}

extern "C" void FX_CALL grDepthMask(FxBool mask) { GR_STATE(b.depthWrite = mask != 0); }

extern "C" void FX_CALL grDepthBufferMode(GrDepthBufferMode_t mode)
{
    GR_STATE(b.depthMode = mode >= GR_DEPTHBUFFER_DISABLE && mode <= GR_DEPTHBUFFER_WBUFFER_COMPARE_TO_BIAS
                               ? mode
                               : GR_DEPTHBUFFER_DISABLE);
}

extern "C" void FX_CALL grDepthBufferFunction(GrCmpFnc_t function)
{
    GR_STATE(b.depthFunction = gr::compareFunction(function));
}

extern "C" void FX_CALL grDepthBiasLevel(FxI16 level) { GR_STATE(b.depthBias = level); }

extern "C" void FX_CALL grCullMode(GrCullMode_t mode)
{
    GR_STATE(b.cullMode = mode >= GR_CULL_DISABLE && mode <= GR_CULL_POSITIVE ? mode : GR_CULL_DISABLE);
}

extern "C" void FX_CALL grChromakeyMode(GrChromakeyMode_t mode)
{
    GR_STATE(b.chromakey = mode == GR_CHROMAKEY_ENABLE);
}

extern "C" void FX_CALL grChromakeyValue(GrColor_t value) { GR_STATE(b.chromakeyValue = value); }

extern "C" void FX_CALL grDitherMode(GrDitherMode_t mode)
{
    GR_STATE(b.ditherMode = mode >= GR_DITHER_DISABLE && mode <= GR_DITHER_4x4 ? mode : GR_DITHER_4x4);
}

//---- Texture unit state

extern "C" void FX_CALL grTexCombine(GrChipID_t tmu, GrCombineFunction_t rgb_function,
                                     GrCombineFactor_t rgb_factor, GrCombineFunction_t alpha_function,
                                     GrCombineFactor_t alpha_factor, FxBool rgb_invert, FxBool alpha_invert)
{
    gr::Tmu *t = gr::tmuOf(tmu);
    if (!t)
        return;
    GR_STATE(t->rgb = gr::combineUnit(rgb_function, rgb_factor, 0, 0, rgb_invert);
             t->alpha = gr::combineUnit(alpha_function, alpha_factor, 0, 0, alpha_invert));
}

extern "C" void FX_CALL grTexFilterMode(GrChipID_t tmu, GrTextureFilterMode_t minfilter_mode,
                                        GrTextureFilterMode_t magfilter_mode)
{
    gr::Tmu *t = gr::tmuOf(tmu);
    if (!t)
        return;
    GR_STATE(t->minFilter = minfilter_mode == GR_TEXTUREFILTER_BILINEAR ? GR_TEXTUREFILTER_BILINEAR
                                                                        : GR_TEXTUREFILTER_POINT_SAMPLED;
             t->magFilter = magfilter_mode == GR_TEXTUREFILTER_BILINEAR ? GR_TEXTUREFILTER_BILINEAR
                                                                        : GR_TEXTUREFILTER_POINT_SAMPLED);
}

extern "C" void FX_CALL grTexMipMapMode(GrChipID_t tmu, GrMipMapMode_t mode, FxBool)
{
    gr::Tmu *t = gr::tmuOf(tmu);
    if (!t)
        return;
    GR_STATE(t->mipmapMode =
                 mode >= GR_MIPMAP_DISABLE && mode <= GR_MIPMAP_NEAREST_DITHER ? mode : GR_MIPMAP_DISABLE);
}

extern "C" void FX_CALL grTexClampMode(GrChipID_t tmu, GrTextureClampMode_t s_clampmode,
                                       GrTextureClampMode_t t_clampmode)
{
    gr::Tmu *t = gr::tmuOf(tmu);
    if (!t)
        return;
    GR_STATE(t->clampS = s_clampmode == GR_TEXTURECLAMP_CLAMP ? GR_TEXTURECLAMP_CLAMP : GR_TEXTURECLAMP_WRAP;
             t->clampT = t_clampmode == GR_TEXTURECLAMP_CLAMP ? GR_TEXTURECLAMP_CLAMP : GR_TEXTURECLAMP_WRAP);
}
