// The X11 back end against a real X server (a private Xvfb); skipped when
// Xvfb is not installed.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "mwkernel.h"
#include "report_support.h"
#include "common_support.h"
#include "xvfb_support.h"
#include "platform_support.h"

#include <X11/Xlib.h>

#include "x11_support.h"
#include <X11/Xutil.h>
#include <X11/keysym.h>

using namespace platformtest;
using mwtest::eventually;
using mwtest::sendDeleteWindow;

namespace {

bool viewable(Display *display, Window window)
{
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

int ignoreXErrors(Display *, XErrorEvent *) { return 0; }

TEST(X11DeathTest, TheMainWindowIsMappedFullScreenAndClosedThroughWmDeleteWindow)
{
    REQUIRE_XVFB();
    EXPECT_REPORT(
        {
            mwInit(1 << 20, 1 << 19, "Lumenfall X11");
            const Window id = mwPlatformNativeWindow(static_cast<HWND>(mwGetMainWindow()));
            Display *display = XOpenDisplay(nullptr);
            if (id == 0 || !display || !eventually([&] { return viewable(display, id); }))
                std::exit(3);
            XWindowAttributes attributes;
            XGetWindowAttributes(display, id, &attributes);
            char *name = nullptr;
            XFetchName(display, id, &name);
            std::fprintf(stderr, "mapped %dx%d \"%s\"\n", attributes.width, attributes.height,
                         name ? name : "");
            sendDeleteWindow(display, id); // as a window manager's close button does
            for (;;) {
                Sleep(5);
                mwStopRequested(); // the main thread's safe point
            }
        },
        "^mapped 800x600 \"Lumenfall X11\"\nError: Event pump closed\n\n$");
}

// A screen saver host's window that is destroyed, or unmapped and not mapped
// again, ends the run quietly. The host may act at once: by the time the
// window is ours, the server must already deliver its structure events to us.
TEST(X11DeathTest, AHostWindowDestroyedOrUnmappedForGoodIsAQuietStop)
{
    REQUIRE_XVFB();
    for (const bool destroy : {true, false}) {
        EXPECT_EXIT(
            {
                Display *display = XOpenDisplay(nullptr);
                if (!display)
                    std::exit(3);
                const Window host =
                    XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 320, 240, 0, 0, 0);
                XMapWindow(display, host);
                XSync(display, False);
                mwPlatformSetHostWindow(host);
                mwInit(1 << 20, 1 << 19, "Lumenfall X11");
                if (mwPlatformNativeWindow(static_cast<HWND>(mwGetMainWindow())) != host)
                    std::exit(4);
                XWindowAttributes attributes;
                if (!XGetWindowAttributes(display, host, &attributes) ||
                    !(attributes.all_event_masks & StructureNotifyMask))
                    std::exit(6);
                if (destroy)
                    XDestroyWindow(display, host);
                else
                    XUnmapWindow(display, host);
                XSync(display, False);
                if (!eventually([] { return mwStopRequested() != 0; }))
                    std::exit(5);
                mwShutdown();
                XCloseDisplay(display);
                std::exit(0);
            },
            ::testing::ExitedWithCode(0), "^$")
            << (destroy ? "destroyed" : "unmapped");
    }
}

TEST(X11, ANormalShutdownTakesTheWindowDown)
{
    REQUIRE_XVFB();
    MW_ISOLATED([] {
        ASSERT_FALSE(mwPlatformIsHeadless());
        mwInit(1 << 20, 1 << 19, "Lumenfall X11");
        const Window id = mwPlatformNativeWindow(static_cast<HWND>(mwGetMainWindow()));
        Display *display = XOpenDisplay(nullptr);
        ASSERT_NE(nullptr, display);
        ASSERT_TRUE(eventually([&] { return viewable(display, id); }));
        mwShutdown();
        XSetErrorHandler(ignoreXErrors);
        XWindowAttributes attributes;
        EXPECT_EQ(0, XGetWindowAttributes(display, id, &attributes)); // BadWindow: it is gone
        XCloseDisplay(display);
    });
}

uint32_t pixelAt(Display *display, Window window, int x, int y)
{
    XImage *image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return 0xFFFFFFFF;
    const uint32_t pixel = static_cast<uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFF;
    XDestroyImage(image);
    return pixel;
}

XEvent inputEvent(Display *display, Window window, int type)
{
    XEvent event{};
    event.xany.type = type;
    event.xany.display = display;
    event.xany.window = window;
    event.xkey.root = DefaultRootWindow(display);
    event.xkey.same_screen = True;
    return event;
}

TEST(X11, PicturesInputAndFocusReachTheWindow)
{
    REQUIRE_XVFB();
    MW_ISOLATED(([] {
        mwPlatformSetWindowed(1);
        // Drawn before it is shown: the picture must survive until exposed.
        WindowThread owner(400, 200);
        const HWND window = owner.window();
        const Window id = mwPlatformNativeWindow(window);
        Display *display = XOpenDisplay(nullptr);
        ASSERT_NE(nullptr, display);
        const uint16_t red[12] = {0xF800, 0xF800, 0xF800, 0xF800, 0xF800, 0xF800,
                                  0xF800, 0xF800, 0xF800, 0xF800, 0xF800, 0xF800};
        struct {
            BITMAPINFOHEADER header;
            DWORD masks[3];
        } dib{{sizeof(BITMAPINFOHEADER), 4, -3, 1, 16, BI_BITFIELDS, 0, 0, 0, 0, 0},
              {0xF800, 0x07E0, 0x001F}};
        ASSERT_EQ(3, StretchDIBits(GetDC(window), 0, 0, 400, 200, 0, 0, 4, 3, red,
                                   reinterpret_cast<const BITMAPINFO *>(&dib), DIB_RGB_COLORS, SRCCOPY));
        ASSERT_TRUE(eventually([&] { return viewable(display, id); }));
        // 4:3 in 400 x 200: 267 x 200 in the middle, black on both sides.
        EXPECT_TRUE(eventually([&] { return pixelAt(display, id, 200, 100) == 0xFF0000; }));
        EXPECT_EQ(0u, pixelAt(display, id, 10, 100));
        EXPECT_EQ(0u, pixelAt(display, id, 390, 100));

        // Keys, pointer moves and buttons as the server would send them.
        XEvent key = inputEvent(display, id, KeyPress);
        key.xkey.keycode = XKeysymToKeycode(display, XK_Escape);
        XSendEvent(display, id, False, KeyPressMask, &key);
        for (int step : {0, 1, 2}) {
            XEvent move = inputEvent(display, id, MotionNotify);
            move.xmotion.x_root = 10 + 5 * (step > 0);
            move.xmotion.y_root = 10 + 2 * (step > 0) + 8 * (step > 1);
            XSendEvent(display, id, False, PointerMotionMask, &move);
        }
        XEvent button = inputEvent(display, id, ButtonPress);
        button.xbutton.button = Button3;
        XSendEvent(display, id, False, ButtonPressMask, &button);
        XFlush(display);

        MWP_INPUT_EVENT events[8];
        int count = 0;
        EXPECT_TRUE(eventually([&] {
            count += mwPlatformReadInput(window, events + count, 8 - count);
            return count >= 4;
        }));
        ASSERT_EQ(4, count);
        EXPECT_EQ(MWP_INPUT_KEY_DOWN, events[0].type);
        EXPECT_EQ(key.xkey.keycode, events[0].keycode);
        EXPECT_EQ(uint32_t{XK_Escape}, events[0].keysym);
        EXPECT_EQ(MWP_INPUT_MOTION, events[1].type);
        EXPECT_EQ(5, events[1].dx);
        EXPECT_EQ(2, events[1].dy);
        EXPECT_EQ(0, events[2].dx);
        EXPECT_EQ(8, events[2].dy);
        EXPECT_EQ(MWP_INPUT_BUTTON_DOWN, events[3].type);
        EXPECT_EQ(1, events[3].button); // the right button
        const auto keys = Recorder::get().of(window, {WM_KEYDOWN});
        ASSERT_EQ(1u, keys.size());
        EXPECT_EQ(WPARAM{VK_ESCAPE}, keys[0].wParam);

        XEvent focus = inputEvent(display, id, FocusOut);
        focus.xfocus.mode = NotifyNormal;
        focus.xfocus.detail = NotifyNonlinear;
        XSendEvent(display, id, False, FocusChangeMask, &focus);
        XFlush(display);
        EXPECT_TRUE(eventually([&] { return !Recorder::get().of(window, {WM_KILLFOCUS}).empty(); }));

        sendDeleteWindow(display, id);
        owner.join();
        EXPECT_FALSE(IsWindow(window));
        XCloseDisplay(display);
    }));
}

} // namespace
