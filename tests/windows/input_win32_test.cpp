// Keys, mouse moves and buttons sent with SendInput (as a person's would
// come) reach the bound actions through the real DirectInput while the main
// window has the focus (Windows, under Wine and Xvfb in CI).
#include <windows.h>

#include "actions_support.h"
#include "common_support.h"
#include "mwhost.h"
#include "mwkernel.h"

using mwtest::eventually;
using mwtest::pollUntil;

namespace {

void sendKey(WORD key, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = WORD(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ASSERT_EQ(1u, SendInput(1, &input, sizeof input));
}

void sendMouse(DWORD flags, LONG dx = 0, LONG dy = 0)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = dx;
    input.mi.dy = dy;
    input.mi.dwFlags = flags;
    ASSERT_EQ(1u, SendInput(1, &input, sizeof input));
}

TEST(WindowsInput, KeysMovesAndButtonsReachTheActionsThroughDirectInput)
{
    MW_ISOLATED(([] {
        mwtest::TempDir folder;
        folder.enter();
        mwHostSetMode(MW_HOST_WINDOW);
        mwInit(1 << 22, 1 << 21, "Input");
        const HWND window = static_cast<HWND>(mwGetMainWindow());
        SetForegroundWindow(window);
        ASSERT_TRUE(eventually([&] { return GetForegroundWindow() == window; }));

        mwiInit();
        int8_t actions[5] = {};
        mwiSetActions(actions, 5);
        ASSERT_EQ(1, mwiBind(MWI_KEY_ESCAPE, 1));
        ASSERT_EQ(1, mwiBind(MWI_MOUSE_X_AXIS, 2));
        ASSERT_EQ(1, mwiBind(MWI_MOUSE_Y_AXIS, 3));
        ASSERT_EQ(1, mwiBind(MWI_MOUSE_BUTTON1, 4));

        sendKey(VK_ESCAPE, false);
        ASSERT_TRUE(pollUntil(actions[1], 127));
        mwiPoll();
        EXPECT_EQ(127, actions[1]); // held
        sendKey(VK_ESCAPE, true);
        EXPECT_TRUE(pollUntil(actions[1], 0));
        sendKey(VK_SPACE, false); // unbound keys still come as events
        sendKey(VK_SPACE, true);
        EXPECT_TRUE(mwtest::pollUntilFirstKeyEvent(MWI_KEY_SPACE | MWI_KEY_PRESSED));

        // Moves right and down; the system may scale them, never turn them.
        const mwtest::Moved moved =
            mwtest::readMoves([] { sendMouse(MOUSEEVENTF_MOVE, 5, 3); }, actions[2], actions[3]);
        EXPECT_GT(moved.x, 0);
        EXPECT_GT(moved.y, 0);

        sendMouse(MOUSEEVENTF_LEFTDOWN);
        EXPECT_TRUE(pollUntil(actions[4], -128));
        sendMouse(MOUSEEVENTF_LEFTUP);
        EXPECT_TRUE(pollUntil(actions[4], 0));
        mwiDeinit();
        mwShutdown();
    }));
}

} // namespace
