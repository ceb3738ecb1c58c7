// Block memory: a two-ended stack of permanent blocks over one region.
// Bottom blocks grow upward from the base, top blocks downward from the end.
#include "mwmem.h"

#include <cinttypes>
#include <cstring>

#include "mwcollate.h"

namespace {

char *base;
int regionSize;
int bottomUsed;
int topUsed;

// A block is sound when its header fits in its part of the region, both
// checks match, and its total is plausible and ends inside that part.
bool blockIsSound(const char *at, const char *end)
{
    if (end - at < kMemHeaderSize)
        return false;
    const auto *header = reinterpret_cast<const mwMEMHEADER *>(at);
    return header->magic == MW_MEM_MAGIC && header->self == header && header->total > kMemHeaderSize &&
           header->total % kMemGranule == 0 && header->total <= end - at;
}

// Visits the bottom blocks, then the top blocks, reporting the first broken
// one under the operation's name. visit(header, isTop) returns false to stop.
template <typename Visit>
void walk(const char *file, int line, const char *operation, Visit visit)
{
    if (!base)
        return;
    const char *at = base;
    const char *end = base + bottomUsed;
    bool top = false;
    for (;;) {
        if (at == end) {
            if (top || topUsed == 0)
                return;
            top = true;
            at = base + regionSize - topUsed;
            end = base + regionSize;
            continue;
        }
        if (!blockIsSound(at, end))
            mwError(file, line, operation, MW_ERR_HEAP_CORRUPT);
        const auto &header = *reinterpret_cast<const mwMEMHEADER *>(at);
        if (!visit(header, top))
            return;
        at += header.total;
    }
}

} // namespace

int mwMemInit(void *region, int size)
{
    if (!region || size <= 0)
        return 0;
    // Blocks are aligned relative to the base, so the base itself must be.
    const uintptr_t address = reinterpret_cast<uintptr_t>(region);
    const uintptr_t skip = (MW_MEM_ALIGN - address % MW_MEM_ALIGN) % MW_MEM_ALIGN;
    if (static_cast<uintptr_t>(size) < skip)
        return 0;
    base = static_cast<char *>(region) + skip;
    regionSize = (size - static_cast<int>(skip)) / kMemGranule * kMemGranule;
    bottomUsed = 0;
    topUsed = 0;
    mwLogTagged("BLOCK", "Heap base 0x%" PRIxPTR ", heap size %d (%.2f meg)\n",
                reinterpret_cast<uintptr_t>(base), regionSize, regionSize / 1048576.0);
    return 1;
}

void *mwMemAlloc(const char *file, int line, int size, const char *name, int fromTop)
{
    if (size < 1)
        mwError(file, line, "mwMemAlloc", MW_ERR_ALLOC_ZERO);
    if (!name)
        name = "noname";
    const int64_t total = (int64_t{size} + kMemHeaderSize + kMemGranule - 1) / kMemGranule * kMemGranule;
    if (int64_t{regionSize} - bottomUsed - topUsed < total)
        mwError(file, line, "mwMemAlloc", MW_ERR_OUT_OF_MEMORY);

    char *block;
    if (fromTop) {
        topUsed += static_cast<int>(total);
        block = base + regionSize - topUsed;
    } else {
        block = base + bottomUsed;
        bottomUsed += static_cast<int>(total);
    }
    std::memset(block, 0, static_cast<size_t>(total));
    auto *header = reinterpret_cast<mwMEMHEADER *>(block);
    header->magic = MW_MEM_MAGIC;
    header->self = header;
    header->total = static_cast<int32_t>(total);
    header->requested = size;
    header->ownerFile = file;
    header->ownerLine = line;
    std::strncpy(header->name, name, MW_MEM_NAME_SIZE - 1);
    return block + kMemHeaderSize;
}

void mwMemCheck(const char *file, int line)
{
    walk(file, line, "mwMemCheck", [](const mwMEMHEADER &, bool) { return true; });
}

void mwMemData(const char *file, int line)
{
    mwLogRuler();
    mwLogTagged("BLOCK", "Memory Data\n");
    mwLogPrintf("Bottom:\n");
    bool topListed = false;
    walk(file, line, "mwMemData", [&](const mwMEMHEADER &header, bool top) {
        if (top && !topListed) {
            mwLogPrintf("Top:\n");
            topListed = true;
        }
        mwLogPrintf("Size %d, Owner %s,%d, Name %s\n", header.total, header.ownerFile, header.ownerLine,
                    header.name);
        return true;
    });
    mwLogRuler();
}

void mwMemCollate(const char *file, int line, const char *name)
{
    mwLogRuler();
    mwOwnerGroups groups;
    walk(file, line, "mwMemCollate", [&](const mwMEMHEADER &header, bool) {
        // Names are stored cut to 11 characters; compare the given one the same way.
        if (name && std::strncmp(header.name, name, MW_MEM_NAME_SIZE - 1) != 0)
            return true;
        return groups.add(header.ownerFile, header.ownerLine, header.requested, header.total);
    });

    if (name)
        mwLogTagged("BLOCK", "Memory Statistics for \"%s\"\n\n", name);
    else
        mwLogTagged("BLOCK", "Memory Statistics\n\n");
    if (groups.count() == 0) {
        mwLogPrintf("No memory allocated.\n");
    } else {
        mwLogPrintf("File             First Line#  Allocs       Size        (actual)\n");
        for (int i = 0; i < groups.count(); ++i)
            mwLogPrintf("%-13s :  %-4d         %-4d     %8.2fk       %8.2fk\n", groups[i].file,
                        groups[i].firstLine, groups[i].count, groups[i].requested / 1024,
                        groups[i].total / 1024);
    }
    mwLogRuler();
}

void mwMemDeinit(void)
{
    // The region is never given back: the process exit returns it.
}
