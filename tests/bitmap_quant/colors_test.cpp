// Colour spaces and shade tables.
#include <cmath>

#include <gtest/gtest.h>

#include "mwbitmap.h"

namespace {

TEST(Colors, MagentaInHLS)
{
    const float magenta[3] = {1, 0, 1};
    float hls[3], rgb[3];
    EXPECT_EQ(mwbRGBToHLS(magenta, hls), hls);
    EXPECT_NEAR(hls[0], 5.0f / 6.0f, 1e-6f);
    EXPECT_FLOAT_EQ(hls[1], 0.5f);
    EXPECT_FLOAT_EQ(hls[2], 1.0f);
    EXPECT_EQ(mwbHLSToRGB(hls, rgb), rgb);
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(rgb[c], magenta[c], 1e-6f);
}

TEST(Colors, HSIOfThePrimariesAndCyan)
{
    const struct {
        float rgb[3], hsi[3];
    } cases[] = {
        {{1, 0, 0}, {1, 1, 1.f / 3}},       {{0, 1, 0}, {1.f / 3, 1, 1.f / 3}},
        {{0, 0, 1}, {2.f / 3, 1, 1.f / 3}}, {{0, 1, 1}, {0.5f, 1, 2.f / 3}},
        {{0.4f, 0.4f, 0.4f}, {1, 0, 0.4f}},
    };
    for (const auto &c : cases) {
        float hsi[3];
        mwbRGBToHSI(c.rgb, hsi);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(hsi[k], c.hsi[k], 1e-6f) << c.rgb[0] << " " << c.rgb[1] << " " << c.rgb[2];
    }
}

TEST(Colors, HLSAndHSIRoundTrip)
{
    // Every colour of a grid over the RGB cube, corners and the grey axis included.
    for (int r = 0; r <= 10; ++r)
        for (int g = 0; g <= 10; ++g)
            for (int b = 0; b <= 10; ++b) {
                const float in[3] = {r / 10.0f, g / 10.0f, b / 10.0f};
                float space[3], hls[3], hsi[3];
                mwbHLSToRGB(mwbRGBToHLS(in, space), hls);
                mwbHSIToRGB(mwbRGBToHSI(in, space), hsi);
                for (int c = 0; c < 3; ++c) {
                    ASSERT_NEAR(hls[c], in[c], 1e-5f) << "HLS " << r << " " << g << " " << b;
                    ASSERT_NEAR(hsi[c], in[c], 1e-4f) << "HSI " << r << " " << g << " " << b;
                }
            }
}

TEST(Colors, ShadeTableRampsThroughTheColour)
{
    uint8_t palette[768] = {};
    EXPECT_EQ(mwbShadeTable(nullptr, 8, 0, 0, 0, 0), nullptr);
    EXPECT_EQ(mwbShadeTable(palette, 0, 0, 0, 0, 0), nullptr);
    palette[27] = 200, palette[28] = 80, palette[29] = 40; // entry 9
    palette[21] = palette[22] = palette[23] = 128;         // entry 7, grey 0.5

    uint8_t *table = mwbShadeTable(palette, 8, 0.3f, 0.7f, 0.5f, 0.0f);
    // Level 4 of 8 is the colour itself, scaled by 255 / 256; below it the
    // red channel falls to black, above it rises towards white.
    const uint8_t *mid = table + 3 * (4 * 256 + 9);
    EXPECT_EQ(mid[0], 199);
    EXPECT_EQ(mid[1], 79);
    EXPECT_EQ(mid[2], 39);
    EXPECT_EQ(table[3 * 9], 0);
    for (int level = 1; level < 8; ++level)
        EXPECT_GT(table[3 * (level * 256 + 9)], table[3 * ((level - 1) * 256 + 9)]) << level;
    mwDMemFree("colors_test", __LINE__, table);

    // Full weight: grey takes the target hue (blue) at full saturation.
    table = mwbShadeTable(palette, 8, 0, 0, 2.0f / 3.0f, 1.0f);
    const uint8_t *blue = table + 3 * (4 * 256 + 7);
    EXPECT_EQ(blue[0] + blue[1], 0);
    EXPECT_EQ(blue[2], 255);
    mwDMemFree("colors_test", __LINE__, table);
}

} // namespace
