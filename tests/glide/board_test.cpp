// Board query, window open, buffers, swaps, status and counters.
#include "glide_support.h"

using namespace glidetest;

namespace {

TEST(GlideBoard, ReportsOneWindowedBoardWithTwoUnitsOfFourMegabytes)
{
    clearEnvironment();
    grGlideInit();
    GrHwConfiguration hw;
    ASSERT_TRUE(grSstQueryHardware(&hw));
    EXPECT_EQ(hw.num_sst, 1);
    EXPECT_EQ(hw.SSTs[0].type, GR_SSTTYPE_SST96);
    EXPECT_EQ(hw.SSTs[0].sstBoard.SST96Config.fbRam, 4);
    EXPECT_EQ(hw.SSTs[0].sstBoard.SST96Config.nTexelfx, 2);
    EXPECT_EQ(hw.SSTs[0].sstBoard.SST96Config.tmuConfig.tmuRam, 4);
    EXPECT_EQ(grTexMinAddress(GR_TMU0), 0u);
    EXPECT_EQ(grTexMaxAddress(GR_TMU1), 4u << 20);
    EXPECT_FALSE(grSstQueryHardware(nullptr));
    grGlideShutdown();
}

TEST(GlideBoard, EnvironmentMakesASmallerBoard)
{
    clearEnvironment();
    mwtest::setEnv("GLIDE2X_FBRAM", "1");
    mwtest::setEnv("GLIDE2X_TMUS", "1");
    mwtest::setEnv("GLIDE2X_TMURAM", "2");
    grGlideInit();
    GrHwConfiguration hw;
    ASSERT_TRUE(grSstQueryHardware(&hw));
    EXPECT_EQ(hw.SSTs[0].sstBoard.SST96Config.fbRam, 1);
    EXPECT_EQ(hw.SSTs[0].sstBoard.SST96Config.nTexelfx, 1);
    EXPECT_EQ(grTexMaxAddress(GR_TMU0), 2u << 20);
    EXPECT_EQ(grTexMaxAddress(GR_TMU1), 0u);
    // 1 MB holds 512x384 double buffered (768 KB) but not with an aux buffer.
    EXPECT_TRUE(grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB,
                             GR_ORIGIN_UPPER_LEFT, 2, 0));
    EXPECT_FALSE(grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB,
                              GR_ORIGIN_UPPER_LEFT, 2, 1));
    EXPECT_FALSE(grSstWinOpen(0, GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB,
                              GR_ORIGIN_UPPER_LEFT, 2, 0));
    // The query reads the board the environment describes, started or not.
    grGlideShutdown();
    mwtest::setEnv("GLIDE2X_FBRAM", "3");
    ASSERT_TRUE(grSstQueryHardware(&hw));
    EXPECT_EQ(hw.SSTs[0].sstBoard.SST96Config.fbRam, 3);
    grGlideInit();
    ASSERT_TRUE(grSstQueryHardware(&hw));
    EXPECT_EQ(hw.SSTs[0].sstBoard.SST96Config.fbRam, 3);
    // Values outside the accepted set are ignored.
    mwtest::setEnv("GLIDE2X_FBRAM", "7");
    mwtest::setEnv("GLIDE2X_TMUS", "x");
    grGlideInit();
    ASSERT_TRUE(grSstQueryHardware(&hw));
    EXPECT_EQ(hw.SSTs[0].sstBoard.SST96Config.fbRam, 4);
    EXPECT_EQ(hw.SSTs[0].sstBoard.SST96Config.nTexelfx, 2);
    grGlideShutdown();
    clearEnvironment();
}

TEST(GlideBoard, OpensThePlugInResolutionsAndRefusesBadArguments)
{
    clearEnvironment();
    grGlideInit();
    const struct {
        int code, width, height;
    } modes[] = {{GR_RESOLUTION_512x384, 512, 384},
                 {GR_RESOLUTION_640x400, 640, 400},
                 {GR_RESOLUTION_640x480, 640, 480}};
    for (const auto &m : modes) {
        ASSERT_TRUE(
            grSstWinOpen(0, m.code, GR_REFRESH_60Hz, GR_COLORFORMAT_RGBA, GR_ORIGIN_UPPER_LEFT, 2, 1));
        EXPECT_EQ(grSstScreenWidth(), FxU32(m.width));
        EXPECT_EQ(grSstScreenHeight(), FxU32(m.height));
    }
    EXPECT_TRUE(grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB,
                             GR_ORIGIN_UPPER_LEFT, 1, 0));
    EXPECT_FALSE(grSstWinOpen(0, GR_RESOLUTION_NONE, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB,
                              GR_ORIGIN_UPPER_LEFT, 2, 1));
    EXPECT_FALSE(grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_60Hz, 9, GR_ORIGIN_UPPER_LEFT, 2, 1));
    EXPECT_FALSE(grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB,
                              GR_ORIGIN_UPPER_LEFT, 0, 1));
    EXPECT_FALSE(grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB,
                              GR_ORIGIN_UPPER_LEFT, 2, 2));
    grGlideShutdown();
    EXPECT_FALSE(grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB,
                              GR_ORIGIN_UPPER_LEFT, 2, 1));
}

class GlideBuffers : public Board {};

TEST_F(GlideBuffers, SwapShowsTheBackBufferAndTheStatusNamesIt)
{
    EXPECT_EQ((grSstStatus() >> 10) & 3, 0u);
    EXPECT_EQ(grSstStatus() & 0x3F, 0x3Fu);
    EXPECT_EQ((grSstStatus() >> 12) & 0xFFFF, 0xFFFFu);
    grBufferClear(0x00FF0000, 0, 0); // red into the back buffer
    EXPECT_EQ(pixel(3, 3, GR_BUFFER_FRONTBUFFER), 0);
    grBufferSwap(0);
    EXPECT_EQ(pixel(3, 3, GR_BUFFER_FRONTBUFFER), rgb565(255, 0, 0));
    EXPECT_EQ((grSstStatus() >> 10) & 3, 1u);
    EXPECT_EQ(grBufferNumPending(), 0);
    EXPECT_EQ((grSstStatus() >> 28) & 7, 0u);
    // Drawing now goes to the other buffer, which still holds the old frame.
    EXPECT_EQ(pixel(3, 3, GR_BUFFER_BACKBUFFER), 0);
    grRenderBuffer(GR_BUFFER_FRONTBUFFER);
    iteratedColor();
    fill(0, 0, 2, 2, 0, 0, 255);
    EXPECT_EQ(pixel(1, 1, GR_BUFFER_FRONTBUFFER), rgb565(0, 0, 255));
    EXPECT_EQ(pixel(1, 1, GR_BUFFER_BACKBUFFER), 0);
}

TEST_F(GlideBuffers, ClearHonoursMasksModesAndTheClipWindow)
{
    grDepthBufferMode(GR_DEPTHBUFFER_WBUFFER);
    grDepthMask(FXTRUE);
    grClipWindow(10, 20, 30, 40);
    grBufferClear(0x0000FF00, 0x55, 0x1234);
    EXPECT_EQ(pixel(10, 20), rgb565(0, 255, 0));
    EXPECT_EQ(pixel(29, 39), rgb565(0, 255, 0));
    EXPECT_EQ(pixel(30, 39), 0);
    EXPECT_EQ(pixel(29, 40), 0);
    EXPECT_EQ(pixel(10, 20, GR_BUFFER_AUXBUFFER), 0x1234);
    // Depth off, alpha writes on: the aux buffer is the alpha buffer.
    grClipWindow(0, 0, kWidth, kHeight);
    grDepthBufferMode(GR_DEPTHBUFFER_DISABLE);
    grColorMask(FXFALSE, FXTRUE);
    grBufferClear(0x00FFFFFF, 0x55, 0x1234);
    EXPECT_EQ(pixel(10, 20), rgb565(0, 255, 0));
    EXPECT_EQ(pixel(0, 0, GR_BUFFER_AUXBUFFER), 0x55);
}

TEST_F(GlideBuffers, CountersFollowAKnownDraw)
{
    // 10 x 10 pixels, of which the 5 x 10 right half fails the depth test and
    // the top 2 rows of the left half fail the alpha test.
    grDepthBufferMode(GR_DEPTHBUFFER_WBUFFER);
    grDepthBufferFunction(GR_CMP_LESS);
    grDepthMask(FXTRUE);
    grBufferClear(0, 0, 0xFFFF);
    grDepthMask(FXFALSE);
    std::vector<uint16_t> nearest(5 * 10, 0x0000);
    ASSERT_TRUE(grLfbWriteRegion(GR_BUFFER_AUXBUFFER, 5, 0, GR_LFB_SRC_FMT_ZA16, 5, 10, 10, nearest.data()));
    grSstResetPerfStats();
    iteratedColor();
    grAlphaCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_LOCAL_ITERATED,
                   GR_COMBINE_OTHER_CONSTANT, FXFALSE);
    grAlphaTestFunction(GR_CMP_GREATER);
    grAlphaTestReferenceValue(100);
    // Alpha 0 on rows 0..1 (top), 255 below: split the square in two fills.
    fill(0, 0, 10, 2, 9, 9, 9, 0);
    fill(0, 2, 10, 10, 9, 9, 9, 255);
    GrSstPerfStats_t s = stats();
    EXPECT_EQ(s.pixelsIn, 100u);
    EXPECT_EQ(s.aFuncFail, 20u);
    EXPECT_EQ(s.zFuncFail, 40u); // right half below the alpha-failing rows
    EXPECT_EQ(s.chromaFail, 0u);
    EXPECT_EQ(s.pixelsOut, 40u);
    // Chroma key on the iterated colour rejects before anything else counts.
    grAlphaTestFunction(GR_CMP_ALWAYS);
    grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE, GR_COMBINE_LOCAL_CONSTANT,
                   GR_COMBINE_OTHER_ITERATED, FXFALSE);
    grChromakeyValue(0x00090909);
    grChromakeyMode(GR_CHROMAKEY_ENABLE);
    grSstResetPerfStats();
    fill(0, 0, 10, 10, 9, 9, 9);
    s = stats();
    EXPECT_EQ(s.pixelsIn, 100u);
    EXPECT_EQ(s.chromaFail, 100u);
    EXPECT_EQ(s.zFuncFail, 0u);
    EXPECT_EQ(s.pixelsOut, 0u);
    // Clears count as pixels out, not in.
    grSstResetPerfStats();
    grBufferClear(0, 0, 0);
    s = stats();
    EXPECT_EQ(s.pixelsIn, 0u);
    EXPECT_EQ(s.pixelsOut, FxU32(kWidth * kHeight));
}

TEST_F(GlideBuffers, CountersAreTwentyFourBitsWide)
{
    grSstResetPerfStats();
    for (int i = 0; i < 86; ++i) // 86 * 196608 = 16908288 = 0x1020000
        grBufferClear(0, 0, 0);
    EXPECT_EQ(stats().pixelsOut, 0x1020000u & 0xFFFFFFu);
}

} // namespace
