// grpresent.cpp - presentation of the front buffer through the platform
// layer's GDI calls.
#include "grpresent.h"

#include "mwwin32.h"

namespace gr {

namespace {

// A 5-6-5 DIB header with its three colour masks.
struct Dib565 {
    BITMAPINFOHEADER header;
    DWORD masks[3];
};

} // namespace

void presentFrame(uint32_t window, const uint16_t *pixels, int width, int height, int stride)
{
    if (!window)
        return; // no window: the frame stays in the front buffer for grLfbReadRegion
    HWND hwnd = reinterpret_cast<HWND>(uintptr_t(window));
    HDC dc = GetDC(hwnd);
    if (!dc)
        return;
    RECT client{};
    if (GetClientRect(hwnd, &client) && client.right > client.left && client.bottom > client.top) {
        Dib565 dib{};
        dib.header.biSize = sizeof(BITMAPINFOHEADER);
        dib.header.biWidth = stride;   // rows carry the board's padding; the source rectangle skips it
        dib.header.biHeight = -height; // top row first
        dib.header.biPlanes = 1;
        dib.header.biBitCount = 16;
        dib.header.biCompression = BI_BITFIELDS;
        dib.masks[0] = 0xF800;
        dib.masks[1] = 0x07E0;
        dib.masks[2] = 0x001F;
        // The platform scales into the client area keeping the 4:3 picture, with
        // black bars where the shapes differ.
        StretchDIBits(dc, 0, 0, client.right - client.left, client.bottom - client.top, 0, 0, width, height,
                      pixels, reinterpret_cast<const BITMAPINFO *>(&dib), DIB_RGB_COLORS, SRCCOPY);
    }
    ReleaseDC(hwnd, dc);
}

} // namespace gr
