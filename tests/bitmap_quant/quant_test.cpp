// Octree quantisation and palette fitting: palette types, tree order, the
// choice of merged nodes, ties, row packing and the way back to true colour.
#include <algorithm>
#include <random>

#include <gtest/gtest.h>

#include "report_support.h"
#include "bitmap_quant_support.h"

namespace {

const Colour kRed = {255, 0, 0}, kGreen = {0, 255, 0}, kBlue = {0, 0, 255};

Colour entry(const mwBITMAP *b, int i)
{
    return {b->palette[3 * i], b->palette[3 * i + 1], b->palette[3 * i + 2]};
}

std::vector<Colour> paletteOf(const mwBITMAP *b, int entries)
{
    std::vector<Colour> out;
    for (int i = 0; i < entries; ++i)
        out.push_back(entry(b, i));
    return out;
}

TEST(Quantize, FewColoursKeepTheirValuesInTreeOrder)
{
    const std::vector<Colour> pixels = {kRed, kGreen, kBlue, kRed, kGreen, kGreen, kBlue, kRed};
    mwBITMAP *b = pictureOf(4, 2, pixels);
    const std::vector<uint8_t> before = rgbaOf(b);
    mwbQuantize(b, 16, 0);
    EXPECT_EQ(b->type, MW_IMAGE_PAL_4);
    ASSERT_EQ(b->paletteSize, 48);
    EXPECT_EQ(b->size, 4);
    // Child index red * 4 + green * 2 + blue: blue (1), green (2), red (4).
    const std::vector<Colour> expected = {kBlue, kGreen, kRed};
    EXPECT_EQ(paletteOf(b, 3), expected);
    for (int i = 3; i < 16; ++i)
        EXPECT_EQ(entry(b, i), (Colour{0, 0, 0})) << "entry " << i;
    EXPECT_EQ(b->data[0], 0x21) << "red then green, leftmost pixel in the high nibble";
    EXPECT_EQ(rgbaOf(b), before);
    mwbFree(b);
}

TEST(Quantize, OneColourIsTheMean)
{
    std::vector<Colour> pixels = {{10, 20, 30}, {11, 20, 31}, {12, 21, 30}, {200, 0, 90}};
    pixels.resize(8, {0, 0, 0});
    mwBITMAP *b = pictureOf(8, 1, pixels);
    mwbQuantize(b, 1, 1);
    EXPECT_EQ(b->type, MW_IMAGE_PAL_1);
    ASSERT_EQ(b->paletteSize, 6);
    // Sums 233, 61, 181 over 8 pixels, rounded toward zero.
    EXPECT_EQ(entry(b, 0), (Colour{29, 7, 22}));
    EXPECT_EQ(entry(b, 1), (Colour{0, 0, 0}));
    EXPECT_EQ(b->data[0], 0x00);
    mwbFree(b);
}

TEST(Quantize, EntriesTheTreeDidNotFillStayUnused)
{
    // Three top-level branches merge into one colour, (120, 100, 40); the
    // second entry stays black, though black is nearer to (40, 40, 40).
    const Colour dark = {40, 40, 40}, red = {200, 40, 40}, green = {40, 200, 40};
    mwBITMAP *b = pictureOf(8, 1, {dark, red, red, red, red, green, green, green});
    mwbQuantize(b, 2, 0);
    EXPECT_EQ(paletteOf(b, 2), (std::vector<Colour>{{120, 100, 40}, {0, 0, 0}}));
    EXPECT_EQ(b->data[0], 0x00);
    mwbFree(b);
}

// Two pairs of colours that differ only in the last blue bit, so each pair
// shares a node one level above the leaves: a = black and nearly black (seen
// `aCount` times in all), b = grey 100 and its neighbour.
std::vector<Colour> twoPairs(bool aListedLast, int aCount, int bCount)
{
    const Colour a0 = {0, 0, 0}, a1 = {0, 0, 1}, b0 = {100, 100, 100}, b1 = {100, 100, 101};
    // A pair's node is listed when its second colour arrives.
    std::vector<Colour> p =
        aListedLast ? std::vector<Colour>{a0, b0, b1, a1} : std::vector<Colour>{a0, a1, b0, b1};
    for (int i = 2; i < aCount; ++i)
        p.push_back(a0);
    for (int i = 2; i < bCount; ++i)
        p.push_back(b1);
    return p;
}

TEST(Quantize, ModeChoosesWhichNodeToMerge)
{
    const Colour aMean = {0, 0, 0}, a1 = {0, 0, 1}, b0 = {100, 100, 100}, b1 = {100, 100, 101};
    const struct {
        bool aListedLast;
        int aCount, bCount, mode;
        std::vector<Colour> palette;
    } cases[] = {
        {false, 2, 6, 0, {aMean, b0, b1}}, // fewest pixels: a
        {false, 2, 6, 1, {aMean, a1, b0}}, // most pixels: b, mean (100, 100, 100.83)
        {true, 6, 2, 0, {aMean, a1, b0}},  // fewest: b, mean (100, 100, 100.5)
        {true, 6, 2, 1, {aMean, b0, b1}},  // most: a
        {true, 2, 2, 0, {aMean, b0, b1}},  // equal counts: the node listed last, a
        {true, 2, 2, 1, {aMean, b0, b1}},  {false, 2, 2, 0, {aMean, a1, b0}}, // listed last: b
        {false, 2, 2, 1, {aMean, a1, b0}},
    };
    for (const auto &c : cases) {
        const std::vector<Colour> pixels = twoPairs(c.aListedLast, c.aCount, c.bCount);
        mwBITMAP *b = pictureOf(int(pixels.size()), 1, pixels);
        mwbQuantize(b, 3, c.mode);
        EXPECT_EQ(paletteOf(b, 3), c.palette) << "a listed last " << c.aListedLast << ", counts " << c.aCount
                                              << "/" << c.bCount << ", mode " << c.mode;
        mwbFree(b);
    }
}

// A picture too rich for the tree budget is reduced early, and the pixels
// that come after change the counts of the nodes left. Noise fills the eight
// top octants in the proportions 1 : 2 : ... : 8, all of it with the red bit
// 6 clear, so the early reduction merges octants 0 to 3 and keeps 4 to 7.
// Then 20,000 pixels of one colour land in octant 4 and open a new leaf
// there: one more merge is due, and mode 0 must take the octant that now has
// the fewest pixels, 5, not 4, the fewest before the colour came.
TEST(Quantize, CountsThatGrowAfterAnEarlyReductionChooseTheMerge)
{
    const Colour late = {200, 50, 50};
    std::mt19937 random(1);
    std::vector<Colour> pixels;
    for (int round = 0; round < 1000; ++round) {
        for (int octant = 0; octant < 8; ++octant) {
            for (int share = 0; share <= octant; ++share) {
                const auto low = [&](int bits) { return uint8_t(random() & ((1u << bits) - 1)); };
                pixels.push_back({uint8_t((octant >> 2 & 1) << 7 | low(6)),
                                  uint8_t((octant >> 1 & 1) << 7 | low(7)),
                                  uint8_t((octant & 1) << 7 | low(7))});
            }
        }
    }
    pixels.insert(pixels.end(), 20000, late);
    mwBITMAP *b = pictureOf(280, 200, pixels);
    mwbQuantize(b, 20, 0);
    const std::vector<Colour> palette = paletteOf(b, 20);
    EXPECT_NE(std::find(palette.begin(), palette.end(), late), palette.end())
        << "the octant holding 20,000 pixels of one colour was merged";
    mwbFree(b);
}

TEST(Quantize, TheTreeIsReleased)
{
    // Each round builds a tree for 16384 distinct colours, several MB; ten
    // rounds would run the test heap dry if a tree were kept.
    std::vector<uint8_t> bytes;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            bytes.insert(bytes.end(), {uint8_t(2 * x), uint8_t(2 * y), uint8_t(x + y)});
    for (int round = 0; round < 10; ++round) {
        mwBITMAP *b = pictureOf(MW_IMAGE_RGB_888, 128, 128, bytes);
        mwbQuantize(b, 16, round % 2);
        mwbFree(b);
    }
    mwDMemCheck("quant_test", __LINE__);
}

TEST(Quantize, PicturesOfManyColoursFitTheHeap)
{
    // 160000 distinct colours would need about 60 MB of tree; it is reduced
    // early instead of exhausting the 48 MB test heap.
    std::mt19937 random(3);
    std::vector<uint8_t> bytes(400 * 400 * 3);
    for (uint8_t &v : bytes)
        v = uint8_t(random());
    mwBITMAP *b = pictureOf(MW_IMAGE_RGB_888, 400, 400, bytes);
    mwbQuantize(b, 256, 1);
    EXPECT_EQ(b->type, MW_IMAGE_PAL_8);
    mwbFree(b);
    mwDMemCheck("quant_test", __LINE__);
}

TEST(FitToPalette, NearestEntryAndTiesToTheLowerIndex)
{
    const uint8_t palette[] = {0, 0, 0, 10, 0, 0, 20, 0, 0, 10, 0, 0};
    // 5 lies between entries 0 and 1, 15 between 1 and 2; entry 3 repeats 1.
    mwBITMAP *b = pictureOf(4, 1, {{5, 0, 0}, {15, 0, 0}, {11, 0, 0}, {19, 1, 0}});
    mwbFitToPalette(b, palette, 4);
    EXPECT_EQ(b->type, MW_IMAGE_PAL_4);
    ASSERT_EQ(b->size, 2);
    EXPECT_EQ(b->data[0], 0x01);
    EXPECT_EQ(b->data[1], 0x12);
    mwbFree(b);
}

TEST(FitToPalette, RowsKeepWholeBytesLeftmostPixelHighest)
{
    const Colour k = {0, 0, 0}, w = {255, 255, 255}, g = {16, 0, 0}, r = {32, 0, 0};
    const uint8_t palette[] = {0, 0, 0, 255, 255, 255, 16, 0, 0, 32, 0, 0};
    const struct {
        int width, colours;
        std::vector<Colour> pixels;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {8, 2, {w, k, k, w, w, w, k, w, k, k, k, k, k, k, k, w}, {0x9D, 0x01}},
        // Three pixels a row: the third never completes a byte.
        {3, 4, {g, r, w, r, w, g}, {0x23, 0x31}},
    };
    for (const auto &c : cases) {
        mwBITMAP *b = pictureOf(c.width, 2, c.pixels);
        const std::vector<uint8_t> before = rgbaOf(b);
        mwbFitToPalette(b, palette, c.colours);
        ASSERT_EQ(b->size, 2);
        EXPECT_EQ(std::vector<uint8_t>(b->data, b->data + 2), c.bytes) << "width " << c.width;
        if (c.width == 8) {
            EXPECT_EQ(rgbaOf(b), before) << "back to true colour unchanged";
        }
        mwbFree(b);
    }
}

TEST(FitToPalette, TheBitmapsOwnPaletteCanBeGiven)
{
    mwBITMAP *b = pictureOf(4, 1, {kRed, kGreen, kBlue, kGreen});
    mwbQuantize(b, 20, 0);
    ASSERT_EQ(b->type, MW_IMAGE_PAL_8);
    const std::vector<uint8_t> before = rgbaOf(b);
    mwbFitToPalette(b, b->palette, 3);
    EXPECT_EQ(b->type, MW_IMAGE_PAL_4);
    EXPECT_EQ(rgbaOf(b), before);
    mwbFree(b);
    mwDMemCheck("quant_test", __LINE__);
}

TEST(QuantizeDeathTest, InvalidArguments)
{
    mwBITMAP *b = pictureOf(2, 1, {kRed, kBlue});
    EXPECT_REPORT(mwbQuantize(b, 257, 0), "mwbQuantize: Invalid Parameter");
    EXPECT_REPORT(mwbQuantize(b, 16, 2), "mwbQuantize: Invalid Parameter");
    EXPECT_REPORT(mwbFitToPalette(b, nullptr, 1), "mwbFitToPalette: Invalid Parameter");
    b->size = 3; // data shorter than its rows
    EXPECT_REPORT(mwbQuantize(b, 2, 0), "mwbQuantize: Invalid Parameter");
    b->size = 6;
    mwbFree(b);
}

} // namespace
