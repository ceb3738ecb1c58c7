// grpresent_posix.cpp - the platform layer's side of presentation: its
// off-screen windows show a frame only when it is read, and its
// StretchDIBits keeps the picture's shape by itself.
#include "grpresent.h"

#include "mwplatform.h"

namespace gr {

bool showOnDemand(uint32_t window, void (*show)(void *), void *context)
{
    if (!mwPlatformIsHeadless())
        return false;
    return mwPlatformSetFrameSource(reinterpret_cast<HWND>(uintptr_t(window)), show, context) != 0;
}

RECT pictureArea(HDC, int clientWidth, int clientHeight, int, int)
{
    return {0, 0, clientWidth, clientHeight};
}

} // namespace gr
