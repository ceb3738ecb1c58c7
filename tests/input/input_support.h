// Shared by the input suites: sending events, and the scenarios' start.
#ifndef MW_TESTS_INPUT_INPUT_SUPPORT_H
#define MW_TESTS_INPUT_INPUT_SUPPORT_H

#include <gtest/gtest.h>

#include "mwdinput5.h"
#include "events_support.h"
#include "mwkernel.h"
#include "common_support.h"

namespace inputtest {

using mwtest::buttonEvent;
using mwtest::keyEvent;
using mwtest::motionEvent;
using mwtest::wheelEvent;

// X11 key codes (Linux key numbers + 8).
constexpr uint32_t kEscape = 9;
constexpr uint32_t kKeyA = 38;
constexpr uint32_t kSpace = 65;
constexpr uint32_t kUp = 111;

// Scenarios start threads, so each child starts afresh.
class ThreadsafeDeathTests : public ::testing::Environment {
public:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

// Headless suites call this during static initialisation: windows are
// off-screen and scenarios run in children of their own.
inline bool useHeadless()
{
    static const bool headless = [] {
        ::testing::AddGlobalTestEnvironment(new ThreadsafeDeathTests);
        return mwPlatformSetHeadless(1) != 0;
    }();
    return headless;
}

inline void send(HWND window, const MWP_INPUT_EVENT &event)
{
    ASSERT_EQ(1, mwPlatformInjectInput(window, &event));
}

inline void press(HWND window, uint32_t keycode) { send(window, keyEvent(MWP_INPUT_KEY_DOWN, keycode)); }

inline void release(HWND window, uint32_t keycode) { send(window, keyEvent(MWP_INPUT_KEY_UP, keycode)); }

} // namespace inputtest

#endif
