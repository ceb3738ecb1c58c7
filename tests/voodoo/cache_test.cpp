// The texture cache: counters, first fit by address, least-recently-used
// eviction and the 2 MB line, seen through the card bitmaps' entries and
// the cache report written at deinit.
#include "voodoo_support.h"

#include "vdbitmap.h"

using namespace vdtest;

namespace {

constexpr uint32_t k64K = 0x10000, k128K = 0x20000;

class VoodooCache : public Voodoo {
protected:
    void TearDown() override
    {
        // Cards kept past an unload stay with the test heap.
        for (mwCARDBITMAP *card : cards_)
            if (vd)
                vd->freeBitmap(card);
        for (mwBITMAP *source : sources_)
            mwbFree(source);
        Voodoo::TearDown();
    }
    // A card bitmap of 128 KB (256 x 256) or 64 KB (256 x 128) of texture memory.
    mwCARDBITMAP *card(int height = 256)
    {
        sources_.push_back(picture(MW_IMAGE_RGB_565, 256, height, [](int, int) { return kRed; }));
        cards_.push_back(vd->createBitmap(sources_.back(), 0));
        EXPECT_NE(cards_.back(), nullptr);
        return cards_.back();
    }
    void draw(mwCARDBITMAP *card) { EXPECT_EQ(1, vd->drawBitmap(0, 0, card)); }
    void release(mwCARDBITMAP *card)
    {
        EXPECT_EQ(1, vd->freeBitmap(card));
        std::erase(cards_, card);
    }

    std::vector<mwBITMAP *> sources_;
    std::vector<mwCARDBITMAP *> cards_;
};

TEST_F(VoodooCache, DrawingTwiceCountsTwoAccessesAndOneMiss)
{
    ASSERT_TRUE(open());
    mwCARDBITMAP *picture = card();
    draw(picture);
    draw(picture);
    EXPECT_EQ(picture->entry.address, 0u);
    EXPECT_EQ(picture->entry.size, k128K);
    unload();
    EXPECT_FALSE(picture->entry.resident) << "a card outliving the plug-in keeps no links";
    EXPECT_EQ(picture->entry.next, nullptr);
    const std::string text = log();
    EXPECT_EQ(1, count(text, "* VOODOO : Cache for TMU 0\n  Accesses  : 2\n  Misses    : 1\n"
                             "  Miss rate : 50.00%\n    0x0 : size 131072\n"));
    EXPECT_EQ(1, count(text, "* VOODOO : Cache for TMU 1\n  Accesses  : 0\n  Misses    : 0\n"
                             "  Miss rate : N/A\n---"));
}

TEST_F(VoodooCache, AFullUnitEvictsTheLeastRecentlyDrawnUntilAGapOpens)
{
    mwtest::setEnv("GLIDE2X_TMURAM", "1");
    ASSERT_TRUE(open());
    std::vector<mwCARDBITMAP *> small;
    for (int i = 0; i < 16; ++i) {
        small.push_back(card(128));
        draw(small.back());
        EXPECT_EQ(small.back()->entry.address, i * k64K);
    }
    draw(small[0]); // now the most recent: small[1] is the oldest
    mwCARDBITMAP *large = card(256);
    draw(large);
    // small[1] alone leaves 64 KB between small[0] and small[2]; small[2] goes too.
    EXPECT_TRUE(small[0]->entry.resident);
    EXPECT_FALSE(small[1]->entry.resident);
    EXPECT_FALSE(small[2]->entry.resident);
    EXPECT_TRUE(small[3]->entry.resident);
    EXPECT_EQ(large->entry.address, k64K);

    // A texture that no unit could ever hold is refused, without evicting.
    mwCARDBITMAP *refused = card();
    refused->entry.size = 0x100008;
    EXPECT_EQ(0, vd->drawBitmap(0, 0, refused));
    EXPECT_TRUE(small[3]->entry.resident);
    EXPECT_EQ(1, count(log(), "vdCacheSelect: Texture will not fit in memory\n"));
}

TEST_F(VoodooCache, ATextureThatWouldStraddleTheTwoMegabyteLineStartsOnIt)
{
    ASSERT_TRUE(open());
    draw(card(128));
    for (int i = 0; i < 15; ++i)
        draw(card(256));
    EXPECT_EQ(cards_.back()->entry.address, 0x1F0000u - k128K);
    mwCARDBITMAP *across = card(256);
    draw(across);
    EXPECT_EQ(across->entry.address, 0x200000u);
    mwCARDBITMAP *below = card(128); // first fit: the gap left under the line
    draw(below);
    EXPECT_EQ(below->entry.address, 0x1F0000u);

    // Larger than the room above the line, though not than the unit: once
    // the unit is empty it is refused instead of evicting forever.
    mwCARDBITMAP *huge = card(256);
    huge->entry.size = 0x300000;
    EXPECT_EQ(0, vd->drawBitmap(0, 0, huge));
    EXPECT_FALSE(across->entry.resident);
    EXPECT_EQ(1, count(log(), "vdCacheSelect: Texture will not fit in memory\n"));
}

TEST_F(VoodooCache, OnlyResidentEntriesAreFreed)
{
    ASSERT_TRUE(open());
    mwCARDBITMAP *never = card();
    EXPECT_EQ(1, vd->updateBitmap(never, sources_.back(), 0));
    const std::string notLinked = "* VOODOO : vdCacheFree: entry not linked into cache chain\n";
    EXPECT_EQ(1, count(log(), notLinked));
    release(never);
    EXPECT_EQ(1, count(log(), notLinked)) << "freeing a bitmap never drawn logs nothing";

    // A drawn and freed bitmap leaves its memory to the next.
    mwCARDBITMAP *first = card(), *second = card();
    draw(first);
    release(first);
    draw(second);
    EXPECT_EQ(second->entry.address, 0u);
    EXPECT_EQ(1, count(log(), notLinked));
}

} // namespace
