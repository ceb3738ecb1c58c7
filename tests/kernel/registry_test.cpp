// The status and exit registries: ONCE and priority rules, the table limit,
// call order, exit entries spent by a call, and re-entry from a report.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "kernel_support.h"
#include "common_support.h"

namespace {

std::vector<int> calls;

template <int N>
void status(int code, int value)
{
    calls.push_back(N * 100 + code * 10 + value);
}

template <int N>
void leave()
{
    calls.push_back(N);
}

// 32 distinct status functions, to fill the table.
template <size_t... N>
void registerStatusFunctions(std::index_sequence<N...>)
{
    (mwStatusRegister(status<static_cast<int>(N)>, 1, MW_STATUS_FLAG_ONCE), ...);
}

template <size_t... N>
void registerExitFunctions(std::index_sequence<N...>)
{
    (mwExitRegister(leave<static_cast<int>(N)>, 1, 0), ...);
}

} // namespace

TEST(Registries, OnceEntriesAreKeptOnceOthersEveryTime)
{
    MW_ISOLATED([] {
        mwStatusRegister(status<1>, 255, MW_STATUS_FLAG_ONCE);
        mwStatusRegister(status<1>, 255, MW_STATUS_FLAG_ONCE);
        mwStatusRegister(status<2>, 200, 0);
        mwStatusRegister(status<2>, 200, 0);
        EXPECT_EQ(3, mwStatusCall(MW_STATUS_ACTIVE, 0));
        EXPECT_EQ((std::vector<int>{110, 210, 210}), calls);

        mwExitRegister(leave<1>, 255, MW_EXIT_FLAG_ONCE);
        mwExitRegister(leave<1>, 255, MW_EXIT_FLAG_ONCE);
        mwExitRegister(leave<2>, 9, 0);
        mwExitRegister(leave<2>, 9, 0);
        EXPECT_EQ(3, mwExitCall());
    });
}

TEST(Registries, HigherPriorityFirstThenRegistrationOrder)
{
    MW_ISOLATED([] {
        mwStatusRegister(status<1>, 10, 0);
        mwStatusRegister(status<2>, 255, 0);
        mwStatusRegister(status<3>, 10, 0);
        EXPECT_EQ(3, mwStatusCall(MW_STATUS_ACTIVE, 1));
        EXPECT_EQ((std::vector<int>{211, 111, 311}), calls);
        // Status entries stay.
        calls.clear();
        EXPECT_EQ(3, mwStatusCall(MW_STATUS_ACTIVE, 0));
        EXPECT_EQ((std::vector<int>{210, 110, 310}), calls);

        calls.clear();
        mwExitRegister(leave<1>, 10, 0);
        mwExitRegister(leave<2>, 255, 0);
        mwExitRegister(leave<3>, 10, 0);
        EXPECT_EQ(3, mwExitCall());
        EXPECT_EQ((std::vector<int>{2, 1, 3}), calls);
    });
}

TEST(Registries, ExitCallEmptiesTheRegistryWhichCanBeRefilled)
{
    MW_ISOLATED([] {
        registerExitFunctions(std::make_index_sequence<MW_REGISTRY_ENTRIES>());
        EXPECT_EQ(MW_REGISTRY_ENTRIES, mwExitCall());
        EXPECT_EQ(0, mwExitCall());
        calls.clear();
        mwExitRegister(leave<7>, 1, MW_EXIT_FLAG_ONCE);
        EXPECT_EQ(1, mwExitCall());
        EXPECT_EQ((std::vector<int>{7}), calls);
    });
}

TEST(RegistriesDeathTest, ConflictingEntriesAreFatal)
{
    expectReport(
        [] {
            mwStatusRegister(status<1>, 255, MW_STATUS_FLAG_ONCE);
            mwStatusRegister(status<1>, 255, 0);
        },
        "^Error: mwStatusRegister: conflicting entry,\nMW_STATUS_FLAG_ONCE flags don't match\n"
        "func (0x)?[0-9a-fA-F]+\n$");
    expectReport(
        [] {
            mwStatusRegister(status<1>, 255, MW_STATUS_FLAG_ONCE);
            mwStatusRegister(status<1>, 254, MW_STATUS_FLAG_ONCE);
        },
        "^Error: mwStatusRegister: conflicting entry,\npriorities don't match for a "
        "MW_STATUS_FLAG_ONCE entry\nfunc (0x)?[0-9a-fA-F]+\n$");
    expectReport(
        [] {
            mwExitRegister(leave<1>, 3, 0);
            mwExitRegister(leave<1>, 3, MW_EXIT_FLAG_ONCE);
        },
        "^Error: mwExitRegister: conflicting entry,\nMW_EXIT_FLAG_ONCE flags don't match\n"
        "func (0x)?[0-9a-fA-F]+\n$");
    expectReport(
        [] {
            mwExitRegister(leave<1>, 3, MW_EXIT_FLAG_ONCE);
            mwExitRegister(leave<1>, 4, MW_EXIT_FLAG_ONCE);
        },
        "priorities don't match for a MW_EXIT_FLAG_ONCE entry\nfunc [0-9a-fA-Fx]+\n$");
}

TEST(RegistriesDeathTest, TheThirtyThirdRegistrationIsFatalEvenAsADuplicate)
{
    expectReport(
        [] {
            registerStatusFunctions(std::make_index_sequence<MW_REGISTRY_ENTRIES>());
            mwStatusRegister(status<0>, 1, MW_STATUS_FLAG_ONCE);
        },
        "^Error: mwStatusRegister: too many status functions, max is 32\n$");
    expectReport(
        [] {
            registerExitFunctions(std::make_index_sequence<MW_REGISTRY_ENTRIES>());
            mwExitRegister(leave<40>, 1, 0);
        },
        "^Error: mwExitRegister: too many exit functions, max is 32\n$");
}

TEST(RegistriesDeathTest, BadArgumentsAreCodeZero)
{
    const char *status = "^Error Code \\(0h\\) mwstatus:129: mwStatusRegister: Invalid Parameter\n$";
    const char *exit = "^Error Code \\(0h\\) mwexit:134: mwExitRegister: Invalid Parameter\n$";
    expectReport([] { mwStatusRegister(::status<1>, 0, 0); }, status);
    expectReport([] { mwStatusRegister(::status<1>, 256, 0); }, status);
    expectReport([] { mwStatusRegister(nullptr, 1, 0); }, status);
    expectReport([] { mwExitRegister(leave<1>, 0, 0); }, exit);
    expectReport([] { mwExitRegister(leave<1>, 256, 0); }, exit);
    expectReport([] { mwExitRegister(nullptr, 1, 0); }, exit);
}

namespace {

void failingExit()
{
    std::fputs("failing exit function\n", stderr);
    mwFatal("%s", "shutdown failed");
}

void lastExit() { std::fputs("last exit function\n", stderr); }

} // namespace

// An exit function that itself reports: it is not called again, the rest
// still run, and the nested report ends the process.
TEST(RegistriesDeathTest, ReportFromAnExitFunctionRunsTheRestOnce)
{
    mwtest::TempDir dir;
    dir.enter();
    expectReport(
        [] {
            mwLogOpen("T");
            mwExitRegister(failingExit, 255, MW_EXIT_FLAG_ONCE);
            mwExitRegister(lastExit, 10, MW_EXIT_FLAG_ONCE);
            mwFatal("first failure");
        },
        "^failing exit function\nlast exit function\nError: shutdown failed\n$");
    const std::string log = mwtest::readFile("MARROW.TXT");
    EXPECT_NE(std::string::npos, log.find("Error: first failure\nError: shutdown failed\n")) << log;
    EXPECT_NE(std::string::npos, log.find("mwExitCall: entry 0 is invalid (")) << log;
    EXPECT_NE(std::string::npos, log.find(",255)\n")) << log;
}
