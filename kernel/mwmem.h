/*
 * mwmem.h - the block memory's block header (internal; tests read it too).
 *
 * A block is its header, padded to kMemHeaderSize, then the caller's
 * bytes; its total is (requested + kMemHeaderSize + 15) rounded down to a
 * multiple of kMemGranule, so every block and every caller's pointer stays
 * aligned to MW_MEM_ALIGN.
 */
#ifndef MW_KERNEL_MWMEM_H
#define MW_KERNEL_MWMEM_H

#include <cstdint>

#include "mwkernel.h"

#define MW_MEM_MAGIC 0x4D574D4Du /* 'MWMM' */
#define MW_MEM_NAME_SIZE 12      /* at most 11 characters and a terminator */

struct mwMEMHEADER {
    uint32_t magic;
    mwMEMHEADER *self; /* the block's own address, a second check */
    int32_t total;     /* bytes of the block, this header included */
    int32_t requested; /* bytes the caller asked for */
    const char *ownerFile;
    int32_t ownerLine;
    char name[MW_MEM_NAME_SIZE]; /* "noname" when none was given */
};

/* Pointer-width record: 36 bytes on a 32-bit target, 48 on a 64-bit one. */
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(mwMEMHEADER) == 36, "block header keeps its 32-bit size");
#endif

constexpr int kMemGranule = MW_MEM_ALIGN;
/* Bytes from a block's start to the caller's memory. */
constexpr int kMemHeaderSize =
    static_cast<int>((sizeof(mwMEMHEADER) + MW_MEM_ALIGN - 1) / MW_MEM_ALIGN * MW_MEM_ALIGN);

#endif
