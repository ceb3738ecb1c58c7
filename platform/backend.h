// The window back end interface (internal): what differs between drawing
// into X11 windows and drawing into memory.
#ifndef MWP_BACKEND_H
#define MWP_BACKEND_H

#include "window.h"

#include <memory>

namespace mwp {

class Backend {
public:
    virtual ~Backend() = default;

    // True when windows exist only in memory.
    virtual bool headless() const = 0;

    // Makes the native side of a top-level window asking for a client area
    // of width x height; sets window.width and window.height to what it
    // got. Called on the creating thread before the window is known to
    // anyone else. Returns false (with the last error set) on failure.
    virtual bool create(Wnd &window, int width, int height) = 0;

    // Releases what create made; the window is no longer in the table.
    virtual void destroy(Wnd &window) = 0;

    virtual void show(Wnd &window, bool visible) = 0;

    // The surface changed inside area; called with window.lock held.
    virtual void present(Wnd &window, const RECT &area) = 0;

    // A descriptor that becomes readable when native events wait, or -1.
    virtual int eventDescriptor() = 0;

    // Milliseconds until pump has something to do without a native event
    // (a deadline of its own), or -1 when nothing is due.
    virtual int pumpTimeout() { return -1; }

    // Turns every native event waiting into window events and messages;
    // returns at once. Any thread may call it.
    virtual void pump() = 0;

    // A system action of DefWindowProcA (MWP_ACTION_...), parameter as the
    // message gave it.
    virtual void systemAction(int action, LPARAM parameter) = 0;

    // Refresh rate in Hz of the display showing the window, 0 when unknown.
    virtual int refreshRate(Wnd &) { return 0; }

    // The native window id for mwPlatformNativeWindow, 0 when there is none.
    virtual unsigned long nativeId(Wnd &window) = 0;
};

// The back end in use, chosen on first call (backend.cpp).
Backend &backend();

std::unique_ptr<Backend> makeHeadlessBackend();
// NULL when the display cannot be opened (or X11 was not built in).
std::unique_ptr<Backend> makeX11Backend();

// Window placement asked for by the program (backend.cpp).
bool windowedRequested();
// The host window for the next top-level window (0: none); taking it clears it.
unsigned long takeHostWindow();

} // namespace mwp

#endif
