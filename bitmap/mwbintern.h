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
// height of 1 or more, a size that fits an int32, and room in the dynamic
// heap now for the record, the pixels and a palette.
bool mwbPictureFits(int type, int64_t width, int64_t height);

// True for a record that every operation may take at its word (records filled
// in by hand may lie): a known type, no negative side, a size that is exactly
// what its rows call for with pixel data behind it, and a palette of at most
// 256 entries that is there when its size says so.
bool mwbRecordIsSound(const mwBITMAP *bitmap);

// A new bitmap owned by (owner, line): zeroed record, zeroed pixel data (none
// when the size is 0), no palette. The caller has checked the size.
mwBITMAP *mwbNewBitmap(const char *owner, int line, int type, int width, int height);

// A copy of size bytes owned by (owner, line); NULL when size is not above 0.
uint8_t *mwbDuplicate(const char *owner, int line, const void *source, int size);

// Resampling: destination pixel i has its centre at (i + 0.5) * source /
// destination in source coordinates, where source pixel k has its centre at
// k + 0.5; it lies between source pixels first and second, second weighing
// weight / kMwbResampleOne. Beyond the outermost centres the edge pixel is
// its own neighbour. Weights are fixed point so that a blend of equal pixels
// gives that pixel back exactly (mwresamp.cpp).
constexpr int kMwbResampleOne = 256;
struct mwbResampleTap {
    int first, second;
    int weight;
};
mwbResampleTap mwbTapFor(int i, int source, int destination);

// One channel between four source pixels: a and b on the upper row, c and d
// on the lower, by a column and a row tap's weights.
inline uint8_t mwbBlend(int a, int b, int c, int d, int columnWeight, int rowWeight)
{
    constexpr int one = kMwbResampleOne;
    const int top = a * (one - columnWeight) + b * columnWeight;
    const int bottom = c * (one - columnWeight) + d * columnWeight;
    const int sum = top * (one - rowWeight) + bottom * rowWeight;
    return uint8_t((sum + one * one / 2) / (one * one));
}

// A little-endian 16-bit field of a file header.
inline unsigned mwbLe16(const uint8_t *bytes) { return bytes[0] | bytes[1] << 8; }

// Frees the record on scope exit unless released: readers give back what
// they allocated on every path that fails, a fatal report's unwinding too.
template <typename Record, void (*Free)(Record *)>
class mwbFreeGuard {
public:
    explicit mwbFreeGuard(Record *record) : record_(record) {}
    ~mwbFreeGuard()
    {
        if (record_) {
            Free(record_);
        }
    }
    mwbFreeGuard(const mwbFreeGuard &) = delete;
    mwbFreeGuard &operator=(const mwbFreeGuard &) = delete;
    Record *get() const { return record_; }
    Record *release()
    {
        Record *record = record_;
        record_ = nullptr;
        return record;
    }

private:
    Record *record_;
};

using mwbBitmapGuard = mwbFreeGuard<mwBITMAP, mwbFree>;
using mwbFontGuard = mwbFreeGuard<mwbFONT, mwbFontFree>;

#endif // MWBINTERN_H
