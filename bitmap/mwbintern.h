// Helpers shared by the bitmap library's sources; not part of the public API.
#ifndef MWBINTERN_H
#define MWBINTERN_H

#include <cstdint>

#include "mwbitmap.h"

// Bytes of a row and of a picture by the library's row rule, in 64 bits so
// that sizes taken from files cannot wrap. The type must be valid.
int64_t mwbRowBytes(int type, int64_t width);
int64_t mwbImageBytes(int type, int64_t width, int64_t height);

// True when the dynamic heap could ever hand out a block of that many bytes;
// readers refuse larger pictures instead of letting the allocator end the
// process.
bool mwbHeapCanHold(int64_t bytes);

// True when a reader may make a picture of that type and size: width and
// height of 1 or more, a size that fits an int32 and the dynamic heap.
bool mwbPictureFits(int type, int64_t width, int64_t height);

// True when the record's pixel data holds every row its type, width and
// height call for (records filled in by hand may lie).
bool mwbHoldsRows(const mwBITMAP *bitmap);

// A new bitmap owned by (owner, line): zeroed record, zeroed pixel data (none
// when the size is 0), no palette. The caller has checked the size.
mwBITMAP *mwbNewBitmap(const char *owner, int line, int type, int width, int height);

// A copy of size bytes owned by (owner, line); NULL when size is not above 0.
uint8_t *mwbDuplicate(const char *owner, int line, const void *source, int size);

// Frees the bitmap on scope exit unless released: readers give back what
// they allocated on every path that fails.
class mwbBitmapGuard {
public:
    explicit mwbBitmapGuard(mwBITMAP *bitmap) : bitmap_(bitmap) {}
    ~mwbBitmapGuard() {
        if (bitmap_) {
            mwbFree(bitmap_);
        }
    }
    mwbBitmapGuard(const mwbBitmapGuard &) = delete;
    mwbBitmapGuard &operator=(const mwbBitmapGuard &) = delete;
    mwBITMAP *get() const { return bitmap_; }
    mwBITMAP *release() {
        mwBITMAP *bitmap = bitmap_;
        bitmap_ = nullptr;
        return bitmap;
    }

private:
    mwBITMAP *bitmap_;
};

#endif // MWBINTERN_H
