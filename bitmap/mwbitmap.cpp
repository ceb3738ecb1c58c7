// Bitmap records: creation, copies, crops, loading and saving by extension,
// and the tables of the twenty image types.
#include <cctype>
#include <cstring>

#include "mwbintern.h"

namespace {

const char kOwner[] = "mwbitmap";

// Kept in the binary so that a build can be identified; nothing reads it.
[[gnu::used]] const char identification[] = "$MWID Marrow Bitmap Library 3.0. Build 0581 (lumenfall)$";

const uint8_t bitsPerPixel[MW_IMAGE_TYPE_COUNT] = {0,  1,  4,  8,  16, 16, 16, 16, 16, 16,
                                                   16, 16, 16, 16, 24, 24, 32, 32, 32, 32};
const uint8_t alphaBits[MW_IMAGE_TYPE_COUNT] = {0, 0, 0, 0, 0, 0, 4, 4, 4, 4, 1, 1, 1, 1, 0, 0, 8, 8, 8, 8};
const char *const typeNames[MW_IMAGE_TYPE_COUNT] = {
    "MW_IMAGE_UNKNOWN",   "MW_IMAGE_PAL_1",     "MW_IMAGE_PAL_4",     "MW_IMAGE_PAL_8",
    "MW_IMAGE_RGB_565",   "MW_IMAGE_BGR_565",   "MW_IMAGE_RGBA_4444", "MW_IMAGE_BGRA_4444",
    "MW_IMAGE_ARGB_4444", "MW_IMAGE_ABGR_4444", "MW_IMAGE_RGBA_5551", "MW_IMAGE_BGRA_5551",
    "MW_IMAGE_ARGB_1555", "MW_IMAGE_ABGR_1555", "MW_IMAGE_RGB_888",   "MW_IMAGE_BGR_888",
    "MW_IMAGE_RGBA_8888", "MW_IMAGE_BGRA_8888", "MW_IMAGE_ARGB_8888", "MW_IMAGE_ABGR_8888"};

constexpr int kMaxPaletteBytes = 256 * 3;

bool validType(int type) { return type >= 0 && type < MW_IMAGE_TYPE_COUNT; }

bool equalIgnoringCase(const char *a, const char *b)
{
    for (; *a && *b; a++, b++) {
        if (std::toupper(static_cast<unsigned char>(*a)) != std::toupper(static_cast<unsigned char>(*b))) {
            return false;
        }
    }
    return *a == *b;
}

// The last four characters of name in upper case; empty when it is shorter.
struct Extension {
    char text[5] = {};
    explicit Extension(const char *name)
    {
        const size_t length = std::strlen(name);
        if (length < 4) {
            return;
        }
        for (int i = 0; i < 4; i++) {
            text[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[length - 4 + i])));
        }
    }
    bool is(const char *ending) const { return std::strcmp(text, ending) == 0; }
};

// mwbLoad's readers by file extension.
struct Reader {
    const char *extension;
    mwBITMAP *(*load)(const char *name);
};
const Reader kReaders[] = {
    {".TGA", mwbTGALoad},
    {".PCX", mwbPCXLoad},
    {".LBM", mwbLBMLoad},
    {".IFF", mwbLBMLoad},
};

} // namespace

//---- Internal helpers

int64_t mwbRowBytes(int type, int64_t width) { return (width * bitsPerPixel[type]) >> 3; }

int64_t mwbImageBytes(int type, int64_t width, int64_t height) { return height * mwbRowBytes(type, width); }

bool mwbHeapCanHold(int64_t bytes) { return bytes >= 0 && bytes <= mwDMemSize(); }

bool mwbPictureFits(int type, int64_t width, int64_t height)
{
    // Both sides come from 16- or 32-bit file fields, so the product cannot
    // overflow 64 bits.
    if (width < 1 || height < 1 || width > INT32_MAX || height > INT32_MAX) {
        return false;
    }
    const int64_t bytes = mwbImageBytes(type, width, height);
    if (bytes > INT32_MAX) {
        return false;
    }
    // The record, the pixels and, for a palette type, the largest palette.
    const int64_t need[] = {sizeof(mwBITMAP), bytes, kMaxPaletteBytes};
    return mwDMemCanHold(need, type >= MW_IMAGE_PAL_1 && type <= MW_IMAGE_PAL_8 ? 3 : 2) != 0;
}

bool mwbRecordIsSound(const mwBITMAP *bitmap)
{
    if (!bitmap || !validType(bitmap->type) || bitmap->width < 0 || bitmap->height < 0) {
        return false;
    }
    const int64_t bytes = mwbImageBytes(bitmap->type, bitmap->width, bitmap->height);
    const bool pixels = bitmap->size == bytes && (bytes == 0 || bitmap->data);
    const bool palette = bitmap->paletteSize >= 0 && bitmap->paletteSize <= kMaxPaletteBytes &&
                         (bitmap->paletteSize == 0 || bitmap->palette);
    return pixels && palette;
}

mwBITMAP *mwbNewBitmap(const char *owner, int line, int type, int width, int height)
{
    auto *bitmap = static_cast<mwBITMAP *>(mwDMemAlloc(owner, line, sizeof(mwBITMAP)));
    std::memset(bitmap, 0, sizeof *bitmap);
    bitmap->type = type;
    bitmap->width = width;
    bitmap->height = height;
    bitmap->size = static_cast<int32_t>(mwbImageBytes(type, width, height));
    if (bitmap->size > 0) {
        bitmap->data = static_cast<uint8_t *>(mwDMemAlloc(owner, line, bitmap->size));
        std::memset(bitmap->data, 0, bitmap->size);
    }
    return bitmap;
}

uint8_t *mwbDuplicate(const char *owner, int line, const void *source, int size)
{
    if (size <= 0) {
        return nullptr;
    }
    auto *copy = static_cast<uint8_t *>(mwDMemAlloc(owner, line, size));
    std::memcpy(copy, source, size);
    return copy;
}

//---- Image type tables

extern "C" int mwbBitsPerPixel(int type)
{
    if (!validType(type)) {
        mwFatal("mwbBitsPerPixel: unknown image type %d", type);
    }
    return bitsPerPixel[type];
}

extern "C" int mwbAlphaBits(int type)
{
    if (!validType(type)) {
        mwFatal("mwbAlphaBits: unknown image type %d", type);
    }
    return alphaBits[type];
}

extern "C" const char *mwbImageTypeName(int type)
{
    return typeNames[validType(type) ? type : MW_IMAGE_UNKNOWN];
}

extern "C" int mwbImageTypeFromName(const char *text)
{
    if (!text) {
        return MW_IMAGE_UNKNOWN;
    }
    for (int type = 0; type < MW_IMAGE_TYPE_COUNT; type++) {
        if (equalIgnoringCase(typeNames[type], text)) {
            return type;
        }
    }
    return MW_IMAGE_UNKNOWN;
}

//---- Records

extern "C" mwBITMAP *mwbCreate(int type, int width, int height)
{
    if (!validType(type)) {
        mwFatal("mwbCreate: unknown image type %d", type);
    }
    if (width < 0 || height < 0) {
        mwError(kOwner, __LINE__, "mwbCreate", MW_ERR_INVALID_PARAMETER);
    }
    if (mwbImageBytes(type, width, height) > INT32_MAX) {
        // Beyond what an int32 size and the allocator can express.
        mwError(kOwner, __LINE__, "mwbCreate", MW_ERR_OUT_OF_MEMORY);
    }
    return mwbNewBitmap(kOwner, __LINE__, type, width, height);
}

extern "C" mwBITMAP *mwbCopy(const mwBITMAP *bitmap)
{
    if (!mwbRecordIsSound(bitmap)) {
        mwError(kOwner, __LINE__, "mwbCopy", MW_ERR_INVALID_PARAMETER);
    }
    auto *copy = static_cast<mwBITMAP *>(mwDMemAlloc(kOwner, __LINE__, sizeof(mwBITMAP)));
    std::memset(copy, 0, sizeof *copy);
    copy->type = bitmap->type;
    copy->width = bitmap->width;
    copy->height = bitmap->height;
    copy->size = bitmap->size;
    copy->paletteSize = bitmap->paletteSize;
    copy->data = mwbDuplicate(kOwner, __LINE__, bitmap->data, bitmap->size);
    copy->palette = mwbDuplicate(kOwner, __LINE__, bitmap->palette, bitmap->paletteSize);
    return copy;
}

extern "C" mwBITMAP *mwbCrop(const mwBITMAP *bitmap, int x, int y, int width, int height)
{
    // Sums in 64 bits: x + width must not wrap past the check.
    if (!mwbRecordIsSound(bitmap) || x < 0 || y < 0 || width < 0 || height < 0 ||
        int64_t{x} + width > bitmap->width || int64_t{y} + height > bitmap->height) {
        mwError(kOwner, __LINE__, "mwbCrop", MW_ERR_INVALID_PARAMETER);
    }
    if (x == 0 && y == 0 && width == bitmap->width && height == bitmap->height) {
        return mwbCopy(bitmap);
    }
    const int type = bitmap->type;
    mwBITMAP *crop = mwbNewBitmap(kOwner, __LINE__, type, width, height);
    crop->paletteSize = bitmap->paletteSize > 0 ? bitmap->paletteSize : 0;
    crop->palette = mwbDuplicate(kOwner, __LINE__, bitmap->palette, bitmap->paletteSize);

    // Whole bytes only: 1- and 4-bit rows are not shifted.
    const int64_t sourcePitch = mwbRowBytes(type, bitmap->width);
    const int64_t run = mwbRowBytes(type, width);
    const int64_t left = mwbRowBytes(type, x);
    for (int row = 0; row < height && run > 0; row++) {
        std::memcpy(crop->data + row * run, bitmap->data + (y + row) * sourcePitch + left, run);
    }
    return crop;
}

extern "C" void mwbFree(mwBITMAP *bitmap)
{
    if (!bitmap) {
        mwError(kOwner, __LINE__, "mwbFree", MW_ERR_INVALID_PARAMETER);
    }
    if (bitmap->data) {
        mwDMemFree(kOwner, __LINE__, bitmap->data);
    }
    if (bitmap->palette) {
        mwDMemFree(kOwner, __LINE__, bitmap->palette);
    }
    std::memset(bitmap, 0, sizeof *bitmap);
    mwDMemFree(kOwner, __LINE__, bitmap);
}

//---- Files by extension

extern "C" mwBITMAP *mwbLoad(const char *name)
{
    if (!name) {
        mwError(kOwner, __LINE__, "mwbLoad", MW_ERR_INVALID_PARAMETER);
    }
    if (!*name) {
        return nullptr;
    }
    const Extension extension(name);
    for (const Reader &reader : kReaders) {
        if (extension.is(reader.extension)) {
            return reader.load(name);
        }
    }
    mwFatal("mwbLoad: \"%s\" unsupported file format", name);
}

extern "C" int mwbSave(const char *name, const mwBITMAP *bitmap)
{
    if (!name || !bitmap) {
        mwError(kOwner, __LINE__, "mwbSave", MW_ERR_INVALID_PARAMETER);
    }
    if (!*name) {
        return 0;
    }
    if (Extension(name).is(".TGA")) {
        return mwbTGASave(bitmap, name);
    }
    mwFatal("mwbSave: \"%s\" unsupported file format", name);
}
