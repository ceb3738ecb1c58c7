// Targa files: uncompressed true-colour reading, raw writing.
#include <cstdio>
#include <cstring>

#include "mwbfile.h"
#include "mwbintern.h"

namespace {

const char kOwner[] = "mwtga";
// The writer's ID field, exactly 20 characters, stored without a terminator.
const char kWriterId[] = "Marrow Bitmap Libary";
constexpr int kIdLength = sizeof kWriterId - 1;
static_assert(kIdLength == 20);

constexpr int kHeaderBytes = 18;
constexpr uint8_t kTrueColour = 2; // uncompressed; 10 would be run-length
constexpr uint8_t kTopRowFirst = 0x20;

} // namespace

namespace {

// What a Targa header says about its pixels.
struct TgaPixels {
    int type;
    unsigned width, height;
    bool topRowFirst;
    uint64_t start; // file position of the first pixel
};

// Reads the header of an uncompressed true-colour file of 24 or 32 bits;
// false for any other variant.
bool readHeader(mwbFileReader &file, TgaPixels &pixels)
{
    uint8_t header[kHeaderBytes];
    file.read(header, sizeof header);
    const unsigned idLength = header[0];
    const unsigned colourMapType = header[1];
    const unsigned colourMapLength = mwbLe16(header + 5);
    const unsigned colourMapEntryBits = header[7];
    const unsigned depth = header[16];
    pixels.width = mwbLe16(header + 12);
    pixels.height = mwbLe16(header + 14);
    pixels.topRowFirst = header[17] & kTopRowFirst;
    pixels.type = depth == 24 ? MW_IMAGE_BGR_888 : depth == 32 ? MW_IMAGE_BGRA_8888 : MW_IMAGE_UNKNOWN;
    if (header[2] != kTrueColour || pixels.type == MW_IMAGE_UNKNOWN)
        return false;
    file.skip(idLength);
    // A true-colour file may still carry a colour map; its entries lie
    // between the ID field and the pixels.
    if (colourMapType == 1)
        file.skip(uint64_t{colourMapLength} * ((colourMapEntryBits + 7) / 8));
    pixels.start = file.position();
    return true;
}

// Reads picture row `row` (0 at the top) into buffer.
void readRow(mwbFileReader &file, const TgaPixels &pixels, int64_t row, uint8_t *buffer)
{
    const int64_t pitch = mwbRowBytes(pixels.type, pixels.width);
    const int64_t stored = pixels.topRowFirst ? row : int64_t(pixels.height) - 1 - row;
    file.seek(pixels.start + uint64_t(stored * pitch));
    file.read(buffer, uint64_t(pitch));
}

} // namespace

extern "C" mwBITMAP *mwbTGALoad(const char *name)
{
    if (!name) {
        mwError(kOwner, __LINE__, "mwbTGALoad", MW_ERR_INVALID_PARAMETER);
    }
    mwbFileReader file(kOwner, __LINE__);
    TgaPixels pixels;
    if (!file.open(name) || !readHeader(file, pixels) ||
        !mwbPictureFits(pixels.type, pixels.width, pixels.height)) {
        return nullptr;
    }
    mwBITMAP *bitmap = mwbNewBitmap(kOwner, __LINE__, pixels.type, pixels.width, pixels.height);
    if (pixels.topRowFirst) {
        file.read(bitmap->data, bitmap->size);
    } else {
        const int64_t pitch = mwbRowBytes(pixels.type, pixels.width);
        for (int64_t row = 0; row < pixels.height; row++) {
            readRow(file, pixels, row, bitmap->data + row * pitch);
        }
    }
    return bitmap;
}

extern "C" mwBITMAP *mwbTGALoadResampled(const char *name, int width, int height)
{
    if (!name || width < 1 || height < 1) {
        mwError(kOwner, __LINE__, "mwbTGALoadResampled", MW_ERR_INVALID_PARAMETER);
    }
    mwbFileReader file(kOwner, __LINE__);
    TgaPixels pixels;
    if (!file.open(name) || !readHeader(file, pixels) || pixels.width < 1 || pixels.height < 1 ||
        pixels.width > MW_TGA_LARGEST_SIDE || pixels.height > MW_TGA_LARGEST_SIDE) {
        return nullptr;
    }
    const int channels = pixels.type == MW_IMAGE_BGR_888 ? 3 : 4;
    const int64_t pitch = mwbRowBytes(pixels.type, pixels.width);
    if (!mwbPictureFits(pixels.type, width, height) ||
        !mwbHeapCanHold(2 * pitch + mwbImageBytes(pixels.type, width, height))) {
        return nullptr;
    }
    mwBITMAP *bitmap = mwbNewBitmap(kOwner, __LINE__, pixels.type, width, height);
    // The two source rows a destination row lies between; consecutive rows
    // often share them.
    auto *upper = static_cast<uint8_t *>(mwDMemAlloc(kOwner, __LINE__, int(pitch)));
    auto *lower = static_cast<uint8_t *>(mwDMemAlloc(kOwner, __LINE__, int(pitch)));
    int upperRow = -1, lowerRow = -1;
    uint8_t *target = bitmap->data;
    for (int j = 0; j < height; ++j) {
        const mwbResampleTap row = mwbTapFor(j, int(pixels.height), height);
        if (upperRow != row.first) {
            readRow(file, pixels, upperRow = row.first, upper);
        }
        if (lowerRow != row.second) {
            readRow(file, pixels, lowerRow = row.second, lower);
        }
        for (int i = 0; i < width; ++i) {
            const mwbResampleTap col = mwbTapFor(i, int(pixels.width), width);
            const uint8_t *a = upper + channels * col.first, *b = upper + channels * col.second;
            const uint8_t *c = lower + channels * col.first, *d = lower + channels * col.second;
            for (int ch = 0; ch < channels; ++ch) {
                *target++ = mwbBlend(a[ch], b[ch], c[ch], d[ch], col.weight, row.weight);
            }
        }
    }
    mwDMemFree(kOwner, __LINE__, upper);
    mwDMemFree(kOwner, __LINE__, lower);
    return bitmap;
}

extern "C" int mwbTGASave(const mwBITMAP *bitmap, const char *name)
{
    if (!mwbRecordIsSound(bitmap) || !name) {
        mwError(kOwner, __LINE__, "mwbTGASave", MW_ERR_INVALID_PARAMETER);
    }
    const int depth = mwbBitsPerPixel(bitmap->type);
    // The header holds 16-bit sizes: a larger picture cannot be described.
    if (bitmap->width < 0 || bitmap->width > 0xFFFF || bitmap->height < 0 || bitmap->height > 0xFFFF) {
        return 0;
    }

    uint8_t header[kHeaderBytes] = {};
    header[0] = kIdLength;
    header[2] = kTrueColour;
    header[12] = static_cast<uint8_t>(bitmap->width);
    header[13] = static_cast<uint8_t>(bitmap->width >> 8);
    header[14] = static_cast<uint8_t>(bitmap->height);
    header[15] = static_cast<uint8_t>(bitmap->height >> 8);
    header[16] = static_cast<uint8_t>(depth);
    header[17] = kTopRowFirst;

    FILE *stream = std::fopen(name, "wb");
    if (!stream) {
        return 0;
    }
    const size_t size = static_cast<size_t>(bitmap->size);
    bool written = std::fwrite(header, 1, sizeof header, stream) == sizeof header &&
                   std::fwrite(kWriterId, 1, kIdLength, stream) == kIdLength &&
                   (size == 0 || std::fwrite(bitmap->data, 1, size, stream) == size);
    written = std::fclose(stream) == 0 && written;
    if (!written) {
        // A cut-off picture is worse than none.
        std::remove(name);
    }
    return written ? 1 : 0;
}
