// Bitmap records: sizes, type tables, copies, crops, loading and saving by
// extension.
#include <cstring>

#include "bitmap_support.h"

namespace {

constexpr int kBits[MW_IMAGE_TYPE_COUNT] = {0,  1,  4,  8,  16, 16, 16, 16, 16, 16,
                                            16, 16, 16, 16, 24, 24, 32, 32, 32, 32};
constexpr int kAlpha[MW_IMAGE_TYPE_COUNT] = {0, 0, 0, 0, 0, 0, 4, 4, 4, 4, 1, 1, 1, 1, 0, 0, 8, 8, 8, 8};

bool allZero(const uint8_t *bytes, int count)
{
    for (int i = 0; i < count; i++) {
        if (bytes[i] != 0)
            return false;
    }
    return true;
}

mwBITMAP *numbered(int type, int width, int height)
{
    mwBITMAP *bitmap = mwbCreate(type, width, height);
    for (int i = 0; i < bitmap->size; i++) {
        bitmap->data[i] = static_cast<uint8_t>(i * 7 + 1);
    }
    return bitmap;
}

void attachPalette(mwBITMAP *bitmap, int entries)
{
    bitmap->paletteSize = entries * 3;
    bitmap->palette = static_cast<uint8_t *>(mwDMemAlloc("test", __LINE__, bitmap->paletteSize));
    for (int i = 0; i < bitmap->paletteSize; i++) {
        bitmap->palette[i] = static_cast<uint8_t>(255 - i);
    }
}

TEST(BitmapRecords, CreateFollowsTheRowRuleForEveryType)
{
    mwBITMAP *rgb = mwbCreate(MW_IMAGE_RGB_565, 3, 2);
    EXPECT_EQ(rgb->size, 12);
    ASSERT_NE(rgb->data, nullptr);
    EXPECT_TRUE(allZero(rgb->data, 12));
    EXPECT_EQ(rgb->reserved, 0);
    EXPECT_EQ(rgb->paletteSize, 0);
    EXPECT_EQ(rgb->palette, nullptr);
    mwbFree(rgb);

    mwBITMAP *bits = mwbCreate(MW_IMAGE_PAL_1, 12, 1);
    EXPECT_EQ(bits->size, 1) << "12 bits round down to one byte";
    EXPECT_EQ(bits->palette, nullptr) << "the caller attaches a palette";
    mwbFree(bits);

    mwBITMAP *unknown = mwbCreate(MW_IMAGE_UNKNOWN, 10, 10);
    EXPECT_EQ(unknown->size, 0);
    EXPECT_EQ(unknown->data, nullptr);
    mwbFree(unknown);

    for (int type = 0; type < MW_IMAGE_TYPE_COUNT; type++) {
        mwBITMAP *bitmap = mwbCreate(type, 7, 3);
        EXPECT_EQ(bitmap->type, type);
        EXPECT_EQ(bitmap->size, 3 * (7 * kBits[type] / 8)) << mwbImageTypeName(type);
        mwbFree(bitmap);
    }
}

TEST(BitmapRecords, TypeTablesAndNames)
{
    for (int type = 0; type < MW_IMAGE_TYPE_COUNT; type++) {
        EXPECT_EQ(mwbBitsPerPixel(type), kBits[type]) << type;
        EXPECT_EQ(mwbAlphaBits(type), kAlpha[type]) << type;
        const char *name = mwbImageTypeName(type);
        EXPECT_EQ(mwbImageTypeFromName(name), type) << name;
    }
    EXPECT_STREQ(mwbImageTypeName(MW_IMAGE_RGB_565), "MW_IMAGE_RGB_565");
    EXPECT_STREQ(mwbImageTypeName(MW_IMAGE_ABGR_8888), "MW_IMAGE_ABGR_8888");
    EXPECT_STREQ(mwbImageTypeName(20), "MW_IMAGE_UNKNOWN");
    EXPECT_STREQ(mwbImageTypeName(-1), "MW_IMAGE_UNKNOWN");
    EXPECT_EQ(mwbImageTypeFromName("mw_image_rgb_565"), MW_IMAGE_RGB_565);
    EXPECT_EQ(mwbImageTypeFromName("MW_IMAGE_RGB_56"), 0);
    EXPECT_EQ(mwbImageTypeFromName("MW_IMAGE_RGB_5655"), 0);
    EXPECT_EQ(mwbImageTypeFromName("rgb565"), 0);
}

TEST(BitmapRecordsDeathTest, BadTypesAndSizesAreReported)
{
    EXPECT_REPORT(mwbCreate(20, 1, 1), "mwbCreate: unknown image type 20");
    EXPECT_REPORT(mwbBitsPerPixel(-1), "mwbBitsPerPixel: unknown image type -1");
    EXPECT_REPORT(mwbAlphaBits(20), "mwbAlphaBits: unknown image type 20");
    EXPECT_REPORT(mwbCreate(MW_IMAGE_RGB_888, -2, -3),
                  "\\(0h\\) mwbitmap:[0-9]+: mwbCreate: Invalid Parameter");
    EXPECT_REPORT(mwbCreate(MW_IMAGE_RGBA_8888, 65536, 65536),
                  "\\(2h\\) mwbitmap:[0-9]+: mwbCreate: Out of memory");
}

TEST(BitmapRecords, CopyOwnsItsPixelsAndPalette)
{
    mwBITMAP *source = numbered(MW_IMAGE_PAL_8, 5, 4);
    attachPalette(source, 4);
    source->reserved = 99;
    mwBITMAP *copy = mwbCopy(source);
    EXPECT_NE(copy->data, source->data);
    EXPECT_NE(copy->palette, source->palette);
    EXPECT_EQ(copy->reserved, 0);
    const Bytes pixels(source->data, source->data + source->size);
    const Bytes palette(source->palette, source->palette + source->paletteSize);
    mwbFree(source);

    EXPECT_EQ(copy->type, MW_IMAGE_PAL_8);
    EXPECT_EQ(copy->width, 5);
    EXPECT_EQ(copy->height, 4);
    ASSERT_EQ(copy->size, 20);
    ASSERT_EQ(copy->paletteSize, 12);
    EXPECT_EQ(Bytes(copy->data, copy->data + 20), pixels);
    EXPECT_EQ(Bytes(copy->palette, copy->palette + 12), palette);
    mwbFree(copy);

    mwBITMAP *empty = mwbCreate(MW_IMAGE_UNKNOWN, 3, 3);
    mwBITMAP *emptyCopy = mwbCopy(empty);
    EXPECT_EQ(emptyCopy->data, nullptr);
    EXPECT_EQ(emptyCopy->palette, nullptr);
    mwbFree(emptyCopy);
    mwbFree(empty);
}

TEST(BitmapRecords, CropCutsTheRectangleInWholeBytes)
{
    mwBITMAP *source = numbered(MW_IMAGE_RGB_888, 6, 5);
    mwBITMAP *full = mwbCrop(source, 0, 0, 6, 5);
    ASSERT_EQ(full->size, source->size);
    EXPECT_EQ(std::memcmp(full->data, source->data, full->size), 0);
    mwbFree(full);

    mwBITMAP *inner = mwbCrop(source, 2, 1, 3, 4);
    ASSERT_EQ(inner->size, 4 * 9);
    EXPECT_EQ(inner->width, 3);
    EXPECT_EQ(inner->height, 4);
    for (int y = 0; y < 4; y++) {
        EXPECT_EQ(std::memcmp(inner->data + y * 9, source->data + (y + 1) * 18 + 6, 9), 0) << "row " << y;
    }
    mwbFree(inner);
    mwbFree(source);

    // Four-bit rows: x 2 and width 4 are whole bytes 1 and 2 of a row.
    mwBITMAP *nibbles = numbered(MW_IMAGE_PAL_4, 8, 2);
    attachPalette(nibbles, 16);
    mwBITMAP *part = mwbCrop(nibbles, 2, 1, 4, 1);
    ASSERT_EQ(part->size, 2);
    EXPECT_EQ(part->data[0], nibbles->data[4 + 1]);
    EXPECT_EQ(part->data[1], nibbles->data[4 + 2]);
    ASSERT_EQ(part->paletteSize, 48);
    EXPECT_NE(part->palette, nibbles->palette);
    EXPECT_EQ(std::memcmp(part->palette, nibbles->palette, 48), 0);
    mwbFree(part);

    mwBITMAP *nothing = mwbCrop(nibbles, 8, 2, 0, 0);
    EXPECT_EQ(nothing->size, 0);
    EXPECT_EQ(nothing->data, nullptr);
    mwbFree(nothing);
    mwbFree(nibbles);
}

TEST(BitmapRecordsDeathTest, CropOutsideTheBitmapIsReported)
{
    mwBITMAP *source = mwbCreate(MW_IMAGE_RGB_565, 4, 4);
    const char *invalid = "\\(0h\\) mwbitmap:[0-9]+: mwbCrop: Invalid Parameter";
    EXPECT_REPORT(mwbCrop(source, 1, 0, 4, 4), invalid);
    EXPECT_REPORT(mwbCrop(source, 0, 1, 4, 4), invalid);
    EXPECT_REPORT(mwbCrop(source, -1, 0, 1, 1), invalid);
    EXPECT_REPORT(mwbCrop(source, 0, 0, 1, -1), invalid);
    EXPECT_REPORT(mwbCrop(source, 2, 0, 0x7FFFFFFF, 1), invalid);
    EXPECT_REPORT(mwbCrop(nullptr, 0, 0, 1, 1), invalid);
    source->size = 8; // a record that claims fewer bytes than its rows need
    EXPECT_REPORT(mwbCrop(source, 0, 0, 2, 2), invalid);
    source->size = 32;
    mwbFree(source);
    EXPECT_REPORT(mwbCopy(nullptr), "mwbCopy: Invalid Parameter");
    EXPECT_REPORT(mwbFree(nullptr), "mwbFree: Invalid Parameter");
}

// Every entry point takes a record at its word only when it is sound: a size
// that claims more than its rows (a copy would read, a save would write, the
// heap behind them), pixels or a palette that are not there.
TEST(BitmapRecordsDeathTest, RecordsThatLieAreReported)
{
    mwBITMAP *source = mwbCreate(MW_IMAGE_RGB_565, 4, 4);
    const std::string saved = scratchPath("lie.tga");
    uint8_t *pixels = source->data;
    const uint8_t grey[6] = {0, 0, 0, 255, 255, 255};
    const auto expectRefused = [&](const char *what) {
        SCOPED_TRACE(what);
        EXPECT_REPORT(mwbCopy(source), "mwbitmap:[0-9]+: mwbCopy: Invalid Parameter");
        EXPECT_REPORT(mwbCrop(source, 0, 0, 2, 2), "mwbitmap:[0-9]+: mwbCrop: Invalid Parameter");
        EXPECT_REPORT(mwbConvert(source, MW_IMAGE_RGB_888), "mwbconv:[0-9]+: mwbConvert: Invalid Parameter");
        EXPECT_REPORT(mwbResample(source, 2, 2, 0), "mwbResample: Invalid Parameter");
        EXPECT_REPORT(mwbQuantize(source, 16, 0), "mwbQuantize: Invalid Parameter");
        EXPECT_REPORT(mwbFitToPalette(source, grey, 2), "mwbFitToPalette: Invalid Parameter");
        EXPECT_REPORT(mwbTGASave(source, saved.c_str()), "mwtga:[0-9]+: mwbTGASave: Invalid Parameter");
    };
    source->size = 1 << 20;
    expectRefused("size beyond the rows");
    source->size = 32;
    source->data = nullptr;
    expectRefused("no pixel data");
    source->data = pixels;
    source->paletteSize = 48;
    expectRefused("no palette behind its size");
    source->paletteSize = 0;
    mwbFree(source);
}

// One small picture in each format, written under several names.
class BitmapFilesByExtension : public ::testing::Test {
protected:
    void SetUp() override
    {
        mwBITMAP *picture = numbered(MW_IMAGE_BGR_888, 3, 2);
        targa = scratchPath("picture.tga");
        ASSERT_EQ(mwbSave(targa.c_str(), picture), 1);
        mwbFree(picture);
    }
    std::string copyAs(const std::string &name)
    {
        const std::string path = scratchPath(name);
        writeFile(path, readFile(targa));
        return path;
    }
    std::string targa;
};

TEST_F(BitmapFilesByExtension, LoadPicksTheReaderByTheEndingInAnyCase)
{
    for (const char *name : {"upper.TGA", "mixed.Tga"}) {
        mwBITMAP *bitmap = mwbLoad(copyAs(name).c_str());
        ASSERT_NE(bitmap, nullptr) << name;
        EXPECT_EQ(bitmap->type, MW_IMAGE_BGR_888);
        mwbFree(bitmap);
    }
    // A Targa under another reader's ending is refused by that reader.
    for (const char *name : {"wrong.pcx", "wrong.lbm", "wrong.IFF"}) {
        EXPECT_EQ(mwbLoad(copyAs(name).c_str()), nullptr) << name;
    }
    EXPECT_EQ(mwbLoad(scratchPath("missing.tga").c_str()), nullptr);
    EXPECT_EQ(mwbLoad(""), nullptr);
    mwBITMAP *picture = mwbCreate(MW_IMAGE_BGR_888, 1, 1);
    EXPECT_EQ(mwbSave("", picture), 0);
    mwbFree(picture);
}

TEST_F(BitmapFilesByExtension, IffAndLbmBothReachTheIffReader)
{
    // A one-pixel "PBM " file; under .iff and .lbm it loads, as .tga it does not.
    const Bytes file = pbmFile(1, 1, 8, 0, {0, 0}, {10, 20, 30});
    for (const char *name : {"one.iff", "one.lbm", "one.IFF"}) {
        const std::string path = scratchPath(name);
        writeFile(path, file);
        mwBITMAP *bitmap = mwbLoad(path.c_str());
        ASSERT_NE(bitmap, nullptr) << name;
        EXPECT_EQ(bitmap->type, MW_IMAGE_PAL_8);
        mwbFree(bitmap);
    }
    const std::string asTarga = scratchPath("one.tga");
    writeFile(asTarga, file);
    EXPECT_EQ(mwbLoad(asTarga.c_str()), nullptr);
}

TEST(BitmapRecordsDeathTest, UnsupportedEndingsAreFatal)
{
    mwBITMAP *picture = mwbCreate(MW_IMAGE_BGR_888, 1, 1);
    EXPECT_REPORT(mwbLoad("abc"), "mwbLoad: \"abc\" unsupported file format");
    EXPECT_REPORT(mwbLoad("photo.bmp"), "mwbLoad: \"photo.bmp\" unsupported file format");
    EXPECT_REPORT(mwbSave("picture.pcx", picture), "mwbSave: \"picture.pcx\" unsupported file format");
    EXPECT_REPORT(mwbLoad(nullptr), "mwbLoad: Invalid Parameter");
    EXPECT_REPORT(mwbSave(nullptr, picture), "mwbSave: Invalid Parameter");
    EXPECT_REPORT(mwbSave("x.tga", nullptr), "mwbSave: Invalid Parameter");
    mwbFree(picture);
}

} // namespace
