// The dynamic heap. mwDMemInit works once per process, so every scenario runs
// in a child process with a heap of its own.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "kernel_support.h"
#include "mwdynmem.h"
#include "common_support.h"

namespace {

// The start of a readable page whose predecessor cannot be read at all.
char *pageAfterAnUnreadableOne()
{
#ifdef _WIN32
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const size_t page = system.dwPageSize;
    auto *pages =
        static_cast<char *>(VirtualAlloc(nullptr, 2 * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    DWORD previous;
    VirtualProtect(pages, page, PAGE_NOACCESS, &previous);
#else
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    auto *pages = static_cast<char *>(
        mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    mprotect(pages, page, PROT_NONE);
#endif
    return pages + page;
}

// Sizes worked out by hand for this word size. The header record is 32
// bytes with 32-bit pointers and 56 with 64-bit ones; the caller's bytes
// start at the next multiple of 16 (32 or 64 bytes into the block), a block
// is that plus the request rounded up to 16, and a free block is split only
// when the rest holds a header and 32 bytes.
#if UINTPTR_MAX == 0xFFFFFFFFu
constexpr size_t kRecordBytes = 32;
constexpr int kPayloadAt = 32, kSplitMinimum = 64;
const std::map<int, int> kBlockFor = {{1, 48}, {10, 48}, {20, 64}, {100, 144}, {200, 240}, {1000, 1040}};
#else
constexpr size_t kRecordBytes = 56;
constexpr int kPayloadAt = 64, kSplitMinimum = 96;
const std::map<int, int> kBlockFor = {{1, 80}, {10, 80}, {20, 96}, {100, 176}, {200, 272}, {1000, 1072}};
#endif

int needFor(int size) { return kBlockFor.at(size); }

mwDMEMHEADER &headerOf(void *pointer)
{
    return *reinterpret_cast<mwDMEMHEADER *>(static_cast<char *>(pointer) - kDMemHeaderSize);
}

// A fresh kernel as mwInit leaves it: handlers, block memory, dynamic heap.
// Returns the first block of the heap.
mwDMEMHEADER *freshHeap(int bytes)
{
    mwSetErrorHandlers(mwKernelFatal, mwKernelError);
    const int region = bytes + 4096;
    mwMemInit(std::malloc(region), region);
    mwDMemInit(bytes);
    void *probe = mwDMemAlloc("probe", 1, 1);
    mwDMEMHEADER *first = &headerOf(probe);
    mwDMemFree("probe", 2, probe);
    return first;
}

void expectFree(void *pointer, int size)
{
    const mwDMEMHEADER &header = headerOf(pointer);
    EXPECT_EQ(0, header.used);
    EXPECT_EQ(size, header.size);
}

} // namespace

TEST(DynamicHeap, BlocksHoldHeaderAndPayloadAlignedAndOwned)
{
    MW_ISOLATED([] {
        EXPECT_EQ(kRecordBytes, sizeof(mwDMEMHEADER));
        EXPECT_EQ(kPayloadAt, kDMemHeaderSize);
        EXPECT_EQ(kSplitMinimum, kDMemSplitMin);
        mwDMEMHEADER *first = freshHeap(1 << 16);
        void *one = mwDMemAlloc("lightprt", 360, 1);
        EXPECT_EQ(reinterpret_cast<char *>(first) + kPayloadAt, one);
        EXPECT_EQ(needFor(1), headerOf(one).size);
        EXPECT_EQ(1, headerOf(one).used);
        EXPECT_STREQ("lightprt", headerOf(one).ownerFile);
        EXPECT_EQ(360, headerOf(one).ownerLine);
        for (const auto &[size, block] : kBlockFor)
            EXPECT_EQ(block, headerOf(mwDMemAlloc("test", size, size)).size) << size;
        for (int size = 1; size < 300; size += 7)
            EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(mwDMemAlloc("test", size, size)) % MW_MEM_ALIGN)
                << size;
        mwDMemCheck("test", 1);
    });
}

TEST(DynamicHeap, RemainderBelowTheSplitMinimumStaysInTheBlock)
{
    MW_ISOLATED([] {
        const int whole = needFor(1) + kSplitMinimum - 16;
        freshHeap(whole);
        void *p = mwDMemAlloc("test", 1, 1);
        EXPECT_EQ(whole, headerOf(p).size);
        EXPECT_EQ(&headerOf(p), headerOf(p).next);
    });
    MW_ISOLATED([] {
        freshHeap(needFor(1) + kSplitMinimum);
        void *p = mwDMemAlloc("test", 1, 1);
        EXPECT_EQ(needFor(1), headerOf(p).size);
        const mwDMEMHEADER *rest = headerOf(p).next;
        EXPECT_EQ(reinterpret_cast<char *>(&headerOf(p)) + needFor(1), reinterpret_cast<const char *>(rest));
        EXPECT_EQ(kSplitMinimum, rest->size);
        EXPECT_EQ(0, rest->used);
        EXPECT_STREQ("mwdynmem", rest->ownerFile);
        EXPECT_EQ(216, rest->ownerLine);
        EXPECT_EQ(&headerOf(p), rest->next);
        EXPECT_EQ(rest, headerOf(p).prev);
    });
}

TEST(DynamicHeapDeathTest, SixMegabytesWithAFiveMegabyteHeapLeaveAMegabyteLessOneHeader)
{
    // As the program starts: the heap is the block memory's "DYNAMIC" block,
    // 5 MB and its 48-byte header, which leaves 1,048,528 bytes. A request of
    // 1,048,480 (and its own 48) fills them; one byte more does not fit.
    expectReport(
        [] {
            alignas(16) static unsigned char region[0x600000];
            mwMemInit(region, sizeof region);
            mwDMemInit(0x500000);
            mwMemAlloc("main", 1, 1048480, "rest", 0);
            mwMemAlloc("main", 2, 1, "more", 0);
        },
        "^Error Code \\(2h\\) main:2: mwMemAlloc: Out of memory\n$");
}

TEST(DynamicHeap, FreeMergesWithFreeNeighbours)
{
    MW_ISOLATED([] {
        const int heap = 1 << 14;
        freshHeap(heap);
        void *a = mwDMemAlloc("test", 1, 100);
        void *b = mwDMemAlloc("test", 2, 200);
        void *c = mwDMemAlloc("test", 3, 300);
        mwDMemFree("test", 4, b);
        expectFree(b, needFor(200));
        EXPECT_STREQ("mwdynmem", headerOf(b).ownerFile);
        EXPECT_EQ(326, headerOf(b).ownerLine);
        mwDMemFree("test", 5, a); // backward into nothing, forward into b
        expectFree(a, needFor(100) + needFor(200));
        mwDMemFree("test", 6, c); // backward into a, forward into the rest
        expectFree(a, heap);
        EXPECT_EQ(&headerOf(a), headerOf(a).next);
        EXPECT_EQ(&headerOf(a), headerOf(a).prev);
        mwDMemCheck("test", 7);
    });
}

TEST(DynamicHeap, LastBlockIsNotMergedWithTheFirst)
{
    // The list is circular, but the last and the first block are not neighbours.
    for (const bool lastFirst : {false, true}) {
        MW_ISOLATED([lastFirst] {
            const int third = 1024;
            freshHeap(3 * third);
            void *first = mwDMemAlloc("test", 1, third - kDMemHeaderSize);
            mwDMemAlloc("test", 2, third - kDMemHeaderSize);
            void *last = mwDMemAlloc("test", 3, third - kDMemHeaderSize);
            mwDMemFree("test", 4, lastFirst ? last : first);
            mwDMemFree("test", 5, lastFirst ? first : last);
            expectFree(first, third);
            expectFree(last, third);
            EXPECT_EQ(&headerOf(first), headerOf(last).next);
            mwDMemCheck("test", 6);
        });
    }
}

TEST(DynamicHeap, SearchStartsWhereTheLastFreeLeftOff)
{
    MW_ISOLATED([] {
        freshHeap(1 << 14);
        void *a = mwDMemAlloc("test", 1, 64);
        mwDMemAlloc("test", 2, 64);
        void *c = mwDMemAlloc("test", 3, 64);
        mwDMemAlloc("test", 4, 64);
        mwDMemFree("test", 5, a);
        mwDMemFree("test", 6, c);
        EXPECT_EQ(c, mwDMemAlloc("test", 7, 64)); // a is free too, but lies behind the rover
        void *e = mwDMemAlloc("test", 8, 64);
        EXPECT_NE(a, e);
        EXPECT_GT(e, c);
    });
}

TEST(DynamicHeapDeathTest, BadFreesAreReported)
{
    const char *illegal = "^Error Code \\(4h\\) lightprt:2: mwDMemFree: Illegal memory pointer\n$";
    expectReport(
        [] {
            freshHeap(1 << 14);
            void *p = mwDMemAlloc("lightprt", 1, 10);
            mwDMemFree("lightprt", 2, p);
            mwDMemFree("lightprt", 2, p);
        },
        illegal);
    expectReport(
        [] {
            freshHeap(1 << 14);
            char *p = static_cast<char *>(mwDMemAlloc("lightprt", 1, 1000));
            mwDMemFree("lightprt", 2, p + 2 * kDMemGranule); // inside a block
        },
        illegal);
    expectReport([] { mwDMemFree("lightprt", 2, freshHeap(1 << 14)); }, illegal); // just below
    expectReport(
        [] {
            int local = 0;
            mwDMemFree("lightprt", 2, &local); // no heap at all
        },
        illegal);
    // Where a header would be is not even readable: reading it would crash.
    expectReport(
        [] {
            freshHeap(1 << 14);
            mwDMemFree("lightprt", 2, pageAfterAnUnreadableOne());
        },
        illegal);
    expectReport(
        [] {
            freshHeap(1 << 14);
            mwDMemFree("lightprt", 2, nullptr);
        },
        "^Error Code \\(0h\\) lightprt:2: mwDMemFree: Invalid Parameter\n$");
}

TEST(DynamicHeapDeathTest, MisuseOfAllocAndInitIsReported)
{
    expectReport(
        [] {
            freshHeap(1 << 14);
            mwDMemInit(1 << 12);
        },
        "^Error Code \\(5h\\) mwdynmem:96: mwDMemInit: Dynamic memory already initialized\n$");
    expectReport(
        [] {
            freshHeap(1 << 14);
            mwDMemAlloc("lightprt", 360, 0);
        },
        "^Error Code \\(1h\\) lightprt:360: mwDMemAlloc: Attempt to allocate zero or less bytes\n$");
    expectReport(
        [] {
            freshHeap(1 << 14);
            mwDMemAlloc("mwrender", 63, 1 << 13);
            mwDMemAlloc("mwrender", 63, 1 << 13);
        },
        "^Error Code \\(2h\\) mwrender:63: mwDMemAlloc: Out of memory\n$");
}

TEST(DynamicHeapDeathTest, BrokenBlocksAreFoundByEveryWalk)
{
    struct Damage {
        const char *what;
        void (*apply)(mwDMEMHEADER &);
    };
    static int outside;
    const Damage damages[] = {
        {"magic", [](mwDMEMHEADER &h) { h.magic = 0; }},
        {"size", [](mwDMEMHEADER &h) { h.size += kDMemGranule; }},
        {"next outside", [](mwDMEMHEADER &h) { h.next = reinterpret_cast<mwDMEMHEADER *>(&outside); }},
        {"prev", [](mwDMEMHEADER &h) { h.prev = h.next; }},
    };
    struct Walk {
        const char *name;
        void (*run)();
    };
    const Walk walks[] = {
        {"mwDMemCheck", [] { mwDMemCheck("tester", 7); }},
        {"mwDMemCheck", [] { mwDMemData("tester", 7); }},
        {"mwDMemCheck", [] { mwDMemCollate("tester", 7); }},
        // Fits the heap but no free block, so the search visits every block.
        {"mwDMemAlloc", [] { mwDMemAlloc("tester", 7, (1 << 15) - 2 * kDMemHeaderSize); }},
    };
    for (const Damage &damage : damages) {
        for (const Walk &walk : walks) {
            SCOPED_TRACE(std::string(damage.what) + " / " + walk.name);
            expectReport(
                [&] {
                    freshHeap(1 << 15);
                    void *a = mwDMemAlloc("test", 1, 100);
                    void *b = mwDMemAlloc("test", 2, 100);
                    mwDMemAlloc("test", 3, 100);
                    mwDMemFree("test", 4, a);
                    damage.apply(headerOf(b));
                    walk.run();
                },
                "^Error Code \\(3h\\) tester:7: " + std::string(walk.name) +
                    ": The memory heap is corrupt\n$");
        }
    }
}

TEST(DynamicHeap, ReallocGrowsInPlaceMovesOrShrinks)
{
    MW_ISOLATED([] {
        freshHeap(1 << 15);
        char *a = static_cast<char *>(mwDMemRealloc("test", 1, nullptr, 100));
        EXPECT_EQ(needFor(100), headerOf(a).size);
        std::memset(a, 'a', 100);

        // The rest of the heap follows a: grow into it.
        EXPECT_EQ(a, mwDMemRealloc("test", 2, a, 1000));
        EXPECT_EQ(needFor(1000), headerOf(a).size);
        EXPECT_EQ(std::string(100, 'a'), std::string(a, 100));

        // Now a used block follows: the data moves and the old block is freed.
        char *b = static_cast<char *>(mwDMemAlloc("test", 3, 10));
        char *moved = static_cast<char *>(mwDMemRealloc("mwmatrix", 4, a, 3000));
        EXPECT_NE(a, moved);
        EXPECT_EQ(std::string(100, 'a'), std::string(moved, 100));
        EXPECT_STREQ("mwmatrix", headerOf(moved).ownerFile);
        expectFree(a, needFor(1000));

        // Shrinking hands the tail back, merged with the free space after it.
        const int before = headerOf(moved).size + headerOf(moved).next->size;
        EXPECT_EQ(moved, mwDMemRealloc("test", 5, moved, 10));
        EXPECT_EQ(needFor(10), headerOf(moved).size);
        EXPECT_EQ(0, headerOf(moved).next->used);
        EXPECT_EQ(before - needFor(10), headerOf(moved).next->size);
        EXPECT_EQ(1, headerOf(b).used);
        mwDMemCheck("test", 6);
    });
}

TEST(DynamicHeapDeathTest, ReallocMisuseIsReported)
{
    expectReport(
        [] {
            freshHeap(1 << 14);
            mwDMemRealloc("mwmatrix", 9, mwDMemAlloc("test", 1, 10), 0);
        },
        "^Error Code \\(1h\\) mwmatrix:9: mwDMemRealloc: Attempt to allocate zero or less bytes\n$");
    expectReport(
        [] {
            freshHeap(1 << 14);
            void *a = mwDMemAlloc("test", 1, 10);
            mwDMemAlloc("test", 2, 10);
            mwDMemRealloc("mwmatrix", 9, a, 1 << 13); // moves
            mwDMemRealloc("mwmatrix", 9, a, 1 << 13);
        },
        "^Error Code \\(4h\\) mwmatrix:9: mwDMemRealloc: Illegal memory pointer\n$");
    expectReport(
        [] {
            freshHeap(1 << 14);
            void *a = mwDMemAlloc("test", 1, 10);
            mwDMemAlloc("test", 2, 10);
            mwDMemAlloc("test", 3, 1 << 13);
            mwDMemRealloc("mwmatrix", 9, a, 1 << 13);
        },
        "^Error Code \\(2h\\) mwmatrix:9: mwDMemRealloc: Out of memory\n$");
}

// Many mixed operations: every live block keeps its contents and the heap
// stays sound after each step.
TEST(DynamicHeap, MixedOperationsKeepContentsAndStructure)
{
    MW_ISOLATED([] {
        const int heap = 1 << 20;
        freshHeap(heap);
        struct Live {
            unsigned char *p;
            int size;
            unsigned char fill;
        };
        std::vector<Live> live;
        std::mt19937 random(1234);
        const auto intact = [](const Live &block) {
            for (int i = 0; i < block.size; ++i)
                if (block.p[i] != block.fill)
                    return false;
            return true;
        };
        for (int step = 0; step < 3000; ++step) {
            const unsigned op = random() % 3;
            if (op == 0 || live.empty()) {
                const int size = 1 + static_cast<int>(random() % 2000);
                auto *p = static_cast<unsigned char *>(mwDMemAlloc("mix", step, size));
                const unsigned char fill = static_cast<unsigned char>(step);
                std::memset(p, fill, static_cast<size_t>(size));
                live.push_back({p, size, fill});
            } else {
                const size_t index = random() % live.size();
                Live &block = live[index];
                ASSERT_TRUE(intact(block)) << "step " << step;
                if (op == 1) {
                    mwDMemFree("mix", step, block.p);
                    live.erase(live.begin() + static_cast<long>(index));
                } else {
                    const int size = 1 + static_cast<int>(random() % 4000);
                    block.p = static_cast<unsigned char *>(mwDMemRealloc("mix", step, block.p, size));
                    if (size > block.size)
                        std::memset(block.p + block.size, block.fill, static_cast<size_t>(size - block.size));
                    block.size = size;
                }
            }
            mwDMemCheck("mix", step);
        }
        for (const Live &block : live) {
            EXPECT_TRUE(intact(block));
            mwDMemFree("mix", 0, block.p);
        }
        void *all = mwDMemAlloc("mix", 1, heap - kDMemHeaderSize);
        EXPECT_EQ(heap, headerOf(all).size);
    });
}

TEST(DynamicHeap, DataAndCollateListings)
{
    mwtest::TempDir dir;
    dir.enter();
    const int heap = 1 << 12;
    MW_ISOLATED([] {
        freshHeap(1 << 12);
        static const char lightprt[] = "lightprt";
        mwLogOpen("T");
        void *a = mwDMemAlloc(lightprt, 360, 100);
        mwDMemAlloc("mwrender", 63, 10);
        mwDMemAlloc(lightprt, 361, 20);
        mwDMemData("main", 1);
        mwDMemCollate("main", 2);
        mwDMemFree("main", 3, a);
    });

    const auto line = [](const char *format, auto... values) { return mwtest::formatted(format, values...); };
    const std::string &R = mwtest::kLogRuler;
    const int used = needFor(100) + needFor(10) + needFor(20);
    EXPECT_EQ("T\n\n" + R + "* DMEM   : Dynamic Memory Data\n" +
                  line("USED Size %-8d, Owner lightprt,360\n", needFor(100)) +
                  line("USED Size %-8d, Owner mwrender,63\n", needFor(10)) +
                  line("USED Size %-8d, Owner lightprt,361\n", needFor(20)) +
                  line("FREE Size %-8d, Owner mwdynmem,216\n", heap - used) +
                  line("Used     : %gk\n", used / 1024.0) + line("Free     : %gk\n", (heap - used) / 1024.0) +
                  line("Overhead : %gk\n", 4 * kPayloadAt / 1024.0) + R +
                  "* DMEM   : Dynamic Memory Statistics\n\n"
                  "File             First Line#  Allocs       Size\n" +
                  line("%-13s :  %-4d         %-4d     %8.2fk\n", "lightprt", 360, 2,
                       (needFor(100) + needFor(20)) / 1024.0) +
                  line("%-13s :  %-4d         %-4d     %8.2fk\n", "mwrender", 63, 1, needFor(10) / 1024.0) +
                  R,
              mwtest::readFile("MARROW.TXT"));
}
