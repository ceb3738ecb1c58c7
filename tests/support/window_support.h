/*
 * window_support.h - a plain window for the suites that draw or read input through
 * the platform layer (off screen when the suite runs headless).
 */
#ifndef MW_TESTS_SUPPORT_WINDOW_SUPPORT_H
#define MW_TESTS_SUPPORT_WINDOW_SUPPORT_H

#include <gtest/gtest.h>

#include "mwwin32.h"

namespace mwtest {

// A popup window of the default window procedure; its class is registered
// on the first call.
inline HWND plainWindow(int width, int height)
{
    static const bool registered = [] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "MarrowTestWindow";
        return RegisterClassExA(&windowClass) != 0;
    }();
    EXPECT_TRUE(registered);
    return CreateWindowExA(0, "MarrowTestWindow", "test", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                           nullptr, nullptr);
}

} // namespace mwtest

#endif
