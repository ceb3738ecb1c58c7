// osmesa_frame.cpp - the screensaver's per-frame board work on Mesa's
// llvmpipe through OSMesa, with as many rasterising threads as the board
// is given.
#include "screensaver_frame.h"

#include <GL/gl.h>
#include <GL/osmesa.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace {

using namespace bench;

#ifndef GL_UNSIGNED_SHORT_4_4_4_4_REV
#define GL_UNSIGNED_SHORT_4_4_4_4_REV 0x8365
#endif
#ifndef GL_BGRA
#define GL_BGRA 0x80E1
#endif

void blendMode(int mode)
{
    glEnable(GL_BLEND);
    switch (mode) {
    case MWR_BLEND_VERTEX_ALPHA: glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); break;
    case MWR_BLEND_DARKEN: glBlendFunc(GL_ZERO, GL_SRC_ALPHA); break;
    case MWR_BLEND_ADD: glBlendFunc(GL_ONE, GL_ONE); break;
    default: glDisable(GL_BLEND); break;
    }
}

void BM_ScreensaverFrameLlvmpipe(benchmark::State &state)
{
    // llvmpipe reads its thread count when a context is made.
    const int threads = int(state.range(0));
    setenv("LP_NUM_THREADS", std::to_string(threads).c_str(), 1);
    OSMesaContext ctx = OSMesaCreateContextExt(OSMESA_RGB_565, 16, 0, 0, nullptr);
    std::vector<uint16_t> frame(size_t(kScreenWidth) * kScreenHeight);
    if (!ctx || !OSMesaMakeCurrent(ctx, frame.data(), GL_UNSIGNED_SHORT_5_6_5, kScreenWidth, kScreenHeight)) {
        state.SkipWithError("OSMesa context not available");
        return;
    }
    state.SetLabel(std::string(reinterpret_cast<const char *>(glGetString(GL_RENDERER))) +
                   ", LP_NUM_THREADS=" + std::to_string(threads));
    OSMesaPixelStore(OSMESA_Y_UP, 0);
    glViewport(0, 0, kScreenWidth, kScreenHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kScreenWidth, kScreenHeight, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glEnable(GL_DITHER);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

    std::vector<uint16_t> maps[5] = {pictureMap(), grainMap(), {}, {}, {}};
    for (int pass = 0; pass < 3; ++pass)
        lightMap(0, pass, maps[2 + pass]);
    GLuint tex[3];
    glGenTextures(3, tex); // picture, grain, light map
    for (int i = 0; i < 3; ++i) {
        glBindTexture(GL_TEXTURE_2D, tex[i]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA4, kMapSide, kMapSide, 0, GL_BGRA,
                     GL_UNSIGNED_SHORT_4_4_4_4_REV, maps[i < 2 ? i : 2].data());
    }
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (const Layer &layer : kLayers) {
            const int t = layer.texture < 2 ? layer.texture : 2;
            glBindTexture(GL_TEXTURE_2D, tex[t]);
            if (layer.texture >= 2)
                glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kMapSide, kMapSide, GL_BGRA,
                                GL_UNSIGNED_SHORT_4_4_4_4_REV, maps[layer.texture].data());
            blendMode(layer.blendMode);
            // Depth 1/w as the board gets it; nearer layers come later.
            const float z = 1.0f / layer.depth - 1.0f;
            const float s1 = kQuadU1 * 255.0f / 256.0f, t1 = kQuadV1 * 255.0f / 256.0f;
            glColor4f(1, 1, 1, 1);
            glBegin(GL_QUADS);
            glTexCoord2f(0, 0);
            glVertex3f(kQuadX0, kQuadY0, z);
            glTexCoord2f(s1, 0);
            glVertex3f(kQuadX1, kQuadY0, z);
            glTexCoord2f(s1, t1);
            glVertex3f(kQuadX1, kQuadY1, z);
            glTexCoord2f(0, t1);
            glVertex3f(kQuadX0, kQuadY1, z);
            glEnd();
        }
        glFinish();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 6 * 500 * 370);
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    glDeleteTextures(3, tex);
    OSMesaDestroyContext(ctx);
}
// CPU time is the whole process's, every drawing thread's included: on a
// loaded machine it compares the boards where wall time cannot.
BENCHMARK(BM_ScreensaverFrameLlvmpipe)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace
