// Coverage: the fill rule, windings, culling, lines, points, clipping, and
// identical results in bands and with either span build.
#include "glide_support.h"

#include <cmath>

using namespace glidetest;

namespace {

class GlideRaster : public Board {
protected:
    void SetUp() override
    {
        Board::SetUp();
        iteratedColor();
    }
    // Draws with additive blending so that a pixel touched twice shows it.
    static void additive() { grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ZERO); }
    static int count(const std::vector<uint16_t> &px, uint16_t value)
    {
        int n = 0;
        for (uint16_t p : px)
            n += p == value;
        return n;
    }
};

TEST_F(GlideRaster, SharedEdgesLeaveNoGapAndNoOverlap)
{
    additive();
    // A fan of triangles around a centre at odd sub-pixel positions, corners
    // exactly on pixel centres and edges.
    const float cx = 100.3f, cy = 80.7f;
    const float ring[][2] = {{40.5f, 20.5f},   {160.0f, 25.0f}, {170.25f, 90.5f},
                             {150.5f, 150.5f}, {90.0f, 140.0f}, {30.0f, 120.5f}};
    const int n = 6;
    for (int i = 0; i < n; ++i) {
        GrVertex c = vertex(cx, cy, 0, 0, 8);
        GrVertex a = vertex(ring[i][0], ring[i][1], 0, 0, 8);
        GrVertex b = vertex(ring[(i + 1) % n][0], ring[(i + 1) % n][1], 0, 0, 8);
        grDrawTriangle(&c, &a, &b);
    }
    const auto px = read();
    EXPECT_EQ(count(px, rgb565(0, 0, 16)), 0) << "a pixel was drawn twice";
    // The hexagon is convex: every row is one unbroken run.
    for (int y = 0; y < kHeight; ++y) {
        int first = -1, last = -1, lit = 0;
        for (int x = 0; x < kWidth; ++x)
            if (px[size_t(y) * kWidth + x]) {
                first = first < 0 ? x : first;
                last = x;
                ++lit;
            }
        if (lit) {
            EXPECT_EQ(lit, last - first + 1) << "gap in row " << y;
        }
    }
    EXPECT_EQ(stats().pixelsIn, FxU32(count(px, rgb565(0, 0, 8))));
}

TEST_F(GlideRaster, FillRuleTakesTopAndLeftEdgesOnly)
{
    // A rectangle on whole pixel corners covers exactly its pixels; centres
    // on its edges: left and top belong to it, right and bottom do not.
    fill(10.5f, 20.5f, 14.5f, 23.5f, 255, 255, 255);
    const auto px = read();
    int lit = 0;
    for (int y = 18; y < 27; ++y)
        for (int x = 8; x < 17; ++x) {
            const bool inside = x >= 10 && x <= 13 && y >= 20 && y <= 22;
            EXPECT_EQ(px[size_t(y) * kWidth + x] != 0, inside) << x << "," << y;
            lit += inside;
        }
    EXPECT_EQ(lit, 12);
}

TEST_F(GlideRaster, AnyWindingIsDrawnUnlessCulled)
{
    const GrVertex a = vertex(10, 10, 255, 0, 0), b = vertex(50, 10, 255, 0, 0),
                   c = vertex(10, 50, 255, 0, 0);
    const GrVertex *orders[][3] = {{&a, &b, &c}, {&a, &c, &b}, {&b, &c, &a},
                                   {&c, &b, &a}, {&b, &a, &c}, {&c, &a, &b}};
    for (auto &o : orders) {
        grBufferClear(0, 0, 0);
        grSstResetPerfStats();
        grDrawTriangle(o[0], o[1], o[2]);
        EXPECT_EQ(stats().pixelsIn, 780u); // centres with x + y < 59: 39 + 38 + ... + 1
        EXPECT_EQ(pixel(12, 12), rgb565(255, 0, 0));
    }
    // Area (b-a)x(c-a) of a, b, c is positive with y down.
    grCullMode(GR_CULL_POSITIVE);
    grSstResetPerfStats();
    grDrawTriangle(&a, &b, &c);
    EXPECT_EQ(stats().pixelsIn, 0u);
    grDrawTriangle(&a, &c, &b);
    EXPECT_EQ(stats().pixelsIn, 780u);
    grCullMode(GR_CULL_NEGATIVE);
    grSstResetPerfStats();
    grDrawTriangle(&a, &c, &b);
    EXPECT_EQ(stats().pixelsIn, 0u);
    grDrawTriangle(&a, &b, &c);
    EXPECT_EQ(stats().pixelsIn, 780u);
}

TEST_F(GlideRaster, DegenerateAndHostileTrianglesDrawNothing)
{
    const GrVertex a = vertex(10, 10, 255, 0, 0), b = vertex(20, 20, 255, 0, 0);
    const GrVertex c = vertex(30, 30, 255, 0, 0);
    GrVertex far = vertex(1e9f, 10, 255, 0, 0), nan = vertex(std::nanf(""), 10, 255, 0, 0);
    grDrawTriangle(&a, &b, &c);
    grDrawTriangle(&a, &b, &far);
    grDrawTriangle(&a, &nan, &c);
    grDrawTriangle(&a, nullptr, &c);
    EXPECT_EQ(stats().pixelsIn, 0u);
    // Partly off screen is clipped, not refused.
    GrVertex l = vertex(-100, -100, 255, 0, 0), r = vertex(1200, -100, 255, 0, 0);
    GrVertex d = vertex(-100, 500, 255, 0, 0);
    grDrawTriangle(&l, &r, &d);
    EXPECT_EQ(pixel(0, 0), rgb565(255, 0, 0));
    EXPECT_EQ(pixel(511, 0), rgb565(255, 0, 0));
}

TEST_F(GlideRaster, ClipWindowBoundsDrawing)
{
    grClipWindow(100, 50, 110, 60);
    fill(0, 0, kWidth, kHeight, 255, 255, 255);
    EXPECT_EQ(stats().pixelsIn, 100u);
    EXPECT_NE(pixel(100, 50), 0);
    EXPECT_NE(pixel(109, 59), 0);
    EXPECT_EQ(pixel(110, 59), 0);
    EXPECT_EQ(pixel(99, 50), 0);
}

TEST_F(GlideRaster, LowerLeftOriginFlipsRows)
{
    grGlideInit();
    ASSERT_TRUE(grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB,
                             GR_ORIGIN_LOWER_LEFT, 2, 0));
    grDitherMode(GR_DITHER_DISABLE);
    iteratedColor();
    fill(0, 0, 4, 2, 255, 0, 0); // the bottom two rows
    EXPECT_EQ(pixel(0, kHeight - 1), rgb565(255, 0, 0));
    EXPECT_EQ(pixel(0, kHeight - 2), rgb565(255, 0, 0));
    EXPECT_EQ(pixel(0, kHeight - 3), 0);
    EXPECT_EQ(pixel(0, 0), 0);
}

TEST_F(GlideRaster, LinesTakeOnePixelPerMajorStep)
{
    // The plug-in's line: (x0 + 0.5, y0 + 0.5) to (x1 + 0.6, y1 + 0.6) covers
    // both end pixels.
    GrVertex a = vertex(10.5f, 20.5f, 0, 255, 0), b = vertex(30.6f, 20.6f, 0, 255, 0);
    grDrawLine(&a, &b);
    EXPECT_EQ(stats().pixelsIn, 21u);
    for (int x = 10; x <= 30; ++x)
        EXPECT_EQ(pixel(x, 20), rgb565(0, 255, 0)) << x;
    EXPECT_EQ(pixel(9, 20), 0);
    EXPECT_EQ(pixel(31, 20), 0);
    // A steep line: one pixel per row, nearest the line.
    grSstResetPerfStats();
    GrVertex c = vertex(100.5f, 10.5f, 255, 0, 0), d = vertex(104.5f, 30.5f, 255, 0, 0);
    grDrawLine(&c, &d);
    EXPECT_EQ(stats().pixelsIn, 20u);
    for (int y = 10; y < 30; ++y) {
        const int x = int(std::floor(100.5f + 4.0f * (y + 0.5f - 10.5f) / 20.0f));
        EXPECT_EQ(pixel(x, y), rgb565(255, 0, 0)) << y;
    }
    // Colour is interpolated along the line.
    grSstResetPerfStats();
    GrVertex e = vertex(10.5f, 50.5f, 0, 0, 0), f = vertex(265.5f, 50.5f, 0, 0, 255);
    grDrawLine(&e, &f);
    EXPECT_EQ(pixel(10, 50), 0);
    EXPECT_EQ(pixel(138, 50), rgb565(0, 0, 128));
}

TEST_F(GlideRaster, PointsFillThePixelContainingThem)
{
    GrVertex a = vertex(7.9f, 3.2f, 255, 255, 0);
    grDrawPoint(&a);
    EXPECT_EQ(pixel(7, 3), rgb565(255, 255, 0));
    EXPECT_EQ(stats().pixelsIn, 1u);
    GrVertex off = vertex(-0.5f, 3.0f, 255, 255, 0);
    grDrawPoint(&off);
    EXPECT_EQ(stats().pixelsIn, 1u);
}

// With drawing threads, later calls still see earlier ones in call order: a
// frame buffer write between recorded fills, and a texture downloaded over
// the one a recorded quad samples.
TEST_F(GlideRaster, DrawingThreadsKeepCallOrder)
{
    mwtest::setEnv("GLIDE2X_THREADS", "2");
    open();
    iteratedColor();
    fill(0, 0, kWidth, kHeight, 255, 0, 0); // recorded: large
    setPixel(5, 5, rgb565(0, 0, 255));
    additive();
    fill(0, 0, 8, 8, 0, 255, 0); // small: drawn at once
    EXPECT_EQ(pixel(5, 5), rgb565(0, 255, 255));
    EXPECT_EQ(pixel(6, 6), rgb565(255, 255, 0));

    grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
    textureColor();
    const std::vector<uint16_t> red(64, 0xF800), blue(64, 0x001F);
    loadTexture(GR_LOD_8, GR_ASPECT_1x1, GR_TEXFMT_RGB_565, red.data());
    rect(textured(0, 0, 0, 0), textured(kWidth, 0, 256, 0), textured(kWidth, 200, 256, 256),
         textured(0, 200, 0, 256));
    loadTexture(GR_LOD_8, GR_ASPECT_1x1, GR_TEXFMT_RGB_565, blue.data());
    rect(textured(0, 200, 0, 0), textured(kWidth, 200, 256, 0), textured(kWidth, kHeight, 256, 256),
         textured(0, kHeight, 0, 256));
    EXPECT_EQ(pixel(300, 100), 0xF800);
    EXPECT_EQ(pixel(300, 300), 0x001F);
}

// The colour and aux buffers and the counters, to compare whole results.
std::vector<uint16_t> snapshot()
{
    std::vector<uint16_t> px = Board::read();
    const std::vector<uint16_t> aux = Board::read(GR_BUFFER_AUXBUFFER);
    px.insert(px.end(), aux.begin(), aux.end());
    const GrSstPerfStats_t s = Board::stats();
    px.insert(px.end(), {uint16_t(s.pixelsIn), uint16_t(s.pixelsOut), uint16_t(s.zFuncFail)});
    return px;
}

// A scene touching every stage: textures, blending, depth, dither.
std::vector<uint16_t> drawScene()
{
    std::vector<uint16_t> texels(64 * 64);
    for (size_t i = 0; i < texels.size(); ++i)
        texels[i] = uint16_t(i * 2654435761u >> 16);
    Board::loadTexture(GR_LOD_64, GR_ASPECT_1x1, GR_TEXFMT_ARGB_4444, texels.data());
    grTexFilterMode(GR_TMU0, GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR);
    grDitherMode(GR_DITHER_4x4);
    grDepthBufferMode(GR_DEPTHBUFFER_WBUFFER);
    grDepthBufferFunction(GR_CMP_LEQUAL);
    grDepthMask(FXTRUE);
    grBufferClear(0x00406080, 0, 0xFFFF);
    grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_LOCAL, GR_COMBINE_LOCAL_ITERATED,
                   GR_COMBINE_OTHER_TEXTURE, FXFALSE);
    grAlphaCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE, GR_COMBINE_LOCAL_CONSTANT,
                   GR_COMBINE_OTHER_TEXTURE, FXFALSE);
    grAlphaBlendFunction(GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ONE, GR_BLEND_ZERO);
    for (int i = 0; i < 5; ++i) {
        GrVertex v[3];
        const float pts[3][2] = {{float(13 + 37 * i), 5.25f},
                                 {float(480 - 29 * i), 100.5f + 40 * i},
                                 {float(40 + 50 * i), 380.0f - 31 * i}};
        for (int k = 0; k < 3; ++k) {
            v[k] = {};
            v[k].x = pts[k][0];
            v[k].y = pts[k][1];
            v[k].r = float(60 * k + 30 * i);
            v[k].g = 200.0f - 50 * k;
            v[k].b = 255.0f;
            v[k].a = 255.0f;
            v[k].oow = 0.5f + 0.2f * k + 0.05f * i;
            v[k].tmuvtx[0].sow = (40.0f * k + 7 * i) * v[k].oow;
            v[k].tmuvtx[0].tow = (90.0f - 30 * k) * v[k].oow;
        }
        grDrawTriangle(&v[0], &v[1], &v[2]);
    }
    return snapshot();
}

TEST_F(GlideRaster, ThreadsAndSpanBuildsGiveIdenticalPixels)
{
    mwtest::setEnv("GLIDE2X_THREADS", "1");
    open();
    const std::vector<uint16_t> reference = drawScene();
    for (const char *threads : {"2", "3", "16"}) {
        mwtest::setEnv("GLIDE2X_THREADS", threads);
        open();
        EXPECT_EQ(drawScene(), reference) << threads << " threads";
    }
    for (const char *spans : {"baseline", "avx2"}) {
        mwtest::setEnv("GLIDE2X_SIMD", spans);
        open();
        EXPECT_EQ(drawScene(), reference) << spans;
    }
}

// Textured layers in every blend the fused span function takes, drawn with
// an alpha test that always passes (which rules the fused function out) and
// without: the pixels, depths and counters must agree.
std::vector<uint16_t> drawLayers(bool forceStages)
{
    std::vector<uint16_t> texels(128 * 128);
    for (size_t i = 0; i < texels.size(); ++i)
        texels[i] = uint16_t(i * 40503u ^ (i >> 3) * 977u);
    Board::loadTexture(GR_LOD_128, GR_ASPECT_1x1, GR_TEXFMT_ARGB_4444, texels.data());
    grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_FUNCTION_LOCAL,
                 GR_COMBINE_FACTOR_NONE, FXFALSE, FXFALSE);
    grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_LOCAL, GR_COMBINE_LOCAL_ITERATED,
                   GR_COMBINE_OTHER_TEXTURE, FXFALSE);
    grAlphaTestFunction(forceStages ? GR_CMP_GEQUAL : GR_CMP_ALWAYS);
    grAlphaTestReferenceValue(0);
    grBufferClear(0x00336699, 0, 0xFFFF);
    const int blends[4][2] = {{GR_BLEND_ONE, GR_BLEND_ZERO},
                              {GR_BLEND_ONE, GR_BLEND_ONE},
                              {GR_BLEND_ZERO, GR_BLEND_SRC_ALPHA},
                              {GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA}};
    int layer = 0;
    for (int depth = 0; depth < 2; ++depth)
        for (int dither : {GR_DITHER_DISABLE, GR_DITHER_4x4})
            for (int filter : {GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_BILINEAR})
                for (const auto &blend : blends) {
                    grDepthBufferMode(depth ? GR_DEPTHBUFFER_WBUFFER : GR_DEPTHBUFFER_DISABLE);
                    grDepthBufferFunction(GR_CMP_LEQUAL);
                    grDepthMask(FXTRUE);
                    grDitherMode(dither);
                    grTexFilterMode(GR_TMU0, filter, filter);
                    grAlphaBlendFunction(blend[0], blend[1], GR_BLEND_ONE, GR_BLEND_ZERO);
                    grAlphaCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE,
                                   GR_COMBINE_LOCAL_CONSTANT,
                                   layer % 3 ? GR_COMBINE_OTHER_TEXTURE : GR_COMBINE_OTHER_ITERATED, FXFALSE);
                    // Constant-w screen quads and perspective ones, every blend of both
                    // kinds, square to the screen with depth and slanted without; flat
                    // white but for the vertex alpha.
                    const float x0 = float(3 + 7 * layer), y0 = float(2 + 5 * layer);
                    const float a = float(40 + 6 * layer);
                    GrVertex q[4];
                    const float xs[4] = {x0, x0 + 300.5f, x0 + 300.5f, x0},
                                ys[4] = {y0, y0, y0 + 90, y0 + 90};
                    for (int i = 0; i < 4; ++i) {
                        const float oow = (layer + layer / 8) % 2 ? 0.6f : (i == 1 || i == 2 ? 0.3f : 0.9f);
                        q[i] = {};
                        q[i].x = xs[i] + (depth ? 0.0f : 0.25f * i);
                        q[i].y = ys[i];
                        q[i].r = q[i].g = q[i].b = 255.0f;
                        q[i].a = a;
                        q[i].oow = oow;
                        q[i].tmuvtx[0].sow = float(i == 1 || i == 2 ? 300 : 10 - layer) * oow;
                        q[i].tmuvtx[0].tow = float(i >= 2 ? 170 + layer : -20) * oow;
                    }
                    grDrawTriangle(&q[0], &q[1], &q[2]);
                    grDrawTriangle(&q[0], &q[2], &q[3]);
                    ++layer;
                }
    return snapshot();
}

TEST_F(GlideRaster, FusedLayerSpansMatchTheStages)
{
    const std::vector<uint16_t> fused = drawLayers(false);
    open();
    EXPECT_EQ(drawLayers(true), fused);
    mwtest::setEnv("GLIDE2X_SIMD", "baseline");
    open();
    EXPECT_EQ(drawLayers(false), fused);
}

} // namespace
