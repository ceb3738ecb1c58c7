// grboard.cpp - the board itself: start-up, hardware query, status,
// counters, and the pixel pipeline state calls.
#include "grboard.h"

#include <cstdlib>
#include <cstring>

namespace gr {

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
Tmu *tmuOf(int tmu) { return tmu >= 0 && tmu < g_board.tmuCount ? &g_board.tmus[size_t(tmu)] : nullptr; }

} // namespace

Board &board() { return g_board; }
bool boardInitialised() { return g_initialised; }

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

void resetState(Board &b)
{
    const Board defaults;
    b.colorCombine = defaults.colorCombine;
    b.alphaCombine = defaults.alphaCombine;
    b.rgbSrcBlend = GR_BLEND_ONE;
    b.rgbDstBlend = GR_BLEND_ZERO;
    b.alphaSrcBlend = GR_BLEND_ONE;
    b.alphaDstBlend = GR_BLEND_ZERO;
    b.alphaTestFunction = GR_CMP_ALWAYS;
    b.alphaTestReference = 0;
    b.constantColor = 0xFFFFFFFFu;
    b.rgbWrite = true;
    b.alphaWrite = false;
    b.depthWrite = false;
    b.depthMode = GR_DEPTHBUFFER_DISABLE;
    b.depthFunction = GR_CMP_LESS;
    b.depthBias = 0;
    b.cullMode = GR_CULL_DISABLE;
    b.chromakey = false;
    b.chromakeyValue = 0;
    b.ditherMode = GR_DITHER_4x4;
    b.renderBack = 1;
    for (Tmu &t : b.tmus) {
        t.source = TextureSource{};
        t.rgb = {GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, 0, 0, false};
        t.alpha = {GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, 0, 0, false};
        t.minFilter = t.magFilter = GR_TEXTUREFILTER_POINT_SAMPLED;
        t.clampS = t.clampT = GR_TEXTURECLAMP_WRAP;
        t.mipmapMode = GR_MIPMAP_DISABLE;
    }
    invalidatePipeline(b);
}

} // namespace gr

using gr::board;

//---- Board, window and status

extern "C" void FX_CALL grGlideInit(void)
{
    gr::Board &b = board();
    grSstWinClose();
    b.fbMegabytes = gr::envInt("GLIDE2X_FBRAM", 4, 1, 4);
    if (b.fbMegabytes == 3)
        b.fbMegabytes = 4;
    b.tmuCount = gr::envInt("GLIDE2X_TMUS", 2, 1, gr::kMaxTmus);
    b.tmuMegabytes = gr::envInt("GLIDE2X_TMURAM", 4, 1, 4);
    if (b.tmuMegabytes == 3)
        b.tmuMegabytes = 4;
    b.bands = gr::envInt("GLIDE2X_BANDS", 1, 1, 16);
    const char *simd = std::getenv("GLIDE2X_SIMD");
    b.baselineSpans = simd && std::strcmp(simd, "baseline") == 0;
    for (int u = 0; u < gr::kMaxTmus; ++u) {
        gr::Tmu &t = b.tmus[size_t(u)];
        const size_t bytes = u < b.tmuCount ? size_t(b.tmuMegabytes) << 20 : 0;
        t.memory.assign(bytes, 0);
        t.palette.fill(0);
        ++t.paletteGeneration;
        t.texels.clear();
    }
    b.counters = {};
    gr::resetState(b);
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
    const gr::Board &b = board();
    const bool known = gr::g_initialised;
    std::memset(hw, 0, sizeof *hw);
    hw->num_sst = 1;
    hw->SSTs[0].type = GR_SSTTYPE_SST96;
    GrSst96Config_t &c = hw->SSTs[0].sstBoard.SST96Config;
    c.fbRam = known ? b.fbMegabytes : gr::envInt("GLIDE2X_FBRAM", 4, 1, 4);
    c.nTexelfx = known ? b.tmuCount : gr::envInt("GLIDE2X_TMUS", 2, 1, gr::kMaxTmus);
    c.tmuConfig.tmuRev = 1;
    c.tmuConfig.tmuRam = known ? b.tmuMegabytes : gr::envInt("GLIDE2X_TMURAM", 4, 1, 4);
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
    const gr::Counters &c = board().counters;
    s->pixelsIn = FxU32(c.pixelsIn & 0xFFFFFF);
    s->chromaFail = FxU32(c.chromaFail & 0xFFFFFF);
    s->zFuncFail = FxU32(c.zFuncFail & 0xFFFFFF);
    s->aFuncFail = FxU32(c.aFuncFail & 0xFFFFFF);
    s->pixelsOut = FxU32(c.pixelsOut & 0xFFFFFF);
}

extern "C" void FX_CALL grSstResetPerfStats(void) { board().counters = {}; }

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
