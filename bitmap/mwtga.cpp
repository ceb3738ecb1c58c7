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

extern "C" mwBITMAP *mwbTGALoad(const char *name)
{
    if (!name) {
        mwError(kOwner, __LINE__, "mwbTGALoad", MW_ERR_INVALID_PARAMETER);
    }
    mwbFileReader file(kOwner, __LINE__);
    if (!file.open(name)) {
        return nullptr;
    }
    uint8_t header[kHeaderBytes];
    file.read(header, sizeof header);
    const unsigned idLength = header[0];
    const unsigned colourMapType = header[1];
    const unsigned colourMapLength = mwbLe16(header + 5);
    const unsigned colourMapEntryBits = header[7];
    const unsigned width = mwbLe16(header + 12);
    const unsigned height = mwbLe16(header + 14);
    const unsigned depth = header[16];
    const bool topRowFirst = header[17] & kTopRowFirst;

    if (header[2] != kTrueColour) {
        return nullptr;
    }
    const int type = depth == 24 ? MW_IMAGE_BGR_888 : depth == 32 ? MW_IMAGE_BGRA_8888 : MW_IMAGE_UNKNOWN;
    if (type == MW_IMAGE_UNKNOWN || !mwbPictureFits(type, width, height)) {
        return nullptr;
    }

    file.skip(idLength);
    // A true-colour file may still carry a colour map; its entries lie
    // between the ID field and the pixels.
    if (colourMapType == 1) {
        file.skip(uint64_t{colourMapLength} * ((colourMapEntryBits + 7) / 8));
    }

    mwBITMAP *bitmap = mwbNewBitmap(kOwner, __LINE__, type, width, height);
    if (topRowFirst) {
        file.read(bitmap->data, bitmap->size);
    } else {
        const int64_t pitch = mwbRowBytes(type, width);
        for (int64_t row = height - 1; row >= 0; row--) {
            file.read(bitmap->data + row * pitch, pitch);
        }
    }
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
