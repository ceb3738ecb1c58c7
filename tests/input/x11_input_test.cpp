// Input from a real X server: keys, pointer moves and buttons sent with
// xdotool to the main window reach the bound actions. Skipped without Xvfb
// or xdotool.
#include <cstdlib>
#include <string>

#include "input_support.h"
#include "mwinput.h"
#include "xvfb_support.h"

#include <X11/Xlib.h> // after GoogleTest, whose names its macros would take

using mwtest::eventually;

namespace {

bool haveXdotool() { return std::system("command -v xdotool >/dev/null 2>&1") == 0; }

void xdotool(const std::string &arguments)
{
    ASSERT_EQ(0, std::system(("xdotool " + arguments).c_str())) << arguments;
}

// Polls until the action holds the value.
bool pollUntil(const int8_t &action, int8_t value)
{
    return eventually([&] {
        mwiPoll();
        return action == value;
    });
}

TEST(InputX11, KeysPointerMovesAndButtonsFromXdotoolReachTheActions)
{
    REQUIRE_XVFB();
    if (!haveXdotool())
        GTEST_SKIP() << "xdotool is not installed";
    MW_ISOLATED(([] {
        mwtest::TempDir folder;
        folder.enter();
        mwInit(1 << 20, 1 << 19, "Input X11");
        const Window id = mwPlatformNativeWindow(static_cast<HWND>(mwGetMainWindow()));
        Display *display = XOpenDisplay(nullptr);
        ASSERT_NE(nullptr, display);
        // xdotool types into the window that has the keyboard.
        ASSERT_TRUE(eventually([&] {
            Window focus = 0;
            int revert = 0;
            XGetInputFocus(display, &focus, &revert);
            return focus == id;
        }));

        mwiInit();
        int8_t actions[6] = {};
        mwiSetActions(actions, 6);
        ASSERT_EQ(1, mwiBind(MWI_KEY_ESCAPE, 1));
        ASSERT_EQ(1, mwiBind(MWI_MOUSE_X_AXIS, 2));
        ASSERT_EQ(1, mwiBind(MWI_MOUSE_Y_AXIS, 3));
        ASSERT_EQ(1, mwiBind(MWI_MOUSE_BUTTON1, 4));
        ASSERT_EQ(1, mwiBind(MWI_KEY_UP, 5));

        xdotool("keydown Escape");
        ASSERT_TRUE(pollUntil(actions[1], 127));
        mwiPoll();
        EXPECT_EQ(127, actions[1]); // held
        xdotool("keyup Escape");
        EXPECT_TRUE(pollUntil(actions[1], 0));
        xdotool("key Up"); // an extended key
        EXPECT_TRUE(eventually([&] {
            mwiPoll();
            int count = 0;
            const int32_t *events = mwiGetKeyEvents(&count);
            return count > 0 && events[0] == (MWI_KEY_UP | MWI_KEY_PRESSED);
        }));

        // The first move may only tell where the pointer is, so the sum of
        // the moves read is some number of (5, 3) steps.
        int movedX = 0, movedY = 0;
        for (int tries = 0; tries < 5 && movedX == 0; tries++) {
            xdotool("mousemove_relative -- 5 3");
            for (int polls = 0; polls < 100 && movedX == 0; polls++) {
                Sleep(10);
                mwiPoll();
                movedX += actions[2];
                movedY += actions[3];
            }
        }
        EXPECT_GT(movedX, 0);
        EXPECT_EQ(0, movedX % 5);
        EXPECT_EQ(movedX / 5 * 3, movedY);

        xdotool("mousedown 1");
        EXPECT_TRUE(pollUntil(actions[4], -128));
        xdotool("mouseup 1");
        EXPECT_TRUE(pollUntil(actions[4], 0));
        XCloseDisplay(display);
    }));
}

} // namespace
