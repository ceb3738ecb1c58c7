// Texture memory, formats, sampling, wrap and clamp, perspective.
#include "glide_support.h"

#include <cmath>

using namespace glidetest;

namespace {

class GlideTexture : public Board {
protected:
    void SetUp() override
    {
        Board::SetUp();
        textureColor();
    }
    // The 8x8 map over pixels 0..size-1 (s, t 0..256 across).
    static void drawMap(float size = 8)
    {
        rect(textured(0, 0, 0, 0), textured(size, 0, 256, 0), textured(size, size, 256, 256),
             textured(0, size, 0, 256));
    }
};

// Level sizes by the documented rule, written out independently.
int levelBytes(int lod, int aspect, int bytesPerTexel)
{
    const int longSide = 256 >> lod;
    const int ratio[] = {8, 4, 2, 1, 2, 4, 8};
    const int shortSide = std::max(1, longSide / ratio[aspect]);
    return longSide * shortSide * bytesPerTexel;
}

TEST_F(GlideTexture, MemoryRequiredForEveryLodAndAspect)
{
    for (int aspect = GR_ASPECT_8x1; aspect <= GR_ASPECT_1x8; ++aspect)
        for (int lod = GR_LOD_256; lod <= GR_LOD_1; ++lod) {
            for (int format : {GR_TEXFMT_P_8, GR_TEXFMT_RGB_565, GR_TEXFMT_ARGB_4444, GR_TEXFMT_ARGB_1555}) {
                const int bpt = format < GR_TEXFMT_16BIT ? 1 : 2;
                const FxU32 expected = FxU32((levelBytes(lod, aspect, bpt) + 7) / 8 * 8);
                EXPECT_EQ(grTexCalcMemRequired(lod, lod, aspect, format), expected)
                    << "lod " << lod << " aspect " << aspect << " format " << format;
            }
        }
    EXPECT_EQ(grTexCalcMemRequired(GR_LOD_256, GR_LOD_256, GR_ASPECT_1x1, GR_TEXFMT_ARGB_4444), 131072u);
    EXPECT_EQ(grTexCalcMemRequired(GR_LOD_32, GR_LOD_32, GR_ASPECT_8x1, GR_TEXFMT_RGB_565), 256u);
    EXPECT_EQ(grTexCalcMemRequired(GR_LOD_1, GR_LOD_1, GR_ASPECT_1x1, GR_TEXFMT_P_8), 8u);
    // A whole chain is the sum of its levels, each on 8 bytes.
    EXPECT_EQ(grTexCalcMemRequired(GR_LOD_1, GR_LOD_256, GR_ASPECT_1x1, GR_TEXFMT_RGB_565),
              131072u + 32768 + 8192 + 2048 + 512 + 128 + 32 + 8 + 8);
    // Invalid ranges, aspects and formats need nothing.
    EXPECT_EQ(grTexCalcMemRequired(GR_LOD_256, GR_LOD_1, GR_ASPECT_1x1, GR_TEXFMT_RGB_565), 0u);
    EXPECT_EQ(grTexCalcMemRequired(GR_LOD_1, GR_LOD_1, 7, GR_TEXFMT_RGB_565), 0u);
    EXPECT_EQ(grTexCalcMemRequired(GR_LOD_1, GR_LOD_1, GR_ASPECT_1x1, GR_TEXFMT_RSVD2), 0u);
}

TEST_F(GlideTexture, TheFourFormatsWiden)
{
    struct Case {
        int format;
        uint16_t texel;
        int r, g, b;
    } cases[] = {
        {GR_TEXFMT_RGB_565, 0x8A52, 0x8C, 0x49, 0x94},   // 17, 18, 18
        {GR_TEXFMT_ARGB_4444, 0xF3A5, 0x33, 0xAA, 0x55}, // 3, 10, 5 times 17
        {GR_TEXFMT_ARGB_1555, 0x8C63, 0x18, 0x18, 0x18}, // 3, 3, 3
    };
    for (const Case &c : cases) {
        std::vector<uint16_t> texels(64, c.texel);
        loadTexture(GR_LOD_8, GR_ASPECT_1x1, c.format, texels.data());
        drawMap();
        EXPECT_EQ(pixel(4, 4), rgb565(c.r, c.g, c.b)) << c.format;
    }
    // The palette format reads red 23:16, green 15:8, blue 7:0.
    GuTexPalette palette{};
    palette.data[7] = 0xFF10C040;
    grTexDownloadTable(GR_TMU0, GR_TEXTABLE_PALETTE, &palette);
    std::vector<uint8_t> indices(64, 7);
    loadTexture(GR_LOD_8, GR_ASPECT_1x1, GR_TEXFMT_P_8, indices.data());
    drawMap();
    EXPECT_EQ(pixel(4, 4), rgb565(0x10, 0xC0, 0x40));
    // A new palette shows at once.
    palette.data[7] = 0x00FF0000;
    grTexDownloadTable(GR_TMU0, GR_TEXTABLE_PALETTE, &palette);
    drawMap();
    EXPECT_EQ(pixel(4, 4), rgb565(255, 0, 0));
}

// An 8x8 565 map whose texel (i, j) has red 8 i and green 8 j (exact in 565).
std::vector<uint16_t> gradientMap()
{
    std::vector<uint16_t> t(64);
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 8; ++i)
            t[size_t(j) * 8 + i] = uint16_t((i << 11) | ((2 * j) << 5));
    return t;
}
int mapRed(int i) { return ((i & 7) << 3) | ((i & 7) >> 2); }
int mapGreen(int j) { return (((2 * (j & 7)) << 2) | ((2 * (j & 7)) >> 4)); }
int lerp(int a, int b, int f) { return (a * (256 - f) + b * f + 128) >> 8; }

TEST_F(GlideTexture, PointSamplingTakesTheTexelUnderThePixelCentre)
{
    const auto map = gradientMap();
    loadTexture(GR_LOD_8, GR_ASPECT_1x1, GR_TEXFMT_RGB_565, map.data());
    drawMap(16); // two pixels per texel
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(pixel(x, y), rgb565(mapRed(x / 2), mapGreen(y / 2), 0)) << x << "," << y;
}

TEST_F(GlideTexture, BilinearBlendsTheFourNearestCentresWrappingOrClamping)
{
    const auto map = gradientMap();
    loadTexture(GR_LOD_8, GR_ASPECT_1x1, GR_TEXFMT_RGB_565, map.data());
    grTexFilterMode(GR_TMU0, GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR);
    for (int clamp : {GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_CLAMP}) {
        grTexClampMode(GR_TMU0, clamp, clamp);
        drawMap(16);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                // Pixel centre at texel coordinate (x + 0.5) / 2, less half a texel.
                const int u = (2 * x + 1) * 64 - 128, v = (2 * y + 1) * 64 - 128;
                int i0 = u >> 8, j0 = v >> 8, i1 = i0 + 1, j1 = j0 + 1;
                if (clamp == GR_TEXTURECLAMP_CLAMP) {
                    i0 = std::clamp(i0, 0, 7), i1 = std::clamp(i1, 0, 7);
                    j0 = std::clamp(j0, 0, 7), j1 = std::clamp(j1, 0, 7);
                }
                const int fx = u & 255, fy = v & 255;
                // Red depends on i only and green on j only.
                const int r = lerp(lerp(mapRed(i0), mapRed(i1), fx), lerp(mapRed(i0), mapRed(i1), fx), fy);
                const int g =
                    lerp(lerp(mapGreen(j0), mapGreen(j0), fx), lerp(mapGreen(j1), mapGreen(j1), fx), fy);
                EXPECT_EQ(pixel(x, y), rgb565(r, g, 0)) << x << "," << y << " clamp " << clamp;
            }
    }
}

TEST_F(GlideTexture, WrapRepeatsAndClampHoldsTheEdge)
{
    const auto map = gradientMap();
    loadTexture(GR_LOD_8, GR_ASPECT_1x1, GR_TEXFMT_RGB_565, map.data());
    // s from -256 to 512 over 24 pixels: three copies of the 8 texels.
    auto draw = [] {
        rect(textured(0, 0, -256, 0), textured(24, 0, 512, 0), textured(24, 1, 512, 0),
             textured(0, 1, -256, 0));
    };
    draw();
    for (int x = 0; x < 24; ++x)
        EXPECT_EQ(red8(pixel(x, 0)), mapRed(x % 8)) << x;
    grTexClampMode(GR_TMU0, GR_TEXTURECLAMP_CLAMP, GR_TEXTURECLAMP_CLAMP);
    draw();
    for (int x = 0; x < 24; ++x)
        EXPECT_EQ(red8(pixel(x, 0)), mapRed(std::clamp(x - 8, 0, 7))) << x;
}

TEST_F(GlideTexture, NarrowAspectsSpan256OnTheLongSide)
{
    // 8x1: an 8 x 1 map; t runs 0..32 over its one row.
    std::vector<uint16_t> row(8);
    for (int i = 0; i < 8; ++i)
        row[size_t(i)] = uint16_t(i << 11);
    loadTexture(GR_LOD_8, GR_ASPECT_8x1, GR_TEXFMT_RGB_565, row.data());
    rect(textured(0, 0, 0, 0), textured(8, 0, 256, 0), textured(8, 2, 256, 32), textured(0, 2, 0, 32));
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(red8(pixel(x, 1)), mapRed(x));
}

TEST_F(GlideTexture, PerspectiveCorrectCoordinates)
{
    std::vector<uint16_t> map(64 * 64);
    for (int j = 0; j < 64; ++j)
        for (int i = 0; i < 64; ++i)
            map[size_t(j) * 64 + i] = uint16_t(((i / 2) << 11) | (i % 2 ? 0x1F : 0));
    loadTexture(GR_LOD_64, GR_ASPECT_1x1, GR_TEXFMT_RGB_565, map.data());
    // 1/w falls from 1 to 0.25 across 256 pixels while s goes 0 -> 256.
    rect(textured(0, 0, 0, 0, 1.0f), textured(256, 0, 256, 0, 0.25f), textured(256, 4, 256, 0, 0.25f),
         textured(0, 4, 0, 0, 1.0f));
    for (int x : {20, 127, 200, 250}) {
        const double f = (x + 0.5) / 256.0;
        const double s = 64.0 * f / (1.0 - 0.75 * f);
        const int texel = int(s * 64.0 / 256.0);
        EXPECT_EQ(pixel(x, 1), uint16_t(((texel / 2) << 11) | (texel % 2 ? 0x1F : 0))) << x;
    }
}

TEST_F(GlideTexture, DownloadOverASourceShowsTheNewTexels)
{
    std::vector<uint16_t> red(64, 0xF800), blue(64, 0x001F);
    loadTexture(GR_LOD_8, GR_ASPECT_1x1, GR_TEXFMT_RGB_565, red.data(), 256);
    drawMap();
    EXPECT_EQ(pixel(2, 2), 0xF800);
    // Another texture downloaded over the same bytes without a new source.
    GrTexInfo other{GR_LOD_8, GR_LOD_8, GR_ASPECT_1x1, GR_TEXFMT_RGB_565, blue.data()};
    grTexDownloadMipMap(GR_TMU0, 256 + 64, GR_MIPMAPLEVELMASK_BOTH, &other);
    drawMap();
    EXPECT_EQ(pixel(2, 1), 0xF800); // rows 0..3 untouched
    EXPECT_EQ(pixel(2, 5), 0x001F); // rows 4..7 now blue
    // A download that does not fit is refused whole.
    grTexDownloadMipMap(GR_TMU0, grTexMaxAddress(GR_TMU0) - 64, GR_MIPMAPLEVELMASK_BOTH, &other);
    GrTexInfo info{GR_LOD_8, GR_LOD_8, GR_ASPECT_1x1, GR_TEXFMT_RGB_565, nullptr};
    grTexSource(GR_TMU0, grTexMaxAddress(GR_TMU0) - 64, GR_MIPMAPLEVELMASK_BOTH, &info);
    drawMap();
    EXPECT_EQ(pixel(2, 2), 0); // no usable source reads as black
}

TEST_F(GlideTexture, MipmapLevelsFollowTheTexelToPixelRatio)
{
    // Levels 16 (red) and 8 (blue), drawn at 8 pixels: the 8-texel level.
    std::vector<uint16_t> levels(16 * 16 + 8 * 8, 0xF800);
    std::fill(levels.begin() + 256, levels.end(), 0x001F);
    GrTexInfo info{GR_LOD_8, GR_LOD_16, GR_ASPECT_1x1, GR_TEXFMT_RGB_565, levels.data()};
    grTexDownloadMipMap(GR_TMU0, 0, GR_MIPMAPLEVELMASK_BOTH, &info);
    grTexSource(GR_TMU0, 0, GR_MIPMAPLEVELMASK_BOTH, &info);
    drawMap(16);
    EXPECT_EQ(pixel(4, 4), 0xF800);
    grTexMipMapMode(GR_TMU0, GR_MIPMAP_NEAREST, FXFALSE);
    drawMap(16);
    EXPECT_EQ(pixel(4, 4), 0xF800);
    drawMap(8);
    EXPECT_EQ(pixel(4, 4), 0x001F);
}

TEST_F(GlideTexture, SecondUnitFeedsTheFirst)
{
    std::vector<uint16_t> red(64, 0xF800), green(64, 0x07E0);
    GrTexInfo info{GR_LOD_8, GR_LOD_8, GR_ASPECT_1x1, GR_TEXFMT_RGB_565, green.data()};
    grTexDownloadMipMap(GR_TMU1, 0, GR_MIPMAPLEVELMASK_BOTH, &info);
    grTexSource(GR_TMU1, 0, GR_MIPMAPLEVELMASK_BOTH, &info);
    loadTexture(GR_LOD_8, GR_ASPECT_1x1, GR_TEXFMT_RGB_565, red.data());
    // Unit 0 adds the upstream texel to its own.
    grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_SCALE_OTHER_ADD_LOCAL, GR_COMBINE_FACTOR_ONE,
                 GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, FXFALSE, FXFALSE);
    GrVertex v[4] = {textured(0, 0, 0, 0), textured(8, 0, 256, 0), textured(8, 8, 256, 256),
                     textured(0, 8, 0, 256)};
    for (GrVertex &x : v) {
        x.tmuvtx[1].sow = x.tmuvtx[0].sow;
        x.tmuvtx[1].tow = x.tmuvtx[0].tow;
    }
    rect(v[0], v[1], v[2], v[3]);
    EXPECT_EQ(pixel(3, 3), 0xFFE0);
}

} // namespace
