// Card fonts (slots 22 to 25): a font's pages as card bitmaps and a glyph
// table of texture rectangles, drawn as one textured rectangle per character.
#include "mwbitmap.h"
#include "vdbitmap.h"
#include "vdslots.h"
#include "vdstate.h"

#include <cstring>

namespace {

const char kOwner[] = "vdfont";
constexpr uint32_t kCardFontMagic = 0x5644464Eu;
constexpr int kGlyphCount = 256;
constexpr int kNoGlyph = -1;

// One character: its card bitmap and the texture rectangle in it.
struct Glyph {
    int32_t bitmap; // index into the font's card bitmaps; kNoGlyph: none
    float s0, s1, t0, t1;
    float width, height; // pixels
};
static_assert(sizeof(Glyph) == 28, "a glyph record is 28 bytes");

} // namespace

struct mwCARDFONT {
    uint32_t magic;
    int32_t flags;
    Glyph *glyphs; // kGlyphCount records, by character code
    int32_t bitmapCount;
    mwCARDBITMAP **bitmaps; // one card bitmap per page of the font
};

namespace {

mwCARDFONT *cardFont(mwCARDFONT *handle)
{
    return handle && handle->magic == kCardFontMagic ? handle : nullptr;
}

// Every glyph names a page the font has, or none.
bool glyphsValid(const mwbFONT *font)
{
    for (const mwbGLYPH &glyph : font->glyph)
        if (glyph.page != kNoGlyph && (glyph.page < 0 || glyph.page >= font->pageCount))
            return false;
    return true;
}

// Frees whatever a font holds, also one only partly made.
void release(mwCARDFONT *font)
{
    for (int32_t i = 0; font->bitmaps && i < font->bitmapCount; ++i)
        vdFreeBitmap(font->bitmaps[i]);
    font->magic = 0;
    vdFree(kOwner, __LINE__, font->glyphs);
    vdFree(kOwner, __LINE__, font->bitmaps);
    vdFree(kOwner, __LINE__, font);
}

void fillGlyphs(mwCARDFONT *card, const mwbFONT *font)
{
    for (int code = 0; code < kGlyphCount; ++code) {
        const mwbGLYPH &source = font->glyph[code];
        Glyph &glyph = card->glyphs[code];
        glyph.bitmap = source.page;
        glyph.s0 = float(source.x);
        glyph.s1 = float(int64_t(source.x) + source.width);
        glyph.t0 = float(source.y);
        glyph.t1 = float(int64_t(source.y) + source.height);
        glyph.width = float(source.width);
        glyph.height = float(source.height);
        if (glyph.bitmap != kNoGlyph) {
            const mwCARDBITMAP *page = card->bitmaps[glyph.bitmap];
            glyph.s0 *= page->sScale;
            glyph.s1 *= page->sScale;
            glyph.t0 *= page->tScale;
            glyph.t1 *= page->tScale;
        }
    }
}

} // namespace

mwCARDFONT *vdCreateFont(const mwbFONT *font, int flags)
{
    // A glyph pointing past the pages would be read past the handle array.
    if (!font || font->pageCount < 0 || (font->pageCount > 0 && !font->pages) || !glyphsValid(font))
        return nullptr;
    auto *card = static_cast<mwCARDFONT *>(vdAlloc(kOwner, __LINE__, sizeof(mwCARDFONT)));
    if (!card)
        return nullptr;
    std::memset(card, 0, sizeof *card);
    card->flags = flags;
    card->bitmapCount = font->pageCount;
    if (font->pageCount > 0) {
        const int64_t bytes = int64_t(sizeof(mwCARDBITMAP *)) * font->pageCount;
        if (bytes <= INT32_MAX)
            card->bitmaps = static_cast<mwCARDBITMAP **>(vdAlloc(kOwner, __LINE__, int(bytes)));
        if (!card->bitmaps) {
            release(card);
            return nullptr;
        }
        std::memset(card->bitmaps, 0, size_t(bytes));
    }
    for (int32_t i = 0; i < font->pageCount; ++i) {
        // The pages are only read: const is lost at the packet's signature.
        card->bitmaps[i] = vdCreateBitmap(const_cast<mwBITMAP *>(&font->pages[i]), flags);
        if (!card->bitmaps[i]) {
            release(card);
            return nullptr;
        }
    }
    card->glyphs = static_cast<Glyph *>(vdAlloc(kOwner, __LINE__, int(sizeof(Glyph)) * kGlyphCount));
    if (!card->glyphs) {
        release(card);
        return nullptr;
    }
    fillGlyphs(card, font);
    card->magic = kCardFontMagic;
    return card;
}

int vdFreeFont(mwCARDFONT *handle)
{
    mwCARDFONT *font = cardFont(handle);
    if (!font)
        return 0;
    release(font);
    return 1;
}

void vdDrawText(mwCARDFONT *font, int x, int y, const char *text)
{
    vdDrawTextScaled(font, x, y, 1.0f, 1.0f, text);
}

void vdDrawTextScaled(mwCARDFONT *handle, int x, int y, float scaleX, float scaleY, const char *text)
{
    mwCARDFONT *font = cardFont(handle);
    if (!font || !text)
        return;
    // The texture times the colour of setColor.
    grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_FUNCTION_ZERO,
                 GR_COMBINE_FACTOR_NONE, FXFALSE, FXFALSE);
    grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
    grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_LOCAL, GR_COMBINE_LOCAL_ITERATED,
                   GR_COMBINE_OTHER_TEXTURE, FXFALSE);
    float penX = float(x), penY = float(y);
    for (const unsigned char *c = reinterpret_cast<const unsigned char *>(text); *c; ++c) {
        const Glyph &glyph = font->glyphs[*c];
        if (glyph.bitmap != kNoGlyph && vdCacheSelect(GR_TMU0, &font->bitmaps[glyph.bitmap]->entry))
            vdDrawTexturedRect(penX, penY, glyph.width * scaleX, glyph.height * scaleY, glyph.s0, glyph.s1,
                               glyph.t0, glyph.t1);
        // A line feed moves down by the height of a space but keeps the pen's x.
        if (*c == '\n')
            penY += font->glyphs[static_cast<unsigned char>(' ')].height * scaleY + 2.0f;
        penX += glyph.width * scaleX + 1.0f;
    }
}
