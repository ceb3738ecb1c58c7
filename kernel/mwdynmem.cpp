// The dynamic heap: one block memory block cut into a circular list of blocks
// in address order, searched next-fit from the rover, split when the rest is
// worth a block, merged with free neighbours at every free.
#include "mwdynmem.h"

#include <cinttypes>
#include <cstring>

#include "mwcollate.h"

namespace {

using Header = mwDMEMHEADER;

char *heapBase;
int heapSize;
Header *rover; // where the next search starts: the block last allocated or freed

Header *first() { return reinterpret_cast<Header *>(heapBase); }
char *payload(Header *block) { return reinterpret_cast<char *>(block) + kDMemHeaderSize; }

int64_t needFor(int size)
{
    return (int64_t{size} + kDMemHeaderSize + kDMemGranule - 1) / kDMemGranule * kDMemGranule;
}

// Whether a block of the smallest size could start at this address. Checked
// before any header is read, so a stray pointer never leads outside the heap.
bool couldStartBlock(const void *at)
{
    if (!heapBase)
        return false;
    const uintptr_t address = reinterpret_cast<uintptr_t>(at);
    const uintptr_t start = reinterpret_cast<uintptr_t>(heapBase);
    if (address < start || address % kDMemGranule != 0)
        return false;
    return address - start <= static_cast<uintptr_t>(heapSize) - kDMemHeaderSize - kDMemGranule;
}

// A block is sound when its header is right and it is linked to the blocks
// beside it in address order (the last block's next is the first block).
// Checking both links keeps every walk inside the heap and makes it end.
bool blockIsSound(const Header *block)
{
    if (!couldStartBlock(block) || block->magic != MW_DMEM_MAGIC)
        return false;
    const char *at = reinterpret_cast<const char *>(block);
    if (block->size < kDMemHeaderSize + kDMemGranule || block->size % kDMemGranule != 0 ||
        block->size > heapBase + heapSize - at)
        return false;
    const char *end = at + block->size;
    const Header *next = end == heapBase + heapSize ? first() : reinterpret_cast<const Header *>(end);
    if (!couldStartBlock(next) || block->next != next || next->prev != block)
        return false;
    return couldStartBlock(block->prev) && block->prev->next == block;
}

// Walks every block from the first, reporting a broken one.
template <typename Visit>
void walk(const char *file, int line, Visit visit)
{
    if (!heapBase)
        return;
    Header *block = first();
    do {
        if (!blockIsSound(block))
            mwError(file, line, "mwDMemCheck", MW_ERR_HEAP_CORRUPT);
        if (!visit(*block))
            return;
        block = block->next;
    } while (block != first());
}

// Next fit: every block is looked at once, starting at the rover.
Header *findFree(int64_t need, const char *file, int line, const char *function)
{
    if (!heapBase || need > heapSize)
        return nullptr;
    Header *block = rover;
    do {
        if (!blockIsSound(block))
            mwError(file, line, function, MW_ERR_HEAP_CORRUPT);
        if (!block->used && block->size >= need)
            return block;
        block = block->next;
    } while (block != rover);
    return nullptr;
}

void absorb(Header *into, Header *victim)
{
    into->size += victim->size;
    into->next = victim->next;
    victim->next->prev = into;
    if (rover == victim)
        rover = into;
}

void mergeWithNext(Header *block)
{
    Header *next = block->next;
    if (!next->used && next != block && next != first())
        absorb(block, next);
}

// Cuts block down to keep bytes when the rest is worth a block of its own;
// a smaller rest stays inside the block.
void split(Header *block, int64_t keep)
{
    if (block->size - keep < kDMemSplitMin)
        return;
    auto *rest = reinterpret_cast<Header *>(reinterpret_cast<char *>(block) + keep);
    rest->magic = MW_DMEM_MAGIC;
    rest->size = block->size - static_cast<int32_t>(keep);
    rest->used = 0;
    rest->ownerFile = "mwdynmem";
    rest->ownerLine = 216;
    rest->prev = block;
    rest->next = block->next;
    block->next->prev = rest;
    block->next = rest;
    block->size = static_cast<int32_t>(keep);
    mergeWithNext(rest);
}

void *claim(Header *block, int64_t need, const char *file, int line)
{
    rover = block;
    split(block, need);
    block->used = 1;
    block->ownerFile = file;
    block->ownerLine = line;
    return payload(block);
}

void release(Header *block)
{
    block->used = 0;
    Header *prev = block->prev;
    if (!prev->used && prev != block && block != first()) {
        absorb(prev, block);
        block = prev;
    }
    mergeWithNext(block);
    block->ownerFile = "mwdynmem";
    block->ownerLine = 326;
    rover = block;
}

// The live block of a caller's pointer, or a code 4 report. The address is
// checked against the heap before its header is read.
Header *liveBlock(void *pointer, const char *file, int line, const char *function)
{
    const uintptr_t address = reinterpret_cast<uintptr_t>(pointer) - kDMemHeaderSize;
    auto *block = reinterpret_cast<Header *>(address);
    if (!blockIsSound(block) || block->used != 1)
        mwError(file, line, function, MW_ERR_BAD_POINTER);
    return block;
}

void *allocate(const char *file, int line, int size, const char *function)
{
    if (size < 1)
        mwError(file, line, function, MW_ERR_ALLOC_ZERO);
    const int64_t need = needFor(size);
    Header *block = findFree(need, file, line, function);
    if (!block)
        mwError(file, line, function, MW_ERR_OUT_OF_MEMORY);
    return claim(block, need, file, line);
}

} // namespace

void mwDMemInit(int size)
{
    if (heapBase)
        mwError("mwdynmem", 96, "mwDMemInit", MW_ERR_DMEM_INITIALIZED);
    char *base = static_cast<char *>(mwMemAlloc("mwdynmem", 98, size, "DYNAMIC", 0));
    // Block sizes are whole granules, so the heap is too.
    const int usable = size / kDMemGranule * kDMemGranule;
    if (usable < kDMemHeaderSize + kDMemGranule)
        mwError("mwdynmem", 98, "mwDMemInit", MW_ERR_OUT_OF_MEMORY);
    heapBase = base;
    heapSize = usable;
    mwLogTagged("DYNMEM", "Heap base 0x%" PRIxPTR ", heap size %d (%.2f meg)\n",
                reinterpret_cast<uintptr_t>(heapBase), heapSize, heapSize / 1048576.0);

    Header *block = first();
    block->magic = MW_DMEM_MAGIC;
    block->size = heapSize;
    block->used = 0;
    block->ownerFile = "mwdynmem";
    block->ownerLine = 110;
    block->prev = block;
    block->next = block;
    rover = block;
}

int mwDMemSize(void) { return heapBase ? heapSize : 0; }

int mwDMemCanHold(const int64_t *sizes, int count)
{
    if (!heapBase || count < 1 || !sizes)
        return 0;
    // One free block that takes every block back to back serves them in any
    // order, as long as the rest before the last one is still worth a split
    // (a smaller rest would stay inside the block before it): one split's
    // room on top of the blocks covers that.
    int64_t total = 0;
    int blocks = 0;
    for (int i = 0; i < count; ++i) {
        if (sizes[i] < 0 || sizes[i] > heapSize)
            return 0;
        if (sizes[i] > 0) {
            total += needFor(static_cast<int>(sizes[i]));
            ++blocks;
        }
    }
    if (blocks > 1)
        total += kDMemSplitMin;
    int64_t largest = 0;
    walk("mwdynmem", __LINE__, [&largest](const Header &block) {
        if (!block.used && block.size > largest)
            largest = block.size;
        return true;
    });
    return largest >= total ? 1 : 0;
}

void *mwDMemAlloc(const char *file, int line, int size) { return allocate(file, line, size, "mwDMemAlloc"); }

void mwDMemFree(const char *file, int line, void *pointer)
{
    if (!pointer)
        mwError(file, line, "mwDMemFree", MW_ERR_INVALID_PARAMETER);
    release(liveBlock(pointer, file, line, "mwDMemFree"));
}

void *mwDMemRealloc(const char *file, int line, void *pointer, int size)
{
    if (size < 1)
        mwError(file, line, "mwDMemRealloc", MW_ERR_ALLOC_ZERO);
    if (!pointer)
        return allocate(file, line, size, "mwDMemRealloc");

    Header *block = liveBlock(pointer, file, line, "mwDMemRealloc");
    const int64_t need = needFor(size);
    if (need > heapSize)
        mwError(file, line, "mwDMemRealloc", MW_ERR_OUT_OF_MEMORY);

    Header *next = block->next;
    const bool nextJoins = next != first() && !next->used && block->size + int64_t{next->size} >= need;
    if (need <= block->size || nextJoins) {
        if (need > block->size)
            absorb(block, next);
        split(block, need);
        block->ownerFile = file;
        block->ownerLine = line;
        rover = block;
        return pointer;
    }

    Header *moved = findFree(need, file, line, "mwDMemRealloc");
    if (!moved)
        mwError(file, line, "mwDMemRealloc", MW_ERR_OUT_OF_MEMORY);
    void *copy = claim(moved, need, file, line);
    std::memcpy(copy, pointer, static_cast<size_t>(block->size - kDMemHeaderSize));
    release(block);
    return copy;
}

void mwDMemCheck(const char *file, int line)
{
    walk(file, line, [](const Header &) { return true; });
}

void mwDMemData(const char *file, int line)
{
    mwLogRuler();
    mwLogTagged("DMEM", "Dynamic Memory Data\n");
    double usedBytes = 0, freeBytes = 0, overhead = 0;
    walk(file, line, [&](const Header &block) {
        mwLogPrintf("%s Size %-8d, Owner %s,%d\n", block.used ? "USED" : "FREE", block.size, block.ownerFile,
                    block.ownerLine);
        (block.used ? usedBytes : freeBytes) += block.size;
        overhead += kDMemHeaderSize;
        return true;
    });
    mwLogPrintf("Used     : %gk\n", usedBytes / 1024);
    mwLogPrintf("Free     : %gk\n", freeBytes / 1024);
    mwLogPrintf("Overhead : %gk\n", overhead / 1024);
    mwLogRuler();
}

void mwDMemCollate(const char *file, int line)
{
    mwLogRuler();
    mwOwnerGroups groups;
    walk(file, line, [&](const Header &block) {
        return !block.used || groups.add(block.ownerFile, block.ownerLine, block.size, block.size);
    });
    mwLogTagged("DMEM", "Dynamic Memory Statistics\n\n");
    if (groups.count() == 0) {
        mwLogPrintf("No memory allocated.\n");
    } else {
        mwLogPrintf("File             First Line#  Allocs       Size\n");
        for (int i = 0; i < groups.count(); ++i)
            mwLogPrintf("%-13s :  %-4d         %-4d     %8.2fk\n", groups[i].file, groups[i].firstLine,
                        groups[i].count, groups[i].total / 1024);
    }
    mwLogRuler();
}

void mwDMemDeinit(void)
{
    // The heap stays in place: the process exit returns the memory.
}
