// The light part's set-up, frame and free as the display driver sees them,
// through a recording driver bound into the mwBlit globals.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lightprt.h"
#include "lightrnd.h"
#include "mwbitmap.h"
#include "mwblit.h"
#include "mwrender.h"
#include "common_support.h"

using namespace lightprt;

namespace {

enum Kind { kSwap, kCreate, kFree, kMaterial, kPolygon };

struct Call {
    explicit Call(Kind k) : kind(k) {}
    Kind kind;
    const mwCARDBITMAP *handle = nullptr; // created, freed or the material's texture
    int blendMode = 0;
    mwrMATERIAL material = {};
    std::vector<mwrVERTEX> vertices;
    std::vector<uint16_t> pixels; // of a created ARGB 4444 bitmap
    int type = 0, width = 0, height = 0;
};

std::vector<Call> calls;
char handlePool[64];
int handlesMade;
int failCreate = -1; // index of the createBitmap call that returns NULL

void swapBuffers(int) { calls.push_back(Call(kSwap)); }

mwCARDBITMAP *createBitmap(mwBITMAP *bitmap, int)
{
    Call c{kCreate};
    c.type = bitmap->type;
    c.width = bitmap->width;
    c.height = bitmap->height;
    c.pixels.resize(size_t(bitmap->size) / 2);
    std::memcpy(c.pixels.data(), bitmap->data, c.pixels.size() * 2);
    const int index = handlesMade++;
    c.handle = index == failCreate ? nullptr : reinterpret_cast<mwCARDBITMAP *>(&handlePool[index]);
    calls.push_back(c);
    return const_cast<mwCARDBITMAP *>(c.handle);
}

int freeBitmap(mwCARDBITMAP *card)
{
    Call c{kFree};
    c.handle = card;
    calls.push_back(c);
    return 1;
}

void setMaterial(const mwrMATERIAL *material)
{
    Call c{kMaterial};
    c.handle = material->texture[0];
    c.blendMode = material->blendMode;
    c.material = *material;
    calls.push_back(c);
}

void drawScreenPolygon(const mwrSCREENPOLYGON *polygon)
{
    Call c{kPolygon};
    for (int i = 0; i < polygon->count; ++i)
        c.vertices.push_back(*polygon->vertices[i]);
    calls.push_back(c);
}

std::vector<Call> only(Kind kind)
{
    std::vector<Call> out;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(out),
                 [kind](const Call &c) { return c.kind == kind; });
    return out;
}

// A BGR picture of the given size: one colour with a black square in the
// middle, saved as POO.TGA in the current folder.
void writePicture(int width, int height, uint8_t r, uint8_t g, uint8_t b, int square)
{
    mwBITMAP *bitmap = mwbCreate(MW_IMAGE_BGR_888, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t *p = bitmap->data + (y * width + x) * 3;
            const bool black = std::abs(2 * x - width) < square && std::abs(2 * y - height) < square;
            p[0] = black ? 0 : b;
            p[1] = black ? 0 : g;
            p[2] = black ? 0 : r;
        }
    ASSERT_EQ(mwbSave("POO.TGA", bitmap), 1);
    mwbFree(bitmap);
}

class LightPart : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        mwrInit();
        mwBlitSwapBuffers = swapBuffers;
        mwBlitCreateBitmap = createBitmap;
        mwBlitFreeBitmap = freeBitmap;
        mwBlitSetMaterial = setMaterial;
        mwBlitDrawScreenPolygon = drawScreenPolygon;
    }
    void SetUp() override
    {
        calls.clear();
        handlesMade = 0;
        failCreate = -1;
        dir.enter();
    }
    mwtest::TempDir dir;
};

TEST_F(LightPart, SetUpFrameAndFreeDriveTheDriverInOrder)
{
    writePicture(256, 256, 0x80, 0x40, 0xC0, 64); // black: columns and rows 97..158
    lightPartSetup(300);
    const std::vector<Call> setup = only(kCreate);
    ASSERT_EQ(setup.size(), 5u);
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(setup[i].pixels.size(), size_t(kMapPixels));
        std::set<uint16_t> values(setup[i].pixels.begin(), setup[i].pixels.end());
        EXPECT_EQ(values.size(), 8u); // grey n with alpha n for n = 8..15
        for (uint16_t v : values)
            EXPECT_TRUE(v / 0x1111 >= 8 && v / 0x1111 <= 15 && v % 0x1111 == 0) << std::hex << v;
    }
    EXPECT_EQ(setup[4].type, MW_IMAGE_ARGB_4444); // the picture: black is the occluder
    EXPECT_EQ(setup[4].pixels[0], 0xF84C);
    EXPECT_EQ(setup[4].pixels[128 * 256 + 128], 0);
    EXPECT_EQ(only(kSwap).size(), 2u); // the two progress messages shown

    calls.clear();
    lightPartFrame(90.0f);

    std::string order;
    for (const Call &c : calls)
        order += "SCFMP"[c.kind];
    EXPECT_EQ(order, "MPMPCMPFCMPFMPCMPF");

    const std::vector<Call> materials = only(kMaterial), polygons = only(kPolygon);
    const std::vector<Call> maps = only(kCreate), freed = only(kFree);
    ASSERT_EQ(materials.size(), 6u);
    ASSERT_EQ(maps.size(), 3u);
    const int blends[6] = {MWR_BLEND_VERTEX_ALPHA, MWR_BLEND_DARKEN, MWR_BLEND_DARKEN,
                           MWR_BLEND_ADD,          MWR_BLEND_DARKEN, MWR_BLEND_ADD};
    const float depths[6] = {0.9f, 0.91f, 1.0f, 1.01f, 1.02f, 1.03f};
    const mwCARDBITMAP *textures[6] = {setup[4].handle, nullptr,         maps[0].handle,
                                       maps[1].handle,  setup[4].handle, maps[2].handle};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(materials[i].blendMode, blends[i]) << i;
        if (textures[i]) {
            EXPECT_EQ(materials[i].handle, textures[i]) << i;
        }
        ASSERT_EQ(polygons[i].vertices.size(), 4u);
        EXPECT_FLOAT_EQ(polygons[i].vertices[0].z, depths[i]) << i;
    }
    // The grain is one of the first three noise textures.
    EXPECT_TRUE(materials[1].handle == setup[0].handle || materials[1].handle == setup[1].handle ||
                materials[1].handle == setup[2].handle);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(freed[i].handle, maps[i].handle);

    const mwrMATERIAL &m = materials[0].material;
    EXPECT_EQ(m.colorMode, MWR_COLOR_VERTEX);
    EXPECT_EQ(m.textureMask, MWR_TEXTURE_LAYER0);
    EXPECT_EQ(m.cullMode, MWR_CULL_NONE);
    EXPECT_FLOAT_EQ(m.shininess, 20.0f);

    // The screen quad: (10, 10) to (510, 380), texture cut at the clip edge.
    const float corners[4][4] = {{10, 10, 0, 0},
                                 {510, 10, 500.0f / 510, 0},
                                 {510, 380, 500.0f / 510, 370.0f / 380},
                                 {10, 380, 0, 370.0f / 380}};
    for (int i = 0; i < 4; ++i) {
        const mwrVERTEX &v = polygons[0].vertices[i];
        EXPECT_FLOAT_EQ(v.x, corners[i][0]);
        EXPECT_FLOAT_EQ(v.y, corners[i][1]);
        EXPECT_FLOAT_EQ(v.u0, corners[i][2]);
        EXPECT_FLOAT_EQ(v.v0, corners[i][3]);
        EXPECT_EQ(v.r + v.g + v.b + v.a, 4.0f);
    }

    // Pass 1 writes alpha only, passes 2 and 3 grey only.
    const auto any = [](const Call &c, uint16_t mask) {
        return std::any_of(c.pixels.begin(), c.pixels.end(), [mask](uint16_t p) { return p & mask; });
    };
    EXPECT_TRUE(any(maps[0], 0xF000));
    EXPECT_FALSE(any(maps[0], 0x0FFF));
    for (int i : {1, 2}) {
        EXPECT_TRUE(any(maps[i], 0x0FFF));
        EXPECT_FALSE(any(maps[i], 0xF000));
    }

    calls.clear();
    lightPartFree();
    std::set<const mwCARDBITMAP *> released;
    for (const Call &c : only(kFree))
        released.insert(c.handle);
    EXPECT_EQ(released.size(), 5u);
    for (const Call &c : setup)
        EXPECT_EQ(released.count(c.handle), 1u);
}

TEST_F(LightPart, TheSameSeedGivesTheSameFrame)
{
    writePicture(256, 256, 0x80, 0x40, 0xC0, 64);
    std::vector<Call> maps[2];
    ptrdiff_t grain[2];
    for (int run = 0; run < 2; ++run) {
        lightprt::srand(7);
        lightPartSetup(300);
        const mwCARDBITMAP *firstNoise = only(kCreate)[0].handle;
        calls.clear();
        lightPartFrame(1234.5f);
        maps[run] = only(kCreate);
        grain[run] = reinterpret_cast<const char *>(only(kMaterial)[1].handle) -
                     reinterpret_cast<const char *>(firstNoise);
        lightPartFree();
        calls.clear();
    }
    for (size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(maps[0][i].pixels == maps[1][i].pixels) << i;
    EXPECT_EQ(grain[0], grain[1]);
}

TEST_F(LightPart, PicturesOfOtherSizesAreResampledAndAllBlackStaysBlack)
{
    struct Case {
        int width, height, square;
        uint16_t corner, centre;
    };
    const Case cases[] = {
        {256, 256, 300, 0, 0},         // all black: layer 5 blackens everything
        {640, 480, 0, 0xF84C, 0xF84C}, // larger, no black
        {64, 48, 16, 0xF84C, 0},       // smaller, black centre scaled up
    };
    for (const Case &c : cases) {
        calls.clear();
        writePicture(c.width, c.height, 0x80, 0x40, 0xC0, c.square);
        lightPartSetup(10);
        const Call picture = only(kCreate)[4];
        EXPECT_EQ(picture.width, 256);
        EXPECT_EQ(picture.height, 256);
        EXPECT_EQ(picture.pixels[0], c.corner) << c.width;
        EXPECT_EQ(picture.pixels[128 * 256 + 128], c.centre) << c.width;
        const bool allBlack = std::count(picture.pixels.begin(), picture.pixels.end(), 0) == kMapPixels;
        EXPECT_EQ(allBlack, c.square > 256) << c.width;
        lightPartFree();
    }
}

TEST_F(LightPart, FailuresEndTheProgramWithTheirMessages)
{
    EXPECT_EXIT(lightPartSetup(300), ::testing::ExitedWithCode(255), "Cannot open POO.TGA");
    std::FILE *junk = std::fopen("POO.TGA", "wb");
    std::fputs("not a picture", junk);
    std::fclose(junk);
    EXPECT_EXIT(lightPartSetup(300), ::testing::ExitedWithCode(255), "Cannot read POO.TGA");

    writePicture(256, 256, 0x80, 0x40, 0xC0, 0);
    failCreate = 4; // the picture
    EXPECT_EXIT(lightPartSetup(300), ::testing::ExitedWithCode(255), "Cannot load bitmap onto driver");
    failCreate = 6; // the second light map of the first frame
    EXPECT_EXIT(
        {
            lightPartSetup(300);
            lightPartFrame(0.0f);
        },
        ::testing::ExitedWithCode(255), "Crud");
}

} // namespace
