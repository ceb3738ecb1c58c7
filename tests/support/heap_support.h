/*
 * heap_support.h - a dynamic heap with little room left, for tests of readers
 * that must refuse what does not fit instead of letting the allocator end the
 * process. Needs the kernel's heap (link marrow_test_heap).
 *
 * mwtest::HeapSqueeze squeeze(left): while it lives, the heap's free space is
 *   one block of `left` bytes; everything else is held by fillers.
 */
#ifndef MW_TESTS_SUPPORT_HEAP_SUPPORT_H
#define MW_TESTS_SUPPORT_HEAP_SUPPORT_H

#include <cstdint>
#include <vector>

#include "mwkernel.h"

namespace mwtest {

/* The largest block the heap can hand out now. */
inline int largestAllocation()
{
    int64_t low = 0, high = mwDMemSize();
    while (low < high) {
        int64_t middle = (low + high + 1) / 2;
        if (mwDMemCanHold(&middle, 1))
            low = middle;
        else
            high = middle - 1;
    }
    return static_cast<int>(low);
}

class HeapSqueeze {
public:
    explicit HeapSqueeze(int left)
    {
        // The room that stays is taken first, so that it is one block.
        void *room = mwDMemAlloc("heap_support", __LINE__, left);
        for (int size; (size = largestAllocation()) > 0;)
            fillers_.push_back(mwDMemAlloc("heap_support", __LINE__, size));
        mwDMemFree("heap_support", __LINE__, room);
    }
    ~HeapSqueeze()
    {
        for (void *filler : fillers_)
            mwDMemFree("heap_support", __LINE__, filler);
    }
    HeapSqueeze(const HeapSqueeze &) = delete;
    HeapSqueeze &operator=(const HeapSqueeze &) = delete;

private:
    std::vector<void *> fillers_;
};

} // namespace mwtest

#endif
