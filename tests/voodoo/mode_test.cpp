// Modes, clears, swaps and the 2D primitives.
#include "voodoo_support.h"

#include "mwplatform.h"
#include "window_support.h"

using namespace vdtest;

namespace {

class VoodooMode : public Voodoo {
protected:
    static uint16_t aux(int x, int y)
    {
        uint16_t value = 0;
        EXPECT_TRUE(grLfbReadRegion(GR_BUFFER_AUXBUFFER, FxU32(x), FxU32(y), 1, 1, 2, &value));
        return value;
    }
    static void setAux(int x, int y, uint16_t value)
    {
        EXPECT_TRUE(
            grLfbWriteRegion(GR_BUFFER_AUXBUFFER, FxU32(x), FxU32(y), GR_LFB_SRC_FMT_ZA16, 1, 1, 2, &value));
    }
};

TEST_F(VoodooMode, GetModeKeepsFilteringAndTheFurtherBitsOnly)
{
    ASSERT_TRUE(load());
    mwBLIT_MODE mode{0, 0, MW_BLIT_KIND_LISTED, 0};
    ASSERT_EQ(1, vd->setMode(&mode, nullptr));
    EXPECT_EQ(0, vd->getMode(nullptr));
    ASSERT_EQ(1, vd->getMode(&mode));
    EXPECT_EQ(mode.width, 640) << "a size of 0 stands for 640 x 480";
    EXPECT_EQ(mode.height, 480);
    EXPECT_EQ(mode.kind, MW_BLIT_KIND_LISTED);
    EXPECT_EQ(mode.flags, 0x1F1u) << "flags 0 stand for 0x7FB";
}

TEST_F(VoodooMode, RefusedModesLeaveThePreviousOne)
{
    ASSERT_TRUE(open(0x7FB));
    const mwBLIT_MODE refused[] = {
        {512, 384, MW_BLIT_KIND_ANY, 0x006}, // depth and alpha share one buffer
        {512, 384, 2, 0x7FB},                // kind
        {800, 600, MW_BLIT_KIND_ANY, 0x7FB}, // size not in the table
        {512, 384, MW_BLIT_KIND_ANY, 0x8FB}, // a capability beyond those offered
    };
    for (const mwBLIT_MODE &mode : refused)
        EXPECT_EQ(0, vd->setMode(&mode, nullptr)) << std::hex << mode.flags;
    EXPECT_EQ(0, vd->setMode(nullptr, nullptr));
    mwBLIT_MODE mode{};
    vd->getMode(&mode);
    EXPECT_EQ(mode.width, 512);
    EXPECT_EQ(mode.flags, 0x1F1u);
    EXPECT_EQ(1, count(log(), "* VOODOO : Mode ")) << "refusals write no mode line";
    vd->fillRect(0, 0, 511, 383, 1, 0, 0);
    EXPECT_EQ(pixel(511, 383), kRed);
}

TEST_F(VoodooMode, AModeTooLargeForTheFrameBufferIsRefusedByTheBoard)
{
    mwtest::setEnv("GLIDE2X_FBRAM", "1");
    ASSERT_TRUE(open(0x7F9));
    const mwBLIT_MODE large{640, 480, MW_BLIT_KIND_ANY, 0x7FB};
    EXPECT_EQ(0, vd->setMode(&large, nullptr));
    mwBLIT_MODE mode{};
    vd->getMode(&mode);
    EXPECT_EQ(mode.width, 512);
    vd->fillRect(0, 0, 511, 383, 0, 0, 1);
    EXPECT_EQ(pixel(100, 100), kBlue);
}

TEST_F(VoodooMode, ClearsTouchOnlyTheirBuffer)
{
    ASSERT_TRUE(open(0x7FB)); // depth buffer
    setAux(3, 3, 0x1234);
    vd->clearColor(0xFF000000u); // red in the RGBA order the board is opened with
    EXPECT_EQ(pixel(3, 3), kRed);
    EXPECT_EQ(aux(3, 3), 0x1234);
    vd->clearAlpha(0x55); // no alpha buffer
    EXPECT_EQ(aux(3, 3), 0x1234);
    vd->clearDepth();
    EXPECT_EQ(aux(3, 3), 0xFFFF);
    EXPECT_EQ(pixel(3, 3), kRed);
    setAux(3, 3, 0x1234);
    vd->clear(0x00FF0000u, 0);
    EXPECT_EQ(pixel(3, 3), kGreen);
    EXPECT_EQ(aux(3, 3), 0xFFFF);

    const mwBLIT_MODE alphaMode{512, 384, MW_BLIT_KIND_ANY, 0x7FD};
    ASSERT_EQ(1, vd->setMode(&alphaMode, nullptr));
    vd->clearDepth(); // no depth buffer: must not leave alpha writes off
    vd->clear(0, 0x80);
    EXPECT_EQ(aux(3, 3), 0x80);
    vd->clearAlpha(0x1C5);
    EXPECT_EQ(aux(3, 3), 0xC5);
    vd->clearColor(0x0000FF00u);
    EXPECT_EQ(pixel(3, 3), kBlue);
    EXPECT_EQ(aux(3, 3), 0xC5);
}

TEST_F(VoodooMode, SwapsShowTheBackBufferInTheWindowOnlyWhenDoubleBuffered)
{
    HWND shown = mwtest::plainWindow(512, 384);
    ASSERT_TRUE(open(0x7F3, shown)); // single-buffered, drawing into the front buffer
    vd->fillRect(0, 0, 511, 383, 1, 0, 0);
    EXPECT_EQ(pixel(0, 0), kRed);
    vd->swapBuffers(0);
#ifndef _WIN32 // the platform layer keeps what was presented; Windows does not
    EXPECT_EQ(0, mwPlatformReadFrame(shown, nullptr, 0, nullptr, nullptr)) << "nothing presented";
#endif

    const mwBLIT_MODE doubled{512, 384, MW_BLIT_KIND_ANY, 0x7FB};
    ASSERT_EQ(1, vd->setMode(&doubled, shown));
    vd->fillRect(0, 0, 511, 383, 0, 1, 0);
    vd->swapBuffers(0);
#ifndef _WIN32
    std::vector<uint32_t> frame(512 * 384);
    int width = 0, height = 0;
    ASSERT_EQ(1, mwPlatformReadFrame(shown, frame.data(), frame.size(), &width, &height));
    EXPECT_EQ(width, 512);
    EXPECT_EQ(frame[512 * 200 + 300], 0x00FF00u);
#endif
    EXPECT_EQ(0, vd->numPending());

    // Region transfers follow the buffer chosen for drawing.
    vd->setRenderBuffer(MW_BLIT_BUFFER_FRONT);
    EXPECT_EQ(pixel(7, 7), kGreen);
    vd->setRenderBuffer(MW_BLIT_BUFFER_BACK);
    EXPECT_EQ(pixel(7, 7), kBlack);
    DestroyWindow(shown);
}

TEST_F(VoodooMode, PrimitivesCoverTheirCornersInclusively)
{
    ASSERT_TRUE(open());
    vd->fillRect(10, 10, 12, 11, 1, 0, 0);
    vd->drawRect(20, 20, 24, 23, 0, 1, 0);
    vd->drawLine(30, 30, 35, 30, 0, 0, 1);
    const std::vector<uint16_t> px = read(0, 0, 40, 40);
    auto at = [&](int x, int y) { return px[size_t(y) * 40 + size_t(x)]; };
    for (int y = 9; y <= 12; ++y)
        for (int x = 9; x <= 13; ++x)
            EXPECT_EQ(at(x, y), x >= 10 && x <= 12 && y >= 10 && y <= 11 ? kRed : kBlack) << x << "," << y;
    for (int y = 19; y <= 24; ++y)
        for (int x = 19; x <= 25; ++x) {
            const bool edge =
                (x == 20 || x == 24) ? y >= 20 && y <= 23 : (y == 20 || y == 23) && x >= 20 && x <= 24;
            EXPECT_EQ(at(x, y), edge ? kGreen : kBlack) << x << "," << y;
        }
    for (int x = 29; x <= 36; ++x)
        EXPECT_EQ(at(x, 30), x >= 30 && x <= 35 ? kBlue : kBlack) << x;
}

TEST_F(VoodooMode, GradientsRunAlongTheChosenAxis)
{
    ASSERT_TRUE(open());
    vd->fillRectGradient(0, 0, 63, 63, 0, 1, 0, 0, 0, 0, 1);
    vd->fillRectGradient(100, 0, 163, 63, 1, 1, 0, 0, 0, 0, 1);
    vd->fillRectCorners(200, 0, 263, 63, 1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1);
    const std::vector<uint16_t> px = read(0, 0, 264, 64);
    auto at = [&](int x, int y) { return px[size_t(y) * 264 + size_t(x)]; };
    auto red = [&](int x, int y) { return at(x, y) >> 11; };
    auto green = [&](int x, int y) { return (at(x, y) >> 5) & 63; };
    auto blue = [&](int x, int y) { return at(x, y) & 31; };
    EXPECT_GT(red(0, 32), 29);
    EXPECT_GT(blue(63, 32), 29);
    EXPECT_GT(red(132, 0), 29);
    EXPECT_GT(blue(132, 63), 29);
    // Corners: red top left, green top right, blue bottom right, white bottom left.
    EXPECT_GT(red(200, 0), 29);
    EXPECT_LT(green(200, 0), 4);
    EXPECT_GT(green(263, 0), 59);
    EXPECT_GT(blue(263, 63), 29);
    EXPECT_LT(red(263, 63), 2);
    EXPECT_GT(red(200, 63), 28);
    EXPECT_GT(green(200, 63), 56);
    EXPECT_GT(blue(200, 63), 28);
}

} // namespace
