// grpresent_win32.cpp - the Windows side of presentation: nothing reads a
// picture back from a window there, so a window that is not on screen (an
// off-screen run) is shown nothing at all, and every other one every frame;
// StretchDIBits stretches to any shape, so the bars are painted here.
#include "grpresent.h"

#include <windows.h>

namespace gr {

HWND windowOf(uint32_t handle)
{
    // Handles keep 32 significant bits on 64-bit Windows, sign-extended.
    return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(handle)));
}

bool showOnDemand(HWND window, void (*show)(void *), void *) { return show && !IsWindowVisible(window); }

RECT pictureArea(HDC dc, int clientWidth, int clientHeight, int frameWidth, int frameHeight)
{
    RECT area = {0, 0, clientWidth, clientHeight};
    if (frameWidth <= 0 || frameHeight <= 0)
        return area;
    // Wider than the frame: bars left and right; taller: above and below.
    if (int64_t(clientWidth) * frameHeight > int64_t(clientHeight) * frameWidth) {
        const int width = int(int64_t(clientHeight) * frameWidth / frameHeight);
        area.left = (clientWidth - width) / 2;
        area.right = area.left + width;
        PatBlt(dc, 0, 0, area.left, clientHeight, BLACKNESS);
        PatBlt(dc, area.right, 0, clientWidth - area.right, clientHeight, BLACKNESS);
    } else {
        const int height = int(int64_t(clientWidth) * frameHeight / frameWidth);
        area.top = (clientHeight - height) / 2;
        area.bottom = area.top + height;
        PatBlt(dc, 0, 0, clientWidth, area.top, BLACKNESS);
        PatBlt(dc, 0, area.bottom, clientWidth, clientHeight - area.bottom, BLACKNESS);
    }
    return area;
}

} // namespace gr
