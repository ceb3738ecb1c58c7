// Bitmap fonts: "MFNT" files of a glyph table and page bitmaps.
//
// The display plug-in cuts glyphs from the pages and downloads them as
// textures without checking them, so the loader refuses a page whose sizes
// disagree or a glyph rectangle outside its page.
#include <cstring>
#include <vector>

#include "mwbfile.h"
#include "mwbintern.h"

namespace {

const char kOwner[] = "mwfont";

constexpr int kPageHeaderBytes = 20;
constexpr int kMaxPaletteBytes = 768;

[[noreturn]] void invalid(const char *name) { mwFatal("mwbFontLoad: Invalid font file %s\n", name); }

int32_t readInt(mwbFileReader &file) { return static_cast<int32_t>(file.le32()); }

bool pageSizesAgree(const mwBITMAP &page)
{
    if (page.type < 0 || page.type >= MW_IMAGE_TYPE_COUNT || page.width < 0 || page.height < 0) {
        return false;
    }
    const int bits = mwbBitsPerPixel(page.type);
    const bool paletteType = page.type >= MW_IMAGE_PAL_1 && page.type <= MW_IMAGE_PAL_8;
    // A palette type needs every entry its indices can reach.
    const bool paletteAgrees = paletteType ? page.paletteSize == 3 << bits
                                           : page.paletteSize >= 0 && page.paletteSize <= kMaxPaletteBytes &&
                                                 page.paletteSize % 3 == 0;
    // A size of 0 is left to the allocator, which reports it.
    return paletteAgrees &&
           (page.size == 0 || page.size == mwbImageBytes(page.type, page.width, page.height));
}

bool glyphInsidePage(const mwbGLYPH &glyph, const mwbFONT &font)
{
    if (glyph.page == -1) {
        return true;
    }
    if (glyph.page < 0 || glyph.page >= font.pageCount || glyph.width < 0 || glyph.height < 0 ||
        glyph.x < 0 || glyph.y < 0) {
        return false;
    }
    const mwBITMAP &page = font.pages[glyph.page];
    return int64_t{glyph.x} + glyph.width <= page.width && int64_t{glyph.y} + glyph.height <= page.height;
}

// The page headers in a pass of their own that skips the pages' bytes, so
// that the whole font is checked against the heap before the first page is
// allocated. A header that disagrees is fatal.
std::vector<mwBITMAP> readPageHeaders(mwbFileReader &file, int32_t pageCount, const char *name)
{
    std::vector<mwBITMAP> pages(pageCount > 0 ? static_cast<size_t>(pageCount) : 0);
    for (mwBITMAP &page : pages) {
        page.type = readInt(file);
        page.width = readInt(file);
        page.height = readInt(file);
        page.paletteSize = readInt(file);
        page.size = readInt(file);
        if (!pageSizesAgree(page)) {
            invalid(name);
        }
        file.skip(static_cast<uint64_t>(page.paletteSize) + static_cast<uint64_t>(page.size));
    }
    return pages;
}

// Whether the heap has room now for the record, the page array and every
// page's palette and pixels.
bool heapHoldsFont(const std::vector<mwBITMAP> &pages)
{
    std::vector<int64_t> blocks = {sizeof(mwbFONT), static_cast<int64_t>(pages.size() * sizeof(mwBITMAP))};
    for (const mwBITMAP &page : pages) {
        blocks.push_back(page.paletteSize);
        blocks.push_back(page.size);
    }
    return mwDMemCanHold(blocks.data(), static_cast<int>(blocks.size())) != 0;
}

} // namespace

extern "C" mwbFONT *mwbFontLoad(const char *name)
{
    if (!name) {
        mwError(kOwner, __LINE__, "mwbFontLoad", MW_ERR_INVALID_PARAMETER);
    }
    mwbFileReader file(kOwner, __LINE__);
    file.openOrFail(name);

    const uint32_t magic = file.le32();
    const uint32_t version = file.le32();
    const uint32_t kind = file.le32();
    if (magic != MWB_FONT_MAGIC || version != MWB_FONT_VERSION || kind != MWB_FONT_KIND) {
        invalid(name);
    }
    mwbFONT read = {};
    read.cellWidth = readInt(file);
    read.cellHeight = readInt(file);
    // The console divides by the cell size.
    if (read.cellWidth < 1 || read.cellHeight < 1) {
        invalid(name);
    }
    for (mwbGLYPH &glyph : read.glyph) {
        glyph.width = readInt(file);
        glyph.height = readInt(file);
        glyph.page = readInt(file);
        glyph.x = readInt(file);
        glyph.y = readInt(file);
        glyph.unused = readInt(file);
    }

    const int32_t pageCount = readInt(file);
    // Every page takes at least its header in the file.
    if (pageCount > 0 && static_cast<uint64_t>(pageCount) > file.remaining() / kPageHeaderBytes) {
        invalid(name);
    }
    const int64_t arrayBytes = int64_t{pageCount} * int64_t{sizeof(mwBITMAP)};
    if (pageCount > 0 && !mwbHeapCanHold(arrayBytes)) {
        return nullptr;
    }
    const uint64_t firstPage = file.position();
    const std::vector<mwBITMAP> headers = readPageHeaders(file, pageCount, name);
    if (!heapHoldsFont(headers)) {
        return nullptr;
    }
    file.seek(firstPage);

    auto *font = static_cast<mwbFONT *>(mwDMemAlloc(kOwner, __LINE__, sizeof(mwbFONT)));
    *font = read;
    mwbFontGuard guard(font);
    // A count of 0 or below reaches the allocator, which reports it (as 0
    // bytes: a negative byte count could wrap when narrowed to an int).
    const int allocBytes = pageCount > 0 ? static_cast<int>(arrayBytes) : 0;
    font->pages = static_cast<mwBITMAP *>(mwDMemAlloc(kOwner, __LINE__, allocBytes));
    std::memset(font->pages, 0, arrayBytes);
    font->pageCount = pageCount;

    for (int i = 0; i < pageCount; i++) {
        mwBITMAP &page = font->pages[i];
        page = headers[i];
        file.skip(kPageHeaderBytes);
        if (page.paletteSize != 0) {
            page.palette = static_cast<uint8_t *>(mwDMemAlloc(kOwner, __LINE__, page.paletteSize));
            file.read(page.palette, page.paletteSize);
        }
        page.data = static_cast<uint8_t *>(mwDMemAlloc(kOwner, __LINE__, page.size));
        file.read(page.data, page.size);
    }

    for (const mwbGLYPH &glyph : font->glyph) {
        if (!glyphInsidePage(glyph, *font)) {
            invalid(name);
        }
    }
    return guard.release();
}

extern "C" void mwbFontFree(mwbFONT *font)
{
    if (!font) {
        mwError(kOwner, __LINE__, "mwbFontFree", MW_ERR_INVALID_PARAMETER);
    }
    for (int i = 0; font->pages && i < font->pageCount; i++) {
        mwBITMAP &page = font->pages[i];
        if (page.palette) {
            mwDMemFree(kOwner, __LINE__, page.palette);
        }
        if (page.data) {
            mwDMemFree(kOwner, __LINE__, page.data);
        }
    }
    if (font->pages) {
        mwDMemFree(kOwner, __LINE__, font->pages);
    }
    std::memset(font, 0, sizeof *font);
    mwDMemFree(kOwner, __LINE__, font);
}
