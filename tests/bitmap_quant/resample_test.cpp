// Resampling: interpolation between pixel centres, edges, types kept,
// palette images and a screen-sized picture.
#include <cmath>

#include <gtest/gtest.h>

#include "report_support.h"
#include "common_support.h"
#include "bitmap_quant_support.h"

namespace {

TEST(Resample, SameSizeReturnsAtOnce)
{
    mwBITMAP *b = pictureOf(2, 2, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}});
    mwbQuantize(b, 20, 0);
    const uint8_t *data = b->data;
    EXPECT_EQ(mwbResample(b, 2, 2, 0), 1);
    EXPECT_EQ(b->type, MW_IMAGE_PAL_8);
    EXPECT_EQ(b->data, data);
    mwbFree(b);
}

TEST(Resample, TwoByTwoToFourByFourInterpolatesBetweenCentres)
{
    // R runs 0 to 200 across, G 0 to 200 down, A 40 to 240 across.
    const std::vector<uint8_t> source = {0, 0, 9, 40, 200, 0, 9, 240, 0, 200, 9, 40, 200, 200, 9, 240};
    const int ramp[4] = {0, 50, 150, 200};
    for (int type : {MW_IMAGE_RGBA_8888, MW_IMAGE_BGR_888, MW_IMAGE_RGB_565, MW_IMAGE_ARGB_4444}) {
        mwBITMAP *b = pictureOf(type, 2, 2, source, 4);
        const int bits = mwbBitsPerPixel(type);
        EXPECT_EQ(mwbResample(b, 4, 4, 0), 1);
        EXPECT_EQ(b->type, type);
        EXPECT_EQ(b->width, 4);
        EXPECT_EQ(b->height, 4);
        EXPECT_EQ(b->size, 16 * bits / 8);
        if (type == MW_IMAGE_RGBA_8888) {
            const std::vector<uint8_t> out = rgbaOf(b);
            for (int j = 0; j < 4; ++j)
                for (int i = 0; i < 4; ++i) {
                    const uint8_t *p = &out[4 * (4 * j + i)];
                    EXPECT_EQ(p[0], ramp[i]) << i << "," << j;
                    EXPECT_EQ(p[1], ramp[j]) << i << "," << j;
                    EXPECT_EQ(p[2], 9) << i << "," << j;
                    EXPECT_EQ(p[3], 40 + ramp[i]) << i << "," << j;
                }
        }
        mwbFree(b);
    }
}

TEST(Resample, UniformPicturesStayUniform)
{
    const struct {
        int w, h, toW, toH;
    } sizes[] = {{7, 5, 13, 3}, {3, 3, 1, 1}, {1, 1, 5, 3}, {64, 48, 256, 256}, {3, 1, 3, 4}};
    for (const auto &s : sizes) {
        std::vector<uint8_t> bytes;
        for (int i = 0; i < s.w * s.h; ++i)
            bytes.insert(bytes.end(), {201, 99, 37});
        mwBITMAP *b = pictureOf(MW_IMAGE_BGR_888, s.w, s.h, bytes);
        mwbResample(b, s.toW, s.toH, 0);
        const std::vector<uint8_t> out = rgbaOf(b);
        for (size_t p = 0; p < out.size(); p += 4) {
            ASSERT_EQ(out[p], 201) << s.w << "x" << s.h << " to " << s.toW << "x" << s.toH;
            ASSERT_EQ(out[p + 1], 99);
            ASSERT_EQ(out[p + 2], 37);
        }
        mwbFree(b);
    }
}

TEST(Resample, ScreenPictureToTextureSize)
{
    // A 640 x 480 picture with gradients across and down.
    std::vector<uint8_t> bytes;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            bytes.insert(bytes.end(), {uint8_t(std::lround(x * 0.399)), uint8_t(std::lround(y * 0.532)), 77});
    // Through a Targa file, as the screensaver reads its picture.
    mwtest::TempDir dir;
    const std::string name = (dir / "POO.TGA").string();
    mwBITMAP *b = pictureOf(MW_IMAGE_BGR_888, 640, 480, bytes);
    ASSERT_EQ(mwbSave(name.c_str(), b), 1);
    mwbFree(b);
    b = mwbLoad(name.c_str());
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(mwbResample(b, 256, 256, 0), 1);
    EXPECT_EQ(b->type, MW_IMAGE_BGR_888);
    EXPECT_EQ(b->size, 256 * 256 * 3);
    const std::vector<uint8_t> out = rgbaOf(b);
    for (int j = 0; j < 256; ++j)
        for (int i = 0; i < 256; ++i) {
            const double x = (i + 0.5) * 2.5 - 0.5, y = (j + 0.5) * 1.875 - 0.5;
            const uint8_t *p = &out[4 * (256 * j + i)];
            ASSERT_NEAR(p[0], x * 0.399, 1.0) << i << "," << j;
            ASSERT_NEAR(p[1], y * 0.532, 1.0) << i << "," << j;
            ASSERT_EQ(p[2], 77);
        }
    mwbFree(b);
}

TEST(Resample, PaletteImagesKeepTheirPalette)
{
    const Colour k = {0, 0, 0}, w = {255, 255, 255};
    mwBITMAP *b = pictureOf(4, 2, {k, w, w, k, w, k, k, w});
    mwbQuantize(b, 20, 0);
    const std::vector<uint8_t> palette(b->palette, b->palette + b->paletteSize);
    mwbResample(b, 7, 5, 0);
    EXPECT_EQ(b->type, MW_IMAGE_PAL_8);
    ASSERT_EQ(b->paletteSize, 768);
    EXPECT_EQ(std::vector<uint8_t>(b->palette, b->palette + 768), palette);
    for (int i = 0; i < b->size; ++i)
        EXPECT_LT(b->data[i], 2) << "pixel " << i;
    mwbFree(b);

    // No pixels before, none after.
    b = mwbCreate(MW_IMAGE_UNKNOWN, 3, 3);
    EXPECT_EQ(mwbResample(b, 5, 2, 0), 1);
    EXPECT_EQ(b->width, 5);
    EXPECT_EQ(b->data, nullptr);
    mwbFree(b);
}

TEST(ResampleDeathTest, InvalidArguments)
{
    mwBITMAP *b = pictureOf(1, 1, {{1, 2, 3}});
    EXPECT_REPORT(mwbResample(b, 0, 4, 0), "mwbResample: Invalid Parameter");
    EXPECT_REPORT(mwbResample(nullptr, 4, 4, 0), "mwbResample: Invalid Parameter");
    mwbFree(b);
}

} // namespace
