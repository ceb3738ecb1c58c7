// Shared by the world tests: a started render library with a 512 x 384
// canvas, a camera placed by position (looking down +z unless turned), a
// driver whose drawMesh records what it is given, worlds freed at the end,
// and a scratch folder as the current one for the report log's debug lines.
#ifndef MW_TESTS_WORLD_WORLD_SUPPORT_H
#define MW_TESTS_WORLD_WORLD_SUPPORT_H

#include <vector>

#include <gtest/gtest.h>

#include "mwblit.h"
#include "common_support.h"
#include "mwworld.h"

class WorldTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scratch_.enter();
        mwBlitGetMode = nullptr;
        mwBlitSetMaterial = nullptr;
        mwBlitCanvasChanged = nullptr;
        mwBlitDrawMesh = recordDraw;
        drawn().clear();
        mwrInit();
        const mwrCANVAS canvas = {0, 0, 511, 383, 512, 384};
        mwrCanvasSelect(&canvas);
        placeCamera(0, 0, 0);
    }

    void TearDown() override
    {
        mwBlitDrawMesh = nullptr;
        for (mwwWORLD *world : worlds_)
            EXPECT_EQ(mwwWorldFree(world), 1);
        mwDMemCheck("world_test", __LINE__);
    }

    mwwWORLD *makeWorld(int cx, int cy, int cz, mwmVECTOR extent, mwmVECTOR origin = {0, 0, 0},
                        const char *name = "test")
    {
        const int32_t count[3] = {cx, cy, cz};
        mwwWORLD *world = mwwWorldCreate(&extent, &origin, count, name);
        worlds_.push_back(world);
        return world;
    }

    // A camera at (x, y, z) turned by yawDegrees about y (90 looks down +x).
    static void placeCamera(float x, float y, float z, float yawDegrees = 0, float fovDegrees = 70)
    {
        mwrCAMERA *camera = mwrCameraAlloc(1);
        camera->fov = fovDegrees * 3.14159265f / 180.0f;
        mwmMatrixSetRotation(&camera->matrix, 0, yawDegrees, 0);
        mwmMatrixSetTranslation(&camera->matrix, x, y, z);
        mwrCameraSelect(camera);
        mwrCameraFree(camera);
    }

    static mwwGRID &gridOf(mwwWORLD *world) { return *static_cast<mwwGRID *>(world->grids.first->data); }
    static mwwCELL &cellOf(mwwWORLD *world, int x, int y, int z)
    {
        mwwGRID &grid = gridOf(world);
        return grid.cells[x + grid.count[0] * (y + grid.count[1] * z)];
    }

    static std::vector<const mwrMESH *> &drawn()
    {
        static std::vector<const mwrMESH *> meshes;
        return meshes;
    }

private:
    static void recordDraw(const mwrMESH *mesh) { drawn().push_back(mesh); }
    mwtest::TempDir scratch_;
    std::vector<mwwWORLD *> worlds_;
};

#endif // MW_TESTS_WORLD_WORLD_SUPPORT_H
