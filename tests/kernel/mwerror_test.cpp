// Reports: the message table, the default hooks, and the kernel's handlers
// (exit registry first, then the box on standard error, exit code 255).
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "kernel_support.h"
#include "report_support.h"
#include "common_support.h"
#include "mwwin32.h"

namespace {

void announceExit() { std::fputs("exit function ran\n", stderr); }

void returningFatal(const char *, ...) {}
void returningError(const char *, int, const char *, int) {}

} // namespace

TEST(ErrorString, KnownCodesAndUnknownOnes)
{
    EXPECT_STREQ("Invalid Parameter", mwErrorString(MW_ERR_INVALID_PARAMETER));
    EXPECT_STREQ("Dynamic memory already initialized", mwErrorString(MW_ERR_DMEM_INITIALIZED));
    EXPECT_STREQ("The plugin entry chain has been corrputed", mwErrorString(MW_ERR_PLUGIN_CHAIN_CORRUPT));
    EXPECT_STREQ("Specified plugin class does not exist", mwErrorString(MW_ERR_NO_PLUGIN_CLASS));
    for (int code : {-1, 10, 255})
        EXPECT_STREQ("(unknown error code)", mwErrorString(code)) << code;
}

TEST(ReportDeathTest, BeforeTheKernelIsUpAReportOnlyEndsTheProcess)
{
    EXPECT_REPORT(mwFatal("boom %d", 1), "^$");
    EXPECT_REPORT(mwError("lightprt", 360, "mwDMemAlloc", MW_ERR_ALLOC_ZERO), "^$");
}

TEST(ReportDeathTest, ErrorCodeShowsOwnerInCaptionAndFunctionInText)
{
    expectReport([] { mwError("lightprt", 360, "mwDMemAlloc", MW_ERR_ALLOC_ZERO); },
                 "^Error Code \\(1h\\) lightprt:360: mwDMemAlloc: Attempt to allocate zero or less bytes\n$");
    expectReport([] { mwError("mwplugin", 7, "mwPluginFree", 10); },
                 "^Error Code \\(Ah\\) mwplugin:7: mwPluginFree: \\(unknown error code\\)\n$");
}

TEST(ReportDeathTest, ExitRegistryRunsBeforeTheBox)
{
    expectReport(
        [] {
            mwExitRegister(announceExit, 255, MW_EXIT_FLAG_ONCE);
            mwFatal("Cannot open %s\n", "POO.TGA");
        },
        "^exit function ran\nError: Cannot open POO.TGA\n\n$");
    expectReport(
        [] {
            mwExitRegister(announceExit, 255, MW_EXIT_FLAG_ONCE);
            mwError("mwrender", 63, "mwDMemAlloc", MW_ERR_OUT_OF_MEMORY);
        },
        "^exit function ran\nError Code \\(2h\\) mwrender:63: mwDMemAlloc: Out of memory\n$");
}

TEST(ReportDeathTest, LongMessagesAreCutTo1023Characters)
{
    static const std::string longText(3000, 'x');
    expectReport([] { mwFatal("%s", longText.c_str()); }, "^Error: x{1023}\n$");
    expectReport([] { mwError(longText.c_str(), 1, longText.c_str(), 0); },
                 "^Error Code \\(0h\\) x{1007}: x{1023}\n$");
}

TEST(ReportDeathTest, SystemErrorNamesTheNumberAndTheSystemText)
{
    expectReport(
        [] {
            SetLastError(ERROR_FILE_NOT_FOUND);
            mwSystemError("CreateThread");
        },
    // The system's own text, without the line break Windows ends it with.
#ifdef _WIN32
        "^Error: CreateThread: \\(2\\) File not found\\.\n$");
#else
        "^Error: CreateThread: \\(2\\) No such file or directory\n$");
#endif
}

TEST(ReportDeathTest, HooksThatReturnStillEndTheProcess)
{
    EXPECT_REPORT(
        {
            mwSetErrorHandlers(returningFatal, returningError);
            mwFatal("no way back");
        },
        "");
    EXPECT_REPORT(
        {
            mwSetErrorHandlers(returningFatal, returningError);
            mwError("main", 1, "main", 0);
        },
        "");
}

TEST(ReportDeathTest, ReportsAreWrittenToTheLog)
{
    mwtest::TempDir dir;
    dir.enter();
    const std::string ruler(78, '-');
    expectReport(
        [] {
            mwLogOpen("Lumenfall");
            mwFatal("Event pump closed\n");
        },
        "");
    EXPECT_EQ("Lumenfall\n\n" + ruler + "\nError: Event pump closed\n\n", mwtest::readFile("MARROW.TXT"));
    expectReport(
        [] {
            mwLogOpen("Lumenfall");
            mwError("mwdynmem", 96, "mwDMemInit", MW_ERR_DMEM_INITIALIZED);
        },
        "");
    EXPECT_EQ("Lumenfall\n\n" + ruler +
                  "\nError Code (5h) mwdynmem:96 mwDMemInit: Dynamic memory already initialized\n",
              mwtest::readFile("MARROW.TXT"));
}
