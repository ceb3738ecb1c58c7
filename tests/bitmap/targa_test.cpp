// Targa files: our reader and writer against each other and against
// ImageMagick and netpbm.
#include <cstring>

#include "bitmap_support.h"

namespace {

// Checks that a BGR(A) bitmap holds the picture's pixels.
void expectPixels(const mwBITMAP *bitmap, const Picture &picture)
{
    ASSERT_NE(bitmap, nullptr);
    ASSERT_EQ(bitmap->width, picture.width);
    ASSERT_EQ(bitmap->height, picture.height);
    const int bytes = picture.channels;
    ASSERT_EQ(bitmap->type, bytes == 4 ? MW_IMAGE_BGRA_8888 : MW_IMAGE_BGR_888);
    ASSERT_EQ(bitmap->size, picture.width * picture.height * bytes);
    for (int y = 0; y < picture.height; y++) {
        for (int x = 0; x < picture.width; x++) {
            const uint8_t *ours = bitmap->data + (y * picture.width + x) * bytes;
            const uint8_t *theirs = picture.at(x, y);
            ASSERT_EQ(ours[0], theirs[2]) << "blue at " << x << "," << y;
            ASSERT_EQ(ours[1], theirs[1]) << "green at " << x << "," << y;
            ASSERT_EQ(ours[2], theirs[0]) << "red at " << x << "," << y;
            if (bytes == 4) {
                ASSERT_EQ(ours[3], theirs[3]) << "alpha at " << x << "," << y;
            }
        }
    }
}

// A Targa header of our own making followed by raw pixel rows.
Bytes targaFile(int width, int height, int depth, int descriptor, const Bytes &pixels, int idLength = 0)
{
    Bytes file = {static_cast<uint8_t>(idLength), 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    putLe16(file, width);
    putLe16(file, height);
    file.push_back(static_cast<uint8_t>(depth));
    file.push_back(static_cast<uint8_t>(descriptor));
    file.insert(file.end(), static_cast<size_t>(idLength), 'x');
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

TEST(Targa, SaveWritesTheDocumentedHeaderAndLoadsBack)
{
    for (int type : {MW_IMAGE_BGR_888, MW_IMAGE_BGRA_8888}) {
        mwBITMAP *bitmap = mwbCreate(type, 5, 3);
        for (int i = 0; i < bitmap->size; i++) {
            bitmap->data[i] = static_cast<uint8_t>(i * 11 + 3);
        }
        const std::string path = scratchPath("round.tga");
        ASSERT_EQ(mwbSave(path.c_str(), bitmap), 1);

        const Bytes file = readFile(path);
        const int depth = type == MW_IMAGE_BGR_888 ? 24 : 32;
        ASSERT_EQ(file.size(), 18u + 20u + static_cast<size_t>(bitmap->size));
        EXPECT_EQ(file[0], 20);
        EXPECT_EQ(file[1], 0);
        EXPECT_EQ(file[2], 2);
        EXPECT_EQ(file[12] | file[13] << 8, 5);
        EXPECT_EQ(file[14] | file[15] << 8, 3);
        EXPECT_EQ(file[16], depth);
        EXPECT_EQ(file[17], 0x20);
        EXPECT_EQ(std::string(file.begin() + 18, file.begin() + 38), "Marrow Bitmap Libary");

        mwBITMAP *back = mwbLoad(path.c_str());
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->type, type);
        EXPECT_EQ(back->reserved, 0);
        EXPECT_EQ(back->palette, nullptr);
        ASSERT_EQ(back->size, bitmap->size);
        EXPECT_EQ(std::memcmp(back->data, bitmap->data, bitmap->size), 0);
        mwbFree(back);
        mwbFree(bitmap);
    }
}

TEST(Targa, SaveRefusesWhatItCannotWrite)
{
    mwBITMAP *wide = mwbCreate(MW_IMAGE_BGR_888, 65536, 1);
    const std::string path = scratchPath("wide.tga");
    EXPECT_EQ(mwbTGASave(wide, path.c_str()), 0) << "the header holds 16-bit sizes";
    mwbFree(wide);
    mwBITMAP *small = mwbCreate(MW_IMAGE_BGR_888, 2, 2);
    EXPECT_EQ(mwbTGASave(small, scratchPath("no/such/folder.tga").c_str()), 0);
    mwbFree(small);
}

TEST(TargaDeathTest, SaveOfNothingIsReported)
{
    EXPECT_REPORT(mwbTGASave(nullptr, "x.tga"), "mwtga:[0-9]+: mwbTGASave: Invalid Parameter");
}

TEST(Targa, BottomUpAndTopDownLoadToTheSameRows)
{
    // Rows A, B in picture order; bottom-up files store B first.
    const Bytes rowA = {1, 2, 3, 4, 5, 6}, rowB = {7, 8, 9, 10, 11, 12};
    Bytes topDown = rowA, bottomUp = rowB;
    topDown.insert(topDown.end(), rowB.begin(), rowB.end());
    bottomUp.insert(bottomUp.end(), rowA.begin(), rowA.end());
    mwBITMAP *top = loadBytes("top.tga", targaFile(2, 2, 24, 0x20, topDown, 3), mwbTGALoad);
    mwBITMAP *bottom = loadBytes("bottom.tga", targaFile(2, 2, 24, 0x00, bottomUp), mwbTGALoad);
    ASSERT_NE(top, nullptr);
    ASSERT_NE(bottom, nullptr);
    EXPECT_EQ(Bytes(top->data, top->data + 12), topDown);
    EXPECT_EQ(Bytes(bottom->data, bottom->data + 12), topDown);
    mwbFree(top);
    mwbFree(bottom);
}

TEST(Targa, ColourMapBeforeTruePixelsIsSkipped)
{
    Bytes file = targaFile(1, 1, 24, 0x20, {});
    file[1] = 1;  // colour map present
    file[5] = 2;  // two entries
    file[7] = 24; // of 3 bytes
    file.insert(file.end(), {99, 99, 99, 99, 99, 99, 10, 20, 30});
    mwBITMAP *bitmap = loadBytes("mapped.tga", file, mwbTGALoad);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(Bytes(bitmap->data, bitmap->data + 3), (Bytes{10, 20, 30}));
    mwbFree(bitmap);
}

TEST(Targa, VariantsAndSizesItDoesNotReadGiveNull)
{
    const Bytes pixel = {1, 2, 3, 4};
    for (int imageType : {1, 3, 10}) {
        Bytes file = targaFile(1, 1, 24, 0x20, pixel);
        file[2] = static_cast<uint8_t>(imageType);
        EXPECT_EQ(loadBytes("variant.tga", file, mwbTGALoad), nullptr) << "image type " << imageType;
    }
    EXPECT_EQ(loadBytes("depth16.tga", targaFile(1, 1, 16, 0x20, pixel), mwbTGALoad), nullptr);
    EXPECT_EQ(loadBytes("nowidth.tga", targaFile(0, 5, 24, 0x20, pixel), mwbTGALoad), nullptr);
    EXPECT_EQ(loadBytes("noheight.tga", targaFile(5, 0, 24, 0x20, pixel), mwbTGALoad), nullptr);
    EXPECT_EQ(loadBytes("huge.tga", targaFile(65535, 65535, 32, 0x20, pixel), mwbTGALoad), nullptr)
        << "16 GB of pixels cannot be allocated";
    ASSERT_LT(mwDMemSize(), 5000 * 5000 * 4);
    EXPECT_EQ(loadBytes("beyondheap.tga", targaFile(5000, 5000, 32, 0x20, pixel), mwbTGALoad), nullptr)
        << "more than the whole dynamic heap";
    EXPECT_EQ(loadBytes("empty.tga", {}, mwbTGALoad), nullptr);
}

TEST(Targa, ShortFileGivesZeroedPixels)
{
    // Make the heap hand out dirty memory if it reuses this block.
    void *dirty = mwDMemAlloc("test", __LINE__, 4 * 4 * 3);
    std::memset(dirty, 0xAA, 4 * 4 * 3);
    mwDMemFree("test", __LINE__, dirty);

    const Bytes firstRow = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    mwBITMAP *top = loadBytes("short.tga", targaFile(4, 4, 24, 0x20, firstRow), mwbTGALoad);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(Bytes(top->data, top->data + 12), firstRow);
    EXPECT_EQ(Bytes(top->data + 12, top->data + 48), Bytes(36, 0));
    mwbFree(top);

    mwBITMAP *bottom = loadBytes("shortup.tga", targaFile(4, 4, 24, 0, firstRow), mwbTGALoad);
    ASSERT_NE(bottom, nullptr);
    EXPECT_EQ(Bytes(bottom->data + 36, bottom->data + 48), firstRow)
        << "the file's first row is the bottom row";
    EXPECT_EQ(Bytes(bottom->data, bottom->data + 36), Bytes(36, 0));
    mwbFree(bottom);
}

//---- Files no one here wrote

class TargaFromTools : public ::testing::Test {
protected:
    void SetUp() override
    {
        SKIP_WITHOUT_HOST_TOOLS();
        source = scratchPath("source.ppm");
        writeNetpbm(source, testPicture(7, 5, 3));
        sourceAlpha = scratchPath("source.pam");
        writeNetpbm(sourceAlpha, testPicture(6, 4, 4));
    }
    // Loads a file with our reader and checks it against what ImageMagick
    // reads from it, with the file's own row order applied (ImageMagick keeps
    // a bottom-up file's rows as stored unless asked to orient them).
    void expectAsToolReports(const std::string &path, const char *toolFormat, int channels)
    {
        const std::string reported = scratchPath("reported.pnm");
        ASSERT_TRUE(
            run("convert '" + path + "' -auto-orient -depth 8 " + toolFormat + ":'" + reported + "'"));
        const Picture picture = readNetpbm(reported);
        ASSERT_EQ(picture.channels, channels);
        if (channels == 3) {
            // netpbm's reader must see the same picture.
            const std::string netpbm = scratchPath("netpbm.ppm");
            ASSERT_TRUE(run("tgatoppm '" + path + "' > '" + netpbm + "' 2>/dev/null"));
            ASSERT_EQ(readNetpbm(netpbm).pixels, picture.pixels);
        }
        mwBITMAP *bitmap = mwbTGALoad(path.c_str());
        expectPixels(bitmap, picture);
        if (bitmap) {
            mwbFree(bitmap);
        }
    }
    int descriptor(const std::string &path) { return readFile(path).at(17); }
    std::string source, sourceAlpha;
};

TEST_F(TargaFromTools, BottomUpAndTopDown24Bit)
{
    const std::string topDown = scratchPath("top.tga");
    const std::string bottomUp = scratchPath("bottom.tga");
    const std::string magickDefault = scratchPath("magick.tga");
    ASSERT_TRUE(run("convert '" + source + "' -compress None -orient TopLeft '" + topDown + "'"));
    ASSERT_TRUE(run("ppmtotga -rgb -norle '" + source + "' > '" + bottomUp + "' 2>/dev/null"));
    ASSERT_TRUE(run("convert '" + source + "' -compress None '" + magickDefault + "'"));
    EXPECT_EQ(descriptor(topDown) & 0x20, 0x20);
    EXPECT_EQ(descriptor(bottomUp) & 0x20, 0);
    EXPECT_GT(readFile(bottomUp).at(0), 0) << "netpbm writes an ID field";
    EXPECT_EQ(descriptor(magickDefault) & 0x20, 0);

    // Both orientations of the source picture load to the source picture.
    const Picture original = readNetpbm(source);
    for (const std::string &path : {topDown, bottomUp}) {
        mwBITMAP *bitmap = mwbTGALoad(path.c_str());
        expectPixels(bitmap, original);
        if (bitmap) {
            mwbFree(bitmap);
        }
        expectAsToolReports(path, "ppm", 3);
    }
    expectAsToolReports(magickDefault, "ppm", 3);
}

TEST_F(TargaFromTools, ImageMagickAndNetpbm32BitWithAlpha)
{
    const std::string magick = scratchPath("magick32.tga");
    const std::string magickTop = scratchPath("magick32top.tga");
    const std::string netpbm = scratchPath("netpbm32.tga");
    ASSERT_TRUE(run("convert '" + sourceAlpha + "' -compress None '" + magick + "'"));
    ASSERT_TRUE(run("convert '" + sourceAlpha + "' -compress None -orient TopLeft '" + magickTop + "'"));
    ASSERT_TRUE(run("pamtotga -rgb -norle '" + sourceAlpha + "' > '" + netpbm + "' 2>/dev/null"));
    for (const std::string &path : {magick, magickTop, netpbm}) {
        EXPECT_EQ(readFile(path).at(16), 32) << path;
        expectAsToolReports(path, "pam", 4);
    }
}

TEST_F(TargaFromTools, RunLengthAndGreyGiveNull)
{
    const std::string rle = scratchPath("rle.tga");
    const std::string grey = scratchPath("grey.tga");
    ASSERT_TRUE(run("convert '" + source + "' -compress RLE '" + rle + "'"));
    ASSERT_TRUE(run("convert '" + source + "' -colorspace Gray -compress None '" + grey + "'"));
    EXPECT_EQ(readFile(rle).at(2), 10);
    EXPECT_EQ(readFile(grey).at(2), 3);
    EXPECT_EQ(mwbTGALoad(rle.c_str()), nullptr);
    EXPECT_EQ(mwbTGALoad(grey.c_str()), nullptr);
}

TEST_F(TargaFromTools, ImageMagickReadsWhatWeWrite)
{
    const Picture picture = testPicture(9, 4, 3);
    mwBITMAP *bitmap = mwbCreate(MW_IMAGE_BGR_888, picture.width, picture.height);
    for (int y = 0; y < picture.height; y++) {
        for (int x = 0; x < picture.width; x++) {
            uint8_t *pixel = bitmap->data + (y * picture.width + x) * 3;
            pixel[0] = picture.at(x, y)[2];
            pixel[1] = picture.at(x, y)[1];
            pixel[2] = picture.at(x, y)[0];
        }
    }
    const std::string path = scratchPath("ours.tga");
    ASSERT_EQ(mwbSave(path.c_str(), bitmap), 1);
    mwbFree(bitmap);

    const std::string size = scratchPath("size.txt");
    ASSERT_TRUE(run("identify -format '%w %h' '" + path + "' > '" + size + "'"));
    const Bytes text = readFile(size);
    EXPECT_EQ(std::string(text.begin(), text.end()), "9 4");
    const std::string back = scratchPath("back.ppm");
    ASSERT_TRUE(run("convert '" + path + "' -depth 8 ppm:'" + back + "'"));
    const Picture read = readNetpbm(back);
    EXPECT_EQ(read.width, picture.width);
    EXPECT_EQ(read.height, picture.height);
    EXPECT_EQ(read.pixels, picture.pixels);
}

} // namespace

namespace {

// Pixel rows of a picture whose every byte differs from its neighbours'.
Bytes patternRows(int width, int height, int bytes)
{
    Bytes rows(size_t(width) * height * bytes);
    for (size_t i = 0; i < rows.size(); i++)
        rows[i] = static_cast<uint8_t>(i * 7 + i / 13);
    return rows;
}

TEST(Targa, ReadingResampledGivesWhatLoadingAndResamplingGive)
{
    const struct {
        int width, height, depth, descriptor, toWidth, toHeight;
    } cases[] = {
        {300, 170, 24, 0, 256, 256},    // bottom-up, reduced across, enlarged down
        {97, 400, 32, 0x20, 256, 256},  // top-down with alpha
        {256, 256, 24, 0x20, 256, 256}, // the same size: as it stands
        {5, 3, 32, 0, 7, 2},
    };
    for (const auto &c : cases) {
        const std::string path = scratchPath("resampled.tga");
        writeFile(path, targaFile(c.width, c.height, c.depth, c.descriptor,
                                  patternRows(c.width, c.height, c.depth / 8), 3));
        mwBITMAP *expected = mwbTGALoad(path.c_str());
        ASSERT_NE(expected, nullptr);
        mwbResample(expected, c.toWidth, c.toHeight, 0);
        mwBITMAP *read = mwbTGALoadResampled(path.c_str(), c.toWidth, c.toHeight);
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->type, expected->type);
        ASSERT_EQ(read->size, expected->size);
        EXPECT_EQ(std::memcmp(read->data, expected->data, size_t(read->size)), 0)
            << c.width << "x" << c.height;
        mwbFree(expected);
        mwbFree(read);
    }
}

TEST(Targa, APictureLargerThanTheHeapIsReducedWithinIt)
{
    // 60 MB of pixels against a 48 MB heap: black on the left half, white on the right.
    const int width = 5000, height = 4000;
    Bytes rows(size_t(width) * height * 3, 0);
    for (int y = 0; y < height; y++)
        std::memset(&rows[(size_t(y) * width + width / 2) * 3], 0xFF, size_t(width / 2) * 3);
    const std::string path = scratchPath("large.tga");
    writeFile(path, targaFile(width, height, 24, 0x20, rows));
    EXPECT_EQ(mwbTGALoad(path.c_str()), nullptr) << "too large for the heap whole";
    mwBITMAP *read = mwbTGALoadResampled(path.c_str(), 256, 256);
    ASSERT_NE(read, nullptr);
    for (int y : {0, 255}) {
        EXPECT_EQ(read->data[(y * 256 + 10) * 3], 0);
        EXPECT_EQ(read->data[(y * 256 + 245) * 3], 0xFF);
    }
    mwbFree(read);

    writeFile(path, targaFile(MW_TGA_LARGEST_SIDE + 1, 2, 24, 0x20, Bytes(6)));
    EXPECT_EQ(mwbTGALoadResampled(path.c_str(), 256, 256), nullptr) << "wider than the largest side";
    writeFile(path, targaFile(4, 4, 16, 0x20, Bytes(32)));
    EXPECT_EQ(mwbTGALoadResampled(path.c_str(), 256, 256), nullptr) << "16 bits";
}

} // namespace
