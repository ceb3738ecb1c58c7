// Threads over pthreads: CreateThread, thread handles, waiting, sleeping.
#include "handles.h"
#include "mwwin32.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <limits.h>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace {

struct Thread {
    std::mutex lock;
    std::condition_variable ended;
    bool running = true;
    DWORD exitCode = STILL_ACTIVE;
    DWORD id = 0;
    LPTHREAD_START_ROUTINE start = nullptr;
    LPVOID parameter = nullptr;
};

mwp::HandleTable<Thread> &threads()
{
    static auto *table = new mwp::HandleTable<Thread>(mwp::HandleKind::thread);
    return *table;
}

// Thread ids are numbered by the platform: Win32 ids are never 0 and are
// known to CreateThread before the thread runs.
std::atomic<DWORD> nextThreadId{1};
thread_local DWORD currentThreadId = 0;

// What Windows reserves for a thread that names only its commit size.
constexpr size_t kDefaultReserve = 1u << 20;

void *run(void *argument)
{
    auto *owner = static_cast<std::shared_ptr<Thread> *>(argument);
    std::shared_ptr<Thread> thread = std::move(*owner);
    delete owner;
    currentThreadId = thread->id;
    const DWORD code = thread->start(thread->parameter);
    {
        std::lock_guard<std::mutex> hold(thread->lock);
        thread->running = false;
        thread->exitCode = code;
    }
    thread->ended.notify_all();
    return nullptr;
}

std::shared_ptr<Thread> findThread(HANDLE handle)
{
    return threads().find(reinterpret_cast<uintptr_t>(handle));
}

} // namespace

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                           LPVOID parameter, DWORD flags, LPDWORD threadId)
{
    if (!start || (flags & ~DWORD{STACK_SIZE_PARAM_IS_A_RESERVATION})) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    size_t size =
        flags & STACK_SIZE_PARAM_IS_A_RESERVATION ? stackSize : std::max(stackSize, kDefaultReserve);
    size = std::max<size_t>(size, PTHREAD_STACK_MIN);
    size = (size + page - 1) / page * page;

    auto thread = std::make_shared<Thread>();
    thread->id = nextThreadId++;
    thread->start = start;
    thread->parameter = parameter;

    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    int error = pthread_attr_setstacksize(&attributes, size);
    auto *argument = new std::shared_ptr<Thread>(thread);
    pthread_t posixThread;
    if (error == 0)
        error = pthread_create(&posixThread, &attributes, run, argument);
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        delete argument;
        SetLastError(static_cast<DWORD>(error));
        return nullptr;
    }
    if (threadId)
        *threadId = thread->id;
    return reinterpret_cast<HANDLE>(threads().add(thread));
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    auto thread = findThread(handle);
    if (!thread) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    std::unique_lock<std::mutex> hold(thread->lock);
    auto finished = [&] { return !thread->running; };
    if (milliseconds == INFINITE)
        thread->ended.wait(hold, finished);
    else if (!thread->ended.wait_for(hold, std::chrono::milliseconds(milliseconds), finished))
        return WAIT_TIMEOUT;
    return WAIT_OBJECT_0;
}

BOOL WINAPI GetExitCodeThread(HANDLE handle, LPDWORD exitCode)
{
    auto thread = findThread(handle);
    if (!thread || !exitCode) {
        SetLastError(thread ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard<std::mutex> hold(thread->lock);
    *exitCode = thread->exitCode;
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE handle)
{
    if (!threads().remove(reinterpret_cast<uintptr_t>(handle))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI GetCurrentThreadId(void)
{
    if (currentThreadId == 0)
        currentThreadId = nextThreadId++;
    return currentThreadId;
}

void WINAPI Sleep(DWORD milliseconds)
{
    if (milliseconds == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
