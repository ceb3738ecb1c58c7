// The input events a window keeps for the input layer.
#include "events_support.h"
#include "platform_support.h"

using namespace mwtest;
using namespace platformtest;

namespace {

const bool headless = mwPlatformSetHeadless(1);

int inject(HWND window, MWP_INPUT_EVENT event) { return mwPlatformInjectInput(window, &event); }

TEST(InputEvents, ArriveInOrderWithoutKeyRepeats)
{
    ASSERT_TRUE(headless);
    HWND window = makeWindow(4, 4);
    MWP_INPUT_EVENT wheel = wheelEvent(-MWP_WHEEL_DELTA);
    wheel.time = 1234;
    const DWORD before = GetTickCount();
    ASSERT_EQ(1, inject(window, keyEvent(MWP_INPUT_KEY_DOWN, 9)));
    ASSERT_EQ(1, inject(window, keyEvent(MWP_INPUT_KEY_DOWN, 9))); // held: a repeat
    ASSERT_EQ(1, inject(window, motionEvent(3, -2)));
    ASSERT_EQ(1, inject(window, keyEvent(MWP_INPUT_KEY_UP, 9)));
    ASSERT_EQ(1, inject(window, wheel));
    ASSERT_EQ(1, inject(window, keyEvent(MWP_INPUT_KEY_DOWN, 9))); // pressed again

    const DWORD after = GetTickCount();
    MWP_INPUT_EVENT events[8];
    ASSERT_EQ(2, mwPlatformReadInput(window, events, 2));
    EXPECT_EQ(MWP_INPUT_KEY_DOWN, events[0].type);
    EXPECT_EQ(9u, events[0].keycode);
    EXPECT_LE(after - events[0].time, after - before); // stamped on arrival
    EXPECT_EQ(MWP_INPUT_MOTION, events[1].type);
    EXPECT_EQ(3, events[1].dx);
    EXPECT_EQ(-2, events[1].dy);
    ASSERT_EQ(3, mwPlatformReadInput(window, events, 8));
    EXPECT_EQ(MWP_INPUT_KEY_UP, events[0].type);
    EXPECT_EQ(MWP_INPUT_WHEEL, events[1].type);
    EXPECT_EQ(1234u, events[1].time);
    EXPECT_EQ(MWP_INPUT_KEY_DOWN, events[2].type);
    EXPECT_EQ(0, mwPlatformReadInput(window, events, 8));
    DestroyWindow(window);
}

TEST(InputEvents, AFullQueueDropsTheOldest)
{
    HWND window = makeWindow(4, 4);
    for (int i = 0; i < MWP_INPUT_QUEUE + 44; i++)
        inject(window, motionEvent(i, 0));
    std::vector<MWP_INPUT_EVENT> events(MWP_INPUT_QUEUE + 1);
    ASSERT_EQ(MWP_INPUT_QUEUE, mwPlatformReadInput(window, events.data(), MWP_INPUT_QUEUE + 1));
    EXPECT_EQ(44, events[0].dx);
    EXPECT_EQ(MWP_INPUT_QUEUE + 43, events[MWP_INPUT_QUEUE - 1].dx);
    DestroyWindow(window);
}

TEST(InputEvents, LosingTheFocusForgetsHeldKeys)
{
    HWND window = makeWindow(4, 4);
    ShowWindow(window, SW_SHOW);
    inject(window, keyEvent(MWP_INPUT_KEY_DOWN, 38));
    // The release happens while another window has the keyboard.
    mwPlatformInjectWindowEvent(window, MWP_WINDOW_FOCUS_OUT);
    mwPlatformInjectWindowEvent(window, MWP_WINDOW_FOCUS_IN);
    inject(window, keyEvent(MWP_INPUT_KEY_DOWN, 38));
    MWP_INPUT_EVENT events[4];
    EXPECT_EQ(2, mwPlatformReadInput(window, events, 4));
    DestroyWindow(window);
}

TEST(InputEvents, BadEventsAndWindowsAreRefused)
{
    HWND window = makeWindow(4, 4);
    MWP_INPUT_EVENT bad{};
    bad.type = 99;
    EXPECT_EQ(0, mwPlatformInjectInput(window, &bad));
    EXPECT_EQ(0, inject(window, keyEvent(MWP_INPUT_KEY_DOWN, 256)));
    EXPECT_EQ(0, mwPlatformInjectInput(window, nullptr));
    MWP_INPUT_EVENT events[1];
    EXPECT_EQ(0, mwPlatformReadInput(window, events, 0));
    EXPECT_EQ(0, mwPlatformReadInput(window, nullptr, 1));
    DestroyWindow(window);
    EXPECT_EQ(0, inject(window, keyEvent(MWP_INPUT_KEY_DOWN, 9)));
    EXPECT_EQ(0, mwPlatformReadInput(window, events, 1));
}

} // namespace
