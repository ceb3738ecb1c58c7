// Each swap reaches the window given at open through the real GDI, the
// frame's 4:3 kept between black bars in a window of another shape
// (Windows; a window on the screen, read back as a person would see it).
#include "glide_support.h"

#include "win32_capture.h"

using namespace glidetest;

namespace {

constexpr uint32_t kRed = 0xFF0000;

// The run of red pixels along a row and along a column through the centre.
struct Span {
    int first = -1, last = -1;
};
Span redSpan(const mwtest::Capture &shot, bool alongRow)
{
    Span span;
    const int length = alongRow ? shot.width : shot.height;
    for (int i = 0; i < length; ++i) {
        const uint32_t p = alongRow ? shot.at(i, shot.height / 2) : shot.at(shot.width / 2, i);
        if (p == kRed) {
            span.last = i;
            if (span.first < 0)
                span.first = i;
        } else if (span.first >= 0 && span.last == i - 1) {
            EXPECT_EQ(0u, p) << "beside the picture at " << i; // black bars, not what was there
        }
    }
    return span;
}

TEST(GlidePresentWindows, TheFrameKeepsItsShapeBetweenBlackBars)
{
    clearEnvironment();
    const struct {
        int width, height;
        Span across, down; // where the picture is expected
    } windows[] = {
        {640, 480, {0, 639}, {0, 479}},   // the frame's shape: no bars
        {800, 400, {133, 665}, {0, 399}}, // wide: 533 x 400 in the middle
        {300, 600, {0, 299}, {187, 411}}, // tall: 300 x 225 in the middle
    };
    grGlideInit();
    for (const auto &w : windows) {
        HWND window = mwtest::screenWindow(0, 0, w.width, w.height);
        ASSERT_NE(nullptr, window);
        ASSERT_TRUE(grSstWinOpen(FxU32(reinterpret_cast<uintptr_t>(window)), GR_RESOLUTION_512x384,
                                 GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB, GR_ORIGIN_UPPER_LEFT, 2, 1));
        grBufferClear(0x00FF0000, 0, 0);
        grBufferSwap(0);
        mwtest::Capture shot;
        EXPECT_TRUE(mwtest::eventually([&] {
            shot = mwtest::capture(window);
            return shot.at(w.width / 2, w.height / 2) == kRed && shot.at(0, 0) != 0xFFFFFF;
        })) << w.width
            << " x " << w.height;
        const Span across = redSpan(shot, true), down = redSpan(shot, false);
        EXPECT_EQ(w.across.first, across.first) << w.width << " x " << w.height;
        EXPECT_EQ(w.across.last, across.last) << w.width << " x " << w.height;
        EXPECT_EQ(w.down.first, down.first) << w.width << " x " << w.height;
        EXPECT_EQ(w.down.last, down.last) << w.width << " x " << w.height;
        if (w.across.first > 0 || w.down.first > 0) {
            EXPECT_EQ(0u, shot.at(0, 0)) << "a bar is black";
        }
        grSstWinClose();
        DestroyWindow(window);
    }
    grGlideShutdown();
}

} // namespace
