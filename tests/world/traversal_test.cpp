// The cell routines and the traversal: face classification against the view,
// the packed face order, drawing once per tick, and the order in which a
// traversal reaches and draws cells.
#include <algorithm>
#include <map>
#include <memory>

#include "report_support.h"
#include "world_support.h"

namespace {

// The packed order read back: list 2 and list 1 in reading order.
struct FaceLists {
    std::vector<int> list2, list1;
};

FaceLists unpack(uint32_t order)
{
    FaceLists lists;
    const int count2 = order & 7;
    order >>= 3;
    for (int i = 0; i < count2; ++i, order >>= 3)
        lists.list2.push_back(order & 7);
    const int total = order & 7;
    order >>= 3;
    for (int i = count2; i < total; ++i, order >>= 3)
        lists.list1.push_back(order & 7);
    EXPECT_EQ(order, 0u) << "nothing beyond the lists";
    return lists;
}

std::vector<int> visibleFaces(const mwwCELL &cell)
{
    std::vector<int> faces;
    for (int f = 0; f < MWW_FACES; ++f)
        if (mwrCellFaceVisible(&cell, f))
            faces.push_back(f);
    return faces;
}

TEST_F(WorldTest, CellWhollyLeftOfTheViewHasNoVisibleFace)
{
    // The camera at the origin looks down +z with a 70 degree view.
    mwwWORLD *world = makeWorld(1, 1, 1, {2, 2, 2}, {-20, -1, 4});
    mwwCELL &cell = cellOf(world, 0, 0, 0);
    mwrCellClassify(7, &cell);
    EXPECT_TRUE(visibleFaces(cell).empty());
    const FaceLists lists = unpack(cell.order);
    EXPECT_TRUE(lists.list2.empty());
    EXPECT_EQ(lists.list1, (std::vector<int>{5, 4, 3, 2, 1, 0})) << "last added first";
    for (const mwrTVERTEX *corner : cell.corner) {
        EXPECT_EQ(corner->stamp, 7);
        EXPECT_TRUE(corner->clip & MWR_CLIP_LEFT);
    }
}

TEST_F(WorldTest, FacesTowardsTheCameraFormListTwo)
{
    const struct {
        const char *where;
        mwmVECTOR origin;
        std::vector<int> list2, list1;
    } cases[] = {
        // Straight ahead: only the near face looks at the camera.
        {"ahead", {-1, -1, 4}, {0}, {5, 4, 3, 2, 1}},
        // Ahead and to the right: the near face and the left one.
        {"right", {1.5f, -1, 6}, {2, 0}, {5, 4, 3, 1}},
        // Ahead, above and to the left: near, bottom and right.
        {"up left", {-3, 1.5f, 8}, {3, 1, 0}, {5, 4, 2}},
    };
    for (const auto &c : cases) {
        mwwWORLD *world = makeWorld(1, 1, 1, {2, 2, 2}, c.origin);
        mwwCELL &cell = cellOf(world, 0, 0, 0);
        mwrCellClassify(1, &cell);
        EXPECT_EQ(visibleFaces(cell).size(), 6u) << c.where;
        const FaceLists lists = unpack(cell.order);
        EXPECT_EQ(lists.list2, c.list2) << c.where;
        EXPECT_EQ(lists.list1, c.list1) << c.where;
    }
}

TEST_F(WorldTest, FaceListsHoldWhereverADriverMovesTheProjectionCentres)
{
    // Two cells stacked in y, ahead of a camera a hair above the wall between
    // them: the lower cell's top looks at the camera, the upper cell's bottom
    // away from it. The voodoo plug-in moves the centres by 2^19 (and 0.05)
    // to snap its own coordinates; the lists must not change with them.
    mwwWORLD *world = makeWorld(1, 2, 1, {6, 6, 6}, {-3, -3, 1});
    placeCamera(0.3f, 1e-4f, -2, 20);
    mwrRENDERSTATE *state = mwrGetRenderState();
    for (float offset : {0.0f, 524288.0f}) {
        const float x = state->centerX, y = state->centerY;
        state->centerX = state->centerX + offset + 0.05f;
        state->centerY = state->centerY + offset + 0.05f;
        mwrCellClassify(offset ? 2 : 1, &cellOf(world, 0, 0, 0));
        mwrCellClassify(offset ? 2 : 1, &cellOf(world, 0, 1, 0));
        state->centerX = x;
        state->centerY = y;
        const FaceLists lower = unpack(cellOf(world, 0, 0, 0).order);
        const FaceLists upper = unpack(cellOf(world, 0, 1, 0).order);
        EXPECT_EQ(std::count(lower.list2.begin(), lower.list2.end(), 4), 1) << "centres moved by " << offset;
        EXPECT_EQ(std::count(upper.list1.begin(), upper.list1.end(), 1), 1) << "centres moved by " << offset;
    }
}

TEST_F(WorldTest, FromInsideACellOnlyTheFacesAheadAreVisible)
{
    // Standing in the middle of a 2 x 2 x 2 cell looking down +z: the far face
    // fills the view with every corner outside some side plane, so its
    // visibility comes from clipping its corners towards each other.
    mwwWORLD *world = makeWorld(1, 1, 1, {2, 2, 2}, {-1, -1, -1});
    mwwCELL &cell = cellOf(world, 0, 0, 0);
    mwrCellClassify(1, &cell);
    EXPECT_EQ(visibleFaces(cell), (std::vector<int>{5}));
    EXPECT_TRUE(unpack(cell.order).list2.empty());

    // Turned to look at a corner, the two faces meeting there are in view.
    placeCamera(0, 0, 0, 45);
    mwrCellClassify(2, &cell);
    EXPECT_EQ(visibleFaces(cell), (std::vector<int>{3, 5}));
}

TEST_F(WorldTest, CornersAreTransformedOncePerTick)
{
    mwwWORLD *world = makeWorld(2, 1, 1, {4, 2, 2}, {-2, -1, 4});
    mwwCELL &left = cellOf(world, 0, 0, 0), &right = cellOf(world, 1, 0, 0);
    mwrCellClassify(3, &left);
    // A shared corner moved behind the camera's back keeps its tick-3 view
    // when the neighbour is classified at the same tick.
    mwrTVERTEX *shared = right.corner[0];
    const float before = shared->eyePos[2];
    shared->local[2] = -100;
    mwrCellClassify(3, &right);
    EXPECT_EQ(shared->eyePos[2], before);
    mwrCellClassify(4, &right);
    EXPECT_EQ(shared->eyePos[2], -100.0f);
}

TEST_F(WorldTest, AnItemInTwoCellsIsDrawnOncePerTick)
{
    mwwWORLD *world = makeWorld(3, 1, 1, {6, 2, 2}, {-3, -1, 4});
    mwrMESH meshes[2] = {};
    mwwITEM wide = {0, &meshes[0], {-2, -1, 4}, {3, 1, 1}}; // cells 0 and 1
    mwwITEM small = {0, &meshes[1], {2, -1, 4}, {0.5f, 1, 1}};
    ASSERT_EQ(mwwWorldInsert(world, &wide), 1);
    ASSERT_EQ(mwwWorldInsert(world, &small), 1);

    mwrCellDraw(1, &cellOf(world, 0, 0, 0));
    mwrCellDraw(1, &cellOf(world, 1, 0, 0));
    EXPECT_EQ(drawn(), (std::vector<const mwrMESH *>{&meshes[0]}));
    EXPECT_EQ(wide.stamp, 1);

    drawn().clear();
    const mwmVECTOR ahead = {0, 0, 5};
    mwwWorldDraw(2, mwwWorldLocate(&ahead, world));
    std::vector<const mwrMESH *> once = drawn();
    std::sort(once.begin(), once.end());
    EXPECT_EQ(once, (std::vector<const mwrMESH *>{&meshes[0], &meshes[1]}));
    EXPECT_EQ(world->lastTick, 2);

    drawn().clear();
    mwwWorldDraw(2, &cellOf(world, 1, 0, 0));
    EXPECT_TRUE(drawn().empty()) << "the same tick draws nothing again";
}

// A corridor of five cells along z with one item each; the camera stands in
// cell 1 looking down the corridor.
class CorridorTest : public WorldTest {
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        world = makeWorld(1, 1, 5, {2, 2, 10}, {-1, -1, -2});
        for (int z = 0; z < 5; ++z) {
            items[z] = {0, &meshes[z], {-1, -1, -2 + 2.0f * z + 0.5f}, {2, 2, 1}};
            ASSERT_EQ(mwwWorldInsert(world, &items[z]), 1);
        }
        placeCamera(0, 0, 1);
    }

    std::vector<int> drawnCells() const
    {
        std::vector<int> cells;
        for (const mwrMESH *mesh : drawn())
            cells.push_back(int(mesh - meshes));
        return cells;
    }

    mwwWORLD *world = nullptr;
    mwrMESH meshes[5] = {};
    mwwITEM items[5];
};

TEST_F(CorridorTest, DrawsTheCellsAheadAndWritesTheSharedFlags)
{
    mwwWorldDraw(1, &cellOf(world, 0, 0, 1));
    EXPECT_EQ(drawnCells(), (std::vector<int>{1, 2, 3, 4}));
    // Flags: 0 across the faces in view, 1 across those out of view.
    EXPECT_EQ(*cellOf(world, 0, 0, 1).portal[0][0].flag, 1) << "behind the camera";
    EXPECT_EQ(*cellOf(world, 0, 0, 1).portal[5][0].flag, 0);
    EXPECT_EQ(*cellOf(world, 0, 0, 4).portal[5][0].flag, 0) << "the far wall is in view";
    EXPECT_EQ(*cellOf(world, 0, 0, 1).portal[3][0].flag, 1) << "the wall beside the camera is out of view";
    EXPECT_EQ(*cellOf(world, 0, 0, 2).portal[3][0].flag, 0) << "the walls further on are in view";
    EXPECT_EQ(*cellOf(world, 0, 0, 0).portal[5][0].flag, 1);

    // Turned round, the camera sees the cells behind it.
    drawn().clear();
    placeCamera(0, 0, 1, 180);
    mwwWorldDraw(2, &cellOf(world, 0, 0, 1));
    EXPECT_EQ(drawnCells(), (std::vector<int>{1, 0}));
    EXPECT_EQ(*cellOf(world, 0, 0, 1).portal[0][0].flag, 0);
    EXPECT_EQ(*cellOf(world, 0, 0, 1).portal[5][0].flag, 1);
}

// On a floor one cell high, seen from a cell near its edge, every cell is
// drawn after each neighbour that lies between it and the camera, whatever
// path first reached it: cells wait in the deferred queue for those in front
// of them.
TEST_F(WorldTest, CellsAreDrawnAfterTheNeighboursInFrontOfThem)
{
    const int n = 6;
    mwwWORLD *world = makeWorld(n, 1, n, {12, 2, 12}, {-6, -1, 0});
    std::vector<mwrMESH> meshes(n * n);
    std::vector<mwwITEM> items(n * n);
    for (int z = 0; z < n; ++z)
        for (int x = 0; x < n; ++x) {
            const int i = z * n + x;
            items[i] = {0, &meshes[i], {-6 + 2.0f * x + 0.5f, -1, 2.0f * z + 0.5f}, {1, 1, 1}};
            ASSERT_EQ(mwwWorldInsert(world, &items[i]), 1);
        }
    const float camera[3] = {-3.3f, 0, 0.7f};
    placeCamera(camera[0], camera[1], camera[2], 25, 100);
    const mwmVECTOR eye = {camera[0], camera[1], camera[2]};
    mwwWorldDraw(1, mwwWorldLocate(&eye, world));

    std::map<const mwrMESH *, int> when;
    for (size_t i = 0; i < drawn().size(); ++i)
        EXPECT_TRUE(when.emplace(drawn()[i], int(i)).second) << "drawn twice";
    EXPECT_GT(when.size(), size_t(n * 2));
    int checked = 0;
    for (int z = 0; z < n; ++z)
        for (int x = 0; x < n; ++x) {
            auto self = when.find(&meshes[z * n + x]);
            if (self == when.end())
                continue;
            // The neighbour across the face turned towards the camera on
            // each axis.
            const float low[2] = {-6 + 2.0f * x, 2.0f * z};
            const int front[2][2] = {{camera[0] < low[0]       ? x - 1
                                      : camera[0] > low[0] + 2 ? x + 1
                                                               : -1,
                                      z},
                                     {x, camera[2] < low[1]       ? z - 1
                                         : camera[2] > low[1] + 2 ? z + 1
                                                                  : -1}};
            for (const auto &f : front) {
                if (f[0] < 0 || f[0] >= n || f[1] < 0 || f[1] >= n)
                    continue;
                auto other = when.find(&meshes[f[1] * n + f[0]]);
                if (other == when.end())
                    continue;
                EXPECT_LT(other->second, self->second)
                    << "cell (" << x << ", " << z << ") before (" << f[0] << ", " << f[1] << ")";
                ++checked;
            }
        }
    EXPECT_GT(checked, n * 2);
}

TEST_F(WorldTest, FaceVisibilityOfAFaceBeyondFiveIsInvalid)
{
    mwwWORLD *world = makeWorld(1, 1, 1, {1, 1, 1});
    EXPECT_REPORT(mwrCellFaceVisible(&cellOf(world, 0, 0, 0), 6), "mwrCellFaceVisible: Invalid Parameter");
}

} // namespace
