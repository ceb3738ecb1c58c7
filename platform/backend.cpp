// Choosing the window back end, and how the program wants its windows to
// appear.
#include "backend.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace mwp {
namespace {

std::mutex choiceLock;
std::atomic<Backend *> chosen{nullptr};
int headlessAsked = -1; // -1: no call made; guarded by choiceLock
std::atomic<bool> windowedAsked{false};
std::atomic<unsigned long> hostWindow{0};

bool environmentFlag(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value && std::strcmp(value, "0") != 0;
}

Backend *choose()
{
    const bool headless = headlessAsked >= 0 ? headlessAsked != 0 : environmentFlag("MARROW_HEADLESS");
    const char *display = std::getenv("DISPLAY");
    if (!headless && display && *display) {
        if (auto x11 = makeX11Backend())
            return x11.release();
        std::fprintf(stderr, "mwplatform: cannot open display \"%s\"; windows are off-screen\n", display);
    }
    return makeHeadlessBackend().release(); // kept until the process ends
}

// An X11 window id as the host conventions write it: decimal or 0x hex.
bool parseWindowId(const char *text, unsigned long &id)
{
    if (!text || !*text)
        return false;
    char *end = nullptr;
    errno = 0;
    id = std::strtoul(text, &end, 0);
    return errno == 0 && *end == '\0' && id != 0 && text[0] != '-';
}

} // namespace

#ifndef MARROW_HAVE_X11
std::unique_ptr<Backend> makeX11Backend()
{
    return nullptr; // built without X11: every window is headless
}
#endif

Backend &backend()
{
    if (Backend *b = chosen.load(std::memory_order_acquire))
        return *b;
    std::lock_guard<std::mutex> hold(choiceLock);
    if (!chosen.load())
        chosen.store(choose(), std::memory_order_release);
    return *chosen.load();
}

bool windowedRequested() { return windowedAsked || environmentFlag("MARROW_WINDOWED"); }

unsigned long takeHostWindow() { return hostWindow.exchange(0); }

} // namespace mwp

using namespace mwp;

int mwPlatformSetHeadless(int on)
{
    std::lock_guard<std::mutex> hold(choiceLock);
    if (chosen.load())
        return 0;
    headlessAsked = on ? 1 : 0;
    return 1;
}

int mwPlatformIsHeadless(void) { return backend().headless(); }

void mwPlatformSetWindowed(int on) { windowedAsked = on != 0; }

void mwPlatformSetHostWindow(unsigned long window) { hostWindow = window; }

int mwPlatformUseScreenSaverHost(unsigned long windowId, int root)
{
    if (windowId) {
        mwPlatformSetHostWindow(windowId);
        return 1;
    }
    if (const char *variable = std::getenv("XSCREENSAVER_WINDOW"); variable && *variable) {
        unsigned long id;
        if (!parseWindowId(variable, id))
            return -1;
        mwPlatformSetHostWindow(id);
        return 1;
    }
    if (root) {
        mwPlatformSetHostWindow(MWP_HOST_ROOT);
        return 1;
    }
    return 0;
}
