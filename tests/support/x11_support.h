// x11_support.h - X11 requests the suites make as a window manager or a
// screen saver host would. Include it after GoogleTest: Xlib's macros would
// take GoogleTest's names.
#ifndef MW_TESTS_SUPPORT_X11_SUPPORT_H
#define MW_TESTS_SUPPORT_X11_SUPPORT_H

#include <X11/Xlib.h>

namespace mwtest {

// The close request of a window manager's close button.
inline void sendDeleteWindow(Display *display, Window window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

} // namespace mwtest

#endif
