/*
 * mwdynmem.h - the dynamic heap's block header (internal; tests read it too).
 *
 * The heap is a circular list of blocks in address order, each its header,
 * padded to kDMemHeaderSize, then the caller's bytes. Block sizes are
 * multiples of kDMemGranule, so every caller's pointer is aligned to
 * MW_MEM_ALIGN. A free block is split only when the remainder can hold a
 * header and at least kDMemMinPayload bytes.
 */
#ifndef MW_KERNEL_MWDYNMEM_H
#define MW_KERNEL_MWDYNMEM_H

#include <cstdint>

#include "mwkernel.h"

#define MW_DMEM_MAGIC 0x444D454Du /* bytes "MEMD" in memory */

struct mwDMEMHEADER {
    uint32_t magic;
    int32_t size; /* bytes of the block, this header included */
    int32_t used; /* 1 allocated, 0 free */
    const char *ownerFile;
    int32_t ownerLine;
    mwDMEMHEADER *prev; /* circular, in address order */
    mwDMEMHEADER *next;
    uint32_t reserved; /* never written */
};

/* Pointer-width record: 32 bytes on a 32-bit target, 56 on a 64-bit one. */
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(mwDMEMHEADER) == 32, "heap header keeps its 32-bit size");
#endif

constexpr int kDMemGranule = MW_MEM_ALIGN;
/* Bytes from a block's start to the caller's memory. */
constexpr int kDMemHeaderSize =
    static_cast<int>((sizeof(mwDMEMHEADER) + MW_MEM_ALIGN - 1) / MW_MEM_ALIGN * MW_MEM_ALIGN);
constexpr int kDMemMinPayload = 32;
/* Smallest remainder worth a block of its own: 64 on a 32-bit target. */
constexpr int kDMemSplitMin = kDMemHeaderSize + kDMemMinPayload;

#endif
