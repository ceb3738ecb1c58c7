// Block memory: block sizes and placement, zeroing, names, exhaustion, the
// walk's corruption checks and the listings in the report log.
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mwerror.h"
#include "mwmem.h"
#include "report_support.h"
#include "common_support.h"

namespace {

// Sizes worked out by hand. The header record is 36 bytes with 32-bit
// pointers and 48 with 64-bit ones; either way the caller's bytes start 48
// bytes into a block (16-byte aligned), and a block is those 48 bytes plus
// the request, rounded up to a multiple of 16.
constexpr size_t kRecordBytes = sizeof(void *) == 4 ? 36 : 48;
constexpr int kPayloadAt = 48;
const std::map<int, int> kBlockFor = {{1, 64},  {12, 64}, {13, 64},  {16, 64},  {17, 80},
                                      {20, 80}, {30, 80}, {50, 112}, {100, 160}};

int totalFor(int size) { return kBlockFor.at(size); }

mwMEMHEADER &headerOf(void *pointer)
{
    return *reinterpret_cast<mwMEMHEADER *>(static_cast<char *>(pointer) - kMemHeaderSize);
}

// Each test takes over a region of its own; block memory may be re-initialised.
class BlockMemory : public ::testing::Test {
protected:
    static constexpr int kRegion = 16384;

    void SetUp() override
    {
        mwSetErrorHandlers(mwKernelFatal, mwKernelError);
        storage_.assign(kRegion + MW_MEM_ALIGN, 0xAB);
        region_ = alignedStart();
        ASSERT_EQ(1, mwMemInit(region_, kRegion));
    }

    char *alignedStart()
    {
        const auto address = reinterpret_cast<uintptr_t>(storage_.data());
        return storage_.data() + (MW_MEM_ALIGN - address % MW_MEM_ALIGN) % MW_MEM_ALIGN;
    }

    std::vector<char> storage_;
    char *region_ = nullptr;
};

} // namespace

TEST_F(BlockMemory, BlocksAreRoundedToTheGranuleAndLieBackToBack)
{
    EXPECT_EQ(kRecordBytes, sizeof(mwMEMHEADER));
    EXPECT_EQ(kPayloadAt, kMemHeaderSize);
    char *previous = nullptr;
    int previousTotal = 0;
    for (int size : {1, 12, 13, 16, 17}) {
        char *p = static_cast<char *>(mwMemAlloc("test", size, size, "sized", 0));
        const mwMEMHEADER &header = headerOf(p);
        EXPECT_EQ(totalFor(size), header.total) << size;
        EXPECT_EQ(size, header.requested);
        EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(p) % MW_MEM_ALIGN);
        EXPECT_EQ(p - kMemHeaderSize, previous ? previous + previousTotal : region_);
        previous = p - kMemHeaderSize;
        previousTotal = header.total;
    }
}

TEST_F(BlockMemory, TopBlocksGrowDownFromTheEnd)
{
    char *first = static_cast<char *>(mwMemAlloc("test", 1, 100, "top", 1));
    char *second = static_cast<char *>(mwMemAlloc("test", 2, 20, "top", 1));
    EXPECT_EQ(region_ + kRegion - totalFor(100), first - kMemHeaderSize);
    EXPECT_EQ(region_ + kRegion - totalFor(100) - totalFor(20), second - kMemHeaderSize);
    char *bottom = static_cast<char *>(mwMemAlloc("test", 3, 20, "bottom", 0));
    EXPECT_EQ(region_, bottom - kMemHeaderSize);
}

TEST_F(BlockMemory, BlocksAreZeroedAndNamed)
{
    unsigned char *p = static_cast<unsigned char *>(mwMemAlloc("lightprt", 40, 200, nullptr, 0));
    EXPECT_EQ(std::vector<unsigned char>(200, 0), std::vector<unsigned char>(p, p + 200));
    EXPECT_STREQ("noname", headerOf(p).name);
    EXPECT_STREQ("lightprt", headerOf(p).ownerFile);
    EXPECT_EQ(40, headerOf(p).ownerLine);
    EXPECT_STREQ("sixteen_cha", headerOf(mwMemAlloc("test", 1, 1, "sixteen_chars_xx", 0)).name);
}

TEST_F(BlockMemory, MisalignedRegionStillGivesAlignedBlocks)
{
    ASSERT_EQ(1, mwMemInit(region_ + 3, kRegion - 3));
    for (int size : {1, 5, 33})
        EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(mwMemAlloc("test", 1, size, "a", size & 1)) % MW_MEM_ALIGN);
    EXPECT_EQ(0, mwMemInit(nullptr, kRegion));
    EXPECT_EQ(0, mwMemInit(region_, 0));
}

TEST_F(BlockMemory, ExactFitSucceedsAndOneByteMoreIsOutOfMemory)
{
    // Bottom and top meet exactly: the region is full.
    mwMemAlloc("test", 1, kRegion / 2 - kPayloadAt, "half", 0);
    mwMemAlloc("test", 2, kRegion / 2 - kPayloadAt, "half", 1);
    mwMemCheck("test", 3);
    EXPECT_REPORT(mwMemAlloc("lightprt", 77, 1, "more", 0),
                  "^Error Code \\(2h\\) lightprt:77: mwMemAlloc: Out of memory\n$");
}

TEST_F(BlockMemory, SizeBelowOneIsReported)
{
    EXPECT_REPORT(mwMemAlloc("main", 9, 0, "none", 0),
                  "^Error Code \\(1h\\) main:9: mwMemAlloc: Attempt to allocate zero or less bytes\n$");
    EXPECT_REPORT(mwMemAlloc("main", 9, 0x7FFFFFFF, "huge", 0), "^Error Code \\(2h\\) main:9: mwMemAlloc");
}

TEST_F(BlockMemory, WalksReportABrokenBlockUnderTheirOwnName)
{
    void *bottom = mwMemAlloc("test", 1, 10, "b", 0);
    void *top = mwMemAlloc("test", 2, 10, "t", 1);
    struct Damage {
        const char *what;
        void (*apply)(mwMEMHEADER &);
    };
    const Damage damages[] = {
        {"magic", [](mwMEMHEADER &h) { h.magic ^= 1; }},
        {"self", [](mwMEMHEADER &h) { h.self = nullptr; }},
        {"total too small", [](mwMEMHEADER &h) { h.total = kMemHeaderSize; }},
        {"total past the end", [](mwMEMHEADER &h) { h.total += kRegion; }},
    };
    for (void *victim : {bottom, top}) {
        for (const Damage &damage : damages) {
            SCOPED_TRACE(damage.what);
            const auto corruptThen = [&](void (*walk)()) {
                damage.apply(headerOf(victim));
                walk();
            };
            EXPECT_REPORT(corruptThen([] { mwMemCheck("checker", 5); }),
                          "^Error Code \\(3h\\) checker:5: mwMemCheck: The memory heap is corrupt\n$");
            EXPECT_REPORT(corruptThen([] { mwMemData("checker", 6); }),
                          "checker:6: mwMemData: The memory heap is corrupt\n$");
            EXPECT_REPORT(corruptThen([] { mwMemCollate("checker", 7, nullptr); }),
                          "checker:7: mwMemCollate: The memory heap is corrupt\n$");
        }
    }
}

TEST_F(BlockMemory, DataAndCollateListings)
{
    mwtest::TempDir dir;
    dir.enter();
    static const char lightprt[] = "lightprt";
    static const char mwfont[] = "mwfont";
    mwMemAlloc(lightprt, 10, 100, "rays", 0);
    mwMemAlloc(mwfont, 20, 30, "glyphs", 1);
    mwMemAlloc(lightprt, 30, 50, "rays", 0);
    mwLogOpen("T");
    mwMemData("main", 1);
    mwMemCollate("main", 2, nullptr);
    mwMemCollate("main", 3, "rays");
    mwMemCollate("main", 4, "nothing");

    const std::string &R = mwtest::kLogRuler;
    const auto line = [](const char *format, auto... values) { return mwtest::formatted(format, values...); };
    const char *row = "%-13s :  %-4d         %-4d     %8.2fk       %8.2fk\n";
    const char *head = "File             First Line#  Allocs       Size        (actual)\n";
    EXPECT_EQ("T\n\n" + R + "* BLOCK  : Memory Data\nBottom:\n" +
                  line("Size %d, Owner lightprt,10, Name rays\n", totalFor(100)) +
                  line("Size %d, Owner lightprt,30, Name rays\n", totalFor(50)) + "Top:\n" +
                  line("Size %d, Owner mwfont,20, Name glyphs\n", totalFor(30)) + R +
                  "* BLOCK  : Memory Statistics\n\n" + head +
                  line(row, "lightprt", 10, 2, 150 / 1024.0, (totalFor(100) + totalFor(50)) / 1024.0) +
                  line(row, "mwfont", 20, 1, 30 / 1024.0, totalFor(30) / 1024.0) + R +
                  "* BLOCK  : Memory Statistics for \"rays\"\n\n" + head +
                  line(row, "lightprt", 10, 2, 150 / 1024.0, (totalFor(100) + totalFor(50)) / 1024.0) + R +
                  "* BLOCK  : Memory Statistics for \"nothing\"\n\nNo memory allocated.\n" + R,
              mwtest::readFile("MARROW.TXT"));
}

TEST_F(BlockMemory, CollateKeepsAtMostOneHundredOwners)
{
    mwtest::TempDir dir;
    dir.enter();
    static char owners[101][8];
    for (int i = 0; i < 101; ++i) {
        std::snprintf(owners[i], sizeof owners[i], "o%d", i);
        mwMemAlloc(owners[i], i, 1, "tiny", 0);
    }
    mwLogOpen("T");
    mwMemCollate("main", 1, nullptr);
    const std::string log = mwtest::readFile("MARROW.TXT");
    EXPECT_NE(std::string::npos, log.find("\no99           :  99 "));
    EXPECT_EQ(std::string::npos, log.find("\no100 "));
}
