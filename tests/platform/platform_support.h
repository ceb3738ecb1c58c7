// Shared by the platform suites: a window class that records what its
// procedure sees, and a thread that owns windows and pumps their messages.
#ifndef MW_TESTS_PLATFORM_PLATFORM_SUPPORT_H
#define MW_TESTS_PLATFORM_PLATFORM_SUPPORT_H

#include <algorithm>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "mwplatform.h"

namespace platformtest {

struct Seen {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::thread::id thread;
};

// Every message any recording window received, in order.
class Recorder {
public:
    static Recorder &get()
    {
        static Recorder recorder;
        return recorder;
    }
    void add(const Seen &seen)
    {
        std::lock_guard<std::mutex> hold(lock_);
        seen_.push_back(seen);
    }
    // The messages of one window (all of them, or only those in `only`).
    std::vector<Seen> of(HWND window, std::vector<UINT> only = {})
    {
        std::lock_guard<std::mutex> hold(lock_);
        std::vector<Seen> out;
        for (const Seen &s : seen_)
            if (s.window == window &&
                (only.empty() || std::find(only.begin(), only.end(), s.message) != only.end()))
                out.push_back(s);
        return out;
    }

private:
    std::mutex lock_;
    std::vector<Seen> seen_;
};

// Records (the creation parameter in place of the creation record, which
// lives only during the call), answers WM_USER with 42 and leaves the rest
// to DefWindowProcA.
inline LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const LPARAM kept =
        message == WM_NCCREATE || message == WM_CREATE
            ? reinterpret_cast<LPARAM>(reinterpret_cast<CREATESTRUCTA *>(lParam)->lpCreateParams)
            : lParam;
    Recorder::get().add({window, message, wParam, kept, std::this_thread::get_id()});
    if (message == WM_USER)
        return 42;
    return DefWindowProcA(window, message, wParam, lParam);
}

inline const char *recordingClass()
{
    static const bool registered = [] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = recordingProcedure;
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        windowClass.lpszClassName = "RecordingWindow";
        return RegisterClassExA(&windowClass) != 0;
    }();
    EXPECT_TRUE(registered);
    return "RecordingWindow";
}

inline HWND makeWindow(int width = CW_USEDEFAULT, int height = CW_USEDEFAULT, const char *title = "test")
{
    return CreateWindowExA(0, recordingClass(), title, WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                           nullptr, nullptr);
}

// A thread that makes a shown window and pumps until the window is gone.
class WindowThread {
public:
    explicit WindowThread(int width = CW_USEDEFAULT, int height = CW_USEDEFAULT)
    {
        std::promise<HWND> made;
        auto future = made.get_future();
        thread_ = std::thread([&made, width, height, this] {
            threadId_ = std::this_thread::get_id();
            HWND window = makeWindow(width, height);
            ShowWindow(window, SW_SHOW);
            made.set_value(window);
            MSG msg;
            while (IsWindow(window) && GetMessageA(&msg, nullptr, 0, 0) > 0) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        });
        window_ = future.get();
    }
    ~WindowThread()
    {
        if (!thread_.joinable())
            return;
        if (IsWindow(window_))
            PostMessageA(window_, WM_CLOSE, 0, 0);
        thread_.join();
    }
    HWND window() const { return window_; }
    std::thread::id id() const { return threadId_; }
    void join() { thread_.join(); }

private:
    std::thread thread_;
    std::thread::id threadId_;
    HWND window_ = nullptr;
};

inline std::vector<UINT> messages(const std::vector<Seen> &seen)
{
    std::vector<UINT> out;
    for (const Seen &s : seen)
        out.push_back(s.message);
    return out;
}

} // namespace platformtest

#endif
