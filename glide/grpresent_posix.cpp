// grpresent_posix.cpp - the platform layer's side of presentation: its
// off-screen windows show a frame only when it is read, and its
// StretchDIBits keeps the picture's shape by itself.
#include "grpresent.h"

#include "mwplatform.h"

namespace gr {

HWND windowOf(uint32_t handle) { return reinterpret_cast<HWND>(uintptr_t(handle)); }

bool showOnDemand(HWND window, void (*show)(void *), void *context)
{
    if (!mwPlatformIsHeadless())
        return false;
    return mwPlatformSetFrameSource(window, show, context) != 0;
}

RECT pictureArea(HDC, int clientWidth, int clientHeight, int, int)
{
    return {0, 0, clientWidth, clientHeight};
}

} // namespace gr
