// Direct pixel transfer between engine bitmaps and the drawing buffer
// (slots 11 to 13).
#include "mwbitmap.h"
#include "vdformat.h"
#include "vdslots.h"
#include "vdstate.h"

#include <cstring>

namespace {

const char kOwner[] = "vdregion";

const int32_t kRegionTypes[] = {MW_IMAGE_RGB_565, MW_IMAGE_ARGB_1555, MW_IMAGE_ARGB_8888, 0};

const vdIMAGE_FORMAT<GrLfbSrcFmt_t> kRegionFormats[] = {
    {MW_IMAGE_RGB_565, GR_LFB_SRC_FMT_565, 2},
    {MW_IMAGE_ARGB_1555, GR_LFB_SRC_FMT_1555, 2},
    {MW_IMAGE_ARGB_8888, GR_LFB_SRC_FMT_8888, 4},
};

} // namespace

const int32_t *vdGetRegionTypes(void) { return kRegionTypes; }

int vdWriteRegion(int x, int y, const mwBITMAP *bitmap)
{
    const auto *type = bitmap ? vdFindImageFormat(kRegionFormats, bitmap->type) : nullptr;
    if (!type || bitmap->width < 1 || bitmap->height < 1 || !bitmap->data)
        return 0;
    // The board reads width x height pixels: refuse a record whose data is shorter.
    const int64_t stride = int64_t(bitmap->width) * type->bytesPerPixel;
    if (stride > INT32_MAX || bitmap->size < stride * bitmap->height)
        return 0;
    return grLfbWriteRegion(vdState.drawBuffer, FxU32(x), FxU32(y), type->format, FxU32(bitmap->width),
                            FxU32(bitmap->height), FxI32(stride), bitmap->data);
}

int vdReadRegion(int x, int y, mwBITMAP *bitmap)
{
    if (!bitmap || bitmap->width < 1 || bitmap->height < 1)
        return 0;
    const int64_t bytes = int64_t(bitmap->width) * bitmap->height * 2;
    if (bytes > INT32_MAX)
        return 0;
    auto *pixels = static_cast<uint8_t *>(vdAlloc(kOwner, __LINE__, int(bytes)));
    if (!pixels)
        return 0;
    // Zeroed, so that a rectangle the board refuses leaves no heap garbage.
    std::memset(pixels, 0, size_t(bytes));
    bitmap->type = MW_IMAGE_RGB_565;
    bitmap->size = int32_t(bytes);
    bitmap->data = pixels;
    bitmap->paletteSize = 0;
    bitmap->palette = nullptr;
    return grLfbReadRegion(vdState.drawBuffer, FxU32(x), FxU32(y), FxU32(bitmap->width),
                           FxU32(bitmap->height), FxU32(bitmap->width * 2), pixels);
}
