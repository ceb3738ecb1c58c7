// Pixel conversion: every type is decoded into R, G, B, A bytes and encoded
// from them, one row function per type in each direction.
#include <algorithm>
#include <cstring>

#include "mwbintern.h"

namespace {

const char kOwner[] = "mwbconv";

// Rows are converted in runs of this many pixels through a work buffer on the
// stack; a multiple of 8 keeps every run of a 1- or 4-bit row byte-aligned.
constexpr int kRunPixels = 256;

// The palette of the bitmap being converted.
struct Palette {
    const uint8_t *entries;
    int count;
};

using Decoder = void (*)(const uint8_t *source, uint8_t *rgba, int count, const Palette &palette);
using Encoder = void (*)(const uint8_t *rgba, uint8_t *target, int count);

//---- 16-bit layouts

struct Field {
    int shift;
    int bits; // 0: the type has no such field
};

struct Layout16 {
    Field r, g, b, a;
};

constexpr Layout16 layout16(int type)
{
    switch (type) {
    case MW_IMAGE_RGB_565: return {{11, 5}, {5, 6}, {0, 5}, {0, 0}};
    case MW_IMAGE_BGR_565: return {{0, 5}, {5, 6}, {11, 5}, {0, 0}};
    case MW_IMAGE_RGBA_4444: return {{12, 4}, {8, 4}, {4, 4}, {0, 4}};
    case MW_IMAGE_BGRA_4444: return {{4, 4}, {8, 4}, {12, 4}, {0, 4}};
    case MW_IMAGE_ARGB_4444: return {{8, 4}, {4, 4}, {0, 4}, {12, 4}};
    case MW_IMAGE_ABGR_4444: return {{0, 4}, {4, 4}, {8, 4}, {12, 4}};
    case MW_IMAGE_RGBA_5551: return {{11, 5}, {6, 5}, {1, 5}, {0, 1}};
    case MW_IMAGE_BGRA_5551: return {{1, 5}, {6, 5}, {11, 5}, {0, 1}};
    case MW_IMAGE_ARGB_1555: return {{10, 5}, {5, 5}, {0, 5}, {15, 1}};
    default: /* MW_IMAGE_ABGR_1555 */ return {{0, 5}, {5, 5}, {10, 5}, {15, 1}};
    }
}

// An n-bit field becomes 8 bits by a left shift; the low bits stay 0.
constexpr uint8_t widen(unsigned word, Field field)
{
    return field.bits == 0
               ? 0
               : static_cast<uint8_t>(((word >> field.shift) & ((1u << field.bits) - 1)) << (8 - field.bits));
}

// 8 bits become n by a right shift: truncation, no rounding.
constexpr unsigned narrow(uint8_t value, Field field)
{
    return field.bits == 0 ? 0 : static_cast<unsigned>(value >> (8 - field.bits)) << field.shift;
}

template <int Type>
void decode16(const uint8_t *source, uint8_t *rgba, int count, const Palette &)
{
    constexpr Layout16 layout = layout16(Type);
    for (int i = 0; i < count; i++, source += 2, rgba += 4) {
        const unsigned word = source[0] | source[1] << 8;
        rgba[0] = widen(word, layout.r);
        rgba[1] = widen(word, layout.g);
        rgba[2] = widen(word, layout.b);
        rgba[3] = widen(word, layout.a);
    }
}

template <int Type>
void encode16(const uint8_t *rgba, uint8_t *target, int count)
{
    constexpr Layout16 layout = layout16(Type);
    for (int i = 0; i < count; i++, rgba += 4, target += 2) {
        const unsigned word = narrow(rgba[0], layout.r) | narrow(rgba[1], layout.g) |
                              narrow(rgba[2], layout.b) | narrow(rgba[3], layout.a);
        target[0] = static_cast<uint8_t>(word);
        target[1] = static_cast<uint8_t>(word >> 8);
    }
}

//---- 24- and 32-bit types: byte offsets of R, G, B and A (-1: none)

template <int R, int G, int B, int A, int Bytes>
void decodeBytes(const uint8_t *source, uint8_t *rgba, int count, const Palette &)
{
    for (int i = 0; i < count; i++, source += Bytes, rgba += 4) {
        rgba[0] = source[R];
        rgba[1] = source[G];
        rgba[2] = source[B];
        if constexpr (A >= 0) {
            rgba[3] = source[A];
        } else {
            rgba[3] = 0;
        }
    }
}

template <int R, int G, int B, int A, int Bytes>
void encodeBytes(const uint8_t *rgba, uint8_t *target, int count)
{
    for (int i = 0; i < count; i++, rgba += 4, target += Bytes) {
        target[R] = rgba[0];
        target[G] = rgba[1];
        target[B] = rgba[2];
        if constexpr (A >= 0) {
            target[A] = rgba[3];
        }
    }
}

//---- Palette types

// Leftmost pixel in the most significant bits. An index beyond the palette
// gives black: the palette may be shorter than the type can address.
template <int Bits>
void decodePalette(const uint8_t *source, uint8_t *rgba, int count, const Palette &palette)
{
    constexpr int perByte = 8 / Bits;
    constexpr unsigned mask = (1u << Bits) - 1;
    for (int i = 0; i < count; i++, rgba += 4) {
        const int slot = i % perByte;
        const unsigned index = (source[i / perByte] >> (8 - Bits * (slot + 1))) & mask;
        if (index < static_cast<unsigned>(palette.count)) {
            std::memcpy(rgba, palette.entries + 3 * index, 3);
        } else {
            std::memset(rgba, 0, 3);
        }
        rgba[3] = 0;
    }
}

template <int Bits>
void encodePalette(const uint8_t *, uint8_t *, int)
{
    mwFatal("encodePAL_%d: cannot encode to palette data", Bits);
}

void decodeNothing(const uint8_t *, uint8_t *, int, const Palette &) {}
void encodeNothing(const uint8_t *, uint8_t *, int) {}

const Decoder decoders[MW_IMAGE_TYPE_COUNT] = {
    decodeNothing,
    decodePalette<1>,
    decodePalette<4>,
    decodePalette<8>,
    decode16<MW_IMAGE_RGB_565>,
    decode16<MW_IMAGE_BGR_565>,
    decode16<MW_IMAGE_RGBA_4444>,
    decode16<MW_IMAGE_BGRA_4444>,
    decode16<MW_IMAGE_ARGB_4444>,
    decode16<MW_IMAGE_ABGR_4444>,
    decode16<MW_IMAGE_RGBA_5551>,
    decode16<MW_IMAGE_BGRA_5551>,
    decode16<MW_IMAGE_ARGB_1555>,
    decode16<MW_IMAGE_ABGR_1555>,
    decodeBytes<0, 1, 2, -1, 3>, // RGB_888
    decodeBytes<2, 1, 0, -1, 3>, // BGR_888
    decodeBytes<0, 1, 2, 3, 4>,  // RGBA_8888
    decodeBytes<2, 1, 0, 3, 4>,  // BGRA_8888
    decodeBytes<1, 2, 3, 0, 4>,  // ARGB_8888
    decodeBytes<3, 2, 1, 0, 4>,  // ABGR_8888
};

const Encoder encoders[MW_IMAGE_TYPE_COUNT] = {
    encodeNothing,
    encodePalette<1>,
    encodePalette<4>,
    encodePalette<8>,
    encode16<MW_IMAGE_RGB_565>,
    encode16<MW_IMAGE_BGR_565>,
    encode16<MW_IMAGE_RGBA_4444>,
    encode16<MW_IMAGE_BGRA_4444>,
    encode16<MW_IMAGE_ARGB_4444>,
    encode16<MW_IMAGE_ABGR_4444>,
    encode16<MW_IMAGE_RGBA_5551>,
    encode16<MW_IMAGE_BGRA_5551>,
    encode16<MW_IMAGE_ARGB_1555>,
    encode16<MW_IMAGE_ABGR_1555>,
    encodeBytes<0, 1, 2, -1, 3>,
    encodeBytes<2, 1, 0, -1, 3>,
    encodeBytes<0, 1, 2, 3, 4>,
    encodeBytes<2, 1, 0, 3, 4>,
    encodeBytes<1, 2, 3, 0, 4>,
    encodeBytes<3, 2, 1, 0, 4>,
};

} // namespace

extern "C" int mwbConvert(mwBITMAP *bitmap, int newType)
{
    if (!bitmap || newType < 1 || newType >= MW_IMAGE_TYPE_COUNT) {
        mwError(kOwner, __LINE__, "mwbConvert", MW_ERR_INVALID_PARAMETER);
    }
    if (bitmap->type == newType) {
        return 1;
    }
    if (!mwbRecordIsSound(bitmap)) {
        mwError(kOwner, __LINE__, "mwbConvert", MW_ERR_INVALID_PARAMETER);
    }
    const int oldType = bitmap->type;
    const int width = bitmap->width;
    const int64_t newSize = mwbImageBytes(newType, width, bitmap->height);
    if (newSize > INT32_MAX) {
        mwError(kOwner, __LINE__, "mwbConvert", MW_ERR_OUT_OF_MEMORY);
    }
    uint8_t *target = newSize > 0
                          ? static_cast<uint8_t *>(mwDMemAlloc(kOwner, __LINE__, static_cast<int>(newSize)))
                          : nullptr;

    const int oldBits = mwbBitsPerPixel(oldType);
    const int newBits = mwbBitsPerPixel(newType);
    const int64_t sourcePitch = mwbRowBytes(oldType, width);
    const int64_t targetPitch = mwbRowBytes(newType, width);
    // 1- and 4-bit rows do not store the pixels that would not fill a byte;
    // those pixels decode as zero bytes.
    const int64_t storedPixels = oldBits == 0 ? 0 : std::min<int64_t>(width, sourcePitch * 8 / oldBits);
    const bool addAlpha = mwbAlphaBits(oldType) == 0 && mwbAlphaBits(newType) > 0;
    const Palette palette = {bitmap->palette, bitmap->palette ? std::max(bitmap->paletteSize, 0) / 3 : 0};
    const Decoder decode = decoders[oldType];
    const Encoder encode = encoders[newType];

    uint8_t work[kRunPixels * 4];
    for (int64_t row = 0; row < bitmap->height; row++) {
        const uint8_t *sourceRow = bitmap->data + row * sourcePitch;
        uint8_t *targetRow = target + row * targetPitch;
        int64_t first = 0;
        do {
            const int count = static_cast<int>(std::min<int64_t>(kRunPixels, width - first));
            const int decoded = static_cast<int>(std::clamp<int64_t>(storedPixels - first, 0, count));
            std::memset(work + decoded * 4, 0, (count - decoded) * 4);
            decode(sourceRow + first * oldBits / 8, work, decoded, palette);
            if (addAlpha) {
                for (int i = 0; i < count; i++) {
                    uint8_t *pixel = work + i * 4;
                    pixel[3] = static_cast<uint8_t>((pixel[0] + pixel[1] + pixel[2]) / 3);
                }
            }
            encode(work, targetRow + first * newBits / 8, count);
            first += count;
        } while (first < width);
    }

    if (bitmap->palette) {
        mwDMemFree(kOwner, __LINE__, bitmap->palette);
    }
    bitmap->palette = nullptr;
    bitmap->paletteSize = 0;
    if (bitmap->data) {
        mwDMemFree(kOwner, __LINE__, bitmap->data);
    }
    bitmap->data = target;
    bitmap->size = static_cast<int32_t>(newSize);
    bitmap->type = newType;
    return 1;
}
