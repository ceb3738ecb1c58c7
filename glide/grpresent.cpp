// grpresent.cpp - the presenting thread, frames held back for windows that
// are only read, and the GDI calls that show a frame.
#include "grpresent.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace gr {

namespace {

// A 5-6-5 DIB header with its three colour masks.
struct Dib565 {
    BITMAPINFOHEADER header;
    DWORD masks[3];
};

struct Frame {
    const uint16_t *pixels = nullptr;
    int width = 0, height = 0, stride = 0;
};

// Scales the frame into the window's client area, keeping the 4:3 picture
// with black bars where the shapes differ.
void show(HWND hwnd, const Frame &f)
{
    HDC dc = GetDC(hwnd);
    if (!dc)
        return;
    RECT client{};
    if (GetClientRect(hwnd, &client) && client.right > client.left && client.bottom > client.top) {
        Dib565 dib{};
        dib.header.biSize = sizeof(BITMAPINFOHEADER);
        dib.header.biWidth = f.stride;   // rows carry the board's padding; the source rectangle skips it
        dib.header.biHeight = -f.height; // top row first
        dib.header.biPlanes = 1;
        dib.header.biBitCount = 16;
        dib.header.biCompression = BI_BITFIELDS;
        dib.masks[0] = 0xF800;
        dib.masks[1] = 0x07E0;
        dib.masks[2] = 0x001F;
        const RECT area =
            pictureArea(dc, client.right - client.left, client.bottom - client.top, f.width, f.height);
        StretchDIBits(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, 0, 0, f.width,
                      f.height, f.pixels, reinterpret_cast<const BITMAPINFO *>(&dib), DIB_RGB_COLORS,
                      SRCCOPY);
    }
    ReleaseDC(hwnd, dc);
}

struct Presenter {
    std::mutex lock;
    std::condition_variable changed;
    HWND window = nullptr; // written by the drawing thread under lock
    bool onDemand = false; // the drawing thread's own
    Frame frame;
    bool waiting = false; // frame not shown yet
    std::thread thread;   // windows on screen
    bool stopping = false;
};

Presenter g_presenter;

// Called by the window system before it reads an on-demand window.
void showWaiting(void *context)
{
    Presenter &p = *static_cast<Presenter *>(context);
    std::lock_guard<std::mutex> hold(p.lock);
    if (p.waiting && p.window)
        show(p.window, p.frame);
    p.waiting = false;
}

void presentLoop(Presenter &p)
{
    std::unique_lock<std::mutex> hold(p.lock);
    for (;;) {
        p.changed.wait(hold, [&] { return p.waiting || p.stopping; });
        if (!p.waiting)
            return;
        const Frame f = p.frame;
        const HWND window = p.window;
        hold.unlock();
        show(window, f);
        hold.lock();
        p.waiting = false;
        p.changed.notify_all();
    }
}

} // namespace

void presentOpen(uint32_t handle)
{
    Presenter &p = g_presenter;
    presentClose();
    const HWND window = windowOf(handle);
    if (!window)
        return;
    {
        std::lock_guard<std::mutex> hold(p.lock);
        p.window = window;
    }
    p.onDemand = showOnDemand(window, showWaiting, &p);
    if (!p.onDemand) {
        p.stopping = false;
        p.thread = std::thread(presentLoop, std::ref(p));
    }
}

void presentClose()
{
    Presenter &p = g_presenter;
    if (!p.window)
        return;
    if (p.onDemand) {
        showOnDemand(p.window, nullptr, nullptr);
        showWaiting(&p); // the window keeps the last frame swapped
    } else {
        {
            std::lock_guard<std::mutex> hold(p.lock);
            p.stopping = true;
            p.changed.notify_all();
        }
        p.thread.join(); // shows what was handed over first
    }
    std::lock_guard<std::mutex> hold(p.lock);
    p.window = nullptr;
    p.onDemand = false;
    p.waiting = false;
}

void presentFrame(const uint16_t *pixels, int width, int height, int stride)
{
    Presenter &p = g_presenter;
    if (!p.window)
        return;
    std::unique_lock<std::mutex> hold(p.lock);
    if (!p.onDemand)
        p.changed.wait(hold, [&] { return !p.waiting; }); // the thread is done with the last one
    p.frame = {pixels, width, height, stride};            // on demand: replaces a frame nobody read
    p.waiting = true;
    p.changed.notify_all();
}

void presentRelease()
{
    Presenter &p = g_presenter;
    if (!p.window)
        return;
    if (p.onDemand) {
        showWaiting(&p);
        return;
    }
    std::unique_lock<std::mutex> hold(p.lock);
    p.changed.wait(hold, [&] { return !p.waiting; });
}

} // namespace gr
