// Exact pixels with dithering off: the plug-in's colour-combine set-ups and
// blend modes, alpha test, chroma key, W-buffer, masks; and the dither.
#include "glide_support.h"

#include <cstring>

#include "vdblend.h"

using namespace glidetest;

namespace {

class GlideCombine : public Board {
protected:
    // An 8x8 RGB 565 or ARGB 4444 texture of one texel value, drawn 1:1 over
    // pixels 0..7 x 0..7 by a quad with vertex colour and alpha.
    void texturedQuad(uint16_t texel, int format, float r, float g, float b, float a)
    {
        std::vector<uint16_t> texels(64, texel);
        loadTexture(GR_LOD_8, GR_ASPECT_1x1, format, texels.data());
        GrVertex v[4] = {textured(0, 0, 0, 0), textured(8, 0, 256, 0), textured(8, 8, 256, 256),
                         textured(0, 8, 0, 256)};
        for (GrVertex &x : v) {
            x.r = r;
            x.g = g;
            x.b = b;
            x.a = a;
        }
        rect(v[0], v[1], v[2], v[3]);
    }
    // Opens again in RGBA, the colour format the plug-in chooses.
    static void openRgba()
    {
        grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_60Hz, GR_COLORFORMAT_RGBA, GR_ORIGIN_UPPER_LEFT, 2,
                     1);
        grDitherMode(GR_DITHER_DISABLE);
    }
    // The plug-in's material set-up for a textured material, colour mode 1.
    static void textureTimesVertex()
    {
        grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_FUNCTION_LOCAL,
                     GR_COMBINE_FACTOR_NONE, FXFALSE, FXFALSE);
        grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_LOCAL, GR_COMBINE_LOCAL_ITERATED,
                       GR_COMBINE_OTHER_TEXTURE, FXFALSE);
    }
};

TEST_F(GlideCombine, ConstantColour)
{
    grColorCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_LOCAL_CONSTANT,
                   GR_COMBINE_OTHER_CONSTANT, FXFALSE);
    grConstantColorValue(0x00C86432);
    fill(0, 0, 4, 4, 1, 2, 3);
    EXPECT_EQ(pixel(2, 2), rgb565(0xC8, 0x64, 0x32));
    // The constant is read in the colour format chosen at open.
    openRgba();
    grConstantColorValue(0xC8643200);
    fill(0, 0, 4, 4, 1, 2, 3);
    EXPECT_EQ(pixel(2, 2), rgb565(0xC8, 0x64, 0x32));
}

TEST_F(GlideCombine, IteratedColourIsGouraudShaded)
{
    iteratedColor();
    // Red rises 0 -> 255 over 255 pixels from x = 0.5: pixel x has red x.
    GrVertex a = vertex(0.5f, 0, 0, 40, 200), b = vertex(255.5f, 0, 255, 40, 200);
    GrVertex c = vertex(255.5f, 4, 255, 40, 200), d = vertex(0.5f, 4, 0, 40, 200);
    rect(a, b, c, d);
    for (int x : {0, 1, 77, 128, 254})
        EXPECT_EQ(pixel(x, 1), rgb565(x, 40, 200)) << x;
}

TEST_F(GlideCombine, TextureAndTextureTimesIterated)
{
    textureColor();
    texturedQuad(0xF81F, GR_TEXFMT_RGB_565, 10, 20, 30, 255);
    EXPECT_EQ(pixel(3, 3), rgb565(255, 0, 255));
    textureTimesVertex();
    // 4444 texel a=15 r=12 g=6 b=3 -> 204, 102, 51; vertex 100, 200, 250.
    texturedQuad(0xFC63, GR_TEXFMT_ARGB_4444, 100, 200, 250, 255);
    EXPECT_EQ(pixel(3, 3), rgb565(mul(204, 100), mul(102, 200), mul(51, 250)));
}

TEST_F(GlideCombine, ThePlugInBlendModes)
{
    // Texel ARGB 4444: a = 9 (153), r = 12 (204), g = 6 (102), b = 3 (51).
    const uint16_t texel = 0x9C63;
    const int ta = 153, tr = 204, tg = 102, tb = 51;
    const int va = 96; // vertex alpha
    for (int mode = 0; mode < MWR_BLEND_MODES; ++mode) {
        SCOPED_TRACE(mode);
        if (mode == MWR_BLEND_ADD_HALF) {
            // The plug-in opens in RGBA, where 0x80 is alpha 128.
            openRgba();
        }
        grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
        iteratedColor();
        fill(0, 0, 8, 8, 90, 180, 60); // destination
        const uint16_t before = pixel(3, 3);
        const int dr = red8(before), dg = green8(before), db = blue8(before);
        textureTimesVertex();
        vdBlendSelect(mode);
        texturedQuad(texel, GR_TEXFMT_ARGB_4444, 255, 255, 255, float(va));
        // One channel of the result from its texel and destination values.
        auto blended = [&](int t, int d) {
            switch (mode) {
            case MWR_BLEND_VERTEX_ALPHA: return mul(t, va) + mul(d, 255 - va);
            case MWR_BLEND_TEXTURE_ALPHA: return mul(t, ta) + mul(d, 255 - ta);
            case MWR_BLEND_DARKEN: return mul(d, ta);
            case MWR_BLEND_ADD_HALF: return std::min(255, t + mul(d, 127));
            case MWR_BLEND_ADD: return std::min(255, t + d);
            default: return t;
            }
        };
        EXPECT_EQ(pixel(3, 3), rgb565(blended(tr, dr), blended(tg, dg), blended(tb, db)));
    }
}

TEST_F(GlideCombine, CombineFunctionsFactorsAndInvert)
{
    // BLEND: f * (other - local) + local with f = local alpha, then inverted.
    grConstantColorValue(0x40C8643C); // a 64, r 200, g 100, b 60
    grColorCombine(GR_COMBINE_FUNCTION_BLEND, GR_COMBINE_FACTOR_LOCAL_ALPHA, GR_COMBINE_LOCAL_CONSTANT,
                   GR_COMBINE_OTHER_ITERATED, FXTRUE);
    grAlphaCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_LOCAL_CONSTANT,
                   GR_COMBINE_OTHER_CONSTANT, FXFALSE);
    fill(0, 0, 4, 4, 10, 250, 60);
    // Signed differences: 10 - 200 = -190 scales to -round(64 * 190 / 255).
    const int r = 255 - (200 - mul(64, 190)), g = 255 - (100 + mul(64, 150)), b = 255 - 60;
    EXPECT_EQ(pixel(1, 1), rgb565(r, g, b));
    // SCALE_OTHER_ADD_LOCAL clamps at 255; ONE_MINUS_LOCAL is per channel.
    grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER_ADD_LOCAL, GR_COMBINE_FACTOR_ONE_MINUS_LOCAL,
                   GR_COMBINE_LOCAL_CONSTANT, GR_COMBINE_OTHER_ITERATED, FXFALSE);
    fill(0, 0, 4, 4, 255, 250, 60);
    EXPECT_EQ(pixel(1, 1), rgb565(std::min(255, mul(55, 255) + 200), std::min(255, mul(155, 250) + 100),
                                  mul(195, 60) + 60));
}

TEST_F(GlideCombine, AlphaTestComparesWithTheReference)
{
    iteratedColor();
    grAlphaCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_LOCAL_ITERATED,
                   GR_COMBINE_OTHER_CONSTANT, FXFALSE);
    grAlphaTestReferenceValue(128);
    for (int function = GR_CMP_NEVER; function <= GR_CMP_ALWAYS; ++function) {
        grAlphaTestFunction(function);
        grBufferClear(0, 0, 0);
        for (int i = 0; i < 3; ++i)
            fill(float(4 * i), 0, float(4 * i + 4), 4, 255, 255, 255, float(127 + i));
        const bool less = function & 1, equal = function & 2, greater = function & 4;
        EXPECT_EQ(pixel(1, 1) != 0, less) << function;
        EXPECT_EQ(pixel(5, 1) != 0, equal) << function;
        EXPECT_EQ(pixel(9, 1) != 0, greater) << function;
    }
}

TEST_F(GlideCombine, ChromakeyDropsTexelsOfTheKeyColour)
{
    textureColor();
    std::vector<uint16_t> texels(64, 0x07E0); // green
    for (int i = 0; i < 8; ++i)
        texels[size_t(i) * 8 + i] = 0xF800; // red diagonal
    loadTexture(GR_LOD_8, GR_ASPECT_1x1, GR_TEXFMT_RGB_565, texels.data());
    grChromakeyValue(0x0000FF00);
    grChromakeyMode(GR_CHROMAKEY_ENABLE);
    rect(textured(0, 0, 0, 0), textured(8, 0, 256, 0), textured(8, 8, 256, 256), textured(0, 8, 0, 256));
    EXPECT_EQ(pixel(3, 3), rgb565(255, 0, 0));
    EXPECT_EQ(pixel(4, 3), 0);
    EXPECT_EQ(stats().chromaFail, 56u);
}

uint16_t wDepth(float oow)
{
    int32_t bits;
    std::memcpy(&bits, &oow, 4);
    if (bits <= 0)
        return 0xFFFF;
    return uint16_t(std::min(std::max(0x7EFFF - (bits >> 11), 0), 0xFFFF));
}

TEST_F(GlideCombine, WBufferLessOrEqual)
{
    iteratedColor();
    grDepthBufferMode(GR_DEPTHBUFFER_WBUFFER);
    grDepthBufferFunction(GR_CMP_LEQUAL);
    grDepthMask(FXTRUE);
    grBufferClear(0, 0, GR_WDEPTHVALUE_FARTHEST);
    auto quad = [](float x0, float x1, float oow, float r, float g, float b) {
        GrVertex v[4] = {vertex(x0, 0, r, g, b), vertex(x1, 0, r, g, b), vertex(x1, 4, r, g, b),
                         vertex(x0, 4, r, g, b)};
        for (GrVertex &x : v)
            x.oow = oow;
        rect(v[0], v[1], v[2], v[3]);
    };
    quad(0, 8, 0.5f, 255, 0, 0);  // far: w = 2
    quad(4, 12, 0.9f, 0, 255, 0); // near: w = 1.11
    EXPECT_EQ(pixel(2, 1), rgb565(255, 0, 0));
    EXPECT_EQ(pixel(6, 1), rgb565(0, 255, 0));
    EXPECT_EQ(pixel(2, 1, GR_BUFFER_AUXBUFFER), wDepth(0.5f));
    EXPECT_EQ(pixel(6, 1, GR_BUFFER_AUXBUFFER), wDepth(0.9f));
    EXPECT_EQ(wDepth(0.5f), 0x0FFF);
    quad(0, 12, 0.5f, 0, 0, 255); // far again: hidden behind the green
    EXPECT_EQ(pixel(6, 1), rgb565(0, 255, 0));
    EXPECT_EQ(pixel(2, 1), rgb565(0, 0, 255)); // equal passes
    // Every layer of the screensaver is nearer than the one before.
    const float layers[] = {0.9f, 0.91f, 1.0f, 1.01f, 1.02f, 1.03f};
    for (int i = 1; i < 6; ++i)
        EXPECT_LE(wDepth(layers[i]), wDepth(layers[i - 1]));
    EXPECT_EQ(wDepth(0.0f), 0xFFFF);
    EXPECT_EQ(wDepth(-1.0f), 0xFFFF);
    EXPECT_EQ(wDepth(2.0f), 0);
}

TEST_F(GlideCombine, ColourAndAlphaMasks)
{
    iteratedColor();
    grDepthBufferMode(GR_DEPTHBUFFER_WBUFFER);
    grDepthBufferFunction(GR_CMP_ALWAYS);
    grDepthMask(FXTRUE);
    grColorMask(FXFALSE, FXFALSE);
    fill(0, 0, 4, 4, 255, 255, 255);
    EXPECT_EQ(pixel(1, 1), 0);
    EXPECT_EQ(pixel(1, 1, GR_BUFFER_AUXBUFFER), wDepth(1.0f));
    grDepthMask(FXFALSE);
    // Alpha writes go to the aux buffer once depth buffering is off.
    grDepthBufferMode(GR_DEPTHBUFFER_DISABLE);
    grAlphaCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_LOCAL_ITERATED,
                   GR_COMBINE_OTHER_CONSTANT, FXFALSE);
    grColorMask(FXTRUE, FXTRUE);
    fill(0, 0, 4, 4, 255, 0, 0, 77);
    EXPECT_EQ(pixel(1, 1), rgb565(255, 0, 0));
    EXPECT_EQ(pixel(1, 1, GR_BUFFER_AUXBUFFER), 77);
    grColorMask(FXTRUE, FXFALSE);
    fill(0, 0, 4, 4, 0, 255, 0, 12);
    EXPECT_EQ(pixel(1, 1, GR_BUFFER_AUXBUFFER), 77);
    // Destination alpha from the alpha buffer blends.
    grAlphaBlendFunction(GR_BLEND_DST_ALPHA, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
    fill(0, 0, 4, 4, 200, 100, 40, 12);
    EXPECT_EQ(pixel(1, 1), rgb565(mul(200, 77), mul(100, 77), mul(40, 77)));
}

TEST_F(GlideCombine, OrderedDitherPattern)
{
    iteratedColor();
    const int m4[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    const int m2[4][4] = {{0, 2}, {3, 1}};
    const struct {
        int mode, side;
        const int (*matrix)[4];
    } dithers[] = {{GR_DITHER_4x4, 4, m4}, {GR_DITHER_2x2, 2, m2}};
    const int v = 100, w = 201;
    for (const auto &d : dithers) {
        grDitherMode(d.mode);
        fill(0, 0, 8, 8, float(v), float(w), float(v));
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const double t = (d.matrix[y % d.side][x % d.side] + 0.5) / (d.side * d.side);
                const int r5 = int(v * 31 / 255.0 + t), g6 = int(w * 63 / 255.0 + t);
                EXPECT_EQ(pixel(x, y), uint16_t((r5 << 11) | (g6 << 5) | r5))
                    << d.side << ": " << x << "," << y;
            }
    }
    // Full white and black stay exact under the dither.
    grDitherMode(GR_DITHER_4x4);
    fill(0, 0, 4, 4, 255, 255, 255);
    fill(4, 0, 8, 4, 0, 0, 0);
    EXPECT_EQ(pixel(3, 3), 0xFFFF);
    EXPECT_EQ(pixel(5, 2), 0);
}

} // namespace
