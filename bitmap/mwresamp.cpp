// Resampling a bitmap to a new size, interpolating between pixel centres.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "mwbintern.h"
#include "mwquant.h"

namespace {

const char kOwner[] = "mwresamp";

// A palette image keeps its own palette: its entries are copied before the
// conversion to true colour releases it, and the resampled colours are fitted
// back onto them.
struct SavedPalette {
    uint8_t entries[768] = {};
    int bytes = 0;
};

SavedPalette savePalette(const mwBITMAP *bitmap)
{
    SavedPalette saved;
    if (bitmap->palette)
        saved.bytes = std::clamp(bitmap->paletteSize, 0, 768) / 3 * 3;
    if (saved.bytes > 0)
        std::memcpy(saved.entries, bitmap->palette, saved.bytes);
    return saved;
}

bool isPaletteType(int type)
{
    return type == MW_IMAGE_PAL_1 || type == MW_IMAGE_PAL_4 || type == MW_IMAGE_PAL_8;
}

void resampleRgba(const uint8_t *source, int sourceWidth, int sourceHeight, uint8_t *target, int width,
                  int height, mwbResampleTap *columns)
{
    for (int i = 0; i < width; ++i)
        columns[i] = mwbTapFor(i, sourceWidth, width);
    const int64_t sourcePitch = int64_t(sourceWidth) * 4;
    for (int j = 0; j < height; ++j) {
        const mwbResampleTap row = mwbTapFor(j, sourceHeight, height);
        const uint8_t *upper = source + row.first * sourcePitch;
        const uint8_t *lower = source + row.second * sourcePitch;
        for (int i = 0; i < width; ++i, target += 4) {
            const mwbResampleTap &col = columns[i];
            const uint8_t *a = upper + 4 * col.first, *b = upper + 4 * col.second;
            const uint8_t *c = lower + 4 * col.first, *d = lower + 4 * col.second;
            for (int ch = 0; ch < 4; ++ch)
                target[ch] = mwbBlend(a[ch], b[ch], c[ch], d[ch], col.weight, row.weight);
        }
    }
}

} // namespace

mwbResampleTap mwbTapFor(int i, int source, int destination)
{
    const double centre = (i + 0.5) * source / destination - 0.5;
    if (centre <= 0.0)
        return {0, 0, 0};
    if (centre >= source - 1)
        return {source - 1, source - 1, 0};
    const int first = int(centre);
    return {first, first + 1, int(std::lround((centre - first) * kMwbResampleOne))};
}

extern "C" int mwbResample(mwBITMAP *bitmap, int width, int height, int /*filter*/)
{
    if (!bitmap || width < 1 || height < 1)
        mwError(kOwner, __LINE__, "mwbResample", MW_ERR_INVALID_PARAMETER);
    if (width == bitmap->width && height == bitmap->height)
        return 1;
    if (!mwbRecordIsSound(bitmap))
        mwError(kOwner, __LINE__, "mwbResample", MW_ERR_INVALID_PARAMETER);

    const int type = bitmap->type;
    if (type == MW_IMAGE_UNKNOWN) {
        // No pixels before, none after.
        bitmap->width = width;
        bitmap->height = height;
        return 1;
    }
    const int64_t bytes = int64_t(width) * height * 4;
    const int64_t tapBytes = int64_t(width) * int64_t(sizeof(mwbResampleTap));
    if (bytes > INT32_MAX || tapBytes > INT32_MAX)
        mwError(kOwner, __LINE__, "mwbResample", MW_ERR_OUT_OF_MEMORY);

    const SavedPalette palette = savePalette(bitmap);
    mwbConvert(bitmap, MW_IMAGE_RGBA_8888);
    auto *data = static_cast<uint8_t *>(mwDMemAlloc(kOwner, __LINE__, int(bytes)));
    if (bitmap->width > 0 && bitmap->height > 0) {
        auto *columns = static_cast<mwbResampleTap *>(mwDMemAlloc(kOwner, __LINE__, int(tapBytes)));
        resampleRgba(bitmap->data, bitmap->width, bitmap->height, data, width, height, columns);
        mwDMemFree(kOwner, __LINE__, columns);
    } else {
        std::memset(data, 0, bytes);
    }
    if (bitmap->data)
        mwDMemFree(kOwner, __LINE__, bitmap->data);
    bitmap->data = data;
    bitmap->width = width;
    bitmap->height = height;
    bitmap->size = int32_t(bytes);

    if (isPaletteType(type))
        mwbFitIndexed(bitmap, palette.entries, palette.bytes / 3, type, palette.bytes, "mwbResample");
    else
        mwbConvert(bitmap, type);
    return 1;
}
