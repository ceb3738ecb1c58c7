// Checks of a bitmap that a reader returned: its size follows the row rule and
// its pixels and palette lie in kernel heap blocks that hold them.
#ifndef MARROW_FUZZBITMAP_H
#define MARROW_FUZZBITMAP_H

#include <cstdio>
#include <cstdlib>

#include "fuzzsupport.h"
#include "mwbitmap.h"

inline void fuzzCheckBitmap(const mwBITMAP &bitmap)
{
    if (bitmap.type < MW_IMAGE_UNKNOWN || bitmap.type > MW_IMAGE_ABGR_8888) {
        std::fprintf(stderr, "bitmap of unknown type %d\n", bitmap.type);
        std::abort();
    }
    const long long pitch = (static_cast<long long>(bitmap.width) * mwbBitsPerPixel(bitmap.type)) >> 3;
    if (bitmap.width < 0 || bitmap.height < 0 || bitmap.size != pitch * bitmap.height ||
        (bitmap.size != 0) != (bitmap.data != nullptr) ||
        (bitmap.paletteSize != 0) != (bitmap.palette != nullptr)) {
        std::fprintf(stderr, "bitmap record out of rule: type %d, %d x %d, size %d, palette %d\n",
                     bitmap.type, bitmap.width, bitmap.height, bitmap.size, bitmap.paletteSize);
        std::abort();
    }
    if ((bitmap.data && !fuzzHeapBlockHolds(bitmap.data, bitmap.size)) ||
        (bitmap.palette && !fuzzHeapBlockHolds(bitmap.palette, bitmap.paletteSize))) {
        std::fprintf(stderr, "bitmap claims more than its blocks hold: size %d, palette %d\n", bitmap.size,
                     bitmap.paletteSize);
        std::abort();
    }
}

#endif
