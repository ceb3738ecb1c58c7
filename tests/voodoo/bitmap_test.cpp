// Card bitmaps and regions: the texture made of an engine bitmap, what is
// refused, private copies and updates, and the pixels the draws produce.
#include "voodoo_support.h"

#include <cmath>
#include <cstring>

#include "vdbitmap.h"

using namespace vdtest;

namespace {

class VoodooBitmap : public Voodoo {
protected:
    // Checks a w x h rectangle at (x, y) that shows texture coordinates s0..s1
    // and t0..t1 of a texture whose longer side has `side` texels, point
    // sampled: each pixel centre takes the texel containing its coordinate.
    void expectDrawn(int x, int y, int w, int h, double s0, double s1, double t0, double t1, int side,
                     const std::function<uint16_t(int, int)> &texel)
    {
        const std::vector<uint16_t> px = read(x - 1, y - 1, w + 2, h + 2);
        for (int j = -1; j <= h; ++j)
            for (int i = -1; i <= w; ++i) {
                const uint16_t got = px[size_t(j + 1) * (w + 2) + size_t(i + 1)];
                if (i < 0 || j < 0 || i == w || j == h) {
                    EXPECT_EQ(got, kBlack) << "outside at " << i << "," << j;
                    continue;
                }
                const double s = (s0 + (s1 - s0) * (i + 0.5) / w) * side / 256;
                const double t = (t0 + (t1 - t0) * (j + 0.5) / h) * side / 256;
                EXPECT_EQ(got, texel(int(std::floor(s)), int(std::floor(t)))) << i << "," << j;
            }
    }
};

struct Geometry {
    int type, width, height;
    GrLOD_t lod;
    GrAspectRatio_t aspect;
    GrTextureFormat_t format;
    float sMax, tMax;
};

void PrintTo(const Geometry &g, std::ostream *out)
{
    *out << "type " << g.type << ", " << g.width << "x" << g.height;
}

class VoodooBitmapGeometry : public VoodooBitmap, public ::testing::WithParamInterface<Geometry> {};

TEST_P(VoodooBitmapGeometry, AspectAndLevelFollowTheSize)
{
    const Geometry &g = GetParam();
    ASSERT_TRUE(load());
    mwBITMAP *source = mwbCreate(g.type, g.width, g.height);
    mwCARDBITMAP *card = vd->createBitmap(source, 0);
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->entry.info.largeLod, g.lod);
    EXPECT_EQ(card->entry.info.smallLod, g.lod);
    EXPECT_EQ(card->entry.info.aspectRatio, g.aspect);
    EXPECT_EQ(card->entry.info.format, g.format);
    EXPECT_EQ(card->entry.size, grTexCalcMemRequired(g.lod, g.lod, g.aspect, g.format));
    EXPECT_FLOAT_EQ(card->sMax, g.sMax);
    EXPECT_FLOAT_EQ(card->tMax, g.tMax);
    EXPECT_FLOAT_EQ(card->sScale, g.sMax / std::max(g.width - 1, 1));
    EXPECT_FLOAT_EQ(card->tScale, g.tMax / std::max(g.height - 1, 1));
    EXPECT_FALSE(card->entry.resident);
    EXPECT_EQ(card->pixels, source->data) << "without flag 0x1 the card uses the bitmap's pixels";
    EXPECT_EQ(1, vd->freeBitmap(card));
    mwbFree(source);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, VoodooBitmapGeometry,
    ::testing::Values(
        Geometry{MW_IMAGE_RGB_565, 256, 32, GR_LOD_256, GR_ASPECT_8x1, GR_TEXFMT_RGB_565, 255, 31.875f},
        Geometry{MW_IMAGE_RGB_565, 32, 256, GR_LOD_256, GR_ASPECT_1x8, GR_TEXFMT_RGB_565, 31.875f, 255},
        Geometry{MW_IMAGE_ARGB_4444, 64, 64, GR_LOD_64, GR_ASPECT_1x1, GR_TEXFMT_ARGB_4444, 255, 255},
        Geometry{MW_IMAGE_ARGB_1555, 16, 8, GR_LOD_16, GR_ASPECT_2x1, GR_TEXFMT_ARGB_1555, 255, 127.5f},
        Geometry{MW_IMAGE_PAL_8, 8, 32, GR_LOD_32, GR_ASPECT_1x4, GR_TEXFMT_P_8, 63.75f, 255},
        Geometry{MW_IMAGE_RGB_565, 1, 1, GR_LOD_1, GR_ASPECT_1x1, GR_TEXFMT_RGB_565, 255, 255}),
    [](const ::testing::TestParamInfo<Geometry> &info) {
        return "Type" + std::to_string(info.param.type) + "_" + std::to_string(info.param.width) + "x" +
               std::to_string(info.param.height);
    });

TEST_F(VoodooBitmap, RefusesWhatItCannotTurnIntoATexture)
{
    ASSERT_TRUE(load());
    const std::vector<int32_t> offered(vd->getBitmapTypes(), vd->getBitmapTypes() + 6);
    EXPECT_EQ(offered, (std::vector<int32_t>{4, 12, 3, 8, 16, 0}));
    EXPECT_EQ(nullptr, vd->createBitmap(nullptr, 0));
    struct Case {
        const char *what;
        int type, width, height;
        std::function<void(mwBITMAP *)> spoil;
    } cases[] = {
        {"RGBA 8888, listed but without a texture format", MW_IMAGE_RGBA_8888, 8, 8, nullptr},
        {"BGR 565", MW_IMAGE_BGR_565, 8, 8, nullptr},
        {"data one row short", MW_IMAGE_RGB_565, 8, 8, [](mwBITMAP *b) { b->size -= 16; }},
        // Only a 256 x 256 level is downloaded, but the rows must be there.
        {"data holding the level, not the rows", MW_IMAGE_RGB_565, 512, 512,
         [](mwBITMAP *b) { b->size = 256 * 256 * 2; }},
        {"no pixels", MW_IMAGE_RGB_565, 8, 8, [](mwBITMAP *b) { b->width = 0; }},
        {"a palette size without a palette", MW_IMAGE_PAL_8, 8, 8, [](mwBITMAP *b) { b->paletteSize = 768; }},
        // The board would read a 128 x 128 level from 100 x 100 pixels.
        {"no power of two", MW_IMAGE_RGB_565, 100, 100, nullptr},
        {"a ratio beyond 8", MW_IMAGE_RGB_565, 256, 16, nullptr},
    };
    for (const Case &c : cases) {
        mwBITMAP *source = mwbCreate(c.type, c.width, c.height);
        mwBITMAP spoiled = *source;
        if (c.spoil)
            c.spoil(&spoiled);
        EXPECT_EQ(nullptr, vd->createBitmap(&spoiled, MW_BLIT_BITMAP_PRIVATE)) << c.what;
        mwbFree(source);
    }
    mwCARDBITMAP notACard{};
    EXPECT_EQ(0, vd->freeBitmap(&notACard));
    EXPECT_EQ(0, vd->drawBitmap(0, 0, &notACard));
    EXPECT_EQ(0, vd->drawBitmap(0, 0, nullptr));
}

TEST_F(VoodooBitmap, APictureDrawnOneToOneShowsEveryTexel)
{
    ASSERT_TRUE(open());
    mwBITMAP *source = picture(MW_IMAGE_RGB_565, 64, 64, pattern);
    mwCARDBITMAP *card = vd->createBitmap(source, 0);
    ASSERT_EQ(1, vd->drawBitmap(100, 50, card));
    expectDrawn(100, 50, 64, 64, 0, 255, 0, 255, 64, pattern);

    // Scaled: an 8 x 8 picture fills a 64 x 64 rectangle in blocks.
    mwBITMAP *small = picture(MW_IMAGE_ARGB_1555, 8, 8, [](int x, int y) {
        return uint16_t(0x8000 | ((pattern(x, y) >> 1) & 0x7FE0) | (pattern(x, y) & 0x1F));
    });
    mwCARDBITMAP *smallCard = vd->createBitmap(small, 0);
    ASSERT_EQ(1, vd->drawBitmapScaled(300, 200, 64, 64, smallCard));
    expectDrawn(300, 200, 64, 64, 0, 255, 0, 255, 8, pattern);
    // A part of it, scaled: texture units per texel are sMax / (width - 1).
    ASSERT_EQ(1, vd->drawBitmapPartScaled(400, 300, 2, 4, 4, 2, 32, 16, smallCard));
    const double scale = 255.0 / 7;
    expectDrawn(400, 300, 32, 16, 2 * scale, 6 * scale, 4 * scale, 6 * scale, 8, pattern);

    EXPECT_EQ(1, vd->freeBitmap(card));
    EXPECT_EQ(1, vd->freeBitmap(smallCard));
    mwbFree(source);
    mwbFree(small);
}

TEST_F(VoodooBitmap, DrawBitmapPartReachesTheTexelThatDrawBitmapStopsShortOf)
{
    ASSERT_TRUE(open());
    auto column = [](int x, int) { return kPure[x % 8]; };
    mwBITMAP *source = picture(MW_IMAGE_RGB_565, 256, 32, column);
    mwCARDBITMAP *card = vd->createBitmap(source, 0);
    ASSERT_EQ(1, vd->drawBitmap(0, 0, card));
    ASSERT_EQ(1, vd->drawBitmapPart(0, 100, 0, 0, 256, 32, card));
    EXPECT_EQ(pixel(0, 10), column(0, 0));
    EXPECT_EQ(pixel(255, 10), column(254, 0)) << "sMax 255 ends half a texel early";
    EXPECT_EQ(pixel(0, 110), column(0, 0));
    EXPECT_EQ(pixel(255, 110), column(255, 0)) << "s1 = 256 x sScale";
    EXPECT_EQ(1, vd->freeBitmap(card));
    mwbFree(source);
}

TEST_F(VoodooBitmap, PrivateCopiesAndUpdates)
{
    ASSERT_TRUE(open());
    mwBITMAP *source = picture(MW_IMAGE_RGB_565, 8, 8, [](int, int) { return kRed; });
    mwCARDBITMAP *own = vd->createBitmap(source, MW_BLIT_BITMAP_PRIVATE);
    mwCARDBITMAP *shared = vd->createBitmap(source, 0);
    ASSERT_TRUE(own && shared);
    EXPECT_NE(own->pixels, source->data);
    reinterpret_cast<uint16_t *>(source->data)[0] = kGreen;
    vd->drawBitmap(0, 0, own);
    vd->drawBitmap(10, 0, shared);
    EXPECT_EQ(pixel(0, 0), kRed);
    EXPECT_EQ(pixel(10, 0), kGreen);

    // An update replaces the pixels, resident or not; type and size must match.
    mwBITMAP *blue = picture(MW_IMAGE_RGB_565, 8, 8, [](int, int) { return kBlue; });
    mwBITMAP *wide = picture(MW_IMAGE_RGB_565, 16, 8, [](int, int) { return kBlue; });
    mwBITMAP *other = picture(MW_IMAGE_ARGB_1555, 8, 8, [](int, int) { return 0xFFFF; });
    EXPECT_EQ(0, vd->updateBitmap(own, wide, MW_BLIT_BITMAP_PRIVATE));
    EXPECT_EQ(0, vd->updateBitmap(own, other, MW_BLIT_BITMAP_PRIVATE));
    EXPECT_EQ(0, vd->updateBitmap(nullptr, blue, MW_BLIT_BITMAP_PRIVATE));
    EXPECT_EQ(1, vd->updateBitmap(own, blue, 0));
    EXPECT_EQ(own->pixels, blue->data);
    vd->drawBitmap(0, 0, own);
    EXPECT_EQ(pixel(0, 0), kBlue);
    EXPECT_EQ(1, vd->updateBitmap(own, source, MW_BLIT_BITMAP_PRIVATE));
    vd->drawBitmap(0, 0, own);
    EXPECT_EQ(pixel(0, 0), kGreen);

    for (mwCARDBITMAP *card : {own, shared})
        EXPECT_EQ(1, vd->freeBitmap(card));
    for (mwBITMAP *bitmap : {source, blue, wide, other})
        mwbFree(bitmap);
}

TEST_F(VoodooBitmap, RegionsGoStraightToTheDrawingBuffer)
{
    ASSERT_TRUE(open());
    const std::vector<int32_t> accepted(vd->getRegionTypes(), vd->getRegionTypes() + 4);
    EXPECT_EQ(accepted, (std::vector<int32_t>{4, 12, 18, 0}));
    mwBITMAP *source = picture(MW_IMAGE_RGB_565, 5, 3, [](int x, int y) { return uint16_t(x * 100 + y); });
    ASSERT_EQ(1, vd->writeRegion(20, 10, source));
    const std::vector<uint16_t> back = read(20, 10, 5, 3);
    EXPECT_EQ(0, std::memcmp(back.data(), source->data, back.size() * 2));

    mwBITMAP *alpha = picture(MW_IMAGE_ARGB_1555, 1, 1, [](int, int) { return uint16_t(0x83E0); });
    ASSERT_EQ(1, vd->writeRegion(0, 0, alpha));
    EXPECT_EQ(pixel(0, 0), kGreen);

    mwBITMAP refused = *source;
    refused.type = MW_IMAGE_PAL_8;
    EXPECT_EQ(0, vd->writeRegion(0, 0, &refused));
    refused.type = 25;
    EXPECT_EQ(0, vd->writeRegion(0, 0, &refused));
    refused = *source;
    refused.size -= 2;
    EXPECT_EQ(0, vd->writeRegion(0, 0, &refused)) << "data shorter than the rectangle";

    // A rectangle outside the buffer: no pixels read, but zeroed ones handed over.
    mwBITMAP *outside = mwbCreate(MW_IMAGE_UNKNOWN, 4, 4);
    EXPECT_EQ(0, vd->readRegion(510, 0, outside));
    ASSERT_NE(outside->data, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(outside->data, outside->data + 32), std::vector<uint8_t>(32, 0));
    mwbFree(outside);
    for (mwBITMAP *bitmap : {source, alpha})
        mwbFree(bitmap);
}

} // namespace
