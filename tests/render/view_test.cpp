// Cameras, canvases and materials with a recording driver; the vertex
// transform with its clip flags and projection; edge clipping.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "report_support.h"
#include "render_support.h"

using namespace mwtest;

namespace {

//---- A recording driver

struct Recorded {
    int setMaterialCalls = 0;
    const mwrMATERIAL *material = nullptr;
    int canvasChangedCalls = 0;
    const mwrCANVAS *canvas = nullptr;
    mwBLIT_MODE mode = {};
    int modeResult = 1;
} driver;

void recordSetMaterial(const mwrMATERIAL *material)
{
    ++driver.setMaterialCalls;
    driver.material = material;
}

void recordCanvasChanged(const mwrCANVAS *canvas)
{
    ++driver.canvasChangedCalls;
    driver.canvas = canvas;
}

int reportMode(mwBLIT_MODE *mode)
{
    *mode = driver.mode;
    return driver.modeResult;
}

class View : public RenderTest {
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        driver = Recorded{};
    }

    // A camera at the origin looking along +z whose view is the identity:
    // 90 degrees wide, square, clipping at 1 and 100.
    void selectPlainCamera()
    {
        mwrCAMERA *camera = mwrCameraAlloc(1);
        camera->fov = 2.0f * std::atan(1.0f);
        camera->aspect = 1.0f;
        camera->near = 1.0f;
        camera->far = 100.0f;
        mwrCameraSelect(camera);
        mwrCameraFree(camera);
    }
};

uint32_t bitsOf(float f)
{
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

mwrTVERTEX at(float x, float y, float z)
{
    mwrTVERTEX v = {};
    v.local[0] = x, v.local[1] = y, v.local[2] = z;
    return v;
}

mwrTVERTEX eyeAt(float x, float y, float z)
{
    mwrTVERTEX v = {};
    v.eyePos[0] = x, v.eyePos[1] = y, v.eyePos[2] = z;
    return v;
}

//---- Cameras

TEST_F(View, CameraSelectionBuildsTheScaledView)
{
    mwrCAMERA *camera = mwrCameraAlloc(1);
    camera->fov = 1.0f;
    camera->aspect = 1.5f;
    camera->near = 0.5f;
    camera->far = 300.0f;
    const mwmVECTOR eye = {3, 4, -8}, target = {1, 0, 2};
    mwmVECTOR up = {0, 1, 0};
    mwmMatrixLookAt(&camera->matrix, &eye, &up, &target);
    mwrCameraSelect(camera);

    const float focal = 1.0f / std::tan(0.5f);
    EXPECT_FLOAT_EQ(camera->focal, focal);
    EXPECT_FLOAT_EQ(camera->focalY, 1.5f * focal);
    mwmMATRIX worldToCamera, scale = identity();
    mwmMatrixInverse(&worldToCamera, &camera->matrix);
    scale.m[0] = focal;
    scale.m[5] = 1.5f * focal;
    expectNear(camera->view, product(scale, worldToCamera), 1e-4f);

    EXPECT_EQ(std::memcmp(&state->camera, camera, sizeof *camera), 0);
    EXPECT_EQ(state->nearZ, 0.5f);
    EXPECT_EQ(state->farZ, 300.0f);
    EXPECT_FLOAT_EQ(state->eye[0], 3.0f);
    EXPECT_FLOAT_EQ(state->eye[2], -8.0f);

    // The target lies on the view axis.
    mwrTVERTEX v = at(1, 0, 2);
    mwrVertexTransform(&v);
    EXPECT_NEAR(v.eyePos[0], 0.0f, 1e-4f);
    EXPECT_NEAR(v.eyePos[1], 0.0f, 1e-4f);
    EXPECT_NEAR(v.eyePos[2], std::sqrt(4.0f + 16.0f + 100.0f), 1e-4f);
    mwrCameraFree(camera);
}

TEST_F(View, CameraSeesTheModelThroughTheStack)
{
    selectPlainCamera();
    const mwmMATRIX t = translation(0, 0, 10);
    mwrMatrixPush(&t);
    mwrTVERTEX v = at(1, 2, 3);
    mwrVertexTransform(&v);
    EXPECT_FLOAT_EQ(v.eyePos[0], 1.0f);
    EXPECT_FLOAT_EQ(v.eyePos[1], 2.0f);
    EXPECT_FLOAT_EQ(v.eyePos[2], 13.0f);
    EXPECT_FLOAT_EQ(state->eye[2], -10.0f);
}

//---- Canvases

TEST_F(View, CanvasAllocationCoversTheDriversMode)
{
    driver.mode = {512, 384, MW_BLIT_KIND_LISTED, 0};
    mwBlitGetMode = reportMode;
    mwrCANVAS *canvas = mwrCanvasAlloc(2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(canvas[i].x0, 0.0f);
        EXPECT_EQ(canvas[i].y0, 0.0f);
        EXPECT_EQ(canvas[i].x1, 511.0f);
        EXPECT_EQ(canvas[i].y1, 383.0f);
        EXPECT_EQ(canvas[i].width, 512.0f);
        EXPECT_EQ(canvas[i].height, 384.0f);
    }
    mwrCanvasFree(canvas);

    // Without a mode the records are empty, not left as the heap had them.
    driver.modeResult = 0;
    canvas = mwrCanvasAlloc(1);
    EXPECT_EQ(canvas->x1, 0.0f);
    EXPECT_EQ(canvas->width, 0.0f);
    mwrCanvasFree(canvas);
    mwBlitGetMode = nullptr;
    canvas = mwrCanvasAlloc(1);
    EXPECT_EQ(canvas->height, 0.0f);
    mwrCanvasFree(canvas);
}

TEST_F(View, CanvasProjectionMapsTheAxisToTheCentre)
{
    selectPlainCamera();
    mwBlitCanvasChanged = recordCanvasChanged;
    const mwrCANVAS canvas = {10.0f, 20.0f, 521.0f, 403.0f, 512.0f, 384.0f};
    mwrCanvasSelect(&canvas);
    EXPECT_EQ(driver.canvasChangedCalls, 1);
    EXPECT_EQ(driver.canvas, &canvas);
    EXPECT_EQ(state->scaleX, 255.75f);
    EXPECT_EQ(state->scaleY, 191.75f);
    EXPECT_EQ(state->centerX, 265.75f);
    EXPECT_EQ(state->centerY, 211.75f);
    EXPECT_EQ(state->pixelWidth, 512);
    EXPECT_EQ(state->pixelHeight, 384);

    mwrTVERTEX v = at(0, 0, 7);
    mwrVertexTransform(&v);
    EXPECT_EQ(v.clip, 0u);
    EXPECT_EQ(v.sx, state->centerX);
    EXPECT_EQ(v.sy, state->centerY);
    EXPECT_FLOAT_EQ(v.oow, 1.0f / 7.0f);

    // Halfway to the right edge and to the top edge (screen y grows down).
    v = at(2, 2, 4);
    mwrVertexTransform(&v);
    EXPECT_FLOAT_EQ(v.sx, state->centerX + 0.5f * state->scaleX);
    EXPECT_FLOAT_EQ(v.sy, state->centerY - 0.5f * state->scaleY);

    // Without a driver the projection is still set.
    mwBlitCanvasChanged = nullptr;
    const mwrCANVAS small = {0, 0, 99, 49, 100.7f, NAN};
    mwrCanvasSelect(&small);
    EXPECT_EQ(state->pixelWidth, 100);
    EXPECT_EQ(state->pixelHeight, 0);
}

//---- Materials

TEST_F(View, MaterialSelectionFillsTheStateAndTellsTheDriver)
{
    mwBlitSetMaterial = recordSetMaterial;
    mwrMATERIAL *material = mwrMaterialAlloc(1);
    material->textureMask = MWR_TEXTURE_LAYER0 | MWR_TEXTURE_LAYER1;
    material->textureFlags = MWR_TEXTURE_LAYER1 | MWR_TEXTURE_LAYER2;
    material->texture[0] = reinterpret_cast<mwCARDBITMAP *>(0x1000);
    material->texture[2] = reinterpret_cast<mwCARDBITMAP *>(0x3000);
    material->cullMode = MWR_CULL_NONE;
    mwrMaterialSelect(material);
    EXPECT_EQ(driver.setMaterialCalls, 1);
    EXPECT_EQ(driver.material, material);
    EXPECT_EQ(state->texture[0], material->texture[0]);
    EXPECT_EQ(state->texture[1], nullptr);
    EXPECT_EQ(state->texture[2], material->texture[2]);
    EXPECT_EQ(state->textureFlags, MWR_TEXTURE_LAYER1);
    EXPECT_EQ(std::memcmp(&state->material, material, sizeof *material), 0);

    mwBlitSetMaterial = nullptr;
    material->cullMode = MWR_CULL_CLOCKWISE;
    mwrMaterialSelect(material);
    EXPECT_EQ(state->material.cullMode, MWR_CULL_CLOCKWISE);
    mwrMaterialFree(material);
}

TEST_F(View, CopiesAreWordForWord)
{
    mwrCAMERA *cameras = mwrCameraAlloc(2);
    cameras[0].fov = 0.25f;
    cameras[0].view.m[7] = 3.0f;
    mwrCameraCopy(&cameras[1], &cameras[0]);
    EXPECT_EQ(std::memcmp(&cameras[1], &cameras[0], sizeof *cameras), 0);
    mwrCameraFree(cameras);

    mwrMATERIAL *materials = mwrMaterialAlloc(2);
    materials[0].reserved[2] = 5;
    mwrMaterialCopy(&materials[1], &materials[0]);
    EXPECT_EQ(materials[1].reserved[2], 5);
    mwrMaterialFree(materials);
}

//---- Vertex transform

TEST_F(View, NearPlaneGivesTheLargestFloat)
{
    selectPlainCamera();
    mwrTVERTEX v = at(0, 0, 1);
    mwrVertexTransform(&v);
    EXPECT_EQ(v.clip, uint32_t(MWR_CLIP_PENDING | MWR_CLIP_NEAR));
    EXPECT_EQ(bitsOf(v.oow), 0x7F7FFFFFu);
    EXPECT_EQ(v.oow, FLT_MAX);

    v = at(0, 0, 1.0001f);
    mwrVertexTransform(&v);
    EXPECT_EQ(v.clip, 0u);
}

TEST_F(View, ClipFlagsInFrontOfTheCamera)
{
    selectPlainCamera();
    struct Case {
        float x, y, z;
        uint32_t flags;
    } cases[] = {
        {0, 0, 100, MWR_CLIP_FAR},
        {0, 0, 99.9f, 0},
        {3, 0, 3, MWR_CLIP_RIGHT},
        {-3, 0, 3, MWR_CLIP_LEFT},
        {0, 3, 3, MWR_CLIP_TOP},
        {0, -3, 3, MWR_CLIP_BOTTOM},
        {2.9f, -2.9f, 3, 0},
        {-5, 5, 200, MWR_CLIP_FAR},
        {7, -7, 0.5f, MWR_CLIP_NEAR | MWR_CLIP_RIGHT | MWR_CLIP_BOTTOM},
    };
    for (const Case &c : cases) {
        mwrTVERTEX v = at(c.x, c.y, c.z);
        v.sx = -1.0f;
        mwrVertexTransform(&v);
        const uint32_t expected = c.flags ? c.flags | MWR_CLIP_PENDING : 0u;
        EXPECT_EQ(v.clip, expected) << c.x << " " << c.y << " " << c.z;
        if (c.flags) {
            EXPECT_EQ(v.sx, -1.0f) << "a clipped vertex is not projected";
        }
    }
}

TEST_F(View, ClipFlagsBehindTheCamera)
{
    selectPlainCamera();
    auto flags = [](float x, float y, float z) {
        mwrTVERTEX v = at(x, y, z);
        mwrVertexTransform(&v);
        return v.clip & ~uint32_t(MWR_CLIP_PENDING | MWR_CLIP_NEAR);
    };
    EXPECT_EQ(flags(0, 0, -5), 0u);
    EXPECT_EQ(flags(5, 5, -5), uint32_t(MWR_CLIP_RIGHT | MWR_CLIP_TOP));
    // Left and bottom compare bit patterns: for two negative values that
    // flags the smaller magnitude.
    EXPECT_EQ(flags(-2, -2, -5), uint32_t(MWR_CLIP_LEFT | MWR_CLIP_BOTTOM));
    EXPECT_EQ(flags(-7, -7, -5), 0u);
}

//---- Edge clipping

TEST_F(View, ClipEdgePullsBackOnePercent)
{
    selectPlainCamera();
    struct Case {
        uint32_t plane;
        float from[3], to[3];
        float t;
        float point[3];
        uint32_t flags;
    } cases[] = {
        {MWR_CLIP_RIGHT, {0, 0, 5}, {10, 0, 5}, 0.49f, {4.9f, 0, 5}, 0},
        {MWR_CLIP_LEFT, {0, 0, 5}, {-10, 0, 5}, 0.49f, {-4.9f, 0, 5}, 0},
        {MWR_CLIP_TOP, {0, 0, 5}, {0, 10, 5}, 0.49f, {0, 4.9f, 5}, 0},
        {MWR_CLIP_BOTTOM, {0, 0, 5}, {0, -10, 5}, 0.49f, {0, -4.9f, 5}, 0},
        {MWR_CLIP_NEAR, {0, 0, 5}, {0, 0, -5}, 0.39f, {0, 0, 1.1f}, 0},
        {MWR_CLIP_FAR, {0, 0, 50}, {0, 0, 150}, 0.49f, {0, 0, 99}, 0},
        // Still outside another plane after the cut.
        {MWR_CLIP_RIGHT, {0, 0, 5}, {10, 20, 5}, 0.49f, {4.9f, 9.8f, 5}, MWR_CLIP_TOP},
        {MWR_CLIP_NEAR, {0, 0, 200}, {0, 0, -200}, 0.5f - 1.0f / 400.0f - 0.01f, {0, 0, 5}, 0},
    };
    for (const Case &c : cases) {
        const mwrTVERTEX from = eyeAt(c.from[0], c.from[1], c.from[2]);
        const mwrTVERTEX to = eyeAt(c.to[0], c.to[1], c.to[2]);
        mwrTVERTEX out = {};
        const float t = mwrClipEdge(c.plane, &from, &to, &out);
        SCOPED_TRACE(c.plane);
        EXPECT_NEAR(t, c.t, 1e-6f);
        EXPECT_NEAR(out.eyePos[0], c.point[0], 1e-4f);
        EXPECT_NEAR(out.eyePos[1], c.point[1], 1e-4f);
        EXPECT_NEAR(out.eyePos[2], c.point[2], 1e-4f);
        EXPECT_EQ(out.clip, c.flags | MWR_CLIP_PENDING);
    }
}

using ViewDeathTest = View;

TEST_F(ViewDeathTest, ClipEdgeRejectsUnknownPlanes)
{
    const mwrTVERTEX a = eyeAt(0, 0, 5), b = eyeAt(10, 0, 5);
    mwrTVERTEX out;
    EXPECT_REPORT(mwrClipEdge(0x40, &a, &b, &out), "mwrClipEdge: Invalid Parameter");
    EXPECT_REPORT(mwrClipEdge(MWR_CLIP_LEFT | MWR_CLIP_RIGHT, &a, &b, &out),
                  "mwrClipEdge: Invalid Parameter");
}

TEST_F(ViewDeathTest, BadRecordsAreInvalidParameters)
{
    EXPECT_REPORT(mwrCameraAlloc(-1), "mwcamera:[0-9]+.*mwrCameraAlloc: Invalid Parameter");
    EXPECT_REPORT(mwrCameraSelect(nullptr), "mwrCameraSelect: Invalid Parameter");
    EXPECT_REPORT(mwrMaterialSelect(nullptr), "mwmat:[0-9]+.*mwrMaterialSelect: Invalid Parameter");
    EXPECT_REPORT(mwrMaterialFree(nullptr), "mwrMaterialFree: Invalid Parameter");
    EXPECT_REPORT(mwrCanvasSelect(nullptr), "mwrCanvasSelect: Invalid Parameter");
    EXPECT_REPORT(mwrCanvasAlloc(0), "mwrCanvasAlloc: Invalid Parameter");
}

} // namespace
