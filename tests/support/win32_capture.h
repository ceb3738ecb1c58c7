// win32_capture.h - Windows test programs: what a window shows, read back
// through GDI (a person would see the same on the screen), and waiting for
// it while the calling thread's messages are served.
#ifndef MW_TESTS_SUPPORT_WIN32_CAPTURE_H
#define MW_TESTS_SUPPORT_WIN32_CAPTURE_H

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace mwtest {

// A window's client area: 0xRRGGBB pixels, top row first.
struct Capture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

inline Capture capture(HWND window)
{
    Capture shot;
    RECT client{};
    if (!GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0)
        return shot;
    shot.width = client.right;
    shot.height = client.bottom;
    HDC source = GetDC(window);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap) {
        HGDIOBJ before = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, shot.width, shot.height, source, 0, 0, SRCCOPY);
        GdiFlush();
        shot.pixels.resize(size_t(shot.width) * shot.height);
        std::memcpy(shot.pixels.data(), bits, shot.pixels.size() * 4);
        for (uint32_t &p : shot.pixels)
            p &= 0xFFFFFF;
        SelectObject(memory, before);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(window, source);
    return shot;
}

// Serves the thread's messages until condition holds (true) or 10 s went by.
inline bool eventually(const std::function<bool()> &condition)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > 10000)
            return false;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    }
    return true;
}

// A visible top-level window without a frame whose client area is width x
// height at (x, y); its thread must serve its messages.
inline HWND screenWindow(int x, int y, int width, int height)
{
    static const ATOM windowClass = [] {
        WNDCLASSA c{};
        c.lpfnWndProc = DefWindowProcA;
        c.hInstance = GetModuleHandleA(nullptr);
        c.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        c.lpszClassName = "mwtestScreenWindow";
        return RegisterClassA(&c);
    }();
    return CreateWindowExA(0, MAKEINTATOM(windowClass), "test window", WS_POPUP | WS_VISIBLE, x, y, width,
                           height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

} // namespace mwtest

#endif
