// marrow_test_heap: linked into a GoogleTest binary, this sets up what mwInit
// would before the first test: the kernel's report handlers (so a fatal report
// shows its caption and text on standard error and exits with 255), 64 MB of
// block memory and a 48 MB dynamic heap carved out of it. Tests can then
// allocate through mwMemAlloc and mwDMemAlloc. Nothing is torn down: the
// memory lives until the process ends, as in the program.
#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "mwerror.h"
#include "mwkernel.h"

namespace {

constexpr int kBlockBytes = 64 << 20;
constexpr int kDynamicBytes = 48 << 20;

class TestHeapEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        mwSetErrorHandlers(mwKernelFatal, mwKernelError);
        void *region = std::malloc(kBlockBytes);
        if (!region || !mwMemInit(region, kBlockBytes)) {
            std::fprintf(stderr, "test heap: cannot set up %d bytes of block memory\n", kBlockBytes);
            std::abort();
        }
        mwDMemInit(kDynamicBytes);
    }
};

// Registered during static initialisation, so it runs before any test.
[[maybe_unused]] ::testing::Environment *const environment =
    ::testing::AddGlobalTestEnvironment(new TestHeapEnvironment);

} // namespace
