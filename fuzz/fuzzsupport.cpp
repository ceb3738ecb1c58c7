#include "fuzzsupport.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "mwdynmem.h"
#include "mwkernel.h"

namespace {

struct Refused {};

void refuseFatal(const char *, ...) { throw Refused{}; }

void refuseError(const char *file, int line, const char *function, int code)
{
    // A reader refuses what does not fit the heap instead of running it dry.
    if (code == MW_ERR_HEAP_CORRUPT || code == MW_ERR_BAD_POINTER || code == MW_ERR_OUT_OF_MEMORY) {
        std::fprintf(stderr, "kernel heap fault: %s at %s:%d (code %d)\n", function, file, line, code);
        std::abort();
    }
    throw Refused{};
}

// The program's own sizes: 6 MB of block memory, a 5 MB dynamic heap. A
// reader must refuse what does not fit rather than run the heap dry.
constexpr int kBlockBytes = 0x600000;
constexpr int kDynamicBytes = 0x500000;

mwDMEMHEADER *heapStart;

void setUp()
{
    if (heapStart)
        return;
    mwSetErrorHandlers(refuseFatal, refuseError);
    void *region = std::malloc(kBlockBytes);
    if (!region || !mwMemInit(region, kBlockBytes))
        std::abort();
    mwDMemInit(kDynamicBytes);
    // The first block of a new heap starts where its first allocation lies.
    char *probe = static_cast<char *>(mwDMemAlloc("fuzz", __LINE__, 1));
    heapStart = reinterpret_cast<mwDMEMHEADER *>(probe - kDMemHeaderSize);
    mwDMemFree("fuzz", __LINE__, probe);
}

// Frees every block in use; with leaksAreFaults, a block in use aborts the run
// instead, naming its owner.
void emptyHeap(bool leaksAreFaults)
{
    mwDMemCheck("fuzz", __LINE__);
    std::vector<char *> used;
    mwDMEMHEADER *block = heapStart;
    do {
        if (block->used) {
            if (leaksAreFaults) {
                std::fprintf(stderr, "kernel heap leak: %d bytes of %s:%d\n", block->size, block->ownerFile,
                             block->ownerLine);
                std::abort();
            }
            used.push_back(reinterpret_cast<char *>(block) + kDMemHeaderSize);
        }
        block = block->next;
    } while (block != heapStart);
    for (char *pointer : used)
        mwDMemFree("fuzz", __LINE__, pointer);
}

} // namespace

bool fuzzHeapBlockHolds(const void *pointer, int64_t bytes)
{
    auto *block =
        reinterpret_cast<const mwDMEMHEADER *>(static_cast<const char *>(pointer) - kDMemHeaderSize);
    const char *heap = reinterpret_cast<const char *>(heapStart);
    if (reinterpret_cast<const char *>(block) < heap ||
        reinterpret_cast<const char *>(block) >= heap + kDynamicBytes)
        return false;
    return block->magic == MW_DMEM_MAGIC && block->used && block->size - kDMemHeaderSize >= bytes;
}

int fuzzRun(void (*run)(const uint8_t *data, size_t size), const uint8_t *data, size_t size)
{
    setUp();
    bool refused = false;
    try {
        run(data, size);
    } catch (const Refused &) {
        refused = true;
    }
    if (fuzzCloseFiles() && !refused) {
        std::fprintf(stderr, "a file was left open\n");
        std::abort();
    }
    emptyHeap(!refused);
    return 0;
}

int fuzzReadFile(const uint8_t *data, size_t size, void (*read)(const char *name))
{
    static void (*reader)(const char *) = nullptr;
    reader = read;
    fuzzServeFile(data, size);
    return fuzzRun([](const uint8_t *, size_t) { reader(kFuzzFileName); }, data, size);
}
