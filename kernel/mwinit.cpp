// Start-up and shutdown of the kernel: the report hooks, the report log, the
// AutoRun switch, the memory managers, and the event thread that owns the
// main window, pumps its messages and reports foreground changes.
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "mwautorun.h"
#include "mwerror.h"
#include "mwhostwnd.h"
#include "mwkernel.h"
#include "mwwin32.h"

namespace {

constexpr SIZE_T kEventThreadStack = 10000;
constexpr DWORD kStartTimeout = 5000;
// mwShutdown waits this long for the event thread to take the window down.
constexpr DWORD kShutdownTimeout = 5000;
constexpr char kWindowClass[] = "mwMainWindowClass";
constexpr DWORD kShutdownLevel = 0x3FF;

int initialised = 0;
int active = 1; // touched only by the event thread
char applicationName[256] = "";
HINSTANCE instance = nullptr;
HANDLE eventThread = nullptr;
// Written by the event thread, read by the main thread.
std::atomic<int> eventThreadReady{0};
std::atomic<HWND> mainWindow{nullptr};
// Set by mwShutdown before it asks the event thread to close the window, so
// that the end of the pump is not reported as an error.
std::atomic<bool> shuttingDown{false};
// Set by the window procedure when the window is asked to close (the user's
// close button, Alt+F4): only that end of the pump is reported. A window
// destroyed without that request was taken away by its host.
std::atomic<bool> closeRequested{false};
// Ending asked for from outside (mwStopRequested). Lock-free, so a signal
// handler may set it.
std::atomic<int> stopRequested{0};
static_assert(std::atomic<int>::is_always_lock_free);

BOOL WINAPI onStopRequest(DWORD)
{
    stopRequested = 1;
    return TRUE;
}

// Reports each change of foreground once, however many messages announce it.
void setActive(int value)
{
    if (active == value)
        return;
    active = value;
    mwStatusCall(MW_STATUS_ACTIVE, value);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE: closeRequested = true; break;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_ACTIVATE:
        // The high word says whether the window is minimised, not whether
        // it is active.
        setActive(LOWORD(wParam) != WA_INACTIVE);
        break;
    case WM_SHOWWINDOW: setActive(wParam != 0); break;
    case WM_SETFOCUS: setActive(1); break;
    case WM_KILLFOCUS: setActive(0); break;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_SYSCHAR: return 0; // no beep on Alt+key
    case WM_SYSCOMMAND:
        // No other screen saver starts and the monitor stays on while the
        // program runs.
        if ((wParam & 0xFFF0) == SC_SCREENSAVE || (wParam & 0xFFF0) == SC_MONITORPOWER)
            return 0;
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

DWORD WINAPI eventThreadMain(LPVOID)
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszMenuName = kWindowClass;
    windowClass.lpszClassName = kWindowClass;
    windowClass.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
    RegisterClassExA(&windowClass);

    mainWindow = mwHostOpenMainWindow(kWindowClass, applicationName, instance);
    eventThreadReady = 1;

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    mainWindow = nullptr;
    if (shuttingDown)
        return 0;
    if (!closeRequested) {
        stopRequested = 1; // the host took the window away: a normal end
        return 0;
    }
    mwFatal("Event pump closed\n");
}

} // namespace

int mwInit(int blockBytes, int dynamicBytes, const char *name)
{
    if (initialised)
        return 0;
    if (name) {
        std::strncpy(applicationName, name, sizeof applicationName - 1);
        applicationName[sizeof applicationName - 1] = '\0';
    } else {
        std::strcpy(applicationName, "No Application Name");
    }
    instance = GetModuleHandleA(nullptr);
    mwReportSetMainThread();
    mwSetErrorHandlers(mwKernelFatal, mwKernelError);
    mwLogOpen(applicationName);
    initialised = 1;
    SetProcessShutdownParameters(kShutdownLevel, SHUTDOWN_NORETRY);
    mwAutoRunOff();

    void *block = blockBytes > 0 ? std::malloc(static_cast<size_t>(blockBytes)) : nullptr;
    if (blockBytes > 0 && !block)
        mwFatal("%.2f megabytes required to run\n", blockBytes / 1048576.0);
    if (!mwMemInit(block, blockBytes))
        mwFatal("Cannot initialize memory manager\n");
    mwDMemInit(dynamicBytes);

    shuttingDown = false;
    closeRequested = false;
    stopRequested = 0;
    SetConsoleCtrlHandler(onStopRequest, TRUE);
    eventThread = CreateThread(nullptr, kEventThreadStack, eventThreadMain, nullptr, 0, nullptr);
    if (!eventThread)
        mwSystemError("CreateThread");
    const DWORD start = GetTickCount();
    while (!eventThreadReady) {
        if (GetTickCount() - start > kStartTimeout)
            mwFatal("Event thread timed out while initializing");
        mwReportSafePoint();
        Sleep(0); // give the event thread the processor, without waiting
    }
    return 1;
}

void mwShutdown(void)
{
    if (!initialised)
        return;
    mwAutoRunRestore();
    // Only the event thread may destroy its window (Windows refuses it to any
    // other thread). It is asked to close it and awaited, so the window is
    // gone when mwShutdown returns and its pump ends without a report.
    shuttingDown = true;
    if (const HWND window = mainWindow; window && PostMessageA(window, WM_CLOSE, 0, 0)) {
        // In slices: a report the event thread raises meanwhile is ours.
        const DWORD start = GetTickCount();
        while (WaitForSingleObject(eventThread, 10) == WAIT_TIMEOUT &&
               GetTickCount() - start < kShutdownTimeout)
            mwReportSafePoint();
    }
    SetConsoleCtrlHandler(onStopRequest, FALSE);
    CloseHandle(eventThread);
    eventThread = nullptr;
    mwDMemDeinit();
    mwMemDeinit();
    initialised = 0;
    eventThreadReady = 0;
}

uint32_t mwGetTicks(void)
{
    mwReportSafePoint();
    return GetTickCount();
}

int mwStopRequested(void)
{
    mwReportSafePoint();
    return stopRequested;
}

void *mwGetMainWindow(void) { return mainWindow; }

const char *mwGetApplicationName(void) { return applicationName; }
