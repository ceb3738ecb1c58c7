// Shared by the start-up suites.
#ifndef MW_TESTS_KERNEL_INIT_KERNEL_INIT_SUPPORT_H
#define MW_TESTS_KERNEL_INIT_KERNEL_INIT_SUPPORT_H

#include <gtest/gtest.h>

#include "mwkernel.h"
#include "mwplatform.h"
#include "common_support.h"

namespace inittest {

constexpr int kBlockBytes = 1 << 20;
constexpr int kDynamicBytes = 1 << 19;

// Every scenario runs in a child of its own, started afresh since the
// scenarios start threads.
class ThreadsafeDeathTests : public ::testing::Environment {
public:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

// The main window is an off-screen one.
inline const bool configured = [] {
    ::testing::AddGlobalTestEnvironment(new ThreadsafeDeathTests);
    return mwPlatformSetHeadless(1) != 0;
}();

inline HWND mainWindow() { return static_cast<HWND>(mwGetMainWindow()); }

} // namespace inittest

#endif
