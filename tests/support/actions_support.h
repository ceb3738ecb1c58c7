// actions_support.h - reading the bound actions while a real window system
// delivers the input (the X11 and the Windows input suites).
#ifndef MW_TESTS_SUPPORT_ACTIONS_SUPPORT_H
#define MW_TESTS_SUPPORT_ACTIONS_SUPPORT_H

#include <cstdint>

#include "mwinput.h"
#include "mwwin32.h"
#ifdef _WIN32
#include "win32_capture.h" // its eventually serves the thread's messages
#else
#include "xvfb_support.h"
#endif

namespace mwtest {

// Polls until the action holds the value.
inline bool pollUntil(const int8_t &action, int8_t value)
{
    return eventually([&] {
        mwiPoll();
        return action == value;
    });
}

// Polls until a poll's first key event is this one.
inline bool pollUntilFirstKeyEvent(int32_t event)
{
    return eventually([&] {
        mwiPoll();
        int count = 0;
        const int32_t *events = mwiGetKeyEvents(&count);
        return count > 0 && events[0] == event;
    });
}

struct Moved {
    int x = 0, y = 0;
};

// Makes one relative move with move() until the axis actions read one (five
// tries), summing what they read: the first move may only tell the system
// where the pointer is.
template <class Move>
Moved readMoves(Move move, const int8_t &x, const int8_t &y)
{
    Moved moved;
    for (int tries = 0; tries < 5 && moved.x == 0; tries++) {
        move();
        for (int polls = 0; polls < 100 && moved.x == 0; polls++) {
            Sleep(10);
            mwiPoll();
            moved.x += x;
            moved.y += y;
        }
    }
    return moved;
}

} // namespace mwtest

#endif
