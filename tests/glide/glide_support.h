// glide_support.h - a freshly started board with a 512x384 window, and the
// documented arithmetic written out for expected values.
#pragma once

#include "common_support.h"
#include "glide.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace glidetest {

constexpr int kWidth = 512, kHeight = 384;

// round(a * b / 255)
inline int mul(int a, int b) { return (a * b + 127) / 255; }
inline uint16_t rgb565(int r, int g, int b)
{
    return uint16_t(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}
// 565 widened back to 8 bits per channel by bit replication.
inline int red8(uint16_t p) { return ((p >> 11) << 3) | ((p >> 11) >> 2); }
inline int green8(uint16_t p) { return (((p >> 5) & 63) << 2) | (((p >> 5) & 63) >> 4); }
inline int blue8(uint16_t p) { return ((p & 31) << 3) | ((p & 31) >> 2); }

inline void clearEnvironment()
{
    for (const char *name : {"GLIDE2X_FBRAM", "GLIDE2X_TMUS", "GLIDE2X_TMURAM", "GLIDE2X_THREADS",
                             "GLIDE2X_SIMD", "SST_SCREENREFRESH"})
        mwtest::setEnv(name, nullptr);
}

// Opens the board as the plug-in does, then turns dithering off so that
// pixels can be compared exactly.
class Board : public ::testing::Test {
protected:
    void SetUp() override
    {
        clearEnvironment();
        open();
    }
    void TearDown() override
    {
        grGlideShutdown();
        clearEnvironment();
    }
    void open(int colorBuffers = 2, int auxBuffers = 1)
    {
        grGlideInit();
        ASSERT_TRUE(grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB,
                                 GR_ORIGIN_UPPER_LEFT, colorBuffers, auxBuffers));
        grRenderBuffer(GR_BUFFER_BACKBUFFER);
        grDitherMode(GR_DITHER_DISABLE);
        grColorMask(FXTRUE, FXFALSE);
        grBufferClear(0, 0, 0);
        grSstResetPerfStats();
    }

public:
    // Drawing and reading helpers, for scenes written as free functions too.
    static GrVertex vertex(float x, float y, float r = 0, float g = 0, float b = 0, float a = 255)
    {
        GrVertex v{};
        v.x = x;
        v.y = y;
        v.r = r;
        v.g = g;
        v.b = b;
        v.a = a;
        v.oow = 1.0f;
        v.ooz = 0.0f;
        v.tmuvtx[0].oow = v.tmuvtx[1].oow = 1.0f;
        return v;
    }
    static GrVertex textured(float x, float y, float s, float t, float oow = 1.0f)
    {
        GrVertex v = vertex(x, y, 255, 255, 255, 255);
        v.oow = oow;
        v.tmuvtx[0].sow = s * oow;
        v.tmuvtx[0].tow = t * oow;
        v.tmuvtx[0].oow = oow;
        return v;
    }
    // Two triangles covering pixels x0..x1-1, y0..y1-1.
    static void rect(GrVertex v0, GrVertex v1, GrVertex v2, GrVertex v3)
    {
        grDrawTriangle(&v0, &v1, &v2);
        grDrawTriangle(&v0, &v2, &v3);
    }
    static void fill(float x0, float y0, float x1, float y1, float r, float g, float b, float a = 255)
    {
        rect(vertex(x0, y0, r, g, b, a), vertex(x1, y0, r, g, b, a), vertex(x1, y1, r, g, b, a),
             vertex(x0, y1, r, g, b, a));
    }

    static std::vector<uint16_t> read(GrBuffer_t buffer = GR_BUFFER_BACKBUFFER)
    {
        std::vector<uint16_t> px(size_t(kWidth) * kHeight);
        EXPECT_TRUE(grLfbReadRegion(buffer, 0, 0, kWidth, kHeight, kWidth * 2, px.data()));
        return px;
    }
    static uint16_t pixel(int x, int y, GrBuffer_t buffer = GR_BUFFER_BACKBUFFER)
    {
        uint16_t p = 0;
        EXPECT_TRUE(grLfbReadRegion(buffer, FxU32(x), FxU32(y), 1, 1, 2, &p));
        return p;
    }
    static void setPixel(int x, int y, uint16_t p, GrBuffer_t buffer = GR_BUFFER_BACKBUFFER)
    {
        EXPECT_TRUE(grLfbWriteRegion(buffer, FxU32(x), FxU32(y),
                                     buffer == GR_BUFFER_AUXBUFFER ? GR_LFB_SRC_FMT_ZA16 : GR_LFB_SRC_FMT_565,
                                     1, 1, 2, &p));
    }
    static GrSstPerfStats_t stats()
    {
        GrSstPerfStats_t s{};
        grSstPerfStats(&s);
        return s;
    }

    // Vertex colour through: the plug-in's "vertex colour" set-up.
    static void iteratedColor()
    {
        grColorCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_LOCAL, GR_COMBINE_LOCAL_ITERATED,
                       GR_COMBINE_OTHER_CONSTANT, FXFALSE);
    }
    // Texture through (unit 0 decal).
    static void textureColor()
    {
        grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_FUNCTION_LOCAL,
                     GR_COMBINE_FACTOR_NONE, FXFALSE, FXFALSE);
        grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE, GR_COMBINE_LOCAL_CONSTANT,
                       GR_COMBINE_OTHER_TEXTURE, FXFALSE);
    }

    // A single-level texture at address 0 of unit 0, made the source.
    static void loadTexture(int lod, int aspect, int format, const void *texels, FxU32 address = 0)
    {
        GrTexInfo info{lod, lod, aspect, format, const_cast<void *>(texels)};
        grTexDownloadMipMap(GR_TMU0, address, GR_MIPMAPLEVELMASK_BOTH, &info);
        grTexSource(GR_TMU0, address, GR_MIPMAPLEVELMASK_BOTH, &info);
    }
};

} // namespace glidetest
