// Fonts: the console font written at build time, and font files that lie.
#include <cstring>
#include <optional>
#include <set>

#include "bitmap_support.h"
#include "heap_support.h"

namespace {

const std::string kConsoleFont = MARROW_RUN_DIR "/CONSOLE.FNT";

struct PagePart {
    int type, width, height;
    Bytes palette, data;
    int declaredPalette = -1, declaredData = -1; // -1: the real sizes
};

// A font file built from parts; every part may be made to lie.
struct FontFile {
    uint32_t magic = MWB_FONT_MAGIC, version = MWB_FONT_VERSION, kind = MWB_FONT_KIND;
    int cellWidth = 4, cellHeight = 4;
    mwbGLYPH glyphs[256];
    std::vector<PagePart> pages;
    std::optional<int32_t> declaredPages; // the page count written, when it lies

    FontFile()
    {
        for (mwbGLYPH &glyph : glyphs)
            glyph = {4, 4, -1, 0, 0, 0};
        pages.push_back({MW_IMAGE_RGB_565, 8, 4, {}, Bytes(64, 0x11)});
        glyphs[size_t{'A'}] = {4, 4, 0, 4, 0, 7};
    }
    Bytes bytes() const
    {
        Bytes out;
        for (uint32_t v : {magic, version, kind})
            putLe32(out, v);
        putLe32(out, cellWidth);
        putLe32(out, cellHeight);
        for (const mwbGLYPH &g : glyphs) {
            for (int32_t v : {g.width, g.height, g.page, g.x, g.y, g.unused})
                putLe32(out, static_cast<uint32_t>(v));
        }
        putLe32(out, static_cast<uint32_t>(declaredPages.value_or(static_cast<int32_t>(pages.size()))));
        for (const PagePart &p : pages) {
            putLe32(out, p.type);
            putLe32(out, p.width);
            putLe32(out, p.height);
            putLe32(out, static_cast<uint32_t>(p.declaredPalette >= 0 ? p.declaredPalette
                                                                      : int(p.palette.size())));
            putLe32(out, static_cast<uint32_t>(p.declaredData >= 0 ? p.declaredData : int(p.data.size())));
            out.insert(out.end(), p.palette.begin(), p.palette.end());
            out.insert(out.end(), p.data.begin(), p.data.end());
        }
        return out;
    }
    std::string write(const std::string &name) const
    {
        const std::string path = scratchPath(name);
        writeFile(path, bytes());
        return path;
    }
};

TEST(Font, ConsoleFontCoversPrintableAscii)
{
    mwbFONT *font = mwbFontLoad(kConsoleFont.c_str());
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->cellWidth, 8);
    EXPECT_EQ(font->cellHeight, 8);
    ASSERT_EQ(font->pageCount, 1);
    const mwBITMAP &page = font->pages[0];
    EXPECT_EQ(page.type, MW_IMAGE_RGB_565);
    EXPECT_EQ(page.size, page.width * page.height * 2);
    EXPECT_EQ(page.palette, nullptr);
    EXPECT_EQ(page.paletteSize, 0);

    // Every printable glyph is an 8 x 8 rectangle in the page; all but the
    // space have ink, and no two look alike.
    std::set<uint64_t> shapes; // 8 x 8 pixels, one bit each
    for (int code = 0; code < 256; code++) {
        const mwbGLYPH &glyph = font->glyph[code];
        EXPECT_EQ(glyph.width, 8) << code;
        if (code < 32 || code > 126) {
            EXPECT_EQ(glyph.page, -1) << code;
            continue;
        }
        ASSERT_EQ(glyph.page, 0) << code;
        ASSERT_EQ(glyph.height, 8);
        ASSERT_LE(glyph.x + 8, page.width);
        ASSERT_LE(glyph.y + 8, page.height);
        uint64_t shape = 0;
        int ink = 0;
        for (int y = 0; y < 8; y++) {
            for (int x = 0; x < 8; x++) {
                const uint8_t *pixel = page.data + ((glyph.y + y) * page.width + glyph.x + x) * 2;
                const unsigned value = pixel[0] | pixel[1] << 8;
                EXPECT_TRUE(value == 0 || value == 0xFFFF) << "glyph " << code << " is white on black";
                shape = shape << 1 | (value != 0);
                ink += value != 0;
            }
        }
        EXPECT_EQ(ink == 0, code == ' ') << "glyph " << char(code);
        EXPECT_TRUE(shapes.insert(shape).second) << "glyph " << char(code) << " repeats another";
    }
    mwbFontFree(font);
}

TEST(Font, PagesKeepTheirPaletteAndPixels)
{
    FontFile file;
    Bytes palette(768);
    for (size_t i = 0; i < palette.size(); i++)
        palette[i] = static_cast<uint8_t>(i);
    file.pages.push_back({MW_IMAGE_PAL_8, 4, 2, palette, {1, 2, 3, 4, 5, 6, 7, 8}});
    file.glyphs[size_t{'B'}] = {2, 2, 1, 2, 0, 0};
    file.glyphs[size_t{'C'}] = {0, 0, 1, 4, 2, 0}; // empty rectangle at the far corner
    mwbFONT *font = mwbFontLoad(file.write("two.fnt").c_str());
    ASSERT_EQ(font->pageCount, 2);
    EXPECT_EQ(font->cellWidth, 4);
    const mwBITMAP &first = font->pages[0];
    EXPECT_EQ(first.palette, nullptr);
    EXPECT_EQ(first.paletteSize, 0);
    EXPECT_EQ(Bytes(first.data, first.data + first.size), Bytes(64, 0x11));
    const mwBITMAP &second = font->pages[1];
    EXPECT_EQ(second.type, MW_IMAGE_PAL_8);
    ASSERT_EQ(second.paletteSize, 768);
    EXPECT_EQ(Bytes(second.palette, second.palette + 768), palette);
    EXPECT_EQ(Bytes(second.data, second.data + 8), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(font->glyph[size_t{'A'}].unused, 7);
    EXPECT_EQ(font->glyph[size_t{'B'}].page, 1);
    mwbFontFree(font);
}

TEST(Font, ShortFileGivesZeroedPixels)
{
    void *dirty = mwDMemAlloc("test", __LINE__, 64);
    std::memset(dirty, 0xAA, 64);
    mwDMemFree("test", __LINE__, dirty);

    FontFile file;
    Bytes bytes = file.bytes();
    bytes.resize(bytes.size() - 60);
    const std::string path = scratchPath("short.fnt");
    writeFile(path, bytes);
    mwbFONT *font = mwbFontLoad(path.c_str());
    const mwBITMAP &page = font->pages[0];
    ASSERT_EQ(page.size, 64);
    EXPECT_EQ(Bytes(page.data, page.data + 4), Bytes(4, 0x11));
    EXPECT_EQ(Bytes(page.data + 4, page.data + 64), Bytes(60, 0));
    mwbFontFree(font);
}

// Two pages of 256 KB with 384 KB left on the heap: each would fit, both do
// not. The loader refuses the font before it allocates, instead of the
// allocator ending the program.
TEST(Font, AFontNeedingMoreThanTheHeapHasGivesNull)
{
    FontFile file;
    file.pages = {{MW_IMAGE_RGB_565, 512, 256, {}, Bytes(512 * 256 * 2, 1)},
                  {MW_IMAGE_RGB_565, 512, 256, {}, Bytes(512 * 256 * 2, 2)}};
    const std::string path = file.write("large.fnt");
    {
        mwtest::HeapSqueeze squeeze(384 << 10);
        EXPECT_EQ(mwbFontLoad(path.c_str()), nullptr);
        EXPECT_GE(mwtest::largestAllocation(), 384 << 10) << "nothing was taken";
    }
    mwbFONT *font = mwbFontLoad(path.c_str());
    ASSERT_NE(font, nullptr) << "the whole heap holds it";
    EXPECT_EQ(font->pages[1].data[0], 2);
    mwbFontFree(font);
}

TEST(FontDeathTest, HeadersThatDoNotMatchAreFatal)
{
    auto expectInvalid = [](const FontFile &file, const char *what) {
        const std::string path = file.write("bad.fnt");
        EXPECT_REPORT(mwbFontLoad(path.c_str()), "mwbFontLoad: Invalid font file .*bad.fnt") << what;
    };
    FontFile file;
    file.version = 0x00030000;
    expectInvalid(file, "version");
    file = FontFile();
    file.kind = 1;
    expectInvalid(file, "kind");
    file = FontFile();
    file.magic = 0x544E464E;
    expectInvalid(file, "magic");
    file = FontFile();
    file.cellWidth = 0;
    expectInvalid(file, "cell width 0: the console divides by it");

    EXPECT_REPORT(mwbFontLoad(nullptr), "mwfont:[0-9]+: mwbFontLoad: Invalid Parameter");
    EXPECT_REPORT(mwbFontFree(nullptr), "mwfont:[0-9]+: mwbFontFree: Invalid Parameter");
    EXPECT_REPORT(mwbFontLoad(scratchPath("missing.fnt").c_str()), "Cannot open");
}

TEST(FontDeathTest, ZeroPagesAndEmptyPagesReachTheAllocator)
{
    FontFile none;
    none.pages.clear();
    const std::string nonePath = none.write("none.fnt");
    EXPECT_REPORT(mwbFontLoad(nonePath.c_str()),
                  "\\(1h\\) mwfont:[0-9]+: mwDMemAlloc: Attempt to allocate zero or less bytes");
    // A negative count is less than zero pages too, however its byte size
    // would wrap when narrowed to the allocator's int.
    FontFile negative;
    negative.declaredPages = -336860182;
    const std::string negativePath = negative.write("negative.fnt");
    EXPECT_REPORT(mwbFontLoad(negativePath.c_str()),
                  "\\(1h\\) mwfont:[0-9]+: mwDMemAlloc: Attempt to allocate zero or less bytes");
    FontFile empty;
    empty.pages[0] = {MW_IMAGE_RGB_565, 0, 0, {}, {}};
    empty.glyphs[size_t{'A'}].page = -1;
    const std::string emptyPath = empty.write("empty.fnt");
    EXPECT_REPORT(mwbFontLoad(emptyPath.c_str()),
                  "\\(1h\\) mwfont:[0-9]+: mwDMemAlloc: Attempt to allocate zero or less bytes");
}

TEST(FontDeathTest, PagesAndGlyphsThePlugInCouldNotTrustAreRefused)
{
    struct Case {
        const char *what;
        void (*spoil)(FontFile &);
    };
    const Case cases[] = {
        {"data size disagrees", [](FontFile &f) { f.pages[0].declaredData = 65; }},
        {"width disagrees", [](FontFile &f) { f.pages[0].width = 9; }},
        {"type out of range", [](FontFile &f) { f.pages[0].type = 20; }},
        {"negative height", [](FontFile &f) { f.pages[0].height = -4; }},
        {"palette type without its palette",
         [](FontFile &f) {
             f.pages[0] = {MW_IMAGE_PAL_8, 8, 8, {}, Bytes(64)};
         }},
        {"palette over 768 bytes", [](FontFile &f) { f.pages[0].palette = Bytes(771); }},
        {"more pages than the file holds", [](FontFile &f) { f.declaredPages = 1000000; }},
        {"glyph past the right edge", [](FontFile &f) { f.glyphs[size_t{'A'}].x = 5; }},
        {"glyph past the bottom", [](FontFile &f) { f.glyphs[size_t{'A'}].height = 5; }},
        {"glyph at a negative x", [](FontFile &f) { f.glyphs[size_t{'A'}].x = -1; }},
        {"glyph with a negative width", [](FontFile &f) { f.glyphs[size_t{'A'}].width = -1; }},
        {"glyph on a missing page", [](FontFile &f) { f.glyphs[size_t{'A'}].page = 1; }},
        {"glyph on page -2", [](FontFile &f) { f.glyphs[size_t{'A'}].page = -2; }},
        {"glyph reaching past int range",
         [](FontFile &f) { f.glyphs[size_t{'A'}] = {0x7FFFFFFF, 1, 0, 4, 0, 0}; }},
    };
    for (const Case &c : cases) {
        FontFile file;
        c.spoil(file);
        const std::string path = file.write("spoilt.fnt");
        EXPECT_REPORT(mwbFontLoad(path.c_str()), "mwbFontLoad: Invalid font file") << c.what;
    }
}

} // namespace
