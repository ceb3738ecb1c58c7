// The host side for Windows: the main window covers the screen (the saver),
// is an ordinary window, stays hidden (off screen), or becomes a child of
// the Display settings' preview window, which it fills.
#include "mwhost.h"
#include "mwhostwnd.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace {

// The picture's 4:3 at a size every screen shows, as on POSIX.
constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 480;

int hostMode = MW_HOST_FULL_SCREEN;
HWND hostWindow = nullptr;

// "/p" and "-p" alike, in either case; the value follows after ':' or as the
// next argument. Returns the value, "" for the flag without one, or nullptr
// when the argument is not the flag.
const char *flagValue(int argc, char **argv, int index, char flag)
{
    const char *arg = argv[index];
    if ((arg[0] != '/' && arg[0] != '-') || std::tolower(static_cast<unsigned char>(arg[1])) != flag)
        return nullptr;
    if (arg[2] == ':')
        return arg + 3;
    if (arg[2] != '\0')
        return nullptr;
    return index + 1 < argc ? argv[index + 1] : "";
}

// A window handle as hosts write it (decimal; 0x hexadecimal accepted), or
// NULL when the text is no number or names no window.
HWND parseWindow(const char *text)
{
    if (!text || !*text)
        return nullptr;
    char *end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 0);
    if (errno || *end || value == 0)
        return nullptr;
    // Handles keep 32 significant bits on 64-bit Windows, sign-extended.
    const HWND window = reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(value)));
    return IsWindow(window) ? window : nullptr;
}

} // namespace

void mwHostSetMode(int mode) { hostMode = mode; }

int mwHostIsHeadless(void) { return !hostWindow && hostMode == MW_HOST_HEADLESS; }

int mwHostUseScreenSaverHost(int argc, char **argv, unsigned long, int)
{
    // The convention is the first argument: "/p HWND" or "/p:HWND".
    const char *value = argc > 1 ? flagValue(argc, argv, 1, 'p') : nullptr;
    if (!value)
        return 0;
    hostWindow = parseWindow(value);
    return hostWindow ? 1 : -1;
}

int mwHostHasHostWindow(void) { return hostWindow != nullptr; }

void *mwHostAboutOwner(int argc, char **argv)
{
    const char *value = argc > 1 ? flagValue(argc, argv, 1, 'c') : nullptr;
    return value && *value && argv[1][2] == ':' ? parseWindow(value) : nullptr;
}

HWND mwHostOpenMainWindow(const char *className, const char *title, HINSTANCE instance)
{
    DWORD style = WS_POPUP | WS_BORDER | WS_SYSMENU;
    DWORD extendedStyle = 0;
    int x = 0, y = 0;
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HWND parent = nullptr;
    if (hostWindow) {
        // A preview: a child filling the host's client area, never on top of
        // anything else.
        RECT client{};
        GetClientRect(hostWindow, &client);
        style = WS_CHILD;
        width = client.right - client.left;
        height = client.bottom - client.top;
        parent = hostWindow;
    } else if (hostMode == MW_HOST_WINDOW || hostMode == MW_HOST_HEADLESS) {
        style = hostMode == MW_HOST_WINDOW ? WS_OVERLAPPEDWINDOW : style;
        RECT frame = {0, 0, kWindowWidth, kWindowHeight};
        AdjustWindowRectEx(&frame, style, FALSE, extendedStyle);
        x = y = CW_USEDEFAULT;
        width = frame.right - frame.left;
        height = frame.bottom - frame.top;
    } else {
        extendedStyle = WS_EX_TOPMOST; // the saver covers the screen and everything on it
    }
    const HWND window = CreateWindowExA(extendedStyle, className, title, style, x, y, width, height, parent,
                                        nullptr, instance, nullptr);
    if (!window || mwHostIsHeadless())
        return window;
    ShowWindow(window, SW_SHOW);
    if (!hostWindow && hostMode == MW_HOST_FULL_SCREEN)
        ShowCursor(FALSE); // no pointer over the saver
    return window;
}
