#include "fuzzbitmap.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return fuzzReadFile(data, size, [](const char *name) {
        mwbFONT *font = mwbFontLoad(name);
        if (!font)
            return;
        for (int p = 0; p < font->pageCount; ++p)
            fuzzCheckBitmap(font->pages[p]);
        // Every glyph lies inside its page: the card cuts it from there.
        for (const mwbGLYPH &glyph : font->glyph) {
            if (glyph.page == -1)
                continue;
            const mwBITMAP *page =
                glyph.page >= 0 && glyph.page < font->pageCount ? &font->pages[glyph.page] : nullptr;
            if (!page || glyph.x < 0 || glyph.y < 0 || glyph.width < 0 || glyph.height < 0 ||
                glyph.x > page->width - glyph.width || glyph.y > page->height - glyph.height) {
                std::fprintf(stderr, "glyph outside its page %d\n", glyph.page);
                std::abort();
            }
        }
        mwbFontFree(font);
    });
}
