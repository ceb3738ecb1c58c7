// Small pictures for the quantiser, fitting and resampler tests.
#ifndef MW_TESTS_BITMAP_QUANT_BITMAP_QUANT_SUPPORT_H
#define MW_TESTS_BITMAP_QUANT_BITMAP_QUANT_SUPPORT_H

#include <cstring>
#include <vector>

#include "mwbitmap.h"

struct Colour {
    uint8_t r, g, b;
    bool operator==(const Colour &) const = default;
};

// A bitmap of `type` made from R, G, B (and A) bytes, rows top first.
inline mwBITMAP *pictureOf(int type, int width, int height, const std::vector<uint8_t> &bytes,
                           int channels = 3)
{
    mwBITMAP *b = mwbCreate(channels == 4 ? MW_IMAGE_RGBA_8888 : MW_IMAGE_RGB_888, width, height);
    std::memcpy(b->data, bytes.data(), bytes.size());
    mwbConvert(b, type);
    return b;
}

inline mwBITMAP *pictureOf(int width, int height, const std::vector<Colour> &colours)
{
    // Sized at once: growing it from empty is what GCC 12 at -O3 takes for
    // out-of-bounds writes.
    std::vector<uint8_t> bytes(3 * colours.size());
    for (size_t i = 0; i < colours.size(); ++i) {
        bytes[3 * i] = colours[i].r;
        bytes[3 * i + 1] = colours[i].g;
        bytes[3 * i + 2] = colours[i].b;
    }
    return pictureOf(MW_IMAGE_RGB_888, width, height, bytes);
}

// The pixels as R, G, B, A bytes; the bitmap is left as it is.
inline std::vector<uint8_t> rgbaOf(const mwBITMAP *b)
{
    mwBITMAP *copy = mwbCopy(b);
    mwbConvert(copy, MW_IMAGE_RGBA_8888);
    std::vector<uint8_t> out(copy->data, copy->data + copy->size);
    mwbFree(copy);
    return out;
}

#endif
