// The process and its environment: ticks, last error and its text,
// environment variables, shutdown order, the program's own path and the
// requests to end (signals).
#include "mwplatform.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <signal.h>
#include <time.h>
#include <unistd.h>

namespace {

thread_local DWORD lastError = 0;

// Added to the clock so that mwPlatformSetTicks can move the counter.
std::atomic<uint32_t> tickOffset{0};

uint32_t clockMilliseconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                                 static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

// setenv and getenv are not safe against each other; our own calls at least
// take turns.
std::mutex environmentLock;

// Console control handlers, oldest first. The signal handler reads them;
// only SetConsoleCtrlHandler changes them, under ctrlLock.
std::atomic<PHANDLER_ROUTINE> ctrlHandlers[8];
std::atomic<int> ctrlCount{0};
std::mutex ctrlLock;
bool signalsCaught = false; // guarded by ctrlLock

extern "C" void onEndSignal(int number)
{
    const DWORD event = number == SIGINT ? CTRL_C_EVENT : CTRL_CLOSE_EVENT;
    for (int i = ctrlCount.load() - 1; i >= 0; --i)
        if (PHANDLER_ROUTINE handler = ctrlHandlers[i].load(); handler && handler(event))
            return;
    signal(number, SIG_DFL); // nobody took it: end as without handlers
    raise(number);
}

} // namespace

DWORD WINAPI GetLastError(void) { return lastError; }

void WINAPI SetLastError(DWORD error) { lastError = error; }

DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPSTR buffer, DWORD size, void *)
{
    const DWORD unsupported =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE;
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || (flags & unsupported)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return 0;
    }
    if (!buffer || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    char scratch[256];
    const char *text = strerror_r(static_cast<int>(messageId), scratch, sizeof scratch);
    const size_t length = std::strlen(text);
    if (length + 1 > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, text, length + 1);
    return static_cast<DWORD>(length);
}

DWORD WINAPI GetTickCount(void) { return clockMilliseconds() + tickOffset.load(); }

void mwPlatformSetTicks(DWORD now) { tickOffset = now - clockMilliseconds(); }

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size)
{
    if (module || !fileName || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || length == ssize_t(sizeof path)) {
        SetLastError(length <= 0 ? static_cast<DWORD>(errno) : ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const DWORD kept = std::min(static_cast<DWORD>(length), size - 1);
    std::memcpy(fileName, path, kept);
    fileName[kept] = '\0';
    if (kept < static_cast<DWORD>(length)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    return kept;
}

BOOL WINAPI SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add)
{
    if (!handler) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> hold(ctrlLock);
    const int count = ctrlCount.load();
    if (add) {
        if (count == int(std::size(ctrlHandlers))) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return FALSE;
        }
        ctrlHandlers[count] = handler;
        ctrlCount = count + 1;
        if (!signalsCaught) {
            struct sigaction action {};
            action.sa_handler = onEndSignal;
            action.sa_flags = SA_RESTART;
            sigemptyset(&action.sa_mask);
            sigaction(SIGINT, &action, nullptr);
            sigaction(SIGTERM, &action, nullptr);
            signalsCaught = true;
        }
        return TRUE;
    }
    for (int i = count - 1; i >= 0; --i) {
        if (ctrlHandlers[i].load() != handler)
            continue;
        for (int k = i; k + 1 < count; ++k)
            ctrlHandlers[k] = ctrlHandlers[k + 1].load();
        ctrlCount = count - 1;
        return TRUE;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

BOOL WINAPI SetProcessShutdownParameters(DWORD level, DWORD flags)
{
    if (level > 0x4FF || (flags & ~DWORD{SHUTDOWN_NORETRY})) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI SetEnvironmentVariableA(LPCSTR name, LPCSTR value)
{
    if (!name || !*name || std::strchr(name, '=')) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> hold(environmentLock);
    if ((value ? setenv(name, value, 1) : unsetenv(name)) != 0) {
        SetLastError(static_cast<DWORD>(errno));
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size)
{
    std::lock_guard<std::mutex> hold(environmentLock);
    const char *value = name ? std::getenv(name) : nullptr;
    if (!value) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    const size_t length = std::strlen(value);
    if (!buffer || length + 1 > size)
        return static_cast<DWORD>(length + 1);
    std::memcpy(buffer, value, length + 1);
    return static_cast<DWORD>(length);
}
