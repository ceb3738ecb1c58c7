// Pixel conversion between the twenty image types.
#include <cstring>

#include "bitmap_support.h"

namespace {

mwBITMAP *withBytes(int type, int width, int height, const Bytes &bytes)
{
    mwBITMAP *bitmap = mwbCreate(type, width, height);
    EXPECT_EQ(static_cast<size_t>(bitmap->size), bytes.size());
    std::memcpy(bitmap->data, bytes.data(), bytes.size());
    return bitmap;
}

void givePalette(mwBITMAP *bitmap, const Bytes &palette)
{
    bitmap->paletteSize = static_cast<int>(palette.size());
    bitmap->palette = static_cast<uint8_t *>(mwDMemAlloc("test", __LINE__, bitmap->paletteSize));
    std::memcpy(bitmap->palette, palette.data(), palette.size());
}

unsigned word(const mwBITMAP *bitmap, int index = 0)
{
    return bitmap->data[2 * index] | bitmap->data[2 * index + 1] << 8;
}

Bytes bytesOf(const mwBITMAP *bitmap) { return Bytes(bitmap->data, bitmap->data + bitmap->size); }

// Converts one RGBA 8888 pixel to the type and returns the resulting bytes.
Bytes fromRgba(const Bytes &rgba, int type)
{
    mwBITMAP *bitmap = withBytes(MW_IMAGE_RGBA_8888, 1, 1, rgba);
    EXPECT_EQ(mwbConvert(bitmap, type), 1);
    Bytes result = bytesOf(bitmap);
    mwbFree(bitmap);
    return result;
}

TEST(BitmapConvert, DocumentedExamples)
{
    mwBITMAP *bgr = withBytes(MW_IMAGE_BGR_888, 1, 1, {0x12, 0x34, 0x56});
    EXPECT_EQ(mwbConvert(bgr, MW_IMAGE_RGB_565), 1);
    EXPECT_EQ(bgr->type, MW_IMAGE_RGB_565);
    EXPECT_EQ(bgr->size, 2);
    EXPECT_EQ(word(bgr), 0x51A2u);
    mwbFree(bgr);

    mwBITMAP *white = withBytes(MW_IMAGE_RGB_565, 1, 1, {0xFF, 0xFF});
    mwbConvert(white, MW_IMAGE_RGB_888);
    EXPECT_EQ(bytesOf(white), (Bytes{248, 252, 248})) << "widening leaves the low bits 0";
    mwbFree(white);

    mwBITMAP *opaque = withBytes(MW_IMAGE_ARGB_1555, 1, 1, {0x00, 0x80});
    mwbConvert(opaque, MW_IMAGE_RGBA_8888);
    EXPECT_EQ(bytesOf(opaque), (Bytes{0, 0, 0, 128}));
    mwbFree(opaque);

    mwBITMAP *yellow = withBytes(MW_IMAGE_BGR_888, 1, 1, {0, 255, 255});
    mwbConvert(yellow, MW_IMAGE_ARGB_4444);
    EXPECT_EQ(word(yellow), 0xAFF0u) << "alpha (255 + 255 + 0) / 3 = 170";
    mwbFree(yellow);

    mwBITMAP *own = withBytes(MW_IMAGE_RGBA_8888, 1, 1, {255, 255, 255, 0x35});
    mwbConvert(own, MW_IMAGE_ARGB_4444);
    EXPECT_EQ(word(own), 0x3FFFu) << "a source alpha is kept, not computed";
    mwbFree(own);
}

TEST(BitmapConvert, SixteenBitLayouts)
{
    struct Case {
        int type;
        unsigned red, green, blue, alpha; // words of pure R, G, B and A
    };
    const Case cases[] = {
        {MW_IMAGE_RGB_565, 0xF800, 0x07E0, 0x001F, 0x0000},
        {MW_IMAGE_BGR_565, 0x001F, 0x07E0, 0xF800, 0x0000},
        {MW_IMAGE_RGBA_4444, 0xF000, 0x0F00, 0x00F0, 0x000F},
        {MW_IMAGE_BGRA_4444, 0x00F0, 0x0F00, 0xF000, 0x000F},
        {MW_IMAGE_ARGB_4444, 0x0F00, 0x00F0, 0x000F, 0xF000},
        {MW_IMAGE_ABGR_4444, 0x000F, 0x00F0, 0x0F00, 0xF000},
        {MW_IMAGE_RGBA_5551, 0xF800, 0x07C0, 0x003E, 0x0001},
        {MW_IMAGE_BGRA_5551, 0x003E, 0x07C0, 0xF800, 0x0001},
        {MW_IMAGE_ARGB_1555, 0x7C00, 0x03E0, 0x001F, 0x8000},
        {MW_IMAGE_ABGR_1555, 0x001F, 0x03E0, 0x7C00, 0x8000},
    };
    for (const Case &c : cases) {
        const char *name = mwbImageTypeName(c.type);
        const unsigned expected[4] = {c.red, c.green, c.blue, c.alpha};
        for (int channel = 0; channel < 4; channel++) {
            Bytes rgba(4, 0);
            rgba[channel] = 255;
            const Bytes result = fromRgba(rgba, c.type);
            ASSERT_EQ(result.size(), 2u);
            EXPECT_EQ(unsigned(result[0] | result[1] << 8), expected[channel])
                << name << " channel " << channel;
        }
        // And back: each field widens into its own channel only.
        mwBITMAP *back =
            withBytes(c.type, 1, 1, {static_cast<uint8_t>(c.green), static_cast<uint8_t>(c.green >> 8)});
        mwbConvert(back, MW_IMAGE_RGBA_8888);
        EXPECT_EQ(back->data[0], 0) << name;
        EXPECT_GE(back->data[1], 0xF0) << name;
        EXPECT_EQ(back->data[2], 0) << name;
        // A type without alpha gets the mean of R, G and B in RGBA 8888.
        EXPECT_EQ(back->data[3], mwbAlphaBits(c.type) ? 0 : back->data[1] / 3) << name;
        mwbFree(back);
    }
    // Narrowing truncates: 0x87 keeps its top 5 bits.
    EXPECT_EQ(fromRgba({0x87, 0, 0, 0}, MW_IMAGE_RGB_565), (Bytes{0x00, 0x80}));
    EXPECT_EQ(fromRgba({0, 0, 0, 0x7F}, MW_IMAGE_ARGB_1555), (Bytes{0x00, 0x00})) << "alpha below 128 is 0";
}

TEST(BitmapConvert, ByteTypesFollowMemoryOrder)
{
    const Bytes rgba = {1, 2, 3, 4};
    EXPECT_EQ(fromRgba(rgba, MW_IMAGE_RGB_888), (Bytes{1, 2, 3}));
    EXPECT_EQ(fromRgba(rgba, MW_IMAGE_BGR_888), (Bytes{3, 2, 1}));
    EXPECT_EQ(fromRgba(rgba, MW_IMAGE_BGRA_8888), (Bytes{3, 2, 1, 4}));
    EXPECT_EQ(fromRgba(rgba, MW_IMAGE_ARGB_8888), (Bytes{4, 1, 2, 3}));
    EXPECT_EQ(fromRgba(rgba, MW_IMAGE_ABGR_8888), (Bytes{4, 3, 2, 1}));

    // A chain through every 32- and 24-bit type loses nothing but alpha.
    mwBITMAP *bitmap = withBytes(MW_IMAGE_RGBA_8888, 2, 1, {1, 2, 3, 4, 250, 251, 252, 253});
    for (int type : {MW_IMAGE_ARGB_8888, MW_IMAGE_ABGR_8888, MW_IMAGE_BGRA_8888, MW_IMAGE_RGBA_8888}) {
        mwbConvert(bitmap, type);
    }
    EXPECT_EQ(bytesOf(bitmap), (Bytes{1, 2, 3, 4, 250, 251, 252, 253}));
    mwbConvert(bitmap, MW_IMAGE_BGR_888);
    mwbConvert(bitmap, MW_IMAGE_RGB_888);
    EXPECT_EQ(bytesOf(bitmap), (Bytes{1, 2, 3, 250, 251, 252}));
    mwbFree(bitmap);
}

TEST(BitmapConvert, PaletteRowsDecodeLeftmostPixelFromTheHighBits)
{
    const Bytes palette = {0, 0, 0, 255, 255, 255, 10, 20, 30, 40, 50, 60, 70, 80, 90};

    // 12 one-bit pixels store 8: 10110010, the last 4 are not stored.
    mwBITMAP *bits = withBytes(MW_IMAGE_PAL_1, 12, 1, {0xB2});
    givePalette(bits, palette);
    mwbConvert(bits, MW_IMAGE_RGB_888);
    const int expectedBits[8] = {1, 0, 1, 1, 0, 0, 1, 0};
    ASSERT_EQ(bits->size, 36);
    for (int x = 0; x < 8; x++) {
        EXPECT_EQ(bits->data[3 * x], expectedBits[x] ? 255 : 0) << "pixel " << x;
    }
    for (int x = 8; x < 12; x++) {
        EXPECT_EQ(bits->data[3 * x], 0) << "unstored pixel " << x;
    }
    EXPECT_EQ(bits->palette, nullptr);
    EXPECT_EQ(bits->paletteSize, 0);
    mwbFree(bits);

    // Four 4-bit pixels in two bytes: the decoder moves on after two.
    mwBITMAP *nibbles = withBytes(MW_IMAGE_PAL_4, 4, 1, {0x23, 0x41});
    givePalette(nibbles, palette);
    mwbConvert(nibbles, MW_IMAGE_RGB_888);
    EXPECT_EQ(bytesOf(nibbles), (Bytes{10, 20, 30, 40, 50, 60, 70, 80, 90, 255, 255, 255}));
    mwbFree(nibbles);

    // Eight-bit indices; one beyond the palette reads as black.
    mwBITMAP *bytes = withBytes(MW_IMAGE_PAL_8, 3, 1, {4, 2, 200});
    givePalette(bytes, palette);
    mwbConvert(bytes, MW_IMAGE_RGB_888);
    EXPECT_EQ(bytesOf(bytes), (Bytes{70, 80, 90, 10, 20, 30, 0, 0, 0}));
    mwbFree(bytes);

    // Palette types have no alpha: a target with alpha gets the mean.
    mwBITMAP *mean = withBytes(MW_IMAGE_PAL_8, 1, 1, {3});
    givePalette(mean, palette);
    mwbConvert(mean, MW_IMAGE_RGBA_8888);
    EXPECT_EQ(bytesOf(mean), (Bytes{40, 50, 60, 50}));
    mwbFree(mean);
}

TEST(BitmapConvert, LongRowsKeepEveryPixelInPlace)
{
    // Wider than any internal run of pixels, with an odd tail.
    const int width = 1001;
    const int height = 3;
    Bytes palette;
    for (int i = 0; i < 16; i++) {
        palette.insert(palette.end(), {static_cast<uint8_t>(i * 16), static_cast<uint8_t>(255 - i), 7});
    }
    const int pitch = width / 2;
    Bytes packed(static_cast<size_t>(pitch * height));
    for (size_t i = 0; i < packed.size(); i++) {
        packed[i] = static_cast<uint8_t>(i * 37 + i / 7);
    }
    mwBITMAP *bitmap = withBytes(MW_IMAGE_PAL_4, width, height, packed);
    givePalette(bitmap, palette);
    mwbConvert(bitmap, MW_IMAGE_BGR_888);
    ASSERT_EQ(bitmap->size, width * height * 3);
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            const uint8_t *pixel = bitmap->data + (y * width + x) * 3;
            if (x == width - 1) {
                EXPECT_EQ(pixel[0] | pixel[1] | pixel[2], 0) << "the odd last pixel is not stored";
                continue;
            }
            const uint8_t byte = packed[y * pitch + x / 2];
            const int index = x % 2 == 0 ? byte >> 4 : byte & 15;
            ASSERT_EQ(pixel[2], index * 16) << x << "," << y;
            ASSERT_EQ(pixel[1], 255 - index) << x << "," << y;
        }
    }
    mwbFree(bitmap);
}

TEST(BitmapConvert, SameTypeChangesNothing)
{
    mwBITMAP *bitmap = withBytes(MW_IMAGE_PAL_8, 2, 1, {1, 0});
    givePalette(bitmap, {1, 2, 3, 4, 5, 6});
    const uint8_t *data = bitmap->data;
    const uint8_t *palette = bitmap->palette;
    EXPECT_EQ(mwbConvert(bitmap, MW_IMAGE_PAL_8), 1);
    EXPECT_EQ(bitmap->data, data);
    EXPECT_EQ(bitmap->palette, palette);
    EXPECT_EQ(bitmap->paletteSize, 6);
    mwbFree(bitmap);

    mwBITMAP *unknown = mwbCreate(MW_IMAGE_UNKNOWN, 2, 2);
    mwbConvert(unknown, MW_IMAGE_RGB_565);
    ASSERT_EQ(unknown->size, 8);
    EXPECT_EQ(bytesOf(unknown), Bytes(8, 0));
    mwbFree(unknown);
}

TEST(BitmapConvertDeathTest, InvalidTargetsAreReported)
{
    mwBITMAP *bitmap = mwbCreate(MW_IMAGE_RGB_888, 2, 2);
    EXPECT_REPORT(mwbConvert(bitmap, MW_IMAGE_PAL_8), "encodePAL_8: cannot encode to palette data");
    EXPECT_REPORT(mwbConvert(bitmap, MW_IMAGE_PAL_1), "encodePAL_1: cannot encode to palette data");
    EXPECT_REPORT(mwbConvert(bitmap, MW_IMAGE_UNKNOWN),
                  "\\(0h\\) mwbconv:[0-9]+: mwbConvert: Invalid Parameter");
    EXPECT_REPORT(mwbConvert(bitmap, 20), "mwbConvert: Invalid Parameter");
    EXPECT_REPORT(mwbConvert(nullptr, MW_IMAGE_RGB_565), "mwbConvert: Invalid Parameter");
    bitmap->height = 3; // more rows than the pixel data holds
    EXPECT_REPORT(mwbConvert(bitmap, MW_IMAGE_RGB_565), "mwbConvert: Invalid Parameter");
    bitmap->height = 2;
    mwbFree(bitmap);
}

} // namespace
