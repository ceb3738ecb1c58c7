// Keys, mouse moves and buttons sent with SendInput (as a person's would
// come) reach the bound actions through the real DirectInput while the main
// window has the focus (Windows, under Wine and Xvfb in CI).
#include <windows.h>

#include "common_support.h"
#include "mwhost.h"
#include "mwinput.h"
#include "mwkernel.h"
#include "win32_capture.h"

using mwtest::eventually;

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

bool pollUntil(const int8_t &action, int8_t value)
{
    return eventually([&] {
        mwiPoll();
        return action == value;
    });
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
        EXPECT_TRUE(eventually([&] {
            mwiPoll();
            int count = 0;
            const int32_t *events = mwiGetKeyEvents(&count);
            return count > 0 && events[0] == (MWI_KEY_SPACE | MWI_KEY_PRESSED);
        }));

        // Moves right and down; the system may scale them, never turn them.
        int movedX = 0, movedY = 0;
        for (int tries = 0; tries < 5 && movedX == 0; tries++) {
            sendMouse(MOUSEEVENTF_MOVE, 5, 3);
            for (int polls = 0; polls < 100 && movedX == 0; polls++) {
                Sleep(10);
                mwiPoll();
                movedX += actions[2];
                movedY += actions[3];
            }
        }
        EXPECT_GT(movedX, 0);
        EXPECT_GT(movedY, 0);

        sendMouse(MOUSEEVENTF_LEFTDOWN);
        EXPECT_TRUE(pollUntil(actions[4], -128));
        sendMouse(MOUSEEVENTF_LEFTUP);
        EXPECT_TRUE(pollUntil(actions[4], 0));
        mwiDeinit();
        mwShutdown();
    }));
}

} // namespace
