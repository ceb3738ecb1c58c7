/*
 * report_support.h - reports: EXPECT_REPORT(statement, pattern) expects the
 * statement to end the process as a report does (exit code -1, the error box
 * on standard error matching pattern); and hooks that turn a fatal or an
 * error report into a C++ exception instead, for isolated scenarios that go
 * on after a report (the kernel's own hooks are not restored).
 */
#ifndef MW_TESTS_SUPPORT_REPORT_SUPPORT_H
#define MW_TESTS_SUPPORT_REPORT_SUPPORT_H

#include <cstdarg>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "mwkernel.h"

namespace mwtest {

// exit(-1) as the parent sees it: 255 on POSIX, the whole -1 on Windows.
#ifdef _WIN32
constexpr int kFatalExit = -1;
#else
constexpr int kFatalExit = 255;
#endif

// What a report said: the fatal message, or "<function>: <error string>".
struct Reported {
    std::string message;
};

inline void throwFatal(const char *format, ...)
{
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    throw Reported{text};
}

inline void throwError(const char *, int, const char *function, int code)
{
    throw Reported{std::string(function) + ": " + mwErrorString(code)};
}

inline void installThrowingHooks() { mwSetErrorHandlers(throwFatal, throwError); }

} // namespace mwtest

#define EXPECT_REPORT(statement, pattern)                                                                    \
    EXPECT_EXIT(statement, ::testing::ExitedWithCode(::mwtest::kFatalExit), pattern)

#endif
