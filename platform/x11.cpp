// The X11 back end: a top-level window is an X11 window (full screen unless
// a window was asked for) or a screen saver host's window; pictures go in
// with XPutImage; X events become the windows' messages and input events.
#include "backend.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <errno.h>
#include <mutex>
#include <unordered_map>
#include <vector>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#ifdef MARROW_HAVE_XRANDR
#include <X11/extensions/Xrandr.h>
#endif

namespace mwp {
namespace {

constexpr long kEventMask = ExposureMask | StructureNotifyMask | FocusChangeMask | KeyPressMask |
                            KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            EnterWindowMask;
// A host's window unmapped for this long without being mapped again is taken
// as gone: the host has stopped showing us.
constexpr DWORD kHostUnmapGrace = 1000;

// A host's window is someone else's: only what may be shared is asked for.
constexpr long kHostEventMask = ExposureMask | StructureNotifyMask;

// Xlib's default error handler ends the process; a refused request (a focus
// the window manager keeps, a host window that went away) must not.
std::atomic<int> lastXError{0};
int recordXError(Display *, XErrorEvent *event)
{
    lastXError = event->error_code;
    return 0;
}

// The X side of one window.
struct XWindow {
    ::Window id = 0;
    bool host = false; // a host's window: not ours to destroy
    GC gc = nullptr;
    Visual *visual = nullptr;
    int depth = 0;
    // 32-bit pixels laid out as 0x00RRGGBB: the surface can be sent as is.
    bool surfaceIsImage = false;
    bool pointerKnown = false; // root coordinates of the last pointer event
    int pointerX = 0, pointerY = 0;
};

// A channel value of 8 bits placed into a visual's colour mask.
unsigned long channel(uint32_t value8, unsigned long mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const unsigned long value = bits >= 8 ? value8 << (bits - 8) : value8 >> (8 - bits);
    return (value << shift) & mask;
}

unsigned long pixelValue(const Visual *visual, uint32_t rgb)
{
    return channel(rgb >> 16 & 0xFF, visual->red_mask) | channel(rgb >> 8 & 0xFF, visual->green_mask) |
           channel(rgb & 0xFF, visual->blue_mask);
}

// Win32 virtual key of a key symbol, 0 for keys without one here.
WPARAM virtualKey(KeySym symbol)
{
    if (symbol >= XK_a && symbol <= XK_z)
        return 'A' + (symbol - XK_a);
    if ((symbol >= XK_A && symbol <= XK_Z) || (symbol >= XK_0 && symbol <= XK_9))
        return symbol;
    if (symbol >= XK_F1 && symbol <= XK_F12)
        return VK_F1 + (symbol - XK_F1);
    if (symbol >= XK_Left && symbol <= XK_Down)
        return VK_LEFT + (symbol - XK_Left); // same order: left, up, right, down
    switch (symbol) {
    case XK_BackSpace: return VK_BACK;
    case XK_Tab: return VK_TAB;
    case XK_Return: return VK_RETURN;
    case XK_Escape: return VK_ESCAPE;
    case XK_space: return VK_SPACE;
    case XK_Shift_L:
    case XK_Shift_R: return VK_SHIFT;
    case XK_Control_L:
    case XK_Control_R: return VK_CONTROL;
    case XK_Alt_L:
    case XK_Alt_R:
    case XK_Meta_L:
    case XK_Meta_R: return VK_MENU;
    }
    return 0;
}

class X11Backend final : public Backend {
public:
    explicit X11Backend(Display *display) : display_(display), screen_(DefaultScreen(display))
    {
        XSetErrorHandler(recordXError);
        wmProtocols_ = XInternAtom(display_, "WM_PROTOCOLS", False);
        wmDeleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
        netWmState_ = XInternAtom(display_, "_NET_WM_STATE", False);
        netWmStateFullscreen_ = XInternAtom(display_, "_NET_WM_STATE_FULLSCREEN", False);
        // Held keys report one press, not a press and release per repeat.
        XkbSetDetectableAutoRepeat(display_, True, nullptr);
    }

    bool headless() const override { return false; }

    bool create(Wnd &window, int width, int height) override;
    void destroy(Wnd &window) override;
    void show(Wnd &window, bool visible) override;
    void present(Wnd &window, const RECT &area) override;
    int eventDescriptor() override { return ConnectionNumber(display_); }
    int pumpTimeout() override;
    void pump() override;
    int refreshRate(Wnd &window) override;
    void systemAction(int action, LPARAM parameter) override;

    unsigned long nativeId(Wnd &window) override
    {
        std::lock_guard<std::mutex> hold(window.lock);
        const auto *x = static_cast<const XWindow *>(window.native);
        return x ? x->id : 0;
    }

private:
    bool adoptHost(XWindow &x, unsigned long host, int &width, int &height);
    bool makeWindow(XWindow &x, const Wnd &window, int &width, int &height);
    Cursor blankCursor();
    void handle(XEvent &event);
    static bool isHost(Wnd &window);
    void keyEvent(Wnd &window, XKeyEvent &event);
    void buttonEvent(Wnd &window, const XButtonEvent &event);
    void motionEvent(Wnd &window, int rootX, int rootY, bool report);
    // Another thread's request may have read events into Xlib's queue;
    // without a wake-up the pumping thread would sleep on them.
    void wakeForQueuedEvents()
    {
        if (XEventsQueued(display_, QueuedAlready) > 0)
            wakeAllQueues();
    }

    Display *display_;
    int screen_;
    Atom wmProtocols_, wmDeleteWindow_, netWmState_, netWmStateFullscreen_;
    Cursor blankCursor_ = 0;
    std::mutex lock_; // guards byId_ and blankCursor_
    std::unordered_map<::Window, HWND> byId_;
    std::unordered_map<HWND, DWORD> unmappedHosts_; // since when; guarded by lock_
    std::mutex checkLock_;                          // one checked request at a time
};

bool X11Backend::adoptHost(XWindow &x, unsigned long host, int &width, int &height)
{
    x.id = host == MWP_HOST_ROOT ? RootWindow(display_, screen_) : host;
    x.host = true;
    XWindowAttributes attributes;
    std::lock_guard<std::mutex> hold(checkLock_);
    XSync(display_, False);
    lastXError = 0;
    // The events are asked for before the round trip of the query: once it
    // returns, the server has taken the request, so an unmap or destroy by
    // the host reaches us however the server orders its clients' requests
    // (selected afterwards, the host's request could come first and its
    // event would never arrive). A window already gone fails both.
    XSelectInput(display_, x.id, kHostEventMask);
    if (!XGetWindowAttributes(display_, x.id, &attributes) || lastXError != 0)
        return false;
    x.visual = attributes.visual;
    x.depth = attributes.depth;
    width = attributes.width;
    height = attributes.height;
    return true;
}

bool X11Backend::makeWindow(XWindow &x, const Wnd &window, int &width, int &height)
{
    const bool fullScreen = !windowedRequested();
    if (fullScreen) {
        width = DisplayWidth(display_, screen_);
        height = DisplayHeight(display_, screen_);
    }
    x.visual = DefaultVisual(display_, screen_);
    x.depth = DefaultDepth(display_, screen_);
    XSetWindowAttributes attributes{};
    attributes.background_pixel =
        pixelValue(x.visual, window.background == kNoBackground ? 0 : window.background);
    attributes.border_pixel = 0;
    attributes.event_mask = kEventMask;
    x.id = XCreateWindow(display_, RootWindow(display_, screen_), 0, 0, width, height, 0, x.depth,
                         InputOutput, x.visual, CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
    if (!x.id)
        return false;
    XSetWMProtocols(display_, x.id, &wmDeleteWindow_, 1);
    XStoreName(display_, x.id, window.title.c_str());
    XClassHint hint{program_invocation_short_name, program_invocation_short_name};
    XSetClassHint(display_, x.id, &hint);
    if (fullScreen) {
        XChangeProperty(display_, x.id, netWmState_, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char *>(&netWmStateFullscreen_), 1);
        XDefineCursor(display_, x.id, blankCursor()); // a screen saver shows no pointer
    }
    return true;
}

Cursor X11Backend::blankCursor()
{
    std::lock_guard<std::mutex> hold(lock_);
    if (!blankCursor_) {
        const char empty = 0;
        Pixmap pixmap = XCreateBitmapFromData(display_, RootWindow(display_, screen_), &empty, 1, 1);
        XColor black{};
        blankCursor_ = XCreatePixmapCursor(display_, pixmap, pixmap, &black, &black, 0, 0);
        XFreePixmap(display_, pixmap);
    }
    return blankCursor_;
}

bool X11Backend::create(Wnd &window, int width, int height)
{
    auto x = std::make_unique<XWindow>();
    const unsigned long host = takeHostWindow();
    if (host ? !adoptHost(*x, host, width, height) : !makeWindow(*x, window, width, height)) {
        SetLastError(host ? ERROR_INVALID_WINDOW_HANDLE : ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    if (x->visual->c_class != TrueColor && x->visual->c_class != DirectColor) {
        if (!x->host)
            XDestroyWindow(display_, x->id);
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    x->gc = XCreateGC(display_, x->id, 0, nullptr);
    XImage *probe = XCreateImage(display_, x->visual, x->depth, ZPixmap, 0, nullptr, 1, 1, 32, 0);
    x->surfaceIsImage = probe && probe->bits_per_pixel == 32 && x->visual->red_mask == 0xFF0000 &&
                        x->visual->green_mask == 0xFF00 && x->visual->blue_mask == 0xFF;
    if (probe)
        XDestroyImage(probe);
    {
        std::lock_guard<std::mutex> hold(lock_);
        byId_[x->id] = window.handle;
    }
    window.width = width;
    window.height = height;
    window.native = x.release();
    XFlush(display_);
    return true;
}

void X11Backend::destroy(Wnd &window)
{
    XWindow *x;
    {
        std::lock_guard<std::mutex> hold(window.lock);
        x = static_cast<XWindow *>(window.native);
        window.native = nullptr;
    }
    if (!x)
        return;
    {
        std::lock_guard<std::mutex> hold(lock_);
        byId_.erase(x->id);
    }
    XFreeGC(display_, x->gc);
    if (x->host)
        XSelectInput(display_, x->id, NoEventMask);
    else
        XDestroyWindow(display_, x->id);
    // When DestroyWindow returns the window is gone for every client too.
    XSync(display_, False);
    wakeForQueuedEvents();
    delete x;
}

void X11Backend::show(Wnd &window, bool visible)
{
    std::lock_guard<std::mutex> hold(window.lock);
    const auto *x = static_cast<const XWindow *>(window.native);
    if (!x || x->host)
        return; // the host shows its window itself
    if (visible)
        XMapRaised(display_, x->id);
    else
        XUnmapWindow(display_, x->id);
    XFlush(display_);
}

void X11Backend::present(Wnd &window, const RECT &area)
{
    const auto *x = static_cast<const XWindow *>(window.native);
    if (!x)
        return;
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (x->surfaceIsImage) {
        XImage *image = XCreateImage(display_, x->visual, x->depth, ZPixmap, 0,
                                     reinterpret_cast<char *>(window.surface.data()), window.width,
                                     window.height, 32, window.width * 4);
        if (!image)
            return;
        image->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
        XPutImage(display_, x->id, x->gc, image, area.left, area.top, area.left, area.top, width, height);
        image->data = nullptr; // the surface is not Xlib's to free
        XDestroyImage(image);
    } else {
        XImage *image =
            XCreateImage(display_, x->visual, x->depth, ZPixmap, 0, nullptr, width, height, 32, 0);
        if (!image)
            return;
        image->data = static_cast<char *>(std::malloc(static_cast<size_t>(image->bytes_per_line) * height));
        if (image->data) {
            for (int y = 0; y < height; y++)
                for (int col = 0; col < width; col++)
                    XPutPixel(image, col, y,
                              pixelValue(x->visual,
                                         window.surface[static_cast<size_t>(area.top + y) * window.width +
                                                        area.left + col]));
            XPutImage(display_, x->id, x->gc, image, 0, 0, area.left, area.top, width, height);
        }
        XDestroyImage(image);
    }
    XFlush(display_);
    wakeForQueuedEvents();
}

int X11Backend::refreshRate(Wnd &window)
{
#ifdef MARROW_HAVE_XRANDR
    ::Window id;
    {
        std::lock_guard<std::mutex> hold(window.lock);
        const auto *x = static_cast<const XWindow *>(window.native);
        if (!x)
            return 0;
        id = x->id;
    }
    // The mode of the CRTC under the window's centre: dot clock / (h total x v total).
    const ::Window root = RootWindow(display_, screen_);
    int centreX = 0, centreY = 0;
    ::Window child;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display_, id, &attributes) ||
        !XTranslateCoordinates(display_, id, root, attributes.width / 2, attributes.height / 2, &centreX,
                               &centreY, &child))
        return 0;
    XRRScreenResources *resources = XRRGetScreenResourcesCurrent(display_, root);
    if (!resources)
        return 0;
    double rate = 0.0;
    for (int c = 0; c < resources->ncrtc && rate == 0.0; ++c) {
        XRRCrtcInfo *crtc = XRRGetCrtcInfo(display_, resources, resources->crtcs[c]);
        if (!crtc)
            continue;
        const bool under = crtc->mode != None && centreX >= crtc->x && centreY >= crtc->y &&
                           centreX < crtc->x + int(crtc->width) && centreY < crtc->y + int(crtc->height);
        for (int m = 0; under && m < resources->nmode; ++m) {
            const XRRModeInfo &mode = resources->modes[m];
            if (mode.id == crtc->mode && mode.hTotal && mode.vTotal)
                rate = double(mode.dotClock) / (double(mode.hTotal) * double(mode.vTotal));
        }
        XRRFreeCrtcInfo(crtc);
    }
    XRRFreeScreenResources(resources);
    wakeForQueuedEvents();
    return int(rate + 0.5);
#else
    (void)window;
    return 0;
#endif
}

int X11Backend::pumpTimeout()
{
    std::lock_guard<std::mutex> hold(lock_);
    int due = -1;
    const DWORD now = GetTickCount();
    for (const auto &[window, since] : unmappedHosts_) {
        const DWORD waited = now - since;
        const int left = waited >= kHostUnmapGrace ? 0 : int(kHostUnmapGrace - waited);
        due = due < 0 ? left : std::min(due, left);
    }
    return due;
}

void X11Backend::pump()
{
    // Never blocks: with two threads pumping, XPending followed by XNextEvent
    // could leave one waiting for an event the other took.
    XEvent event;
    while (XCheckIfEvent(
        display_, &event, [](Display *, XEvent *, XPointer) -> Bool { return True; }, nullptr))
        handle(event);

    std::vector<HWND> gone;
    {
        std::lock_guard<std::mutex> hold(lock_);
        const DWORD now = GetTickCount();
        std::erase_if(unmappedHosts_, [&](const auto &entry) {
            if (now - entry.second < kHostUnmapGrace)
                return false;
            gone.push_back(entry.first);
            return true;
        });
    }
    for (HWND handle : gone)
        if (auto window = findWindow(handle))
            deliverWindowEvent(*window, MWP_WINDOW_GONE);
}

void X11Backend::handle(XEvent &event)
{
    HWND handle = nullptr;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (auto it = byId_.find(event.xany.window); it != byId_.end())
            handle = it->second;
    }
    auto window = findWindow(handle);
    if (!window)
        return;
    switch (event.type) {
    case ClientMessage:
        if (event.xclient.message_type == wmProtocols_ &&
            static_cast<Atom>(event.xclient.data.l[0]) == wmDeleteWindow_)
            deliverWindowEvent(*window, MWP_WINDOW_CLOSE);
        break;
    case FocusIn:
    case FocusOut:
        // Grabs (a window manager's Alt+Tab) and the pointer's own focus
        // moves are not focus changes of the window.
        if (event.xfocus.mode == NotifyGrab || event.xfocus.mode == NotifyUngrab ||
            event.xfocus.detail == NotifyPointer || event.xfocus.detail == NotifyInferior)
            break;
        deliverWindowEvent(*window, event.type == FocusIn ? MWP_WINDOW_FOCUS_IN : MWP_WINDOW_FOCUS_OUT);
        break;
    case Expose:
        if (event.xexpose.count == 0) {
            {
                // The last picture is kept: put it back at once.
                std::lock_guard<std::mutex> hold(window->lock);
                present(*window, RECT{0, 0, window->width, window->height});
            }
            deliverWindowEvent(*window, MWP_WINDOW_EXPOSE);
        }
        break;
    case ConfigureNotify: resizeWindow(*window, event.xconfigure.width, event.xconfigure.height); break;
    case UnmapNotify: {
        std::lock_guard<std::mutex> hold(lock_);
        if (isHost(*window))
            unmappedHosts_.emplace(handle, GetTickCount());
        break;
    }
    case MapNotify: {
        {
            std::lock_guard<std::mutex> hold(lock_);
            unmappedHosts_.erase(handle);
        }
        std::lock_guard<std::mutex> hold(window->lock);
        const auto *x = static_cast<const XWindow *>(window->native);
        if (x && !x->host) {
            // Without a window manager nobody else gives the keyboard to a
            // full-screen window; with one, a refusal is only recorded.
            XSetInputFocus(display_, x->id, RevertToParent, CurrentTime);
            XFlush(display_);
        }
        break;
    }
    case DestroyNotify:
        // A host's window went away: there is nothing left to draw into, and
        // nobody asked the program to close.
        deliverWindowEvent(*window, MWP_WINDOW_GONE);
        break;
    case KeyPress:
    case KeyRelease: keyEvent(*window, event.xkey); break;
    case ButtonPress:
    case ButtonRelease: buttonEvent(*window, event.xbutton); break;
    case MotionNotify: motionEvent(*window, event.xmotion.x_root, event.xmotion.y_root, true); break;
    case EnterNotify: motionEvent(*window, event.xcrossing.x_root, event.xcrossing.y_root, false); break;
    }
}

bool X11Backend::isHost(Wnd &window)
{
    std::lock_guard<std::mutex> hold(window.lock);
    const auto *x = static_cast<const XWindow *>(window.native);
    return x && x->host;
}

void X11Backend::keyEvent(Wnd &window, XKeyEvent &event)
{
    const bool press = event.type == KeyPress;
    const KeySym symbol = XLookupKeysym(&event, 0);
    MWP_INPUT_EVENT input{};
    input.type = press ? MWP_INPUT_KEY_DOWN : MWP_INPUT_KEY_UP;
    input.keycode = event.keycode;
    input.keysym = static_cast<uint32_t>(symbol);
    pushInput(window, input);

    // The window gets the key messages a Win32 window would.
    const WPARAM key = virtualKey(symbol);
    if (key == 0)
        return;
    const bool alt = (event.state & Mod1Mask) || key == VK_MENU;
    LPARAM flags = 1 | static_cast<LPARAM>((event.keycode - 8) & 0xFF) << 16;
    if (alt)
        flags |= 1 << 29;
    if (!press)
        flags |= static_cast<LPARAM>(3u << 30);
    const UINT message = press ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
    postWindowMessage(window, message, key, flags);
}

void X11Backend::buttonEvent(Wnd &window, const XButtonEvent &event)
{
    const bool press = event.type == ButtonPress;
    MWP_INPUT_EVENT input{};
    switch (event.button) {
    case Button4:
    case Button5:
        // A wheel notch is a press and a release of one of these buttons.
        if (!press)
            return;
        input.type = MWP_INPUT_WHEEL;
        input.wheel = event.button == Button4 ? MWP_WHEEL_DELTA : -MWP_WHEEL_DELTA;
        break;
    case Button1: input.button = 0; break;
    case Button3: input.button = 1; break;
    case Button2: input.button = 2; break;
    case 8: input.button = 3; break;
    case 9: input.button = 4; break;
    default: return; // sideways scrolling
    }
    if (input.type == 0)
        input.type = press ? MWP_INPUT_BUTTON_DOWN : MWP_INPUT_BUTTON_UP;
    pushInput(window, input);
}

void X11Backend::motionEvent(Wnd &window, int rootX, int rootY, bool report)
{
    int dx = 0, dy = 0;
    {
        std::lock_guard<std::mutex> hold(window.lock);
        auto *x = static_cast<XWindow *>(window.native);
        if (!x)
            return;
        if (x->pointerKnown) {
            dx = rootX - x->pointerX;
            dy = rootY - x->pointerY;
        }
        x->pointerKnown = true;
        x->pointerX = rootX;
        x->pointerY = rootY;
    }
    if (report && (dx != 0 || dy != 0)) {
        MWP_INPUT_EVENT input{};
        input.type = MWP_INPUT_MOTION;
        input.dx = dx;
        input.dy = dy;
        pushInput(window, input);
    }
}

void X11Backend::systemAction(int action, LPARAM parameter)
{
    switch (action) {
    case MWP_ACTION_SCREENSAVE: XActivateScreenSaver(display_); break;
    case MWP_ACTION_MONITOR_POWER:
        // 1 (low power) and 2 (off) blank the display, -1 brings it back.
        XForceScreenSaver(display_, parameter == -1 ? ScreenSaverReset : ScreenSaverActive);
        break;
    case MWP_ACTION_BEEP: XBell(display_, 0); break;
    }
    XFlush(display_);
}

} // namespace

std::unique_ptr<Backend> makeX11Backend()
{
    static std::once_flag threads;
    std::call_once(threads, [] { XInitThreads(); });
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    return std::make_unique<X11Backend>(display);
}

} // namespace mwp
