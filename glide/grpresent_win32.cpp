// grpresent_win32.cpp - the Windows side of presentation: nothing reads a
// picture back from a window there, so a window that is not on screen (an
// off-screen run) is shown nothing at all, and every other one every frame.
#include "grpresent.h"

#include <windows.h>

namespace gr {

bool showOnDemand(uint32_t window, void (*show)(void *), void *)
{
    // Handles keep 32 significant bits on 64-bit Windows, sign-extended.
    const HWND hwnd = reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(window)));
    return show && !IsWindowVisible(hwnd);
}

} // namespace gr
