// Windows and message queues (internal): what the window back ends, the GDI
// calls and the input queue share with the window core.
#ifndef MWP_WINDOW_H
#define MWP_WINDOW_H

#include "mwplatform.h"

#include <bitset>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace mwp {

struct Queue;

// Pixel value meaning "no background brush": new areas stay black.
constexpr uint32_t kNoBackground = 0xFF000000u;

// Key and pointer events kept for the input layer.
struct InputQueue {
    std::mutex lock;
    std::deque<MWP_INPUT_EVENT> events;
    std::bitset<256> keysDown; // by key code, to drop key repeats
};

// One top-level window.
struct Wnd {
    HWND handle = nullptr;
    std::shared_ptr<Queue> queue; // of the creating thread
    WNDPROC proc = nullptr;
    DWORD style = 0;
    uint32_t background = kNoBackground;
    void *native = nullptr; // the back end's own record

    // Everything below is guarded by lock: the owner thread, the thread
    // presenting pictures and the thread pumping window events all touch it.
    std::mutex lock;
    std::string title;
    int width = 0, height = 0; // client area
    bool visible = false;
    bool focused = false;
    uint32_t focusLosses = 0; // counted, so a reader notices a loss between two reads
    bool needsPaint = false;
    bool gone = false; // taken away by its host: its thread destroys it
    bool destroying = false;
    std::vector<uint32_t> surface; // client area as shown, 0x00RRGGBB
    std::vector<uint32_t> frame;   // last presented source rectangle
    int frameWidth = 0, frameHeight = 0;
    MWP_FRAME_SOURCE frameSource = nullptr; // presents a frame kept back, before a read
    void *frameSourceContext = nullptr;

    InputQueue input;
};

std::shared_ptr<Wnd> findWindow(HWND window);

// Posts a message to the window's thread; any thread may call it.
void postWindowMessage(Wnd &window, UINT message, WPARAM wParam, LPARAM lParam);

// A window-system event (MWP_WINDOW_...) turned into the window's messages.
void deliverWindowEvent(Wnd &window, int event);

// The window system resized the client area: the surface follows (new parts
// take the background), WM_SIZE is posted and the window needs painting.
void resizeWindow(Wnd &window, int width, int height);

// Wakes every thread waiting in GetMessageA, so it pumps the back end again.
void wakeAllQueues();

// Input queue of a window (input.cpp). Returns 0 for an unknown type.
int pushInput(Wnd &window, const MWP_INPUT_EVENT &event);
// Keys released while the window had no focus never report it: forget them.
void forgetKeys(Wnd &window);
// Whether the window has the focus, and how often it lost it so far; false
// for no window.
bool inputFocus(HWND window, bool &focused, uint32_t &losses);

// Colour of a class background brush, kNoBackground for none (gdi.cpp).
uint32_t brushColor(HBRUSH brush);

// Counts a system action taken by DefWindowProcA.
void countSystemAction(int action);

} // namespace mwp

#endif
