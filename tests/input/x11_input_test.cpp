// Input from a real X server: keys, pointer moves and buttons sent with
// xdotool to the main window reach the bound actions. Skipped without Xvfb
// or xdotool.
#include <cstdlib>
#include <string>

#include "actions_support.h"
#include "input_support.h"

#include <X11/Xlib.h> // after GoogleTest, whose names its macros would take

using mwtest::eventually;
using mwtest::pollUntil;

namespace {

bool haveXdotool() { return std::system("command -v xdotool >/dev/null 2>&1") == 0; }

void xdotool(const std::string &arguments)
{
    ASSERT_EQ(0, std::system(("xdotool " + arguments).c_str())) << arguments;
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
        EXPECT_TRUE(mwtest::pollUntilFirstKeyEvent(MWI_KEY_UP | MWI_KEY_PRESSED));

        // What is read is some number of (5, 3) steps.
        const mwtest::Moved moved =
            mwtest::readMoves([] { xdotool("mousemove_relative -- 5 3"); }, actions[2], actions[3]);
        EXPECT_GT(moved.x, 0);
        EXPECT_EQ(0, moved.x % 5);
        EXPECT_EQ(moved.x / 5 * 3, moved.y);

        xdotool("mousedown 1");
        EXPECT_TRUE(pollUntil(actions[4], -128));
        xdotool("mouseup 1");
        EXPECT_TRUE(pollUntil(actions[4], 0));
        XCloseDisplay(display);
    }));
}

} // namespace
