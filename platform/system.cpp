// The process and its environment: ticks, last error and its text,
// environment variables, shutdown order.
#include "mwplatform.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <time.h>

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
