// The key and pointer events each window keeps for the input layer.
#include "window.h"

namespace mwp {

int pushInput(Wnd &window, const MWP_INPUT_EVENT &event)
{
    if (event.type < MWP_INPUT_KEY_DOWN || event.type > MWP_INPUT_WHEEL)
        return 0;
    const bool key = event.type == MWP_INPUT_KEY_DOWN || event.type == MWP_INPUT_KEY_UP;
    if (key && event.keycode >= window.input.keysDown.size())
        return 0;
    MWP_INPUT_EVENT stamped = event;
    if (stamped.time == 0)
        stamped.time = GetTickCount();

    InputQueue &input = window.input;
    std::lock_guard<std::mutex> hold(input.lock);
    if (key) {
        const bool down = event.type == MWP_INPUT_KEY_DOWN;
        if (down && input.keysDown[event.keycode])
            return 1; // a repeat of a held key
        input.keysDown[event.keycode] = down;
    }
    if (input.events.size() >= MWP_INPUT_QUEUE)
        input.events.pop_front();
    input.events.push_back(stamped);
    return 1;
}

void forgetKeys(Wnd &window)
{
    std::lock_guard<std::mutex> hold(window.input.lock);
    window.input.keysDown.reset();
}

bool inputFocus(HWND handle, bool &focused, uint32_t &losses)
{
    auto window = findWindow(handle);
    if (!window)
        return false;
    std::lock_guard<std::mutex> hold(window->lock);
    focused = window->focused;
    losses = window->focusLosses;
    return true;
}

} // namespace mwp

using namespace mwp;

int mwPlatformReadInput(HWND handle, MWP_INPUT_EVENT *events, int max)
{
    auto window = findWindow(handle);
    if (!window || !events || max <= 0)
        return 0;
    InputQueue &input = window->input;
    std::lock_guard<std::mutex> hold(input.lock);
    int count = 0;
    while (count < max && !input.events.empty()) {
        events[count++] = input.events.front();
        input.events.pop_front();
    }
    return count;
}

int mwPlatformInjectInput(HWND handle, const MWP_INPUT_EVENT *event)
{
    auto window = findWindow(handle);
    return window && event ? pushInput(*window, *event) : 0;
}
