// Start-up and the matrix stack: depth, the derived fields, growth and the
// fatal pop.
#include <cmath>

#include <gtest/gtest.h>

#include "report_support.h"
#include "render_support.h"

using namespace mwtest;

namespace {

using MatrixStack = RenderTest;
using MatrixStackDeathTest = RenderTest;

TEST_F(MatrixStack, StartsWithTheIdentityAtDepthOne)
{
    expectNear(state->model, identity(), 0.0f);
    EXPECT_EQ(mwrGetRenderState(), state);
    const mwmMATRIX t = translation(1, 2, 3);
    EXPECT_EQ(mwrMatrixPush(&t), 2);
    expectNear(state->model, t, 0.0f);
    EXPECT_EQ(mwrMatrixPop(1), 1);
    expectNear(state->model, identity(), 0.0f);
}

TEST_F(MatrixStack, InitAgainResetsTheSameRecord)
{
    const mwmMATRIX t = translation(1, 2, 3);
    mwrMatrixPush(&t);
    mwrMatrixPush(&t);
    mwrLIGHT *light = mwrLightAlloc(1);
    mwrLightAdd(light, 7);
    state->reserved[0] = 99;

    EXPECT_EQ(mwrInit(), state);
    EXPECT_EQ(state->lights, nullptr);
    EXPECT_EQ(state->reserved[0], 0);
    expectNear(state->model, identity(), 0.0f);
    EXPECT_EQ(mwrMatrixPush(&t), 2);
    mwrLightFree(light);
}

TEST_F(MatrixStack, StartsWithADefaultCameraAndMaterial)
{
    EXPECT_FLOAT_EQ(state->camera.focal, 1.0f / std::tan(1.2217305f * 0.5f));
    EXPECT_FLOAT_EQ(state->modelView.m[0], state->camera.focal);
    EXPECT_FLOAT_EQ(state->nearZ, 0.001f);
    EXPECT_FLOAT_EQ(state->farZ, 65535.0f);
    EXPECT_FLOAT_EQ(state->material.shininess, 5.0f);
    EXPECT_FLOAT_EQ(state->ambient[1], 0.5f);
}

// The stack grows by reallocation, keeping every entry.
TEST_F(MatrixStack, GrowsToADepthOfAHundred)
{
    for (int i = 2; i <= 100; ++i) {
        const mwmMATRIX t = translation(float(i), 0, 0);
        ASSERT_EQ(mwrMatrixPush(&t), i);
    }
    for (int i = 100; i >= 2; --i) {
        ASSERT_EQ(state->model.m[3], float(i));
        ASSERT_EQ(state->modelView.m[3], state->camera.view.m[0] * float(i));
        ASSERT_EQ(mwrMatrixPop(1), i - 1);
    }
    expectNear(state->model, identity(), 0.0f);
}

TEST_F(MatrixStack, MultiplyFormsOrderTheirFactors)
{
    const mwmMATRIX t = translation(5, 0, 0);
    mwmMATRIX r;
    mwmMatrixSetRotation(&r, 0, 0, 90);
    mwrMatrixPush(&t);

    EXPECT_EQ(mwrMatrixPushMultiply(&r), 3); // t x r: r acts first
    expectNear(state->model, product(t, r));
    mwrMatrixPop(1);
    EXPECT_EQ(mwrMatrixPushPreMultiply(&r), 3); // r x t
    expectNear(state->model, product(r, t));
    EXPECT_NEAR(state->model.m[7], 5.0f, 1e-6f);
    mwrMatrixPop(1);

    EXPECT_EQ(mwrMatrixMultiply(&r), 2);
    expectNear(state->model, product(t, r));
    EXPECT_EQ(mwrMatrixPreMultiply(&r), 2);
    expectNear(state->model, product(r, product(t, r)));
}

TEST_F(MatrixStack, DerivedFieldsFollowTheTop)
{
    mwrCAMERA *camera = mwrCameraAlloc(1);
    mwmMatrixSetTranslation(&camera->matrix, 0, 0, -10);
    mwrCameraSelect(camera);

    const mwmMATRIX t = translation(1, 2, 3);
    mwrMatrixPush(&t);
    expectNear(state->modelView, product(camera->view, t));
    EXPECT_FLOAT_EQ(state->eye[0], -1.0f);
    EXPECT_FLOAT_EQ(state->eye[1], -2.0f);
    EXPECT_FLOAT_EQ(state->eye[2], -13.0f);

    // A pop without update moves the model matrix only.
    const mwmMATRIX modelView = state->modelView;
    mwrMatrixPop(0);
    expectNear(state->model, identity(), 0.0f);
    expectNear(state->modelView, modelView, 0.0f);
    EXPECT_FLOAT_EQ(state->eye[2], -13.0f);

    mwrMatrixPush(&t);
    mwrMatrixPop(1);
    expectNear(state->modelView, camera->view);
    EXPECT_FLOAT_EQ(state->eye[2], -10.0f);
    mwrCameraFree(camera);
}

TEST_F(MatrixStack, SingularModelPutsTheEyeAtTheCamera)
{
    mwrCAMERA *camera = mwrCameraAlloc(1);
    mwmMatrixSetTranslation(&camera->matrix, 4, 5, 6);
    mwrCameraSelect(camera);
    const mwmMATRIX flat = uniformScale(0.0f);
    mwrMatrixPush(&flat);
    EXPECT_FLOAT_EQ(state->eye[0], 4.0f);
    EXPECT_FLOAT_EQ(state->eye[2], 6.0f);
    mwrCameraFree(camera);
}

TEST_F(MatrixStackDeathTest, PopOfTheLastEntryIsFatal)
{
    EXPECT_REPORT(mwrMatrixPop(1), "mwrMatrixPop: Matrix stack is empty");
    const mwmMATRIX t = translation(1, 2, 3);
    mwrMatrixPush(&t);
    mwrMatrixPop(0);
    EXPECT_REPORT(mwrMatrixPop(0), "mwrMatrixPop: Matrix stack is empty");
}

TEST_F(MatrixStackDeathTest, NullMatrixIsAnInvalidParameter)
{
    EXPECT_REPORT(mwrMatrixPush(nullptr), "mwrMatrixPush: Invalid Parameter");
    EXPECT_REPORT(mwrMatrixMultiply(nullptr), "mwrMatrixMultiply: Invalid Parameter");
}

} // namespace
