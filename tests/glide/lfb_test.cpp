// Linear frame buffer region writes and reads.
#include "glide_support.h"

using namespace glidetest;

namespace {

class GlideLfb : public Board {};

TEST_F(GlideLfb, RoundTripsIn565And1555And8888)
{
    uint16_t rgb[4] = {0x0000, 0xFFFF, 0x1234, 0xF81F};
    ASSERT_TRUE(grLfbWriteRegion(GR_BUFFER_BACKBUFFER, 5, 6, GR_LFB_SRC_FMT_565, 2, 2, 4, rgb));
    uint16_t back[4] = {};
    ASSERT_TRUE(grLfbReadRegion(GR_BUFFER_BACKBUFFER, 5, 6, 2, 2, 4, back));
    EXPECT_EQ(std::vector<uint16_t>(back, back + 4), std::vector<uint16_t>(rgb, rgb + 4));

    // 1555: the 5-bit green widens to 6 bits by replication; alpha is dropped.
    uint16_t argb1555[2] = {0x8000 | (31 << 10) | (16 << 5) | 7, (1 << 10) | (1 << 5) | 1};
    ASSERT_TRUE(grLfbWriteRegion(GR_BUFFER_BACKBUFFER, 0, 0, GR_LFB_SRC_FMT_1555, 2, 1, 4, argb1555));
    EXPECT_EQ(pixel(0, 0), uint16_t((31 << 11) | (33 << 5) | 7));
    EXPECT_EQ(pixel(1, 0), uint16_t((1 << 11) | (2 << 5) | 1));

    // 8888 in the open colour format (ARGB here), truncated to 565.
    uint32_t argb[2] = {0xFF10C0F8, 0x00FFFFFF};
    ASSERT_TRUE(grLfbWriteRegion(GR_BUFFER_FRONTBUFFER, 10, 10, GR_LFB_SRC_FMT_8888, 2, 1, 8, argb));
    EXPECT_EQ(pixel(10, 10, GR_BUFFER_FRONTBUFFER), rgb565(0x10, 0xC0, 0xF8));
    EXPECT_EQ(pixel(11, 10, GR_BUFFER_FRONTBUFFER), 0xFFFF);

    // The aux buffer takes raw 16-bit values.
    uint16_t depth[3] = {1, 0x8000, 0xFFFF};
    ASSERT_TRUE(grLfbWriteRegion(GR_BUFFER_AUXBUFFER, 0, 0, GR_LFB_SRC_FMT_ZA16, 3, 1, 6, depth));
    uint16_t got[3];
    ASSERT_TRUE(grLfbReadRegion(GR_BUFFER_AUXBUFFER, 0, 0, 3, 1, 6, got));
    EXPECT_EQ(got[1], 0x8000);
    EXPECT_FALSE(grLfbWriteRegion(GR_BUFFER_AUXBUFFER, 0, 0, GR_LFB_SRC_FMT_565, 1, 1, 2, depth));
}

TEST_F(GlideLfb, NegativeStrideWritesBottomUpImages)
{
    const uint16_t rows[2][2] = {{0x1111, 0x2222}, {0x3333, 0x4444}};
    // Start at the last row and step back: the image lands upside down.
    ASSERT_TRUE(grLfbWriteRegion(GR_BUFFER_BACKBUFFER, 0, 0, GR_LFB_SRC_FMT_565, 2, 2, -4,
                                 const_cast<uint16_t *>(rows[1])));
    EXPECT_EQ(pixel(0, 0), 0x3333);
    EXPECT_EQ(pixel(1, 1), 0x2222);
}

TEST_F(GlideLfb, WritesClipAndReadsOutsideTheBufferFail)
{
    std::vector<uint16_t> block(16 * 16, 0xABCD);
    ASSERT_TRUE(grLfbWriteRegion(GR_BUFFER_BACKBUFFER, kWidth - 4, kHeight - 4, GR_LFB_SRC_FMT_565, 16, 16,
                                 32, block.data()));
    EXPECT_EQ(pixel(kWidth - 1, kHeight - 1), 0xABCD);
    EXPECT_EQ(pixel(kWidth - 5, kHeight - 1), 0);
    ASSERT_TRUE(
        grLfbWriteRegion(GR_BUFFER_BACKBUFFER, 0xFFFFFFF0u, 0, GR_LFB_SRC_FMT_565, 16, 16, 32, block.data()));
    uint16_t canary[3] = {0x5A5A, 0x5A5A, 0x5A5A};
    EXPECT_FALSE(grLfbReadRegion(GR_BUFFER_BACKBUFFER, kWidth - 1, 0, 2, 1, 4, canary));
    EXPECT_FALSE(grLfbReadRegion(GR_BUFFER_BACKBUFFER, 0, 0xFFFFFFFFu, 1, 2, 2, canary));
    EXPECT_FALSE(grLfbReadRegion(GR_BUFFER_BACKBUFFER, 0, 0, 2, 1, 2, canary)); // stride too small
    EXPECT_EQ(canary[0], 0x5A5A);
    EXPECT_FALSE(grLfbReadRegion(GR_BUFFER_TRIPLEBUFFER, 0, 0, 1, 1, 2, canary));
    EXPECT_FALSE(grLfbWriteRegion(GR_BUFFER_BACKBUFFER, 0, 0, GR_LFB_SRC_FMT_RLE16, 1, 1, 2, canary));
    EXPECT_FALSE(grLfbWriteRegion(GR_BUFFER_BACKBUFFER, 0, 0, GR_LFB_SRC_FMT_565, 1, 1, 2, nullptr));
}

} // namespace
