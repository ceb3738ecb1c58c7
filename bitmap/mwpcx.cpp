// PCX files: version 5, 8 bits per plane, 1, 3 or 4 planes, raw or
// run-length encoded.
#include <algorithm>

#include "mwbfile.h"
#include "mwbintern.h"

namespace {

const char kOwner[] = "mwpcx";

constexpr int kHeaderBytes = 128;
constexpr int kPaletteBytes = 768;
constexpr uint8_t kPaletteMarker = 12;
constexpr uint8_t kRunAbove = 0xC0; // a byte above this starts a run of (byte & 0x3F)

// Decodes one plane line of bytesPerLine values and stores the first width
// of them at out[0], out[step], out[2 * step] ... A run never carries into
// the next line.
void decodePlaneLine(mwbFileReader &file, bool runLength, int64_t bytesPerLine, int64_t width, uint8_t *out,
                     int step)
{
    int64_t produced = 0;
    // Past the end of the file every value is 0, which the zeroed pixels
    // already hold, so stopping there changes nothing.
    while (produced < bytesPerLine && !file.atEnd()) {
        uint8_t value = file.byte();
        int64_t count = 1;
        if (runLength && value > kRunAbove) {
            count = value & 0x3F;
            value = file.byte();
        }
        const int64_t end = std::min(produced + count, bytesPerLine);
        for (int64_t i = produced; i < std::min(end, width); i++) {
            out[i * step] = value;
        }
        produced = end;
    }
}

} // namespace

extern "C" mwBITMAP *mwbPCXLoad(const char *name)
{
    if (!name) {
        mwError(kOwner, __LINE__, "mwbPCXLoad", MW_ERR_INVALID_PARAMETER);
    }
    mwbFileReader file(kOwner, __LINE__);
    if (!file.open(name)) {
        return nullptr;
    }
    uint8_t header[kHeaderBytes];
    file.read(header, sizeof header);
    const bool runLength = header[2] != 0;
    const int64_t width = int64_t{mwbLe16(header + 8)} - mwbLe16(header + 4) + 1;
    const int64_t height = int64_t{mwbLe16(header + 10)} - mwbLe16(header + 6) + 1;
    const int planes = header[65];
    const int64_t bytesPerLine = mwbLe16(header + 66);

    if (header[0] != 10 || header[1] != 5 || header[3] != 8) {
        return nullptr;
    }
    const int type = planes == 1   ? MW_IMAGE_PAL_8
                     : planes == 3 ? MW_IMAGE_RGB_888
                     : planes == 4 ? MW_IMAGE_RGBA_8888
                                   : MW_IMAGE_UNKNOWN;
    // A window with xmax < xmin gives no width and is refused here.
    if (type == MW_IMAGE_UNKNOWN || !mwbPictureFits(type, width, height)) {
        return nullptr;
    }

    uint8_t palette[kPaletteBytes];
    if (type == MW_IMAGE_PAL_8) {
        // The palette is the file's last 769 bytes: the marker, then 256 entries.
        if (file.size() < kPaletteBytes + 1) {
            return nullptr;
        }
        file.seek(file.size() - (kPaletteBytes + 1));
        if (file.byte() != kPaletteMarker) {
            return nullptr;
        }
        file.read(palette, sizeof palette);
        file.seek(kHeaderBytes);
    }

    mwBITMAP *bitmap =
        mwbNewBitmap(kOwner, __LINE__, type, static_cast<int>(width), static_cast<int>(height));
    if (type == MW_IMAGE_PAL_8) {
        bitmap->palette = mwbDuplicate(kOwner, __LINE__, palette, kPaletteBytes);
        bitmap->paletteSize = kPaletteBytes;
    }
    // Plane p of a row goes to bytes p, p + planes, ...: planes 0 to 3 are
    // R, G, B and A of the true-colour types.
    const int64_t pitch = width * planes;
    for (int64_t row = 0; row < height && !file.atEnd(); row++) {
        for (int plane = 0; plane < planes; plane++) {
            decodePlaneLine(file, runLength, bytesPerLine, width, bitmap->data + row * pitch + plane, planes);
        }
    }
    return bitmap;
}
