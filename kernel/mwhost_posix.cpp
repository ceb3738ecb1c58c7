// The host side for POSIX: the platform layer places windows itself (X11
// full screen, window or host window; headless surfaces), so the kernel's
// window is made as documented and the choices go to the platform.
#include "mwhost.h"
#include "mwhostwnd.h"
#include "mwplatform.h"

namespace {

bool hostWindow = false;

} // namespace

void mwHostSetMode(int mode)
{
    if (mode == MW_HOST_HEADLESS)
        mwPlatformSetHeadless(1);
    else
        mwPlatformSetWindowed(mode == MW_HOST_WINDOW);
}

int mwHostIsHeadless(void) { return mwPlatformIsHeadless(); }

int mwHostUseScreenSaverHost(int, char **, unsigned long windowId, int root)
{
    const int result = mwPlatformUseScreenSaverHost(windowId, root);
    hostWindow = result == 1;
    return result;
}

int mwHostHasHostWindow(void) { return hostWindow; }

void *mwHostAboutOwner(int, char **) { return nullptr; }

HWND mwHostOpenMainWindow(const char *className, const char *title, HINSTANCE instance)
{
    const HWND window =
        CreateWindowExA(0, className, title, WS_POPUP | WS_BORDER | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOW);
    return window;
}
