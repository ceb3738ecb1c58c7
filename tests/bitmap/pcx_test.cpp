// PCX files: netpbm and ImageMagick files, and headers that lie.
#include <cstring>

#include "bitmap_support.h"

namespace {

// A version 5 PCX header of our own making.
Bytes pcxHeader(int width, int height, int planes, int bytesPerLine, bool runLength)
{
    Bytes file(128, 0);
    file[0] = 10;
    file[1] = 5;
    file[2] = runLength ? 1 : 0;
    file[3] = 8;
    file[8] = static_cast<uint8_t>(width - 1);
    file[9] = static_cast<uint8_t>((width - 1) >> 8);
    file[10] = static_cast<uint8_t>(height - 1);
    file[11] = static_cast<uint8_t>((height - 1) >> 8);
    file[65] = static_cast<uint8_t>(planes);
    file[66] = static_cast<uint8_t>(bytesPerLine);
    file[67] = static_cast<uint8_t>(bytesPerLine >> 8);
    return file;
}

void appendPalette(Bytes &file)
{
    file.push_back(12);
    for (int i = 0; i < 768; i++) {
        file.push_back(static_cast<uint8_t>(i * 5));
    }
}

TEST(Pcx, NetpbmEightBitLoadsWithTheFilePalette)
{
    SKIP_WITHOUT_HOST_TOOLS();
    const std::string source = scratchPath("source.ppm");
    const std::string path = scratchPath("eight.pcx");
    const std::string reported = scratchPath("reported.ppm");
    writeNetpbm(source, testPicture(7, 5, 3));
    ASSERT_TRUE(run("ppmtopcx -8bit '" + source + "' > '" + path + "' 2>/dev/null"));
    ASSERT_TRUE(run("pcxtoppm '" + path + "' > '" + reported + "' 2>/dev/null"));
    const Picture picture = readNetpbm(reported);
    const Bytes file = readFile(path);

    mwBITMAP *bitmap = mwbLoad(path.c_str());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->type, MW_IMAGE_PAL_8);
    EXPECT_EQ(bitmap->reserved, 0);
    ASSERT_EQ(bitmap->paletteSize, 768);
    EXPECT_EQ(Bytes(bitmap->palette, bitmap->palette + 768), Bytes(file.end() - 768, file.end()));
    ASSERT_EQ(bitmap->width, picture.width);
    ASSERT_EQ(bitmap->height, picture.height);
    for (int y = 0; y < picture.height; y++) {
        for (int x = 0; x < picture.width; x++) {
            const uint8_t *entry = bitmap->palette + 3 * bitmap->data[y * bitmap->width + x];
            ASSERT_EQ(Bytes(entry, entry + 3), Bytes(picture.at(x, y), picture.at(x, y) + 3))
                << x << "," << y;
        }
    }
    mwbFree(bitmap);
}

TEST(Pcx, TwentyFourBitFromNetpbmAndImageMagick)
{
    SKIP_WITHOUT_HOST_TOOLS();
    const std::string source = scratchPath("source.ppm");
    writeNetpbm(source, testPicture(7, 5, 3));
    const std::string netpbm = scratchPath("netpbm.pcx");
    const std::string magick = scratchPath("magick.pcx");
    ASSERT_TRUE(run("ppmtopcx -24bit '" + source + "' > '" + netpbm + "' 2>/dev/null"));
    ASSERT_TRUE(run("convert '" + source + "' '" + magick + "'"));
    for (const std::string &path : {netpbm, magick}) {
        const std::string reported = scratchPath("reported.ppm");
        ASSERT_TRUE(run("convert '" + path + "' -depth 8 ppm:'" + reported + "'"));
        const Picture picture = readNetpbm(reported);
        mwBITMAP *bitmap = mwbPCXLoad(path.c_str());
        ASSERT_NE(bitmap, nullptr) << path;
        EXPECT_EQ(bitmap->type, MW_IMAGE_RGB_888);
        EXPECT_EQ(bitmap->palette, nullptr);
        ASSERT_EQ(bitmap->width, picture.width);
        ASSERT_EQ(bitmap->height, picture.height);
        EXPECT_EQ(Bytes(bitmap->data, bitmap->data + bitmap->size), picture.pixels) << path;
        mwbFree(bitmap);
    }
}

TEST(Pcx, PlanesBecomeChannelsAndRunsStayInTheirLine)
{
    // Two pixels, four planes, bytes per line 3 (one pad value). Plane 0 is
    // a run of 5 that must stop at the end of its line.
    Bytes file = pcxHeader(2, 1, 4, 3, true);
    file.insert(file.end(), {0xC5, 9});          // R: 9 9 9, two values dropped
    file.insert(file.end(), {0xC0, 0x05, 0x06}); // G: 0xC0 is a literal
    file.insert(file.end(), {0xC1, 0xD0, 3, 0}); // B: a run of one 0xD0
    file.insert(file.end(), {0xC3, 0x77});       // A
    mwBITMAP *bitmap = loadBytes("planes.pcx", file, mwbPCXLoad);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->type, MW_IMAGE_RGBA_8888);
    EXPECT_EQ(Bytes(bitmap->data, bitmap->data + 8), (Bytes{9, 0xC0, 0xD0, 0x77, 9, 5, 3, 0x77}));
    mwbFree(bitmap);

    Bytes raw = pcxHeader(3, 2, 1, 4, false);
    raw.insert(raw.end(), {1, 2, 3, 99, 4, 5, 6, 99});
    appendPalette(raw);
    mwBITMAP *eight = loadBytes("raw.pcx", raw, mwbPCXLoad);
    ASSERT_NE(eight, nullptr);
    EXPECT_EQ(Bytes(eight->data, eight->data + 6), (Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(eight->palette[3 * 255 + 2], static_cast<uint8_t>((3 * 255 + 2) * 5));
    mwbFree(eight);
}

TEST(Pcx, HeadersThatLieOverrunNothing)
{
    // Fewer bytes per line than pixels: what the lines lack stays zero.
    Bytes narrow = pcxHeader(6, 2, 3, 2, false);
    for (int i = 0; i < 12; i++) {
        narrow.push_back(static_cast<uint8_t>(i + 1));
    }
    mwBITMAP *bitmap = loadBytes("narrow.pcx", narrow, mwbPCXLoad);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_EQ(bitmap->size, 36);
    EXPECT_EQ(Bytes(bitmap->data, bitmap->data + 18),
              (Bytes{1, 3, 5, 2, 4, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    mwbFree(bitmap);

    // xmax below xmin.
    Bytes backwards = pcxHeader(1, 1, 3, 2, false);
    backwards[4] = 10;
    EXPECT_EQ(loadBytes("backwards.pcx", backwards, mwbPCXLoad), nullptr);

    // A run-length picture that ends early reads as zeros.
    Bytes cut = pcxHeader(4, 3, 3, 4, true);
    cut.insert(cut.end(), {0xC4, 200});
    mwBITMAP *short_ = loadBytes("cut.pcx", cut, mwbPCXLoad);
    ASSERT_NE(short_, nullptr);
    EXPECT_EQ(Bytes(short_->data, short_->data + 12), (Bytes{200, 0, 0, 200, 0, 0, 200, 0, 0, 200, 0, 0}));
    EXPECT_EQ(Bytes(short_->data + 12, short_->data + 36), Bytes(24, 0));
    mwbFree(short_);
}

TEST(Pcx, VariantsItDoesNotReadGiveNull)
{
    Bytes good = pcxHeader(1, 1, 3, 2, false);
    good.insert(good.end(), 6, 1);
    mwBITMAP *bitmap = loadBytes("good.pcx", good, mwbPCXLoad);
    ASSERT_NE(bitmap, nullptr);
    mwbFree(bitmap);

    const struct {
        int offset, value;
    } broken[] = {{0, 11}, {1, 3}, {3, 1}, {65, 2}};
    for (const auto &change : broken) {
        Bytes file = good;
        file[change.offset] = static_cast<uint8_t>(change.value);
        EXPECT_EQ(loadBytes("broken.pcx", file, mwbPCXLoad), nullptr) << "byte " << change.offset;
    }
    // One plane without the palette marker, and one too short to hold a palette.
    Bytes unmarked = pcxHeader(1, 1, 1, 2, false);
    unmarked.insert(unmarked.end(), {1, 0});
    appendPalette(unmarked);
    unmarked[unmarked.size() - 769] = 13;
    EXPECT_EQ(loadBytes("unmarked.pcx", unmarked, mwbPCXLoad), nullptr);
    Bytes tiny = pcxHeader(1, 1, 1, 2, false);
    EXPECT_EQ(loadBytes("tiny.pcx", tiny, mwbPCXLoad), nullptr);
    EXPECT_EQ(mwbPCXLoad(scratchPath("missing.pcx").c_str()), nullptr);
}

} // namespace
