// Windows, window classes and message queues: the part of the window system
// the X11 and headless back ends share.
#include "backend.h"
#include "handles.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <iterator>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace mwp {

//---- Message queues --------------------------------------------------------

// A SendMessageA call waiting for another thread's window procedure.
struct SentCall {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
    bool done = false; // guarded by sender->lock
    std::shared_ptr<Queue> sender;
};

struct Posted {
    MSG msg;
    uint64_t serial;
};

// The message queue of one thread.
struct Queue {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Posted> posted;
    std::deque<std::shared_ptr<SentCall>> sent;
    bool quit = false;
    int quitCode = 0;
    bool alive = true;
    uint64_t lastPosted = 0; // serial of the newest posted message
    uint64_t handled = 0;    // messages up to this serial are fully handled
    int wake[2] = {-1, -1};  // self-pipe: GetMessageA waits on it and on the back end

    ~Queue()
    {
        for (int fd : wake)
            if (fd >= 0)
                close(fd);
    }
};

namespace {

struct QueueList {
    std::mutex lock;
    std::vector<std::weak_ptr<Queue>> queues;
};

// Wakes a waiting owner thread. Works with or without queue.lock held.
void signal(Queue &queue)
{
    if (queue.wake[1] >= 0) {
        const char byte = 0;
        ssize_t written = write(queue.wake[1], &byte, 1); // a full pipe is awake already
        (void)written;
    }
    queue.changed.notify_all();
}

void drain(Queue &queue)
{
    char bytes[64];
    if (queue.wake[0] >= 0)
        while (read(queue.wake[0], bytes, sizeof bytes) > 0) {
        }
}

void complete(SentCall &call, LRESULT result)
{
    std::lock_guard<std::mutex> hold(call.sender->lock);
    call.result = result;
    call.done = true;
    call.sender->changed.notify_all();
}

// Marks a thread's queue dead when the thread ends: waiting senders and
// injectors are released instead of waiting forever.
void retire(Queue &queue)
{
    std::deque<std::shared_ptr<SentCall>> pending;
    {
        std::lock_guard<std::mutex> hold(queue.lock);
        queue.alive = false;
        queue.handled = queue.lastPosted;
        pending.swap(queue.sent);
        queue.changed.notify_all();
    }
    for (auto &call : pending)
        complete(*call, 0);
}

struct QueueHolder {
    std::shared_ptr<Queue> queue;
    ~QueueHolder()
    {
        if (queue)
            retire(*queue);
    }
};

thread_local QueueHolder threadQueue;

std::shared_ptr<Queue> currentQueue()
{
    if (!threadQueue.queue) {
        auto queue = std::make_shared<Queue>();
        if (pipe2(queue->wake, O_CLOEXEC | O_NONBLOCK) != 0)
            queue->wake[0] = queue->wake[1] = -1; // GetMessageA then polls
        QueueList &list = forever<QueueList>();
        std::lock_guard<std::mutex> hold(list.lock);
        std::erase_if(list.queues, [](const std::weak_ptr<Queue> &q) { return q.expired(); });
        list.queues.push_back(queue);
        threadQueue.queue = std::move(queue);
    }
    return threadQueue.queue;
}

bool ownedByCaller(const Wnd &window) { return threadQueue.queue && threadQueue.queue == window.queue; }

bool postTo(Queue &queue, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::lock_guard<std::mutex> hold(queue.lock);
    if (!queue.alive)
        return false;
    MSG msg{window, message, wParam, lParam, GetTickCount(), {0, 0}};
    queue.posted.push_back({msg, ++queue.lastPosted});
    signal(queue);
    return true;
}

// Runs the window procedures for calls other threads sent to this one.
void handleSentCalls(Queue &queue)
{
    for (;;) {
        std::shared_ptr<SentCall> call;
        {
            std::lock_guard<std::mutex> hold(queue.lock);
            if (queue.sent.empty())
                return;
            call = std::move(queue.sent.front());
            queue.sent.pop_front();
        }
        LRESULT result = 0;
        if (auto window = findWindow(call->window); window && ownedByCaller(*window))
            result = window->proc(call->window, call->message, call->wParam, call->lParam);
        complete(*call, result);
    }
}

//---- Window classes --------------------------------------------------------

struct WindowClass {
    std::string name;
    ATOM atom;
    WNDPROC proc;
    UINT style;
    HBRUSH background;
};

struct ClassTable {
    std::mutex lock;
    std::vector<WindowClass> classes;
};

bool sameName(const std::string &a, const char *b)
{
    return std::equal(a.begin(), a.end(), b, b + std::strlen(b), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

bool findClass(LPCSTR name, WindowClass &found)
{
    ClassTable &table = forever<ClassTable>();
    std::lock_guard<std::mutex> hold(table.lock);
    for (const WindowClass &c : table.classes)
        if (IS_INTRESOURCE(name) ? c.atom == LOWORD(name) : sameName(c.name, name)) {
            found = c;
            return true;
        }
    return false;
}

//---- Windows ---------------------------------------------------------------

HandleTable<Wnd> &windows()
{
    static auto *table = new HandleTable<Wnd>(HandleKind::window);
    return *table;
}

std::atomic<unsigned> systemActions[3];

// Win32 sizes a window it places itself at a quarter of the screen or so;
// 640 x 480 is the 4:3 picture at a size every screen shows.
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;
constexpr int kLargestSide = 16384;

int clampSide(int side) { return std::clamp(side, 1, kLargestSide); }

void sendFocus(Wnd &window, bool focus)
{
    SendMessageA(window.handle, WM_ACTIVATE, focus ? WA_ACTIVE : WA_INACTIVE, 0);
    SendMessageA(window.handle, focus ? WM_SETFOCUS : WM_KILLFOCUS, 0, 0);
}

// Sets the focus flag; returns whether it changed.
bool changeFocus(Wnd &window, bool focus)
{
    std::lock_guard<std::mutex> hold(window.lock);
    if (window.focused == focus)
        return false;
    window.focused = focus;
    if (!focus)
        window.focusLosses++;
    return true;
}

bool isActivatingShow(int command)
{
    return command != SW_HIDE && command != SW_SHOWNOACTIVATE && command != SW_SHOWNA &&
           command != SW_SHOWMINNOACTIVE && command != SW_MINIMIZE;
}

// The first window of the calling thread that waits for WM_PAINT.
HWND windowToPaint(const Queue &queue, HWND filter)
{
    for (const auto &window : windows().all()) {
        if (window->queue.get() != &queue || (filter && window->handle != filter))
            continue;
        std::lock_guard<std::mutex> hold(window->lock);
        if (window->needsPaint && window->visible && !window->destroying)
            return window->handle;
    }
    return nullptr;
}

bool takePosted(Queue &queue, HWND filter, UINT min, UINT max, MSG &msg)
{
    std::lock_guard<std::mutex> hold(queue.lock);
    for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
        if (filter && it->msg.hwnd != filter)
            continue;
        if ((min | max) != 0 && (it->msg.message < min || it->msg.message > max))
            continue;
        msg = it->msg;
        queue.posted.erase(it);
        return true;
    }
    return false;
}

// Called when the thread is back in GetMessageA: whatever left the queue
// (taken, or dropped with its window) has been handled.
void markHandled(Queue &queue)
{
    std::lock_guard<std::mutex> hold(queue.lock);
    queue.handled = queue.posted.empty() ? queue.lastPosted : queue.posted.front().serial - 1;
    queue.changed.notify_all();
}

void waitForWork(Queue &queue)
{
    pollfd fds[2];
    nfds_t count = 0;
    if (queue.wake[0] >= 0)
        fds[count++] = {queue.wake[0], POLLIN, 0};
    if (int fd = backend().eventDescriptor(); fd >= 0)
        fds[count++] = {fd, POLLIN, 0};
    int timeout = queue.wake[0] >= 0 ? -1 : 10;
    if (const int due = backend().pumpTimeout(); due >= 0 && (timeout < 0 || due < timeout))
        timeout = due;
    poll(fds, count, timeout);
}

// Windows their hosts took away are destroyed by their own thread, as
// Windows destroys a child window whose parent went.
void destroyGoneWindows(const Queue &queue)
{
    for (const auto &window : windows().all()) {
        if (window->queue.get() != &queue)
            continue;
        bool gone;
        {
            std::lock_guard<std::mutex> hold(window->lock);
            gone = window->gone && !window->destroying;
        }
        if (gone)
            DestroyWindow(window->handle);
    }
}

} // namespace

std::shared_ptr<Wnd> findWindow(HWND window) { return windows().find(reinterpret_cast<uintptr_t>(window)); }

void postWindowMessage(Wnd &window, UINT message, WPARAM wParam, LPARAM lParam)
{
    postTo(*window.queue, window.handle, message, wParam, lParam);
}

void deliverWindowEvent(Wnd &window, int event)
{
    switch (event) {
    case MWP_WINDOW_FOCUS_IN:
    case MWP_WINDOW_FOCUS_OUT: {
        const bool focus = event == MWP_WINDOW_FOCUS_IN;
        if (changeFocus(window, focus)) {
            if (!focus)
                forgetKeys(window);
            postWindowMessage(window, WM_ACTIVATE, focus ? WA_ACTIVE : WA_INACTIVE, 0);
            postWindowMessage(window, focus ? WM_SETFOCUS : WM_KILLFOCUS, 0, 0);
        }
        break;
    }
    case MWP_WINDOW_CLOSE: postWindowMessage(window, WM_CLOSE, 0, 0); break;
    case MWP_WINDOW_GONE: {
        {
            std::lock_guard<std::mutex> hold(window.lock);
            window.gone = true;
        }
        // Wakes the owner, which destroys the window before it takes this.
        postWindowMessage(window, WM_NULL, 0, 0);
        break;
    }
    case MWP_WINDOW_EXPOSE: {
        std::lock_guard<std::mutex> hold(window.lock);
        window.needsPaint = true;
        signal(*window.queue);
        break;
    }
    }
}

void resizeWindow(Wnd &window, int width, int height)
{
    width = clampSide(width);
    height = clampSide(height);
    {
        std::lock_guard<std::mutex> hold(window.lock);
        if (width == window.width && height == window.height)
            return;
        const uint32_t fill = window.background == kNoBackground ? 0 : window.background;
        std::vector<uint32_t> surface(static_cast<size_t>(width) * height, fill);
        const int keepWidth = std::min(width, window.width);
        for (int y = 0; y < std::min(height, window.height); y++)
            std::copy_n(&window.surface[static_cast<size_t>(y) * window.width], keepWidth,
                        &surface[static_cast<size_t>(y) * width]);
        window.surface.swap(surface);
        window.width = width;
        window.height = height;
        window.needsPaint = true;
    }
    postWindowMessage(window, WM_SIZE, SIZE_RESTORED,
                      static_cast<LPARAM>((static_cast<DWORD>(height) << 16) | static_cast<DWORD>(width)));
}

void wakeAllQueues()
{
    QueueList &list = forever<QueueList>();
    std::lock_guard<std::mutex> hold(list.lock);
    for (const auto &weak : list.queues)
        if (auto queue = weak.lock())
            signal(*queue);
}

void countSystemAction(int action) { systemActions[action]++; }

} // namespace mwp

using namespace mwp;

//---- Classes and windows -----------------------------------------------------

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA *windowClass)
{
    if (!windowClass || windowClass->cbSize != sizeof(WNDCLASSEXA) || !windowClass->lpfnWndProc ||
        !windowClass->lpszClassName || IS_INTRESOURCE(windowClass->lpszClassName) ||
        !*windowClass->lpszClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WindowClass existing;
    if (findClass(windowClass->lpszClassName, existing)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    ClassTable &table = forever<ClassTable>();
    std::lock_guard<std::mutex> hold(table.lock);
    // Atoms of registered classes lie in 0xC000..0xFFFF as on Windows.
    if (table.classes.size() >= 0x4000) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    const ATOM atom = static_cast<ATOM>(0xC000 + table.classes.size());
    table.classes.push_back({windowClass->lpszClassName, atom, windowClass->lpfnWndProc, windowClass->style,
                             windowClass->hbrBackground});
    return atom;
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    if (parent || (style & WS_CHILD) || !className) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    WindowClass windowClass;
    if (!findClass(className, windowClass)) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    // As on Windows, a default width makes the height default too.
    if (width == CW_USEDEFAULT) {
        width = kDefaultWidth;
        height = kDefaultHeight;
    } else if (height == CW_USEDEFAULT) {
        height = kDefaultHeight;
    }

    auto window = std::make_shared<Wnd>();
    window->queue = currentQueue();
    window->proc = windowClass.proc;
    window->style = style & ~WS_VISIBLE;
    window->background = brushColor(windowClass.background);
    window->title = windowName ? windowName : "";
    const uintptr_t handle = windows().add(window);
    window->handle = reinterpret_cast<HWND>(handle);
    if (!backend().create(*window, clampSide(width), clampSide(height))) {
        windows().remove(handle);
        return nullptr;
    }
    window->surface.assign(static_cast<size_t>(window->width) * window->height,
                           window->background == kNoBackground ? 0 : window->background);

    CREATESTRUCTA create = {
        param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
        windowName, className, exStyle};
    const LPARAM createParam = reinterpret_cast<LPARAM>(&create);
    if (!window->proc(window->handle, WM_NCCREATE, 0, createParam)) {
        windows().remove(handle);
        backend().destroy(*window);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (window->proc(window->handle, WM_CREATE, 0, createParam) == -1) {
        DestroyWindow(window->handle);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (style & WS_VISIBLE)
        ShowWindow(window->handle, SW_SHOW);
    return window->handle;
}

BOOL WINAPI ShowWindow(HWND handle, int command)
{
    auto window = findWindow(handle);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const bool show = command != SW_HIDE;
    bool wasVisible;
    {
        std::lock_guard<std::mutex> hold(window->lock);
        wasVisible = window->visible;
    }
    if (show != wasVisible) {
        SendMessageA(handle, WM_SHOWWINDOW, show, 0);
        {
            std::lock_guard<std::mutex> hold(window->lock);
            window->visible = show;
            window->needsPaint = show;
        }
        backend().show(*window, show);
        signal(*window->queue);
    }
    if (isActivatingShow(command) && changeFocus(*window, true))
        sendFocus(*window, true);
    else if (!show && changeFocus(*window, false))
        sendFocus(*window, false);
    return wasVisible;
}

BOOL WINAPI DestroyWindow(HWND handle)
{
    auto window = findWindow(handle);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!ownedByCaller(*window)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    {
        std::lock_guard<std::mutex> hold(window->lock);
        if (window->destroying)
            return FALSE; // already on its way (DestroyWindow from WM_DESTROY)
        window->destroying = true;
    }
    window->proc(handle, WM_DESTROY, 0, 0);
    window->proc(handle, WM_NCDESTROY, 0, 0);
    windows().remove(reinterpret_cast<uintptr_t>(handle));
    backend().destroy(*window);
    // As on Windows, what was posted to the window goes with it.
    Queue &queue = *window->queue;
    std::lock_guard<std::mutex> hold(queue.lock);
    std::erase_if(queue.posted, [handle](const Posted &posted) { return posted.msg.hwnd == handle; });
    return TRUE;
}

BOOL WINAPI IsWindow(HWND handle) { return findWindow(handle) != nullptr; }

int WINAPI GetWindowTextA(HWND handle, LPSTR text, int size)
{
    auto window = findWindow(handle);
    if (!window || !text || size <= 0) {
        SetLastError(window ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    std::lock_guard<std::mutex> hold(window->lock);
    const size_t length = std::min(window->title.size(), static_cast<size_t>(size - 1));
    std::copy_n(window->title.data(), length, text);
    text[length] = '\0';
    return static_cast<int>(length);
}

BOOL WINAPI GetClientRect(HWND handle, LPRECT rect)
{
    auto window = findWindow(handle);
    if (!window || !rect) {
        SetLastError(window ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    std::lock_guard<std::mutex> hold(window->lock);
    *rect = {0, 0, window->width, window->height};
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE: return TRUE;
    case WM_CLOSE: DestroyWindow(handle); return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(handle, &paint);
        EndPaint(handle, &paint);
        return 0;
    }
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE: SendMessageA(handle, WM_CLOSE, 0, 0); break;
        case SC_SCREENSAVE:
            countSystemAction(MWP_ACTION_SCREENSAVE);
            backend().systemAction(MWP_ACTION_SCREENSAVE, lParam);
            break;
        case SC_MONITORPOWER:
            countSystemAction(MWP_ACTION_MONITOR_POWER);
            backend().systemAction(MWP_ACTION_MONITOR_POWER, lParam);
            break;
        }
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4 && (lParam & (1 << 29)))
            SendMessageA(handle, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_SYSCHAR:
        // No menu takes the Alt+key: Windows beeps.
        countSystemAction(MWP_ACTION_BEEP);
        backend().systemAction(MWP_ACTION_BEEP, 0);
        return 0;
    }
    return 0;
}

//---- Messages ----------------------------------------------------------------

BOOL WINAPI GetMessageA(LPMSG msg, HWND filter, UINT min, UINT max)
{
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (filter) {
        auto window = findWindow(filter);
        if (!window || !ownedByCaller(*window)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return -1;
        }
    }
    auto queue = currentQueue();
    markHandled(*queue);
    for (;;) {
        drain(*queue);
        handleSentCalls(*queue);
        backend().pump();
        destroyGoneWindows(*queue);
        if (takePosted(*queue, filter, min, max, *msg))
            return msg->message != WM_QUIT;
        if (!filter) {
            std::lock_guard<std::mutex> hold(queue->lock);
            if (queue->quit) {
                queue->quit = false;
                *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(queue->quitCode), 0, GetTickCount(), {0, 0}};
                return FALSE;
            }
        }
        if (HWND window = windowToPaint(*queue, filter)) {
            *msg = MSG{window, WM_PAINT, 0, 0, GetTickCount(), {0, 0}};
            return TRUE;
        }
        markHandled(*queue);
        waitForWork(*queue);
    }
}

BOOL WINAPI TranslateMessage(const MSG *msg)
{
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN))
        return FALSE;
    const WPARAM key = msg->wParam;
    WPARAM character;
    if (key >= 'A' && key <= 'Z')
        character = key - 'A' + 'a'; // the shift state is not kept
    else if ((key >= '0' && key <= '9') || key == VK_SPACE || key == VK_RETURN || key == VK_ESCAPE ||
             key == VK_BACK || key == VK_TAB)
        character = key;
    else
        return FALSE;
    return PostMessageA(msg->hwnd, msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR, character, msg->lParam);
}

LRESULT WINAPI DispatchMessageA(const MSG *msg)
{
    if (!msg || !msg->hwnd)
        return 0;
    auto window = findWindow(msg->hwnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (!ownedByCaller(*window)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    return window->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void WINAPI PostQuitMessage(int exitCode)
{
    auto queue = currentQueue();
    std::lock_guard<std::mutex> hold(queue->lock);
    queue->quit = true;
    queue->quitCode = exitCode;
    signal(*queue);
}

BOOL WINAPI PostMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!handle)
        return postTo(*currentQueue(), nullptr, message, wParam, lParam);
    auto window = findWindow(handle);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!postTo(*window->queue, handle, message, wParam, lParam)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

LRESULT WINAPI SendMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto window = findWindow(handle);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (ownedByCaller(*window))
        return window->proc(handle, message, wParam, lParam);

    auto self = currentQueue();
    auto call = std::make_shared<SentCall>(SentCall{handle, message, wParam, lParam, 0, false, self});
    {
        Queue &target = *window->queue;
        std::lock_guard<std::mutex> hold(target.lock);
        if (!target.alive)
            return 0;
        target.sent.push_back(call);
        signal(target);
    }
    // Calls sent to this thread meanwhile are handled, as on Windows, so two
    // threads sending to each other do not wait for ever.
    std::unique_lock<std::mutex> hold(self->lock);
    while (!call->done) {
        if (!self->sent.empty()) {
            hold.unlock();
            handleSentCalls(*self);
            hold.lock();
            continue;
        }
        self->changed.wait(hold);
    }
    return call->result;
}

HDC WINAPI BeginPaint(HWND handle, LPPAINTSTRUCT paint)
{
    auto window = findWindow(handle);
    if (!window || !paint) {
        SetLastError(window ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    *paint = PAINTSTRUCT{};
    paint->hdc = GetDC(handle);
    std::lock_guard<std::mutex> hold(window->lock);
    paint->rcPaint = {0, 0, window->width, window->height};
    window->needsPaint = false;
    return paint->hdc;
}

BOOL WINAPI EndPaint(HWND handle, const PAINTSTRUCT *paint)
{
    if (paint)
        ReleaseDC(handle, paint->hdc);
    return TRUE;
}

//---- Extensions --------------------------------------------------------------

unsigned long mwPlatformNativeWindow(HWND handle)
{
    auto window = findWindow(handle);
    return window ? backend().nativeId(*window) : 0;
}

int mwPlatformInjectWindowEvent(HWND handle, int event)
{
    auto window = findWindow(handle);
    if (!window || event < MWP_WINDOW_FOCUS_IN || event > MWP_WINDOW_GONE)
        return 0;
    deliverWindowEvent(*window, event);
    if (ownedByCaller(*window))
        return 1;
    Queue &queue = *window->queue;
    std::unique_lock<std::mutex> hold(queue.lock);
    const uint64_t last = queue.lastPosted;
    queue.changed.wait(hold, [&] { return !queue.alive || queue.handled >= last; });
    return 1;
}

unsigned mwPlatformSystemActionCount(int action)
{
    if (action < 0 || action >= static_cast<int>(std::size(systemActions)))
        return 0;
    return systemActions[action].load();
}
