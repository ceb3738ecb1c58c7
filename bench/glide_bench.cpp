// glide_bench.cpp - fill rate of full-screen quads, and the screensaver's
// per-frame board work, on the software board.
#include "glide.h"
#include "screensaver_frame.h"
#include "vdblend.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace bench {

// The board as the plug-in sets it up for the screensaver's 512x384 mode,
// drawing with the given number of threads.
void openBoard(int threads, uint32_t window)
{
    setenv("GLIDE2X_THREADS", std::to_string(threads).c_str(), 1);
    grGlideInit();
    grSstWinOpen(window, GR_RESOLUTION_512x384, GR_REFRESH_60Hz, GR_COLORFORMAT_RGBA, GR_ORIGIN_UPPER_LEFT, 2,
                 1);
    grRenderBuffer(GR_BUFFER_BACKBUFFER);
    grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_FUNCTION_LOCAL,
                 GR_COMBINE_FACTOR_NONE, FXFALSE, FXFALSE);
    grTexMipMapMode(GR_TMU0, GR_MIPMAP_NEAREST, FXFALSE);
    grTexClampMode(GR_TMU0, GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP);
    grDepthMask(FXTRUE);
    grDepthBufferMode(GR_DEPTHBUFFER_WBUFFER);
    grDepthBufferFunction(GR_CMP_LEQUAL);
    grColorMask(FXTRUE, FXFALSE);
    grCullMode(GR_CULL_DISABLE);
    grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_LOCAL, GR_COMBINE_LOCAL_ITERATED,
                   GR_COMBINE_OTHER_TEXTURE, FXFALSE);
}

namespace {

GrTexInfo mapInfo(std::vector<uint16_t> &texels)
{
    return {GR_LOD_256, GR_LOD_256, GR_ASPECT_1x1, GR_TEXFMT_ARGB_4444, texels.data()};
}

} // namespace

void upload(uint32_t address, std::vector<uint16_t> &texels)
{
    GrTexInfo info = mapInfo(texels);
    grTexDownloadMipMap(GR_TMU0, address, GR_MIPMAPLEVELMASK_BOTH, &info);
}

void source(uint32_t address, std::vector<uint16_t> &texels)
{
    GrTexInfo info = mapInfo(texels);
    grTexSource(GR_TMU0, address, GR_MIPMAPLEVELMASK_BOTH, &info);
}

// The screen polygon of the plug-in: a fan of two triangles; shaded gives
// the corners different colours (the general span stages instead of the
// fused textured layer).
void quad(float x0, float y0, float x1, float y1, float u1, float v1, float oow, bool shaded = false)
{
    GrVertex v[4] = {};
    const float xs[4] = {x0, x1, x1, x0}, ys[4] = {y0, y0, y1, y1};
    const float us[4] = {0, u1, u1, 0}, vs[4] = {0, 0, v1, v1};
    for (int i = 0; i < 4; ++i) {
        v[i].x = xs[i];
        v[i].y = ys[i];
        v[i].r = v[i].g = v[i].b = v[i].a = 255.0f;
        if (shaded)
            v[i].g = float(64 * i);
        v[i].oow = oow;
        v[i].tmuvtx[0].sow = us[i] * 255.0f * oow;
        v[i].tmuvtx[0].tow = vs[i] * 255.0f * oow;
        v[i].tmuvtx[0].oow = oow;
    }
    grDrawTriangle(&v[0], &v[1], &v[2]);
    grDrawTriangle(&v[0], &v[2], &v[3]);
}

namespace {

// One full-screen textured quad per iteration, on one thread.
void BM_FullScreenQuad(benchmark::State &state)
{
    const int mode = int(state.range(0));
    const bool bilinear = state.range(1) != 0;
    const bool shaded = state.range(2) != 0;
    openBoard(1, 0);
    auto picture = pictureMap();
    upload(0, picture);
    source(0, picture);
    grTexFilterMode(GR_TMU0, bilinear ? GR_TEXTUREFILTER_BILINEAR : GR_TEXTUREFILTER_POINT_SAMPLED,
                    bilinear ? GR_TEXTUREFILTER_BILINEAR : GR_TEXTUREFILTER_POINT_SAMPLED);
    vdBlendSelect(mode);
    grBufferClear(0x80808080, 0, 0xFFFF);
    for (auto _ : state)
        quad(0, 0, kScreenWidth, kScreenHeight, 1.0f, 1.0f, 1.0f, shaded);
    state.SetItemsProcessed(int64_t(state.iterations()) * kScreenWidth * kScreenHeight);
    state.SetLabel(std::string(mode == 0   ? "replace"
                               : mode == 3 ? "darken"
                                           : "additive") +
                   (bilinear ? ", bilinear" : ", point") + (shaded ? ", shaded" : ""));
    grGlideShutdown();
}
} // namespace

BENCHMARK(BM_FullScreenQuad)
    ->ArgNames({"blend", "bilinear", "shaded"})
    ->Args({0, 0, 0})
    ->Args({0, 1, 0})
    ->Args({3, 0, 0})
    ->Args({3, 1, 0})
    ->Args({5, 0, 0})
    ->Args({5, 1, 0})
    ->Args({3, 1, 1})
    ->Unit(benchmark::kMicrosecond);

void drawLayer(const Layer &layer, uint32_t address, std::vector<uint16_t> &texels)
{
    source(address, texels);
    grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_LOCAL, GR_COMBINE_LOCAL_ITERATED,
                   GR_COMBINE_OTHER_TEXTURE, FXFALSE);
    grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_FUNCTION_LOCAL,
                 GR_COMBINE_FACTOR_NONE, FXFALSE, FXFALSE);
    vdBlendSelect(layer.blendMode);
    quad(kQuadX0, kQuadY0, kQuadX1, kQuadY1, kQuadU1, kQuadV1, layer.depth);
}

namespace {

// Clear, three light-map uploads and six layers, then a swap (which waits
// for the drawing threads): one frame of the screensaver's board work.
void BM_ScreensaverFrameBoard(benchmark::State &state)
{
    const int threads = int(state.range(0));
    openBoard(threads, 0);
    grTexFilterMode(GR_TMU0, GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR);
    std::vector<uint16_t> maps[5] = {pictureMap(), grainMap(), {}, {}, {}};
    for (int pass = 0; pass < 3; ++pass)
        lightMap(0, pass, maps[2 + pass]);
    upload(kPictureAt, maps[0]);
    upload(kGrainAt, maps[1]);
    for (auto _ : state) {
        grBufferClear(0, 0, 0xFFFF);
        for (const Layer &layer : kLayers) {
            const FxU32 at = layer.texture == 0 ? kPictureAt : layer.texture == 1 ? kGrainAt : kLightAt;
            if (layer.texture >= 2) // the light map goes where the last one was freed
                upload(kLightAt, maps[layer.texture]);
            drawLayer(layer, at, maps[layer.texture]);
        }
        grBufferSwap(0);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 6 * 500 * 370);
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetLabel(std::to_string(threads) + (threads == 1 ? " thread" : " threads"));
    grGlideShutdown();
}
// CPU time is the whole process's, every drawing thread's included: on a
// loaded machine it compares the boards where wall time cannot.
BENCHMARK(BM_ScreensaverFrameBoard)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace

} // namespace bench
