// Card fonts: glyphs cut from page bitmaps, text drawn through them.
#include "voodoo_support.h"

#include <cstring>

using namespace vdtest;

namespace {

class VoodooFont : public Voodoo {
protected:
    void SetUp() override
    {
        Voodoo::SetUp();
        // One 64 x 64 page: 'A' a solid 8 x 8 cell at (0, 0), 'B' one at
        // (8, 0) whose right half is black. Space and line feed have no
        // glyph; a space is 10 pixels high.
        page_ =
            picture(MW_IMAGE_RGB_565, 64, 64, [](int x, int y) { return x < 12 && y < 8 ? 0xFFFF : kBlack; });
        std::memset(&font_, 0, sizeof font_);
        for (mwbGLYPH &glyph : font_.glyph)
            glyph = mwbGLYPH{4, 10, -1, 0, 0, 0};
        font_.glyph[size_t{'A'}] = mwbGLYPH{8, 8, 0, 0, 0, 0};
        font_.glyph[size_t{'B'}] = mwbGLYPH{8, 8, 0, 8, 0, 0};
        font_.pageCount = 1;
        font_.pages = page_;
    }
    void TearDown() override
    {
        Voodoo::TearDown();
        mwbFree(page_);
    }

    mwBITMAP *page_ = nullptr;
    mwbFONT font_;
};

TEST_F(VoodooFont, TextAdvancesByGlyphAndALineFeedKeepsThePensX)
{
    ASSERT_TRUE(open());
    vd->clearColor(0xFF000000u); // red
    mwCARDFONT *font = vd->createFont(&font_, 0);
    ASSERT_NE(font, nullptr);
    vd->setColor(0, 1, 0);
    vd->drawText(font, 20, 30, "AB\nA");
    const std::vector<uint16_t> px = read(0, 0, 64, 64);
    auto at = [&](int x, int y) { return px[size_t(y) * 64 + size_t(x)]; };
    // First line: A at 20..27, a one-pixel gap, B at 29..36 (its right half black).
    for (int x = 18; x <= 38; ++x) {
        const uint16_t expected = (x >= 20 && x <= 27) || (x >= 29 && x <= 32) ? kGreen
                                  : x >= 33 && x <= 36                         ? kBlack
                                                                               : kRed;
        EXPECT_EQ(at(x, 33), expected) << x;
    }
    EXPECT_EQ(at(24, 29), kRed);
    EXPECT_EQ(at(24, 37), kGreen);
    EXPECT_EQ(at(24, 38), kRed);
    // The line feed moves 10 + 2 down and advances like any glyph: the
    // second A starts at 38 + 4 + 1.
    for (int x = 41; x <= 52; ++x)
        EXPECT_EQ(at(x, 45), x >= 43 && x <= 50 ? kGreen : kRed) << x;
    EXPECT_EQ(at(45, 41), kRed);
    EXPECT_EQ(at(45, 42), kGreen);
    EXPECT_EQ(at(45, 49), kGreen);
    EXPECT_EQ(at(45, 50), kRed);

    // Scaled twice: A covers 16 x 16 from the pen.
    vd->setColor(1, 1, 1);
    vd->drawTextScaled(font, 100, 100, 2, 2, "A");
    EXPECT_EQ(pixel(100, 100), 0xFFFF);
    EXPECT_EQ(pixel(115, 115), 0xFFFF);
    EXPECT_EQ(pixel(116, 110), kRed);
    EXPECT_EQ(pixel(110, 116), kRed);

    EXPECT_EQ(1, vd->freeFont(font));
}

TEST_F(VoodooFont, BadFontsAndHandlesAreRefused)
{
    ASSERT_TRUE(load());
    EXPECT_EQ(nullptr, vd->createFont(nullptr, 0));
    mwbFONT broken = font_;
    broken.glyph[size_t{'C'}].page = 1; // only page 0 exists
    EXPECT_EQ(nullptr, vd->createFont(&broken, 0));
    broken.glyph[size_t{'C'}].page = -2;
    EXPECT_EQ(nullptr, vd->createFont(&broken, 0));

    // A page the card cannot take undoes the pages made before it.
    mwBITMAP pages[2] = {*page_, *page_};
    pages[1].type = MW_IMAGE_RGBA_8888;
    broken = font_;
    broken.pageCount = 2;
    broken.pages = pages;
    EXPECT_EQ(nullptr, vd->createFont(&broken, MW_BLIT_BITMAP_PRIVATE));

    struct NotAFont {
        uint32_t magic = 0;
    } notAFont;
    auto *fake = reinterpret_cast<mwCARDFONT *>(&notAFont);
    EXPECT_EQ(0, vd->freeFont(fake));
    vd->drawText(fake, 0, 0, "A");
    vd->drawText(nullptr, 0, 0, "A");
}

} // namespace
