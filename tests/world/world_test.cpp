// Worlds: creation with shared portal flags, point location, insertion and
// release.
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "common_support.h"
#include "world_support.h"

namespace {

const int kOffset[MWW_FACES][3] = {{0, 0, -1}, {0, -1, 0}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

TEST_F(WorldTest, SingleCellHasSixBoundaryPortalsWithTheirOwnFlags)
{
    mwwWORLD *world = makeWorld(1, 1, 1, {2, 4, 8}, {1, 1, 1}, "a name longer than fifteen");
    EXPECT_STREQ(world->name, "a name longer t");
    EXPECT_EQ((std::vector<float>(world->max, world->max + 3)), (std::vector<float>{3, 5, 9}));
    EXPECT_EQ(world->active, 1);
    mwmMATRIX identity;
    mwmMatrixIdentity(&identity);
    EXPECT_EQ(std::memcmp(&world->matrix, &identity, sizeof identity), 0);

    mwwGRID &grid = gridOf(world);
    EXPECT_EQ(MWW_FLAG_COUNT(1, 1, 1), 6);
    mwwCELL &cell = cellOf(world, 0, 0, 0);
    EXPECT_EQ(cell.order, MWW_ORDER_INITIAL);
    EXPECT_EQ(cell.grid, &grid);
    EXPECT_EQ(grid.world, world);
    std::set<int32_t *> flags;
    for (int f = 0; f < MWW_FACES; ++f) {
        ASSERT_EQ(cell.portalCount[f], 1);
        const mwwPORTAL &portal = cell.portal[f][0];
        EXPECT_EQ(portal.neighbour, nullptr) << "face " << f;
        EXPECT_GE(portal.flag, grid.flags);
        EXPECT_LT(portal.flag, grid.flags + 6);
        flags.insert(portal.flag);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(portal.corner[k], cell.corner[mwwFaceCorners[f][k]]);
    }
    EXPECT_EQ(flags.size(), 6u);
    // Corner k sits at the low or high end of each axis by its bits.
    for (int k = 0; k < MWW_CORNERS; ++k) {
        const float *p = cell.corner[k]->local;
        EXPECT_EQ(p[0], k & 1 ? 3.0f : 1.0f) << k;
        EXPECT_EQ(p[1], k & 2 ? 5.0f : 1.0f) << k;
        EXPECT_EQ(p[2], k & 4 ? 9.0f : 1.0f) << k;
    }
}

TEST_F(WorldTest, NeighboursShareOneFlagPerFace)
{
    mwwWORLD *pair = makeWorld(2, 1, 1, {2, 1, 1});
    mwwCELL &left = cellOf(pair, 0, 0, 0), &right = cellOf(pair, 1, 0, 0);
    EXPECT_EQ(left.portal[3][0].neighbour, &right);
    EXPECT_EQ(right.portal[2][0].neighbour, &left);
    EXPECT_EQ(left.portal[3][0].flag, right.portal[2][0].flag);
    EXPECT_EQ(left.corner[1], right.corner[0]) << "neighbours share their corners";

    // Every portal of a larger grid: the neighbour at the face's offset, a
    // flag shared exactly with the opposite portal, and the documented number
    // of flag words.
    const int cx = 3, cy = 2, cz = 4;
    mwwWORLD *world = makeWorld(cx, cy, cz, {3, 2, 4}, {-1, 0, 0});
    mwwGRID &grid = gridOf(world);
    std::map<int32_t *, int> users;
    for (int z = 0; z < cz; ++z)
        for (int y = 0; y < cy; ++y)
            for (int x = 0; x < cx; ++x) {
                mwwCELL &cell = cellOf(world, x, y, z);
                EXPECT_EQ(cell.index[0] + cell.index[1] + cell.index[2], x + y + z);
                EXPECT_FLOAT_EQ(cell.origin[0], -1.0f + x);
                for (int f = 0; f < MWW_FACES; ++f) {
                    const mwwPORTAL &portal = cell.portal[f][0];
                    ++users[portal.flag];
                    const int n[3] = {x + kOffset[f][0], y + kOffset[f][1], z + kOffset[f][2]};
                    const bool inside =
                        n[0] >= 0 && n[0] < cx && n[1] >= 0 && n[1] < cy && n[2] >= 0 && n[2] < cz;
                    if (!inside) {
                        EXPECT_EQ(portal.neighbour, nullptr);
                        continue;
                    }
                    mwwCELL *neighbour = &cellOf(world, n[0], n[1], n[2]);
                    ASSERT_EQ(portal.neighbour, neighbour);
                    EXPECT_EQ(portal.flag, neighbour->portal[5 - f][0].flag);
                }
            }
    EXPECT_EQ(int(users.size()), MWW_FLAG_COUNT(cx, cy, cz));
    for (const auto &[flag, count] : users) {
        EXPECT_TRUE(flag >= grid.flags && flag < grid.flags + MWW_FLAG_COUNT(cx, cy, cz));
        EXPECT_LE(count, 2);
    }
}

TEST_F(WorldTest, PointsLocateToTheCellThatHoldsThemLowFacesIncluded)
{
    mwwWORLD *world = makeWorld(4, 2, 2, {8, 2, 2}, {-4, 0, 0});
    const struct {
        mwmVECTOR point;
        int x, y, z; // -1: outside
    } cases[] = {
        {{-4, 0, 0}, 0, 0, 0},                                 // min
        {{4, 2, 2}, -1, 0, 0},                                 // max lies outside
        {{1.99f, 1.5f, 0.5f}, 2, 1, 0},  {{2, 1, 1}, 3, 1, 1}, // a low face belongs to its cell
        {{-4.5f, 0.5f, 0.5f}, -1, 0, 0}, // less than a cell below min: outside, not cell 0
        {{0, -0.01f, 0.5f}, -1, 0, 0},   {{0, 0.5f, 2.0f}, -1, 0, 0},
    };
    for (const auto &c : cases) {
        mwwCELL *cell = mwwWorldLocate(&c.point, world);
        if (c.x < 0) {
            EXPECT_EQ(cell, nullptr) << c.point.x << ' ' << c.point.y << ' ' << c.point.z;
        } else {
            EXPECT_EQ(cell, &cellOf(world, c.x, c.y, c.z))
                << c.point.x << ' ' << c.point.y << ' ' << c.point.z;
        }
    }
}

TEST_F(WorldTest, LocationDescendsIntoNestedWorldsThroughTheirPlacement)
{
    mwwWORLD *outer = makeWorld(2, 1, 1, {20, 10, 10});
    // A 2 x 1 x 1 room of 4 x 2 x 2 placed in cell 1, turned 90 degrees about
    // z and moved to (14, 4, 4): its x axis runs along the outer y axis.
    mwwWORLD *room = makeWorld(2, 1, 1, {4, 2, 2});
    mwwWORLD *empty = makeWorld(1, 1, 1, {1, 1, 1}, {100, 100, 100});
    mwmMatrixSetRotation(&room->matrix, 0, 0, 90);
    mwmMatrixSetTranslation(&room->matrix, 14, 4, 4);
    mwwCELL &host = cellOf(outer, 1, 0, 0);
    ASSERT_EQ(mwwWorldNest(&host, empty), 1);
    ASSERT_EQ(mwwWorldNest(&host, room), 1);

    const struct {
        mwmVECTOR point;
        mwwCELL *expected;
    } cases[] = {
        {{13.5f, 5, 5}, &cellOf(room, 0, 0, 0)}, // room (1, 0.5, 1)
        {{13.5f, 7, 5}, &cellOf(room, 1, 0, 0)}, // room (3, 0.5, 1)
        {{15, 5, 5}, &host},                     // beside the room
        {{5, 5, 5}, &cellOf(outer, 0, 0, 0)},
    };
    for (const auto &c : cases)
        EXPECT_EQ(mwwWorldLocate(&c.point, outer), c.expected) << c.point.x << ' ' << c.point.y;
}

// A world inside itself, directly or through others, has no innermost cell:
// location would descend until the stack ran out. Nesting refuses it.
TEST_F(WorldTest, NestingRefusesCycles)
{
    mwwWORLD *outer = makeWorld(2, 1, 1, {2, 1, 1});
    mwwWORLD *middle = makeWorld(1, 1, 1, {1, 1, 1});
    mwwWORLD *inner = makeWorld(1, 1, 1, {1, 1, 1});
    EXPECT_EQ(mwwWorldNest(&cellOf(outer, 0, 0, 0), outer), 0);
    ASSERT_EQ(mwwWorldNest(&cellOf(outer, 0, 0, 0), middle), 1);
    ASSERT_EQ(mwwWorldNest(&cellOf(middle, 0, 0, 0), inner), 1);
    EXPECT_EQ(mwwWorldNest(&cellOf(inner, 0, 0, 0), outer), 0);
    EXPECT_EQ(mwwWorldNest(&cellOf(inner, 0, 0, 0), middle), 0);
    EXPECT_EQ(mwwWorldNest(&cellOf(outer, 1, 0, 0), inner), 1) << "a world may be placed twice";
    EXPECT_EQ(cellOf(inner, 0, 0, 0).nested.first, nullptr);
    const mwmVECTOR point = {0.5f, 0.5f, 0.5f};
    EXPECT_EQ(mwwWorldLocate(&point, outer), &cellOf(inner, 0, 0, 0));
}

TEST_F(WorldTest, InsertionClampsBoxesToTheGridAndRejectsThoseOutside)
{
    mwwWORLD *world = makeWorld(4, 2, 2, {4, 2, 2});
    mwwITEM across = {0, nullptr, {-3, 0.5f, 0.5f}, {4.2f, 5, 0.1f}}; // x 0..1, y 0..1, z 0
    ASSERT_EQ(mwwWorldInsert(world, &across), 1);
    for (int z = 0; z < 2; ++z)
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x) {
                const mwwCELL &cell = cellOf(world, x, y, z);
                const bool holds = x <= 1 && z == 0;
                EXPECT_EQ(cell.contents.first != nullptr, holds) << x << y << z;
                if (holds) {
                    EXPECT_EQ(cell.contents.first->data, &across);
                }
            }

    mwwITEM beyond = {0, nullptr, {4, 0, 0}, {1, 1, 1}};
    mwwITEM before = {0, nullptr, {-1.5f, 0, 0}, {1, 1, 1}}; // ends half a cell before min
    mwwITEM behind = {0, nullptr, {0, 0, -2}, {1, 1, 1.5f}};
    EXPECT_EQ(mwwWorldInsert(world, &beyond), 0);
    EXPECT_EQ(mwwWorldInsert(world, &before), 0);
    EXPECT_EQ(mwwWorldInsert(world, &behind), 0);
    EXPECT_EQ(cellOf(world, 0, 0, 0).contents.first, cellOf(world, 0, 0, 0).contents.last)
        << "rejected items are nowhere";
}

TEST_F(WorldTest, FreeReleasesEverythingButItemsAndNestedWorlds)
{
    EXPECT_EQ(mwwWorldFree(nullptr), 0);
    const mwmVECTOR extent = {3, 3, 3}, origin = {0, 0, 0};
    const int32_t count[3] = {3, 3, 3};
    mwwWORLD *world = mwwWorldCreate(&extent, &origin, count, nullptr);
    mwwWORLD *inner = mwwWorldCreate(&extent, &origin, count, "inner");
    EXPECT_EQ(world->name[0], '\0');
    mwwITEM item = {0, nullptr, {0, 0, 0}, {3, 3, 3}};
    ASSERT_EQ(mwwWorldInsert(world, &item), 1);
    ASSERT_EQ(mwwWorldNest(&cellOf(world, 1, 1, 1), inner), 1);
    EXPECT_EQ(mwwWorldFree(world), 1);
    mwDMemCheck("world_test", __LINE__);
    const mwmVECTOR centre = {1.5f, 1.5f, 1.5f};
    EXPECT_EQ(mwwWorldLocate(&centre, inner), &cellOf(inner, 1, 1, 1)) << "a nested world outlives its host";
    EXPECT_EQ(mwwWorldFree(inner), 1);

    // The heap listing shows a block of ours and none of the world's.
    mwtest::TempDir dir;
    dir.enter();
    mwLogOpen("world");
    void *marker = mwDMemAlloc("world_test", 1, 16);
    mwDMemData("world_test", __LINE__);
    mwDMemFree("world_test", 2, marker);
    const std::string log = mwtest::readFile("MARROW.TXT");
    EXPECT_NE(log.find("Owner world_test,1"), std::string::npos) << log;
    EXPECT_EQ(log.find("Owner mwworld,"), std::string::npos) << log;
    EXPECT_EQ(log.find("Owner mwlist,"), std::string::npos) << log;
}

} // namespace
