// IFF "PBM " files: chunk walking, ByteRun1 rows, packing of 1- and 4-bit
// pictures, and files that lie.
#include <cstring>

#include "bitmap_support.h"

namespace {

Bytes greyCmap(int entries)
{
    Bytes data(3 * static_cast<size_t>(entries));
    for (int i = 0; i < entries; i++) {
        data[3 * i] = static_cast<uint8_t>(i);
        data[3 * i + 1] = static_cast<uint8_t>(i * 2);
        data[3 * i + 2] = static_cast<uint8_t>(i * 3);
    }
    return data;
}

// The usual file with a grey map of `entries`.
Bytes pbm(int width, int height, int planes, int compression, const Bytes &body, int entries = 2)
{
    return pbmFile(width, height, planes, compression, body, greyCmap(entries));
}

TEST(Lbm, OddWidthRowsDropTheirPadByte)
{
    // 3 x 2, 8 planes; rows of 4 bytes in the file.
    const Bytes rows = {1, 2, 3, 77, 4, 5, 6, 77};
    Bytes raw;
    iffChunk(raw, "BMHD", iffHeader(3, 2, 8, 0));
    iffChunk(raw, "ANNO", {'h', 'i', '!'}); // odd length, padded
    iffChunk(raw, "CMAP", greyCmap(7));     // 21 bytes, padded
    iffChunk(raw, "BODY", rows);
    mwBITMAP *bitmap = loadBytes("raw.lbm", iffForm(raw), mwbLBMLoad);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->type, MW_IMAGE_PAL_8);
    EXPECT_EQ(bitmap->reserved, 0);
    EXPECT_EQ(Bytes(bitmap->data, bitmap->data + bitmap->size), (Bytes{1, 2, 3, 4, 5, 6}));
    ASSERT_EQ(bitmap->paletteSize, 768);
    EXPECT_EQ(Bytes(bitmap->palette, bitmap->palette + 21), greyCmap(7));
    EXPECT_EQ(Bytes(bitmap->palette + 21, bitmap->palette + 768), Bytes(747, 0))
        << "missing entries are black";
    mwbFree(bitmap);

    // The same rows in ByteRun1: a literal of 3 then a run; 0 is a run of one.
    mwBITMAP *compressed =
        loadBytes("packed.lbm", pbm(3, 2, 8, 1, {2, 1, 2, 3, 0, 77, 0, 4, 1, 5, 6, 0, 77}, 7), mwbLBMLoad);
    ASSERT_NE(compressed, nullptr);
    EXPECT_EQ(Bytes(compressed->data, compressed->data + 6), (Bytes{1, 2, 3, 4, 5, 6}));
    mwbFree(compressed);

    mwBITMAP *run = loadBytes("repeat.lbm", pbm(6, 1, 8, 1, {static_cast<uint8_t>(-5), 9}), mwbLBMLoad);
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(Bytes(run->data, run->data + 6), Bytes(6, 9));
    mwbFree(run);
}

TEST(Lbm, FewPlanesPackLeftmostPixelHigh)
{
    // 0x13: only the low 4 bits count.
    mwBITMAP *nibbles = loadBytes("four.lbm", pbm(5, 1, 4, 0, {1, 2, 0x13, 4, 5, 0}, 16), mwbLBMLoad);
    ASSERT_NE(nibbles, nullptr);
    EXPECT_EQ(nibbles->type, MW_IMAGE_PAL_4);
    ASSERT_EQ(nibbles->size, 2) << "5 pixels of 4 bits store 2 bytes";
    EXPECT_EQ(nibbles->data[0], 0x12);
    EXPECT_EQ(nibbles->data[1], 0x34);
    ASSERT_EQ(nibbles->paletteSize, 48);
    // Read back through the conversion: the same order on both sides.
    mwbConvert(nibbles, MW_IMAGE_RGB_888);
    EXPECT_EQ(Bytes(nibbles->data, nibbles->data + 12), (Bytes{1, 2, 3, 2, 4, 6, 3, 6, 9, 4, 8, 12}));
    mwbFree(nibbles);

    mwBITMAP *bits = loadBytes(
        "one.lbm", pbm(9, 2, 1, 0, {1, 0, 1, 1, 0, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1, 1}), mwbLBMLoad);
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(bits->type, MW_IMAGE_PAL_1);
    EXPECT_EQ(bits->paletteSize, 6);
    ASSERT_EQ(bits->size, 2);
    EXPECT_EQ(bits->data[0], 0xB1);
    EXPECT_EQ(bits->data[1], 0x40);
    mwbFree(bits);

    mwBITMAP *none = loadBytes("narrow.lbm", pbm(3, 2, 1, 0, {1, 1, 1, 0, 1, 1, 1, 0}), mwbLBMLoad);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->size, 0) << "fewer than 8 one-bit pixels fill no byte";
    EXPECT_EQ(none->data, nullptr);
    mwbFree(none);
}

TEST(Lbm, FilesItDoesNotReadGiveNull)
{
    Bytes good;
    iffChunk(good, "BMHD", iffHeader(2, 1, 8, 0));
    iffChunk(good, "CMAP", greyCmap(2));
    iffChunk(good, "BODY", {0, 1});
    mwBITMAP *bitmap = loadBytes("good.lbm", iffForm(good), mwbLBMLoad);
    ASSERT_NE(bitmap, nullptr);
    mwbFree(bitmap);

    EXPECT_EQ(loadBytes("ilbm.lbm", iffForm(good, "ILBM"), mwbLBMLoad), nullptr);
    Bytes noHeader;
    iffChunk(noHeader, "CMAP", greyCmap(2));
    iffChunk(noHeader, "BODY", {0, 1});
    EXPECT_EQ(loadBytes("noheader.lbm", iffForm(noHeader), mwbLBMLoad), nullptr);
    Bytes mapLate;
    iffChunk(mapLate, "BMHD", iffHeader(2, 1, 8, 0));
    iffChunk(mapLate, "BODY", {0, 1});
    iffChunk(mapLate, "CMAP", greyCmap(2));
    EXPECT_EQ(loadBytes("maplate.lbm", iffForm(mapLate), mwbLBMLoad), nullptr);
    Bytes noBody;
    iffChunk(noBody, "BMHD", iffHeader(2, 1, 8, 0));
    iffChunk(noBody, "CMAP", greyCmap(2));
    EXPECT_EQ(loadBytes("nobody.lbm", iffForm(noBody), mwbLBMLoad), nullptr);
    for (int planes : {2, 5, 24})
        EXPECT_EQ(loadBytes("planes.lbm", pbm(2, 1, planes, 0, {0, 1}), mwbLBMLoad), nullptr)
            << planes << " planes";
    EXPECT_EQ(loadBytes("empty.lbm", pbm(0, 1, 8, 0, {}), mwbLBMLoad), nullptr);
    EXPECT_EQ(mwbLBMLoad(scratchPath("missing.lbm").c_str()), nullptr);
}

TEST(Lbm, NetpbmIlbmGivesNull)
{
    SKIP_WITHOUT_HOST_TOOLS();
    const std::string source = scratchPath("source.ppm");
    const std::string path = scratchPath("netpbm.lbm");
    writeNetpbm(source, testPicture(5, 3, 3));
    ASSERT_TRUE(run("ppmtoilbm '" + source + "' > '" + path + "' 2>/dev/null"));
    const Bytes file = readFile(path);
    ASSERT_GE(file.size(), 12u);
    EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 12), "ILBM");
    EXPECT_EQ(mwbLBMLoad(path.c_str()), nullptr);
}

TEST(Lbm, ChunksThatLieOverrunNothing)
{
    // A chunk whose length runs past the end of the file ends the walk.
    Bytes beyond;
    iffChunk(beyond, "BMHD", iffHeader(2, 1, 8, 0));
    iffChunk(beyond, "CMAP", greyCmap(2));
    iffChunk(beyond, "JUNK", {1, 2}, 0x7FFFFFF0);
    iffChunk(beyond, "BODY", {0, 1});
    EXPECT_EQ(loadBytes("beyond.lbm", iffForm(beyond), mwbLBMLoad), nullptr);

    // A CMAP of 300 entries: 256 are used and the walk goes on after it.
    mwBITMAP *bitmap = loadBytes("big.lbm", pbm(2, 1, 8, 0, {255, 1}, 300), mwbLBMLoad);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_EQ(bitmap->paletteSize, 768);
    EXPECT_EQ(Bytes(bitmap->palette, bitmap->palette + 768), greyCmap(256));
    EXPECT_EQ(bitmap->data[0], 255);
    mwbFree(bitmap);

    // A header chunk shorter than 20 bytes reads the rest as zeros and
    // leaves the next chunk where it is.
    Bytes shortHeader;
    iffChunk(shortHeader, "BMHD", {0, 2, 0, 1, 0, 0, 0, 0, 8, 0});
    iffChunk(shortHeader, "CMAP", greyCmap(2));
    iffChunk(shortHeader, "BODY", {1, 0});
    mwBITMAP *shortened = loadBytes("shortheader.lbm", iffForm(shortHeader), mwbLBMLoad);
    ASSERT_NE(shortened, nullptr);
    EXPECT_EQ(shortened->data[0], 1);
    EXPECT_EQ(shortened->palette[5], 3);
    mwbFree(shortened);

    // A body that ends early leaves zeros.
    Bytes cut;
    iffChunk(cut, "BMHD", iffHeader(4, 3, 8, 0));
    iffChunk(cut, "CMAP", greyCmap(2));
    Bytes file = iffForm(cut);
    putText(file, "BODY");
    putBe32(file, 12);
    file.insert(file.end(), {9, 9, 9, 9, 9});
    mwBITMAP *partial = loadBytes("cut.lbm", file, mwbLBMLoad);
    ASSERT_NE(partial, nullptr);
    EXPECT_EQ(Bytes(partial->data, partial->data + 12), (Bytes{9, 9, 9, 9, 9, 0, 0, 0, 0, 0, 0, 0}));
    mwbFree(partial);
}

TEST(LbmDeathTest, RowOverrunIsAScanCountError)
{
    // Six bytes into a row of four; and -128, which repeats 129 times.
    for (uint8_t count : {static_cast<uint8_t>(-5), uint8_t{0x80}}) {
        const std::string path = scratchPath("overrun.lbm");
        writeFile(path, pbm(4, 1, 8, 1, {count, 1}));
        EXPECT_REPORT(mwbLBMLoad(path.c_str()), "mwbLBMLoad: Scan count error.");
    }
}

} // namespace
