// Each swap shows the front buffer in the window given at open (headless
// back end of the platform layer).
#include "glide_support.h"

#include "mwplatform.h"
#include "window_support.h"

using namespace glidetest;

namespace {

const bool headless = mwPlatformSetHeadless(1);

uint32_t widened(uint16_t p)
{
    return uint32_t(red8(p)) << 16 | uint32_t(green8(p)) << 8 | uint32_t(blue8(p));
}

std::vector<uint32_t> shownFrame(HWND window, int &width, int &height)
{
    std::vector<uint32_t> pixels(size_t(kWidth) * kHeight);
    EXPECT_EQ(1, mwPlatformReadFrame(window, pixels.data(), pixels.size(), &width, &height));
    return pixels;
}

TEST(GlidePresent, EverySwapShowsTheFrontBufferInTheWindow)
{
    ASSERT_TRUE(headless);
    clearEnvironment();
    HWND window = mwtest::plainWindow(800, 600);
    ASSERT_NE(window, nullptr);
    const uintptr_t handle = reinterpret_cast<uintptr_t>(window);
    ASSERT_EQ(handle, uintptr_t(FxU32(handle))) << "window handles must fit the board's 32 bits";
    grGlideInit();
    ASSERT_TRUE(grSstWinOpen(FxU32(handle), GR_RESOLUTION_512x384, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB,
                             GR_ORIGIN_UPPER_LEFT, 2, 1));
    grRenderBuffer(GR_BUFFER_BACKBUFFER);
    grColorCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_LOCAL, GR_COMBINE_LOCAL_ITERATED,
                   GR_COMBINE_OTHER_CONSTANT, FXFALSE);
    // A gradient with the dither on: every pixel differs from its neighbours.
    grBufferClear(0x00102030, 0, 0);
    GrVertex v[4] = {};
    const float xs[4] = {0, 512, 512, 0}, ys[4] = {0, 0, 384, 384};
    for (int i = 0; i < 4; ++i) {
        v[i].x = xs[i];
        v[i].y = ys[i];
        v[i].r = xs[i] / 2;
        v[i].g = ys[i] / 2;
        v[i].b = 100;
        v[i].oow = 1;
    }
    grDrawTriangle(&v[0], &v[1], &v[2]);
    grBufferSwap(0);
    int width = 0, height = 0;
    std::vector<uint32_t> frame = shownFrame(window, width, height);
    EXPECT_EQ(width, kWidth);
    EXPECT_EQ(height, kHeight);
    std::vector<uint16_t> front(size_t(kWidth) * kHeight);
    ASSERT_TRUE(grLfbReadRegion(GR_BUFFER_FRONTBUFFER, 0, 0, kWidth, kHeight, kWidth * 2, front.data()));
    for (size_t i = 0; i < front.size(); ++i)
        ASSERT_EQ(frame[i], widened(front[i])) << "pixel " << i % kWidth << "," << i / kWidth;
    EXPECT_EQ(frame[size_t(383) * kWidth], widened(rgb565(0x10, 0x20, 0x30))); // below the triangle

    // The next swap shows the other buffer.
    grBufferClear(0x00FF0000, 0, 0);
    grBufferSwap(0);
    frame = shownFrame(window, width, height);
    EXPECT_EQ(frame[0], 0xFF0000u);
    EXPECT_EQ(frame.back(), 0xFF0000u);
    grGlideShutdown();
    DestroyWindow(window);
}

} // namespace
