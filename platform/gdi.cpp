// Drawing contexts, stock objects, predefined icons and cursors, and
// StretchDIBits: how pictures reach a window's surface and its back end.
#include "backend.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace mwp {
namespace {

// GetStockObject indices WHITE_BRUSH .. NULL_BRUSH, by colour.
const uint32_t stockBrushes[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000, kNoBackground};

// Predefined icons (IDI_APPLICATION ..) and cursors (IDC_ARROW ..) start at
// 32512; their handles point into these tables.
constexpr int kFirstResource = 32512;
const char predefinedIcons[6] = {};
const char predefinedCursors[140] = {};

// The handle of a predefined icon or cursor: only by number, without an
// instance; NULL (file not found) for anything else.
template <size_t N>
void *predefined(const char (&table)[N], HINSTANCE instance, LPCSTR name)
{
    const uintptr_t id = reinterpret_cast<uintptr_t>(name);
    if (instance || !IS_INTRESOURCE(name) || id < kFirstResource || id >= kFirstResource + N) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return const_cast<char *>(&table[id - kFirstResource]);
}

// A window's drawing context is its handle with this bit set.
constexpr uintptr_t kDcBit = 2;

// Larger pictures are refused rather than allocated.
constexpr int64_t kLargestSide = 16384;

enum class Format { rgb555, rgb565, xrgb8888 };

DWORD maskAt(const BITMAPINFO &info, int index)
{
    // With BI_BITFIELDS the masks follow the 40-byte header (they are part
    // of the larger headers at the same place).
    DWORD mask;
    std::memcpy(&mask, reinterpret_cast<const BYTE *>(&info) + 40 + 4 * index, sizeof mask);
    return mask;
}

bool sourceFormat(const BITMAPINFO &info, Format &format)
{
    const BITMAPINFOHEADER &header = info.bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1)
        return false;
    if (header.biCompression == BI_RGB) {
        if (header.biBitCount != 16 && header.biBitCount != 32)
            return false;
        format = header.biBitCount == 16 ? Format::rgb555 : Format::xrgb8888;
        return true;
    }
    if (header.biCompression != BI_BITFIELDS)
        return false;
    const DWORD r = maskAt(info, 0), g = maskAt(info, 1), b = maskAt(info, 2);
    if (header.biBitCount == 16 && r == 0xF800 && g == 0x07E0 && b == 0x001F)
        format = Format::rgb565;
    else if (header.biBitCount == 16 && r == 0x7C00 && g == 0x03E0 && b == 0x001F)
        format = Format::rgb555;
    else if (header.biBitCount == 32 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF)
        format = Format::xrgb8888;
    else
        return false;
    return true;
}

uint32_t widen5(uint32_t v) { return (v << 3) | (v >> 2); }

uint32_t widen6(uint32_t v) { return (v << 2) | (v >> 4); }

void convertRow(const BYTE *source, Format format, int count, uint32_t *out)
{
    for (int x = 0; x < count; x++) {
        if (format == Format::xrgb8888) {
            uint32_t pixel;
            std::memcpy(&pixel, source + 4 * x, 4);
            out[x] = pixel & 0xFFFFFF;
            continue;
        }
        const uint32_t pixel = source[2 * x] | (source[2 * x + 1] << 8);
        if (format == Format::rgb565)
            out[x] = widen5(pixel >> 11) << 16 | widen6((pixel >> 5) & 63) << 8 | widen5(pixel & 31);
        else
            out[x] = widen5((pixel >> 10) & 31) << 16 | widen5((pixel >> 5) & 31) << 8 | widen5(pixel & 31);
    }
}

// Scales the window's frame into the destination rectangle with its aspect
// kept, centred, black around it; only the client area is written.
// Returns the part of the client area written (may be empty).
RECT placeFrame(Wnd &window, int64_t xDest, int64_t yDest, int64_t destWidth, int64_t destHeight)
{
    const int64_t srcWidth = window.frameWidth, srcHeight = window.frameHeight;
    int64_t fitWidth = destWidth, fitHeight = destHeight;
    if (destWidth * srcHeight > destHeight * srcWidth)
        fitWidth = std::max<int64_t>(1, (destHeight * srcWidth + srcHeight / 2) / srcHeight);
    else
        fitHeight = std::max<int64_t>(1, (destWidth * srcHeight + srcWidth / 2) / srcWidth);
    const int64_t fitX = xDest + (destWidth - fitWidth) / 2;
    const int64_t fitY = yDest + (destHeight - fitHeight) / 2;

    const int64_t x0 = std::max<int64_t>(xDest, 0), x1 = std::min<int64_t>(xDest + destWidth, window.width);
    const int64_t y0 = std::max<int64_t>(yDest, 0), y1 = std::min<int64_t>(yDest + destHeight, window.height);
    if (x0 >= x1 || y0 >= y1)
        return RECT{0, 0, 0, 0};

    // Source column of every destination column (sampled at pixel centres),
    // -1 in the bars.
    std::vector<int32_t> columns(static_cast<size_t>(x1 - x0));
    for (int64_t x = x0; x < x1; x++) {
        const int64_t offset = x - fitX;
        columns[x - x0] = offset < 0 || offset >= fitWidth
                              ? -1
                              : static_cast<int32_t>((2 * offset + 1) * srcWidth / (2 * fitWidth));
    }
    for (int64_t y = y0; y < y1; y++) {
        uint32_t *out = &window.surface[static_cast<size_t>(y * window.width + x0)];
        const int64_t offset = y - fitY;
        if (offset < 0 || offset >= fitHeight) {
            std::fill_n(out, x1 - x0, 0u);
            continue;
        }
        const uint32_t *row =
            &window.frame[static_cast<size_t>((2 * offset + 1) * srcHeight / (2 * fitHeight) * srcWidth)];
        for (size_t i = 0; i < columns.size(); i++)
            out[i] = columns[i] < 0 ? 0 : row[columns[i]];
    }
    return RECT{static_cast<LONG>(x0), static_cast<LONG>(y0), static_cast<LONG>(x1), static_cast<LONG>(y1)};
}

HWND windowOfDc(HDC dc)
{
    const uintptr_t value = reinterpret_cast<uintptr_t>(dc);
    return (value & 3) == kDcBit ? reinterpret_cast<HWND>(value & ~uintptr_t{3}) : nullptr;
}

int readPixels(HWND handle, bool wholeWindow, uint32_t *pixels, size_t capacity, int *width, int *height)
{
    auto window = findWindow(handle);
    if (!window)
        return 0;
    MWP_FRAME_SOURCE source;
    void *context;
    {
        std::lock_guard<std::mutex> hold(window->lock);
        source = window->frameSource;
        context = window->frameSourceContext;
    }
    if (source)
        source(context); // presents through StretchDIBits, which takes the lock
    std::lock_guard<std::mutex> hold(window->lock);
    const int w = wholeWindow ? window->width : window->frameWidth;
    const int h = wholeWindow ? window->height : window->frameHeight;
    if (width)
        *width = w;
    if (height)
        *height = h;
    if (w == 0 || h == 0)
        return 0;
    if (!pixels)
        return 1;
    const size_t count = static_cast<size_t>(w) * h;
    if (capacity < count)
        return 0;
    std::copy_n((wholeWindow ? window->surface : window->frame).data(), count, pixels);
    return 1;
}

} // namespace

uint32_t brushColor(HBRUSH brush)
{
    const auto *color = reinterpret_cast<const uint32_t *>(brush);
    if (color >= std::begin(stockBrushes) && color < std::end(stockBrushes))
        return *color;
    return kNoBackground;
}

} // namespace mwp

using namespace mwp;

HGDIOBJ WINAPI GetStockObject(int object)
{
    if (object < 0 || object >= static_cast<int>(std::size(stockBrushes))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return const_cast<uint32_t *>(&stockBrushes[object]);
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name)
{
    return static_cast<HICON>(predefined(predefinedIcons, instance, name));
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    return static_cast<HCURSOR>(predefined(predefinedCursors, instance, name));
}

HDC WINAPI GetDC(HWND window)
{
    if (!findWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return reinterpret_cast<HDC>(reinterpret_cast<uintptr_t>(window) | kDcBit);
}

int WINAPI ReleaseDC(HWND window, HDC dc) { return window && windowOfDc(dc) == window ? 1 : 0; }

int WINAPI GetDeviceCaps(HDC dc, int index)
{
    auto window = findWindow(windowOfDc(dc));
    if (!window || index != VREFRESH)
        return 0;
    return backend().refreshRate(*window);
}

int WINAPI StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                         int srcWidth, int srcHeight, const void *bits, const BITMAPINFO *info, UINT usage,
                         DWORD rop)
{
    auto window = findWindow(windowOfDc(dc));
    Format format;
    if (!window || !bits || !info || usage != DIB_RGB_COLORS || rop != SRCCOPY ||
        !sourceFormat(*info, format)) {
        SetLastError(window ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return 0;
    }
    const int64_t imageWidth = info->bmiHeader.biWidth;
    const int64_t imageHeight =
        info->bmiHeader.biHeight < 0 ? -int64_t{info->bmiHeader.biHeight} : int64_t{info->bmiHeader.biHeight};
    if (imageWidth <= 0 || imageWidth > kLargestSide || imageHeight == 0 || imageHeight > kLargestSide ||
        srcWidth <= 0 || srcHeight <= 0 || destWidth <= 0 || destHeight <= 0 || xSrc < 0 || ySrc < 0 ||
        xSrc + int64_t{srcWidth} > imageWidth || ySrc + int64_t{srcHeight} > imageHeight) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int bytesPerPixel = info->bmiHeader.biBitCount / 8;
    const int64_t stride = (imageWidth * bytesPerPixel + 3) / 4 * 4;
    // A bottom-up picture keeps its last row first, and its source rectangle
    // is measured from the bottom.
    const bool bottomUp = info->bmiHeader.biHeight > 0;
    const int64_t top = bottomUp ? imageHeight - ySrc - srcHeight : ySrc;
    const auto *base = static_cast<const BYTE *>(bits);

    std::lock_guard<std::mutex> hold(window->lock);
    window->frame.resize(static_cast<size_t>(srcWidth) * srcHeight);
    window->frameWidth = srcWidth;
    window->frameHeight = srcHeight;
    for (int y = 0; y < srcHeight; y++) {
        const int64_t row = bottomUp ? imageHeight - 1 - (top + y) : top + y;
        convertRow(base + row * stride + int64_t{xSrc} * bytesPerPixel, format, srcWidth,
                   &window->frame[static_cast<size_t>(y) * srcWidth]);
    }
    const RECT area = placeFrame(*window, xDest, yDest, destWidth, destHeight);
    if (area.right > area.left)
        backend().present(*window, area);
    return srcHeight;
}

//---- Extensions --------------------------------------------------------------

int mwPlatformSetFrameSource(HWND handle, MWP_FRAME_SOURCE source, void *context)
{
    auto window = findWindow(handle);
    if (!window)
        return 0;
    std::lock_guard<std::mutex> hold(window->lock);
    window->frameSource = source;
    window->frameSourceContext = context;
    return 1;
}

int mwPlatformReadFrame(HWND window, uint32_t *pixels, size_t capacity, int *width, int *height)
{
    return readPixels(window, false, pixels, capacity, width, height);
}

int mwPlatformReadWindow(HWND window, uint32_t *pixels, size_t capacity, int *width, int *height)
{
    return readPixels(window, true, pixels, capacity, width, height);
}
