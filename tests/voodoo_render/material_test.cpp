// Materials and what they colour: the board set-up of the six blend modes,
// exact pixels of a lit triangle and of a textured, vertex-coloured screen
// polygon, points and sprites.
#include <algorithm>
#include <cstring>
#include <iterator>

#include "voodoo_render_support.h"

using namespace vdtest;

namespace {

class RenderMaterial : public Render {
protected:
    void TearDown() override
    {
        if (card_) {
            EXPECT_EQ(1, vd->freeBitmap(card_));
        }
        Render::TearDown();
    }
    // An 8 x 8 texture of pure colours, pattern(x, y).
    mwCARDBITMAP *texture()
    {
        mwBITMAP *bitmap = picture(MW_IMAGE_RGB_565, 8, 8, pattern);
        card_ = vd->createBitmap(bitmap, MW_BLIT_BITMAP_PRIVATE);
        mwbFree(bitmap);
        return card_;
    }
    mwCARDBITMAP *card_ = nullptr;
};

} // namespace

TEST_F(RenderMaterial, BlendModesReachTheBoardWithTheirSetUps)
{
    using Calls = std::vector<std::vector<long>>;
    auto once = [](const std::vector<long> &args) { return args.empty() ? Calls{} : Calls{args}; };
    const long scale = GR_COMBINE_FUNCTION_SCALE_OTHER, one = GR_COMBINE_FACTOR_ONE,
               local = GR_COMBINE_LOCAL_CONSTANT;
    const std::vector<long> translucent = {GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ONE,
                                           GR_BLEND_ZERO};
    const std::vector<long> half = {GR_BLEND_ONE, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ZERO, GR_BLEND_ZERO};
    const std::vector<long> halfCombine = {scale, one, local, GR_COMBINE_OTHER_CONSTANT, 0};
    struct Case {
        int blendMode, flags;
        std::vector<long> blend, alphaCombine, constant;
    };
    const Case cases[] = {
        {MWR_BLEND_OPAQUE, 0, {GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO}, {}, {}},
        {MWR_BLEND_VERTEX_ALPHA, 0, translucent, {scale, one, local, GR_COMBINE_OTHER_ITERATED, 0}, {}},
        {MWR_BLEND_TEXTURE_ALPHA, 0, translucent, {scale, one, local, GR_COMBINE_OTHER_TEXTURE, 0}, {}},
        {MWR_BLEND_DARKEN,
         0,
         {GR_BLEND_ZERO, GR_BLEND_SRC_ALPHA, GR_BLEND_ONE, GR_BLEND_ZERO},
         {scale, one, local, GR_COMBINE_OTHER_TEXTURE, 0},
         {}},
        {MWR_BLEND_ADD_HALF, 0, half, halfCombine, {0x80}},
        {MWR_BLEND_ADD,
         0,
         {GR_BLEND_ONE, GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ZERO},
         {scale, GR_COMBINE_FACTOR_ZERO, local, GR_COMBINE_OTHER_CONSTANT, 0},
         {}},
        {MWR_BLEND_VERTEX_ALPHA,
         MWR_MATERIAL_ADD_HALF,
         half,
         halfCombine,
         {0x80}}, // the flag overrides the mode
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(::testing::Message() << "blend mode " << k.blendMode << ", flags " << k.flags);
        material->blendMode = k.blendMode;
        material->flags = k.flags;
        spy::reset();
        mwrMaterialSelect(material);
        EXPECT_EQ(once(k.blend), spy::callsOf("grAlphaBlendFunction"));
        EXPECT_EQ(once(k.alphaCombine), spy::callsOf("grAlphaCombine"));
        EXPECT_EQ(once(k.constant), spy::callsOf("grConstantColorValue"));
    }
}

TEST_F(Render, LitTriangleTakesAmbientPlusDirectionalLight)
{
    // The light shines at 60 degrees to the triangle's normal: cos = 0.5.
    mwrLIGHT *light = mwrLightAlloc(1);
    light->matrix.m[6] = 0.8660254f;
    light->matrix.m[10] = 0.5f;
    mwrLightAdd(light, 1);
    material->colorMode = MWR_COLOR_LIT;
    material->cullMode = MWR_CULL_NONE;
    const float emissive[3] = {0.1f, 0.2f, 0.8f}, diffuse[3] = {0.5f, 0.25f, 1.0f};
    std::copy(emissive, emissive + 3, material->emissive);
    std::copy(diffuse, diffuse + 3, material->diffuse);
    mwrMaterialSelect(material);
    mwrVERTEX a = vertex(-1, -1, 4), b = vertex(1, -1, 4), c = vertex(0, 1, 4);
    vd->drawTriangle(&a, &b, &c);

    ASSERT_EQ(1u, spy::triangles().size());
    for (const GrVertex &v : spy::triangles()[0]) {
        EXPECT_NEAR(89.25, v.r, 0.01); // (0.1 + 0.5 x 0.5) x 255
        EXPECT_NEAR(82.875, v.g, 0.01);
        EXPECT_EQ(255.0f, v.b) << "1.3 x 255 clamps";
    }
    const Screen middle = project(0, -0.25, 4);
    for (const uint16_t got : read(int(middle.x) - 5, int(middle.y) - 5, 10, 10))
        EXPECT_EQ(rgb565(89, 83, 255), got);
    mwrLightRemove(1);
    mwrLightFree(light);
}

TEST_F(RenderMaterial, ScreenPolygonIsTexturedTimesVertexColour)
{
    material->textureMask = MWR_TEXTURE_LAYER0;
    material->texture[0] = texture();
    material->colorMode = MWR_COLOR_VERTEX;
    mwrMaterialSelect(material);
    // 64 x 64 pixels at (100, 50) showing the whole texture; z is 1/w.
    const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    mwrVERTEX quad[4];
    mwrVERTEX *ring[4];
    for (int i = 0; i < 4; ++i) {
        quad[i] =
            vertex(100 + 64 * corners[i][0], 50 + 64 * corners[i][1], 0.5f, corners[i][0], corners[i][1]);
        quad[i].r = 0.6f;
        quad[i].b = 0.2f;
        ring[i] = &quad[i];
    }
    const mwrSCREENPOLYGON polygon{4, ring};
    vd->drawScreenPolygon(&polygon);
    EXPECT_EQ(2u, spy::triangles().size());

    const std::vector<uint16_t> px = read(100, 50, 64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            // s runs 0..255 across (the far edge of an 8-texel side is 255).
            const uint16_t texel =
                pattern(int((x + 0.5) * 255 / 64 * 8 / 256), int((y + 0.5) * 255 / 64 * 8 / 256));
            const int r = texel & 0xF800 ? 153 : 0, g = texel & 0x07E0 ? 255 : 0, b = texel & 0x001F ? 51 : 0;
            EXPECT_EQ(rgb565(r, g, b), px[size_t(y) * 64 + size_t(x)]) << x << "," << y;
        }
}

TEST_F(Render, PointIsThreeByThreeDotsFadingOutwards)
{
    selectVertexColour();
    mwrPOINT hidden{vertex(0, 0, 0.5f)}, point{vertex(0.5f, 0.25f, 2)};
    point.vertex.a = 0.8f;
    vd->drawPoint(&hidden);
    EXPECT_TRUE(spy::points().empty()) << "in front of the near plane";
    vd->drawPoint(&point);
    ASSERT_EQ(9u, spy::points().size());
    const GrVertex &centre = spy::points()[0];
    const Screen at = project(0.5, 0.25, 2);
    EXPECT_NEAR(at.x, centre.x, 1.0 / 32);
    EXPECT_NEAR(at.y, centre.y, 1.0 / 32);
    for (const GrVertex &dot : spy::points()) {
        const float dx = std::fabs(dot.x - centre.x), dy = std::fabs(dot.y - centre.y);
        ASSERT_LE(std::max(dx, dy), 1.0f);
        const float expected = dx + dy == 0 ? 204.0f : dx + dy == 1 ? 102.0f : 40.8f;
        EXPECT_FLOAT_EQ(expected, dot.a) << dx << "," << dy;
    }
}

// Every word of what the board is handed is set by the plug-in, whatever the
// material leaves out: under a constant colour the board still compares
// vertex colours to find flat triangles. The stack is filled with a pattern
// first, so a word left unset shows it.
constexpr uint32_t kStackPattern = 0x5A5A5A5Au;

[[gnu::noinline]] void fillStack()
{
    volatile uint32_t words[8192];
    for (volatile uint32_t &word : words)
        word = kStackPattern;
}

bool everyWordSet(const GrVertex &v)
{
    uint32_t words[sizeof v / 4];
    std::memcpy(words, &v, sizeof v);
    return std::find(std::begin(words), std::end(words), kStackPattern) == std::end(words);
}

TEST_F(Render, ConstantColourPrimitivesHandTheBoardSetVertices)
{
    material->colorMode = MWR_COLOR_CONSTANT;
    material->cullMode = MWR_CULL_NONE;
    mwrMaterialSelect(material);
    mwrPOINT point{vertex(0.5f, 0.25f, 2)};
    fillStack();
    vd->drawPoint(&point);
    mwrSPRITE sprite{};
    sprite.z = 2.0f;
    sprite.size = sprite.heightRatio = sprite.a = 1.0f;
    fillStack();
    vd->drawSprite(&sprite);
    // Crosses the right plane: the clipper makes vertices of its own.
    mwrVERTEX a = vertex(0, 0, 2), b = vertex(3, 0, 2), c = vertex(0, 1, 2);
    fillStack();
    vd->drawTriangle(&a, &b, &c);
    ASSERT_EQ(9u, spy::points().size());
    ASSERT_EQ(4u, spy::triangles().size());
    for (const GrVertex &dot : spy::points())
        EXPECT_TRUE(everyWordSet(dot)) << "point";
    for (const spy::Triangle &triangle : spy::triangles())
        for (const GrVertex &corner : triangle)
            EXPECT_TRUE(everyWordSet(corner)) << "triangle " << &triangle - spy::triangles().data();
}

TEST_F(RenderMaterial, SpriteCutByTheRightPlaneKeepsTheVisibleTexture)
{
    material->textureMask = MWR_TEXTURE_LAYER0;
    material->texture[0] = texture();
    material->colorMode = MWR_COLOR_VERTEX;
    mwrMaterialSelect(material);
    // Half width 1 (focal 1) at x 1.5, z 2: the right plane x = z cuts it
    // at three quarters of its texture.
    mwrSPRITE sprite{};
    sprite.x = 1.5f;
    sprite.z = 2.0f;
    sprite.size = 1.0f;
    sprite.heightRatio = 0.5f;
    sprite.r = sprite.g = sprite.b = sprite.a = 1.0f;
    vd->drawSprite(&sprite);
    ASSERT_EQ(2u, spy::triangles().size());
    const spy::Triangle &first = spy::triangles()[0], &second = spy::triangles()[1];
    const GrVertex corners[4] = {first[0], first[1], first[2], second[2]};
    const double u[4] = {0, 0.75, 0.75, 0}, v[4] = {0, 0, 1, 1};
    const double hh = st->camera.focalY * 0.5 / 2 * st->scaleY; // on screen
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const GrVertex &c = corners[i];
        EXPECT_NEAR(u[i] * 255, c.tmuvtx[0].sow / c.oow, 1e-3);
        EXPECT_NEAR(v[i] * 255, c.tmuvtx[0].tow / c.oow, 1e-3);
        EXPECT_NEAR(i == 0 || i == 3 ? project(0.5, 0, 2).x : project(2, 0, 2).x, c.x, 1.0 / 16);
        EXPECT_NEAR(project(0, 0, 2).y + (v[i] ? hh : -hh), c.y, 1.0 / 16);
    }
}
