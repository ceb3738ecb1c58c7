// frame_parts.cpp - one frame of the screensaver broken into its parts, each
// timed alone, and the whole frame in the light part's order: the demo's
// own tracing of the three light maps, their upload and decoding, the six
// layers, the console's glyphs, and the swap with its presentation (into an
// off-screen window, as a headless run has).
#include "glide.h"
#include "lightprt.h"
#include "mwplatform.h"
#include "screensaver_frame.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace bench {

namespace {

constexpr int kRays = 300;
constexpr int kConsoleGlyphs = 120; // four lines of text
constexpr uint32_t kFontAt = 0x60000;

struct Frame {
    std::vector<uint16_t> picture = pictureMap(), grain = grainMap();
    std::vector<uint16_t> maps[3];
    std::vector<uint16_t> font = std::vector<uint16_t>(64 * 64, 0xFFFF);
    std::vector<mwmVECTOR> rays;
    lightprt::Trace trace{};

    Frame()
    {
        // A cone of directions about +z, as the light part makes them.
        for (int i = 0; i < kRays; ++i) {
            const float a = float(i) * 2.3999632f, r = 0.5f * std::sqrt(float(i) / kRays);
            mwmVECTOR v = {r * std::cos(a), r * std::sin(a), 2.0f};
            const float n = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
            rays.push_back({v.x / n, v.y / n, v.z / n});
        }
        for (auto &m : maps)
            m.assign(size_t(kMapSide) * kMapSide, 0);
        trace = {0.45f, 0.5f, rays.data(), kRays, picture.data()};
    }
};

HWND offScreenWindow()
{
    mwPlatformSetHeadless(1);
    static HWND window = [] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "GlideBenchWindow";
        RegisterClassExA(&windowClass);
        return CreateWindowExA(0, "GlideBenchWindow", "bench", WS_POPUP, 0, 0, kScreenWidth, kScreenHeight,
                               nullptr, nullptr, nullptr, nullptr);
    }();
    return window;
}

void openFrameBoard(int threads, Frame &f)
{
    openBoard(threads, uint32_t(reinterpret_cast<uintptr_t>(offScreenWindow())));
    grTexFilterMode(GR_TMU0, GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR);
    upload(kPictureAt, f.picture);
    upload(kGrainAt, f.grain);
    GrTexInfo font{GR_LOD_64, GR_LOD_64, GR_ASPECT_1x1, GR_TEXFMT_ARGB_4444, f.font.data()};
    grTexDownloadMipMap(GR_TMU0, kFontAt, GR_MIPMAPLEVELMASK_BOTH, &font);
}

void trace(Frame &f, int pass)
{
    uint16_t *map = f.maps[pass].data();
    std::memset(map, 0, f.maps[pass].size() * 2);
    if (pass == 0)
        lightprt::traceOccluded(f.trace, map);
    else if (pass == 1)
        lightprt::traceBeams(f.trace, map);
    else
        lightprt::traceBeyond(f.trace, map);
}

void layer(Frame &f, int index)
{
    const Layer &l = kLayers[index];
    std::vector<uint16_t> &map = l.texture == 0   ? f.picture
                                 : l.texture == 1 ? f.grain
                                                  : f.maps[l.texture - 2];
    const uint32_t at = l.texture == 0 ? kPictureAt : l.texture == 1 ? kGrainAt : kLightAt;
    drawLayer(l, at, map);
}

// The console's text as the plug-in draws it: a source per glyph, texture
// times the vertex colour, one small quad each.
void console(Frame &f)
{
    GrTexInfo font{GR_LOD_64, GR_LOD_64, GR_ASPECT_1x1, GR_TEXFMT_ARGB_4444, f.font.data()};
    grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_FUNCTION_ZERO,
                 GR_COMBINE_FACTOR_NONE, FXFALSE, FXFALSE);
    grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
    grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_LOCAL, GR_COMBINE_LOCAL_ITERATED,
                   GR_COMBINE_OTHER_TEXTURE, FXFALSE);
    for (int i = 0; i < kConsoleGlyphs; ++i) {
        grTexSource(GR_TMU0, kFontAt, GR_MIPMAPLEVELMASK_BOTH, &font);
        const float x = float(4 + 7 * (i % 30)), y = float(4 + 10 * (i / 30));
        GrVertex v[4] = {};
        const float xs[4] = {x, x + 6, x + 6, x}, ys[4] = {y, y, y + 8, y + 8};
        for (int k = 0; k < 4; ++k) {
            v[k].x = xs[k];
            v[k].y = ys[k];
            v[k].r = v[k].g = v[k].b = v[k].a = 255.0f;
            v[k].oow = 1.0f;
            v[k].tmuvtx[0].sow = float(k == 1 || k == 2 ? 24 : 0);
            v[k].tmuvtx[0].tow = float(k >= 2 ? 32 : 0);
        }
        grDrawTriangle(&v[0], &v[1], &v[2]);
        grDrawTriangle(&v[0], &v[2], &v[3]);
    }
}

// What the plug-in's end of scene waits for: the counters.
void endScene()
{
    GrSstPerfStats_t s;
    grSstPerfStats(&s);
    benchmark::DoNotOptimize(s);
}

enum Part { kTrace, kUpload, kLayers, kConsole, kSwap };

void BM_FramePart(benchmark::State &state)
{
    const Part part = Part(state.range(0));
    const int threads = int(state.range(1));
    Frame f;
    openFrameBoard(threads, f);
    for (int pass = 0; pass < 3; ++pass)
        trace(f, pass);
    for (auto _ : state) {
        switch (part) {
        case kTrace:
            for (int pass = 0; pass < 3; ++pass)
                trace(f, pass);
            break;
        case kUpload:
            for (auto &map : f.maps)
                upload(kLightAt, map);
            break;
        case kLayers:
            grBufferClear(0, 0, 0xFFFF);
            for (int i = 0; i < 6; ++i)
                layer(f, i);
            endScene();
            break;
        case kConsole:
            console(f);
            endScene();
            break;
        case kSwap: grBufferSwap(0); break;
        }
    }
    static const char *const names[] = {"trace", "upload and decode", "clear and layers", "console",
                                        "swap and present"};
    state.SetLabel(std::string(names[part]) + ", " + std::to_string(threads) + " threads");
    grGlideShutdown();
}
BENCHMARK(BM_FramePart)
    ->ArgNames({"part", "threads"})
    ->ArgsProduct({{kTrace, kUpload, kLayers, kConsole, kSwap}, {1, 2}})
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

// The whole frame in the program's order: the board draws the first layers
// while the next light map is traced, and the end of the scene reads the
// counters. No glyphs: the program's console draws nothing (only a build
// with MARROW_CON_DRAW does), so the console part above is left out.
void BM_Frame(benchmark::State &state)
{
    const int threads = int(state.range(0));
    Frame f;
    openFrameBoard(threads, f);
    for (auto _ : state) {
        grBufferClear(0, 0, 0xFFFF);
        layer(f, 0);
        layer(f, 1);
        trace(f, 0);
        upload(kLightAt, f.maps[0]);
        layer(f, 2);
        trace(f, 1);
        upload(kLightAt, f.maps[1]);
        layer(f, 3);
        layer(f, 4);
        trace(f, 2);
        upload(kLightAt, f.maps[2]);
        layer(f, 5);
        endScene();
        grBufferSwap(0);
    }
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetLabel(std::to_string(threads) + " threads");
    grGlideShutdown();
}
BENCHMARK(BM_Frame)->ArgName("threads")->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace

} // namespace bench
