// Threads, ticks, last error, environment variables, message boxes.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <pthread.h>
#include <string>

#include <gtest/gtest.h>

#include "mwplatform.h"

namespace {

size_t ownStackSize()
{
    pthread_attr_t attributes;
    pthread_getattr_np(pthread_self(), &attributes);
    size_t size = 0;
    pthread_attr_getstacksize(&attributes, &size);
    pthread_attr_destroy(&attributes);
    return size;
}

struct StackProbe {
    size_t stack = 0;
    DWORD id = 0;
};

DWORD WINAPI probeStack(LPVOID parameter)
{
    auto *probe = static_cast<StackProbe *>(parameter);
    probe->stack = ownStackSize();
    probe->id = GetCurrentThreadId();
    return 7;
}

TEST(Threads, StackSizesAreHonouredAndExitCodesKept)
{
    StackProbe probe;
    DWORD id = 0;
    HANDLE thread =
        CreateThread(nullptr, 4 << 20, probeStack, &probe, STACK_SIZE_PARAM_IS_A_RESERVATION, &id);
    ASSERT_NE(nullptr, thread);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, INFINITE));
    EXPECT_GE(probe.stack, size_t{4} << 20);
    EXPECT_EQ(id, probe.id);
    EXPECT_NE(GetCurrentThreadId(), id);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(7u, code);
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_FALSE(CloseHandle(thread));
    EXPECT_EQ(DWORD{ERROR_INVALID_HANDLE}, GetLastError());

    // A small commit size still gets what Windows reserves for any thread.
    thread = CreateThread(nullptr, 10000, probeStack, &probe, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    WaitForSingleObject(thread, INFINITE);
    EXPECT_GE(probe.stack, size_t{1} << 20);
    CloseHandle(thread);

    EXPECT_EQ(nullptr, CreateThread(nullptr, 0, probeStack, &probe, 4 /* CREATE_SUSPENDED */, nullptr));
    EXPECT_EQ(nullptr, CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr));
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(nullptr, 0));
}

std::atomic<bool> released{false};

DWORD WINAPI waitForRelease(LPVOID)
{
    while (!released)
        Sleep(1);
    return 3;
}

TEST(Threads, WaitingEndsWhenTheThreadEndsOrTheTimeIsUp)
{
    HANDLE thread = CreateThread(nullptr, 0, waitForRelease, nullptr, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(thread, 0));
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(DWORD{STILL_ACTIVE}, code);
    released = true;
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, INFINITE));
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(3u, code);
    CloseHandle(thread);
}

TEST(Ticks, TheCounterWrapsAndDifferencesStayRight)
{
    mwPlatformSetTicks(0xFFFFFFFFu - 5);
    const DWORD before = GetTickCount();
    EXPECT_GE(before, 0xFFFFFFFFu - 5);
    // Wait for the wrap (a few milliseconds), but not for ever.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    DWORD after = before;
    while (after >= before && std::chrono::steady_clock::now() < giveUp)
        after = GetTickCount();
    ASSERT_LT(after, before) << "the counter did not wrap";
    const DWORD elapsed = after - before;
    EXPECT_GE(elapsed, 1u);
    EXPECT_LT(elapsed, 10000u);
}

TEST(LastError, FormatMessageGivesTheSystemText)
{
    char text[64];
    EXPECT_EQ(25u, FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  ERROR_FILE_NOT_FOUND, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text,
                                  sizeof text, nullptr));
    EXPECT_STREQ("No such file or directory", text);
    EXPECT_EQ(
        0u, FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND, 0, text, 25, nullptr));
    EXPECT_EQ(DWORD{ERROR_INSUFFICIENT_BUFFER}, GetLastError());
    EXPECT_EQ(0u, FormatMessageA(FORMAT_MESSAGE_FROM_STRING, "x", 0, 0, text, sizeof text, nullptr));
    EXPECT_EQ(DWORD{ERROR_NOT_SUPPORTED}, GetLastError());
    SetLastError(1234);
    EXPECT_EQ(1234u, GetLastError());
}

TEST(Environment, VariablesAreSetReadAndRemoved)
{
    EXPECT_TRUE(SetEnvironmentVariableA("MW_PLATFORM_TEST", "value"));
    char buffer[6];
    EXPECT_EQ(5u, GetEnvironmentVariableA("MW_PLATFORM_TEST", buffer, sizeof buffer));
    EXPECT_STREQ("value", buffer);
    EXPECT_EQ(6u, GetEnvironmentVariableA("MW_PLATFORM_TEST", buffer, 5)); // room needed
    EXPECT_EQ(6u, GetEnvironmentVariableA("MW_PLATFORM_TEST", nullptr, 0));
    EXPECT_STREQ("value", std::getenv("MW_PLATFORM_TEST"));
    EXPECT_TRUE(SetEnvironmentVariableA("MW_PLATFORM_TEST", nullptr));
    EXPECT_EQ(0u, GetEnvironmentVariableA("MW_PLATFORM_TEST", buffer, sizeof buffer));
    EXPECT_EQ(DWORD{ERROR_ENVVAR_NOT_FOUND}, GetLastError());
    EXPECT_FALSE(SetEnvironmentVariableA("A=B", "x"));
    EXPECT_FALSE(SetEnvironmentVariableA("", "x"));
}

TEST(MessageBoxes, ErrorBoxesGoToStandardErrorAndOthersToStandardOutput)
{
    MSGBOXPARAMSA box{};
    box.cbSize = sizeof box;
    box.lpszText = "Event pump closed";
    box.dwStyle = MB_ICONHAND | MB_TOPMOST;
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    EXPECT_EQ(IDOK, MessageBoxIndirectA(&box));
    box.lpszCaption = "About";
    box.lpszText = "Lumenfall";
    box.dwStyle = MB_ICONINFORMATION | MB_YESNO | MB_DEFBUTTON2;
    EXPECT_EQ(IDNO, MessageBoxIndirectA(&box));
    EXPECT_EQ("About: Lumenfall\n", testing::internal::GetCapturedStdout());
    EXPECT_EQ("Error: Event pump closed\n", testing::internal::GetCapturedStderr());
    EXPECT_EQ(0, MessageBoxIndirectA(nullptr));
}

TEST(Process, ShutdownParametersAreCheckedAndAccepted)
{
    EXPECT_TRUE(SetProcessShutdownParameters(0x3FF, SHUTDOWN_NORETRY));
    EXPECT_FALSE(SetProcessShutdownParameters(0x500, 0));
    EXPECT_FALSE(SetProcessShutdownParameters(0x3FF, 2));
    EXPECT_NE(nullptr, GetModuleHandleA(nullptr));
}

} // namespace
