// Shared by the kernel's suites.
#ifndef MW_TESTS_KERNEL_KERNEL_SUPPORT_H
#define MW_TESTS_KERNEL_KERNEL_SUPPORT_H

#include <string>

#include <gtest/gtest.h>

#include "mwerror.h"
#include "report_support.h"

// Runs body in a child process with the kernel's report handlers installed
// and expects it to end in a report: exit code 255 and standard error
// matching pattern.
template <typename Body>
void expectReport(Body body, const std::string &pattern)
{
    EXPECT_REPORT(
        {
            mwSetErrorHandlers(mwKernelFatal, mwKernelError);
            body();
        },
        pattern);
}

#endif
