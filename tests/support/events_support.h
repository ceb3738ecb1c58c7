/*
 * events_support.h - input events as the window system delivers them, for the
 * platform and input suites to inject.
 */
#ifndef MW_TESTS_SUPPORT_EVENTS_SUPPORT_H
#define MW_TESTS_SUPPORT_EVENTS_SUPPORT_H

#include "mwplatform.h"

namespace mwtest {

inline MWP_INPUT_EVENT keyEvent(int type, uint32_t keycode)
{
    MWP_INPUT_EVENT event{};
    event.type = type;
    event.keycode = keycode;
    return event;
}

inline MWP_INPUT_EVENT motionEvent(int dx, int dy)
{
    MWP_INPUT_EVENT event{};
    event.type = MWP_INPUT_MOTION;
    event.dx = dx;
    event.dy = dy;
    return event;
}

inline MWP_INPUT_EVENT buttonEvent(int type, int button)
{
    MWP_INPUT_EVENT event{};
    event.type = type;
    event.button = button;
    return event;
}

inline MWP_INPUT_EVENT wheelEvent(int wheel)
{
    MWP_INPUT_EVENT event{};
    event.type = MWP_INPUT_WHEEL;
    event.wheel = wheel;
    return event;
}

} // namespace mwtest

#endif
