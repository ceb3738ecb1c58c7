// IFF "PBM " files (the chunky form): one byte per pixel in the file, packed
// into 1-, 4- or 8-bit palette bitmaps.
#include <algorithm>
#include <cstring>

#include "mwbfile.h"
#include "mwbintern.h"

namespace {

const char kOwner[] = "mwlbm";

constexpr int kBmhdBytes = 20;
constexpr int kCmapBytes = 768; // at most 256 entries are used

struct BitmapHeader {
    unsigned width = 0;
    unsigned height = 0;
    unsigned planes = 0;
    bool byteRun1 = false;
};

bool isId(const uint8_t *id, const char *text) { return std::memcmp(id, text, 4) == 0; }

// Puts the pixels of one decoded row into a bitmap row: the leftmost pixel in
// the most significant bits. Pixels past the width, or past what a 1- or
// 4-bit row stores, are dropped.
class RowPacker {
public:
    RowPacker(int bits, int64_t width, int64_t pitch)
        : bits_(bits), mask_((1u << bits) - 1), stored_(std::min(width, pitch * 8 / bits))
    {}
    void put(uint8_t *row, int64_t x, uint8_t value) const
    {
        if (x >= stored_) {
            return;
        }
        const int64_t bit = x * bits_;
        row[bit / 8] |= static_cast<uint8_t>((value & mask_) << (8 - bits_ - bit % 8));
    }

private:
    int bits_;
    unsigned mask_;
    int64_t stored_;
};

mwBITMAP *decodeBody(mwbFileReader &file, const BitmapHeader &header, const uint8_t *cmap, int entries)
{
    const int type = header.planes == 1   ? MW_IMAGE_PAL_1
                     : header.planes == 4 ? MW_IMAGE_PAL_4
                     : header.planes == 8 ? MW_IMAGE_PAL_8
                                          : MW_IMAGE_UNKNOWN;
    if (type == MW_IMAGE_UNKNOWN || !mwbPictureFits(type, header.width, header.height)) {
        return nullptr;
    }
    const int bits = mwbBitsPerPixel(type);
    // A scan count error is fatal; should the hook unwind, nothing is left behind.
    mwbBitmapGuard guard(mwbNewBitmap(kOwner, __LINE__, type, header.width, header.height));
    mwBITMAP *bitmap = guard.get();
    bitmap->paletteSize = 3 << bits;
    bitmap->palette = static_cast<uint8_t *>(mwDMemAlloc(kOwner, __LINE__, bitmap->paletteSize));
    std::memset(bitmap->palette, 0, bitmap->paletteSize);
    std::memcpy(bitmap->palette, cmap, std::min(entries * 3, bitmap->paletteSize));

    const int64_t pitch = mwbRowBytes(type, header.width);
    const RowPacker packer(bits, header.width, pitch);
    // Each row holds width bytes rounded up to even in the file.
    const int64_t rowBytes = (int64_t{header.width} + 1) & ~int64_t{1};
    // Past the end of the file every row decodes to zeros, which the zeroed
    // pixels already hold, so stopping there changes nothing.
    for (int64_t y = 0; y < header.height && !file.atEnd(); y++) {
        uint8_t *row = bitmap->data + y * pitch;
        int64_t x = 0;
        while (x < rowBytes) {
            int64_t count = rowBytes - x;
            bool literal = true;
            uint8_t value = 0;
            if (header.byteRun1) {
                const int control = static_cast<int8_t>(file.byte());
                literal = control > 0;
                count = literal ? control + 1 : 1 - control;
                if (!literal) {
                    value = file.byte();
                }
            }
            if (count > rowBytes - x) {
                mwFatal("mwbLBMLoad: Scan count error.\n");
            }
            for (const int64_t end = x + count; x < end; x++) {
                packer.put(row, x, literal ? file.byte() : value);
            }
        }
    }
    return guard.release();
}

} // namespace

extern "C" mwBITMAP *mwbLBMLoad(const char *name)
{
    if (!name) {
        mwError(kOwner, __LINE__, "mwbLBMLoad", MW_ERR_INVALID_PARAMETER);
    }
    mwbFileReader file(kOwner, __LINE__);
    if (!file.open(name)) {
        return nullptr;
    }
    uint8_t form[12];
    file.read(form, sizeof form);
    if (!isId(form, "FORM") || !isId(form + 8, "PBM ")) {
        return nullptr;
    }

    BitmapHeader header;
    bool haveHeader = false;
    uint8_t cmap[kCmapBytes] = {};
    int entries = 0;
    while (!file.atEnd()) {
        uint8_t id[4];
        file.read(id, sizeof id);
        uint64_t length = file.be32();
        length += length & 1; // chunks are padded to an even length
        const uint64_t start = file.position();
        if (isId(id, "BODY")) {
            if (!haveHeader || entries == 0) {
                return nullptr;
            }
            return decodeBody(file, header, cmap, entries);
        }
        if (isId(id, "BMHD")) {
            uint8_t bmhd[kBmhdBytes] = {};
            file.read(bmhd, std::min<uint64_t>(length, sizeof bmhd));
            header.width = bmhd[0] << 8 | bmhd[1];
            header.height = bmhd[2] << 8 | bmhd[3];
            header.planes = bmhd[8];
            header.byteRun1 = bmhd[10] == 1;
            haveHeader = true;
        } else if (isId(id, "CMAP")) {
            std::memset(cmap, 0, sizeof cmap);
            file.read(cmap, std::min<uint64_t>(length, sizeof cmap));
            entries = static_cast<int>(std::min<uint64_t>(length / 3, kCmapBytes / 3));
        }
        // Every chunk but BODY ends where its length says, whatever was read.
        file.seek(start + length);
    }
    return nullptr;
}
