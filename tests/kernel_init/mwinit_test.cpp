// mwInit, mwShutdown, the main window and its event thread.
#include <csignal>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <utility>
#include <vector>

#include "kernel_init_support.h"
#include "report_support.h"

using namespace inittest;
using ::testing::ExitedWithCode;

namespace {

std::string titleOf(HWND window)
{
    char title[512] = "";
    GetWindowTextA(window, title, sizeof title);
    return title;
}

TEST(KernelStart, ASecondInitChangesNothingAndShutdownTakesTheWindowDown)
{
    ASSERT_TRUE(configured);
    MW_ISOLATED([] {
        EXPECT_EQ(1, mwInit(kBlockBytes, kDynamicBytes, "Lumenfall"));
        const HWND window = mainWindow();
        ASSERT_TRUE(IsWindow(window));
        EXPECT_EQ("Lumenfall", titleOf(window));
        EXPECT_EQ(0, mwInit(kBlockBytes, kDynamicBytes, "Other"));
        EXPECT_STREQ("Lumenfall", mwGetApplicationName());
        EXPECT_EQ(window, mainWindow());
        const DWORD ticks = GetTickCount();
        EXPECT_LT(mwGetTicks() - ticks, 1000u);

        mwShutdown();
        EXPECT_EQ(nullptr, mwGetMainWindow());
        EXPECT_FALSE(IsWindow(window));
        mwShutdown(); // not up: nothing happens
    });
}

TEST(KernelStart, TheNameIsDefaultedOrCut)
{
    MW_ISOLATED([] {
        mwInit(kBlockBytes, kDynamicBytes, nullptr);
        EXPECT_STREQ("No Application Name", mwGetApplicationName());
        EXPECT_EQ("No Application Name", titleOf(mainWindow()));
    });
    MW_ISOLATED([] {
        const std::string longName(300, 'n');
        mwInit(kBlockBytes, kDynamicBytes, longName.c_str());
        EXPECT_EQ(std::string(255, 'n'), mwGetApplicationName());
        EXPECT_EQ(std::string(255, 'n'), titleOf(mainWindow()));
    });
}

// Status calls as (function, value), and the threads they ran on.
std::vector<std::pair<int, int>> statusCalls;
std::vector<std::thread::id> statusThreads;

void firstStatus(int status, int value)
{
    EXPECT_EQ(MW_STATUS_ACTIVE, status);
    statusCalls.emplace_back(1, value);
    statusThreads.push_back(std::this_thread::get_id());
}

void secondStatus(int status, int value)
{
    EXPECT_EQ(MW_STATUS_ACTIVE, status);
    statusCalls.emplace_back(2, value);
}

TEST(KernelEventThread, ForegroundChangesCallEveryStatusFunctionOnce)
{
    MW_ISOLATED(([] {
        mwInit(kBlockBytes, kDynamicBytes, "Lumenfall");
        mwStatusRegister(secondStatus, 10, MW_STATUS_FLAG_ONCE);
        mwStatusRegister(firstStatus, 200, MW_STATUS_FLAG_ONCE);
        const HWND window = mainWindow();
        using Calls = std::vector<std::pair<int, int>>;

        // Losing the foreground, announced by every message that can.
        mwPlatformInjectWindowEvent(window, MWP_WINDOW_FOCUS_OUT);
        SendMessageA(window, WM_KILLFOCUS, 0, 0);
        SendMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0);
        SendMessageA(window, WM_SHOWWINDOW, FALSE, 0);
        EXPECT_EQ((Calls{{1, 0}, {2, 0}}), statusCalls);

        mwPlatformInjectWindowEvent(window, MWP_WINDOW_FOCUS_IN);
        SendMessageA(window, WM_SETFOCUS, 0, 0);
        SendMessageA(window, WM_ACTIVATE, WA_CLICKACTIVE, 0);
        SendMessageA(window, WM_SHOWWINDOW, TRUE, 0);
        EXPECT_EQ((Calls{{1, 0}, {2, 0}, {1, 1}, {2, 1}}), statusCalls);

        // Deactivated while minimised: the high word is not activity.
        SendMessageA(window, WM_ACTIVATE, 0x10000 | WA_INACTIVE, 0);
        EXPECT_EQ((Calls{{1, 0}, {2, 0}, {1, 1}, {2, 1}, {1, 0}, {2, 0}}), statusCalls);

        for (const std::thread::id &thread : statusThreads)
            EXPECT_NE(std::this_thread::get_id(), thread); // the event thread's business
        mwShutdown();
    }));
}

TEST(KernelEventThread, ScreenSaverMonitorPowerAndAltKeysAreSwallowed)
{
    MW_ISOLATED([] {
        mwInit(kBlockBytes, kDynamicBytes, "Lumenfall");
        const HWND window = mainWindow();
        const unsigned saver = mwPlatformSystemActionCount(MWP_ACTION_SCREENSAVE);
        const unsigned power = mwPlatformSystemActionCount(MWP_ACTION_MONITOR_POWER);
        const unsigned beep = mwPlatformSystemActionCount(MWP_ACTION_BEEP);
        EXPECT_EQ(0, SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0));
        EXPECT_EQ(0, SendMessageA(window, WM_SYSCOMMAND, SC_MONITORPOWER | 2, 2));
        EXPECT_EQ(0, SendMessageA(window, WM_SYSCHAR, 'x', 1 << 29));
        EXPECT_EQ(saver, mwPlatformSystemActionCount(MWP_ACTION_SCREENSAVE));
        EXPECT_EQ(power, mwPlatformSystemActionCount(MWP_ACTION_MONITOR_POWER));
        EXPECT_EQ(beep, mwPlatformSystemActionCount(MWP_ACTION_BEEP));
        // What the window's default handling would have done instead.
        DefWindowProcA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
        EXPECT_EQ(saver + 1, mwPlatformSystemActionCount(MWP_ACTION_SCREENSAVE));
        EXPECT_TRUE(IsWindow(window));
        mwShutdown();
    });
}

std::thread::id mainThreadId;

// Says whether it ran on the thread that called mwInit.
void announceExit()
{
    std::fputs(std::this_thread::get_id() == mainThreadId ? "exit function ran on the main thread\n"
                                                          : "exit function ran elsewhere\n",
               stderr);
}

TEST(KernelEventThreadDeathTest, AWindowClosedByRequestIsReportedFromTheMainThreadsNextSafePoint)
{
    EXPECT_REPORT(
        {
            mainThreadId = std::this_thread::get_id();
            mwInit(kBlockBytes, kDynamicBytes, "Lumenfall");
            mwExitRegister(announceExit, 255, MW_EXIT_FLAG_ONCE);
            mwPlatformInjectWindowEvent(mainWindow(), MWP_WINDOW_CLOSE);
            for (;;) {
                Sleep(5); // a frame's work, then the loop asks
                mwStopRequested();
            }
        },
        "^exit function ran on the main thread\nError: Event pump closed\n\n$");
}

TEST(KernelEventThreadDeathTest, AMainThreadThatReachesNoSafePointGetsTheReportWithoutExitFunctions)
{
    EXPECT_REPORT(
        {
            mwInit(kBlockBytes, kDynamicBytes, "Lumenfall");
            mwExitRegister(announceExit, 255, MW_EXIT_FLAG_ONCE);
            mwPlatformInjectWindowEvent(mainWindow(), MWP_WINDOW_CLOSE);
            for (;;)
                Sleep(1000); // stuck: the report comes after its 5 s wait
        },
        "^Error: Event pump closed\n\n$");
}

TEST(KernelEventThreadDeathTest, AWindowTakenAwayOrASignalIsAQuietStop)
{
    EXPECT_EXIT(
        {
            mwInit(kBlockBytes, kDynamicBytes, "Lumenfall");
            mwExitRegister(announceExit, 255, MW_EXIT_FLAG_ONCE);
            if (mwStopRequested())
                std::exit(3);
            mwPlatformInjectWindowEvent(mainWindow(), MWP_WINDOW_GONE);
            for (int wait = 0; !mwStopRequested() || mwGetMainWindow(); ++wait)
                if (wait == 1000)
                    std::exit(4);
                else
                    Sleep(5);
            mwShutdown();
            std::exit(0);
        },
        ExitedWithCode(0), "^$");
    EXPECT_EXIT(
        {
            mwInit(kBlockBytes, kDynamicBytes, "Lumenfall");
            raise(SIGTERM);
            if (!mwStopRequested())
                std::exit(4);
            mwShutdown();
            raise(SIGTERM); // no longer taken: the default action ends the process
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGTERM), "^$");
}

TEST(KernelEventThreadDeathTest, ANormalShutdownEndsWithoutAReport)
{
    EXPECT_EXIT(
        {
            mwInit(kBlockBytes, kDynamicBytes, "Lumenfall");
            mwExitRegister(announceExit, 255, MW_EXIT_FLAG_ONCE);
            mwShutdown();
            std::exit(0);
        },
        ExitedWithCode(0), "^$");
}

TEST(KernelStartDeathTest, MemoryThatCannotBeHadIsFatal)
{
    EXPECT_REPORT(mwInit(0, 0, "Lumenfall"), "^Error: Cannot initialize memory manager\n\n$");
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) // gcc
    GTEST_SKIP() << "sanitizers need more address space than the limit below";
#elif defined(__has_feature) // clang
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    GTEST_SKIP() << "sanitizers need more address space than the limit below";
#endif
#endif
    EXPECT_REPORT(
        {
            rlimit limit;
            limit.rlim_cur = limit.rlim_max = 256u << 20;
            setrlimit(RLIMIT_AS, &limit);
            mwInit(1 << 30, 1 << 20, "Lumenfall");
        },
        "^Error: 1024.00 megabytes required to run\n\n$");
}

} // namespace
