#include "fuzzsupport.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "mwkernel.h"

namespace {

struct Refused {};

void refuseFatal(const char *, ...) { throw Refused{}; }

void refuseError(const char *file, int line, const char *function, int code)
{
    if (code == MW_ERR_HEAP_CORRUPT || code == MW_ERR_BAD_POINTER) {
        std::fprintf(stderr, "kernel heap damaged: %s at %s:%d (code %d)\n", function, file, line, code);
        std::abort();
    }
    throw Refused{};
}

// Large enough that the blocks a refused input leaves behind (the throw skips
// the reader's frees) do not run the heap dry in a long session.
constexpr int kBlockBytes = 1 << 30;
constexpr int kDynamicBytes = (1 << 30) - (1 << 20);

const std::string &scratchPath()
{
    static const std::string path = [] {
        const char *dir = std::getenv("TMPDIR");
        return std::string(dir ? dir : "/tmp") + "/marrow-fuzz-" + std::to_string(getpid());
    }();
    return path;
}

void setUp()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    mwSetErrorHandlers(refuseFatal, refuseError);
    void *region = std::malloc(kBlockBytes);
    if (!region || !mwMemInit(region, kBlockBytes))
        std::abort();
    mwDMemInit(kDynamicBytes);
    std::atexit([] { std::remove(scratchPath().c_str()); });
}

} // namespace

int fuzzReadFile(const uint8_t *data, size_t size, void (*read)(const char *path))
{
    setUp();
    const std::string &path = scratchPath();
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        std::abort();
    if (size && std::fwrite(data, 1, size, file) != size)
        std::abort();
    std::fclose(file);
    try {
        read(path.c_str());
    } catch (const Refused &) {
    }
    mwDMemCheck("fuzz", __LINE__);
    return 0;
}
