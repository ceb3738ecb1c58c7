// Presenting pictures: StretchDIBits into a window's surface, and reading
// frames and windows back (headless back end).
#include <cstring>
#include <vector>

#include "platform_support.h"

using namespace platformtest;

namespace {

const bool headless = mwPlatformSetHeadless(1);

constexpr uint32_t kGray = 0x808080; // the recording class's background
constexpr uint32_t kWhite = 0xFFFFFF;

// A DIB header with room for the three BI_BITFIELDS masks.
struct Dib {
    BITMAPINFOHEADER header;
    DWORD masks[3];
};

Dib dib(int width, int height, int bits, DWORD compression = BI_RGB, DWORD r = 0, DWORD g = 0, DWORD b = 0)
{
    Dib d{};
    d.header.biSize = sizeof(BITMAPINFOHEADER);
    d.header.biWidth = width;
    d.header.biHeight = height;
    d.header.biPlanes = 1;
    d.header.biBitCount = static_cast<WORD>(bits);
    d.header.biCompression = compression;
    d.masks[0] = r;
    d.masks[1] = g;
    d.masks[2] = b;
    return d;
}

const BITMAPINFO *info(const Dib &d) { return reinterpret_cast<const BITMAPINFO *>(&d); }

std::vector<uint32_t> frameOf(HWND window, int &width, int &height)
{
    std::vector<uint32_t> pixels;
    if (mwPlatformReadFrame(window, nullptr, 0, &width, &height)) {
        pixels.resize(static_cast<size_t>(width) * height);
        EXPECT_EQ(1, mwPlatformReadFrame(window, pixels.data(), pixels.size(), &width, &height));
    }
    return pixels;
}

std::vector<uint32_t> windowOf(HWND window, int &width, int &height)
{
    mwPlatformReadWindow(window, nullptr, 0, &width, &height);
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    EXPECT_EQ(1, mwPlatformReadWindow(window, pixels.data(), pixels.size(), &width, &height));
    return pixels;
}

// Puts a uniform picture of w x h into the destination rectangle.
int presentWhite(HWND window, int x, int y, int destWidth, int destHeight, int w, int h)
{
    std::vector<uint32_t> white(static_cast<size_t>(w) * h, kWhite);
    const Dib d = dib(w, -h, 32);
    return StretchDIBits(GetDC(window), x, y, destWidth, destHeight, 0, 0, w, h, white.data(), info(d),
                         DIB_RGB_COLORS, SRCCOPY);
}

TEST(StretchDIBits, ConvertsEverySourceFormatExactly)
{
    ASSERT_TRUE(headless);
    HWND window = makeWindow(8, 8);
    HDC dc = GetDC(window);
    int w, h;

    // 5-6-5, three pixels a row, so each row is padded to 8 bytes.
    const uint16_t rgb565[] = {0xF800, 0x07E0, 0x001F, 0xDEAD, 0x8410, 0x0000, 0xFFFF, 0xDEAD};
    const Dib d565 = dib(3, -2, 16, BI_BITFIELDS, 0xF800, 0x07E0, 0x001F);
    EXPECT_EQ(2, StretchDIBits(dc, 0, 0, 8, 8, 0, 0, 3, 2, rgb565, info(d565), DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ((std::vector<uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0x848284, 0x000000, 0xFFFFFF}),
              frameOf(window, w, h));
    EXPECT_EQ(3, w);
    EXPECT_EQ(2, h);

    // 5-5-5 both ways of asking for it; bottom-up rows arrive top first.
    const uint16_t rgb555[] = {0x7C00, 0x03E0, 0x001F, 0x4210};
    const Dib plain = dib(2, 2, 16);
    const Dib fields = dib(2, 2, 16, BI_BITFIELDS, 0x7C00, 0x03E0, 0x001F);
    const std::vector<uint32_t> expected555{0x0000FF, 0x848484, 0xFF0000, 0x00FF00};
    EXPECT_EQ(2, StretchDIBits(dc, 0, 0, 8, 8, 0, 0, 2, 2, rgb555, info(plain), DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ(expected555, frameOf(window, w, h));
    EXPECT_EQ(2, StretchDIBits(dc, 0, 0, 8, 8, 0, 0, 2, 2, rgb555, info(fields), DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ(expected555, frameOf(window, w, h));

    // 32 bits: the top byte is not colour.
    const uint32_t xrgb[] = {0xAA123456, 0x00FEDCBA};
    const Dib d32 = dib(2, -1, 32, BI_BITFIELDS, 0xFF0000, 0xFF00, 0xFF);
    EXPECT_EQ(1, StretchDIBits(dc, 0, 0, 8, 8, 0, 0, 2, 1, xrgb, info(d32), DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ((std::vector<uint32_t>{0x123456, 0xFEDCBA}), frameOf(window, w, h));
    DestroyWindow(window);
}

TEST(StretchDIBits, SourceRectanglesCountFromTheBottomOfBottomUpPictures)
{
    HWND window = makeWindow(8, 8);
    HDC dc = GetDC(window);
    // Rows as stored: 0..3 top-down; pixel value = row * 10 + column.
    uint32_t pixels[4][3];
    for (int row = 0; row < 4; row++)
        for (int col = 0; col < 3; col++)
            pixels[row][col] = static_cast<uint32_t>(row * 10 + col);
    int w, h;
    const Dib topDown = dib(3, -4, 32);
    EXPECT_EQ(2, StretchDIBits(dc, 0, 0, 8, 8, 1, 1, 2, 2, pixels, info(topDown), DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ((std::vector<uint32_t>{11, 12, 21, 22}), frameOf(window, w, h));
    // Bottom-up: stored row 0 is the bottom one, and ySrc = 1 skips it.
    const Dib bottomUp = dib(3, 4, 32);
    EXPECT_EQ(2, StretchDIBits(dc, 0, 0, 8, 8, 1, 1, 2, 2, pixels, info(bottomUp), DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ((std::vector<uint32_t>{21, 22, 11, 12}), frameOf(window, w, h));
    DestroyWindow(window);
}

TEST(StretchDIBits, KeepsThePicturesAspectWithBlackBars)
{
    // A white 4:3 picture into a destination rectangle of a window; the
    // expected colour of each pixel of the window.
    const struct {
        const char *what;
        int width, height, x, y, destWidth, destHeight;
        uint32_t (*expected)(int x, int y);
    } cases[] = {
        {"8 x 6 in the middle of 10 x 6", 10, 6, 0, 0, 10, 6,
         [](int x, int) { return x == 0 || x == 9 ? 0u : kWhite; }},
        {"8 x 6 with two black rows above and below", 8, 10, 0, 0, 8, 10,
         [](int, int y) { return y < 2 || y >= 8 ? 0u : kWhite; }},
        // Only the destination rectangle changes; the rest keeps the class
        // background. Parts outside the window are cut off.
        {"4 x 3 at x 8..11 within 7..12", 10, 10, 7, 2, 6, 3,
         [](int x, int y) { return y < 2 || y >= 5 || x < 7 ? kGray
                                   : x == 7                 ? 0u
                                                            : kWhite; }},
    };
    for (const auto &c : cases) {
        HWND window = makeWindow(c.width, c.height);
        EXPECT_EQ(3, presentWhite(window, c.x, c.y, c.destWidth, c.destHeight, 4, 3));
        int w, h;
        const auto shown = windowOf(window, w, h);
        for (int y = 0; y < c.height; y++)
            for (int x = 0; x < c.width; x++)
                ASSERT_EQ(c.expected(x, y), shown[y * c.width + x]) << c.what << ": " << x << "," << y;
        DestroyWindow(window);
    }
}

TEST(StretchDIBits, ScalesByWholeFactorsWithoutBlending)
{
    HWND window = makeWindow(6, 4);
    const uint32_t quad[] = {1, 2, 3, 4};
    const Dib d = dib(2, -2, 32);
    EXPECT_EQ(2,
              StretchDIBits(GetDC(window), 1, 0, 4, 4, 0, 0, 2, 2, quad, info(d), DIB_RGB_COLORS, SRCCOPY));
    int w, h;
    const auto shown = windowOf(window, w, h);
    const std::vector<uint32_t> expected{kGray, 1, 1, 2, 2, kGray, kGray, 1, 1, 2, 2, kGray,
                                         kGray, 3, 3, 4, 4, kGray, kGray, 3, 3, 4, 4, kGray};
    EXPECT_EQ(expected, shown);
    DestroyWindow(window);
}

TEST(StretchDIBits, RefusesWhatItCannotShowAndKeepsTheLastFrame)
{
    HWND window = makeWindow(8, 8);
    HDC dc = GetDC(window);
    const uint32_t pixels[16] = {7};
    const Dib good = dib(4, -4, 32);
    ASSERT_EQ(4, StretchDIBits(dc, 0, 0, 8, 8, 0, 0, 4, 4, pixels, info(good), DIB_RGB_COLORS, SRCCOPY));

    const Dib rgb24 = dib(4, -4, 24);
    const Dib palette = dib(4, -4, 8);
    const Dib oddMasks = dib(4, -4, 16, BI_BITFIELDS, 0xF000, 0x0F00, 0x00F0);
    const Dib huge = dib(1 << 20, -1, 32);
    const Dib noRows = dib(4, 0, 32);
    EXPECT_EQ(0, StretchDIBits(dc, 0, 0, 8, 8, 0, 0, 4, 4, pixels, info(rgb24), DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ(0, StretchDIBits(dc, 0, 0, 8, 8, 0, 0, 4, 4, pixels, info(palette), DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ(0, StretchDIBits(dc, 0, 0, 8, 8, 0, 0, 4, 4, pixels, info(oddMasks), DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ(0, StretchDIBits(dc, 0, 0, 8, 8, 0, 0, 1, 1, pixels, info(huge), DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ(0, StretchDIBits(dc, 0, 0, 8, 8, 0, 0, 4, 4, pixels, info(noRows), DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ(0, StretchDIBits(dc, 0, 0, 8, 8, 1, 0, 4, 4, pixels, info(good), DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ(0, StretchDIBits(dc, 0, 0, 8, 8, 0, 0, 4, 5, pixels, info(good), DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ(0, StretchDIBits(dc, 0, 0, 0, 8, 0, 0, 4, 4, pixels, info(good), DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ(0, StretchDIBits(dc, 0, 0, 8, 8, 0, 0, 4, 4, nullptr, info(good), DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ(0, StretchDIBits(dc, 0, 0, 8, 8, 0, 0, 4, 4, pixels, info(good), 1, SRCCOPY));
    EXPECT_EQ(0, StretchDIBits(dc, 0, 0, 8, 8, 0, 0, 4, 4, pixels, info(good), DIB_RGB_COLORS, 0));
    EXPECT_EQ(0, StretchDIBits(reinterpret_cast<HDC>(uintptr_t{6}), 0, 0, 8, 8, 0, 0, 4, 4, pixels,
                               info(good), DIB_RGB_COLORS, SRCCOPY));

    int w = 0, h = 0;
    EXPECT_EQ(7u, frameOf(window, w, h).at(0));
    EXPECT_EQ(4, w);
    uint32_t tooSmall[15];
    EXPECT_EQ(0, mwPlatformReadFrame(window, tooSmall, 15, &w, &h));
    EXPECT_EQ(1, ReleaseDC(window, dc));
    EXPECT_EQ(0, ReleaseDC(window, nullptr));
    DestroyWindow(window);
    EXPECT_EQ(0, mwPlatformReadFrame(window, nullptr, 0, &w, &h));

    HWND fresh = makeWindow(8, 8);
    EXPECT_EQ(0, mwPlatformReadFrame(fresh, nullptr, 0, &w, &h)); // nothing presented yet
    EXPECT_EQ(0, w);
    DestroyWindow(fresh);
}

TEST(StockObjects, OnlyStockBrushesAndPredefinedResourcesExist)
{
    EXPECT_NE(GetStockObject(GRAY_BRUSH), GetStockObject(BLACK_BRUSH));
    EXPECT_EQ(nullptr, GetStockObject(99));
    EXPECT_NE(nullptr, LoadIconA(nullptr, IDI_APPLICATION));
    EXPECT_NE(nullptr, LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(nullptr, LoadIconA(nullptr, "APPICON")); // no resources on this platform
    EXPECT_EQ(nullptr, LoadCursorA(nullptr, MAKEINTRESOURCEA(1)));
}

} // namespace
