// 4x4 matrices: the binding index patterns, rotations, inverses, look-at and
// the wrapped window.
#include <cmath>

#include <gtest/gtest.h>

#include "matrix_support.h"
#include "report_support.h"

using namespace mwtest;

namespace {

// A general placement: rotation, non-uniform scale and translation.
mwmMATRIX somePlacement()
{
    mwmMATRIX m;
    mwmMatrixSetRotation(&m, 30.0f, -50.0f, 110.0f);
    mwmMATRIX scale = identity();
    mwmMatrixSetScale(&scale, 2.0f, 0.5f, 3.0f);
    mwmMATRIX placed;
    mwmMatrixMultiply(&placed, &scale, &m);
    mwmMatrixSetTranslation(&placed, 4.0f, -7.0f, 2.5f);
    return placed;
}

TEST(Matrix4, MultiplyIsSecondTimesFirst)
{
    const mwmMATRIX a = fromRows({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    const mwmMATRIX b = fromRows({-3, 1, 0, 2, 4, -1, 5, 0, 0.5f, 2, -2, 1, 0, 0, 0, 1});
    mwmMATRIX out;
    mwmMatrixMultiply(&out, &a, &b);
    expectNear(out, product(b, a));

    // In place on either operand.
    mwmMATRIX inPlace = a;
    mwmMatrixMultiply(&inPlace, &inPlace, &b);
    expectNear(inPlace, out);
    inPlace = b;
    mwmMatrixMultiply(&inPlace, &a, &inPlace);
    expectNear(inPlace, out);
}

TEST(Matrix4, MultiplyRotatesTheTranslationOfTheFirst)
{
    const mwmMATRIX t = translation(1.0f, 2.0f, 3.0f);
    mwmMATRIX r;
    mwmMatrixSetRotation(&r, 0.0f, 0.0f, 90.0f);
    mwmMATRIX rt;
    mwmMatrixMultiply(&rt, &t, &r); // R x T: translate, then rotate
    EXPECT_NEAR(rt.m[3], -2.0f, 1e-6f);
    EXPECT_NEAR(rt.m[7], 1.0f, 1e-6f);
    EXPECT_NEAR(rt.m[11], 3.0f, 1e-6f);
    EXPECT_NEAR(rt.m[1], -1.0f, 1e-6f);
}

TEST(Matrix4, SetListsColumns)
{
    mwmMATRIX m;
    mwmMatrixSet(&m, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(m.m[4 * (k % 4) + k / 4], float(k));
}

TEST(Matrix4, RotateZ90KeepsTranslationAndBottomRow)
{
    mwmMATRIX m = identity();
    mwmMatrixRotate(&m, 0.0f, 0.0f, 90.0f);
    EXPECT_NEAR(m.m[0], 0.0f, 1e-6f);
    EXPECT_NEAR(m.m[1], -1.0f, 1e-6f);
    EXPECT_NEAR(m.m[4], 1.0f, 1e-6f);
    EXPECT_NEAR(m.m[5], 0.0f, 1e-6f);

    mwmMATRIX placed = fromRows({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    mwmMatrixRotate(&placed, 33.0f, -71.0f, 90.0f);
    mwmMatrixRotateI(&placed, 12, 200, -45);
    EXPECT_EQ(placed.m[3], 4.0f);
    EXPECT_EQ(placed.m[7], 8.0f);
    EXPECT_EQ(placed.m[11], 12.0f);
    EXPECT_EQ(placed.m[12], 13.0f);
    EXPECT_EQ(placed.m[15], 16.0f);
}

TEST(Matrix4, EulerOrderIsYAfterXAfterZ)
{
    const double x = 20, y = -35, z = 70;
    const double rad = 3.14159265358979323846 / 180.0;
    auto axis = [&](int which, double degrees) {
        const float c = float(std::cos(degrees * rad)), s = float(std::sin(degrees * rad));
        if (which == 0)
            return fromRows({1, 0, 0, 0, 0, c, -s, 0, 0, s, c, 0, 0, 0, 0, 1});
        if (which == 1)
            return fromRows({c, 0, s, 0, 0, 1, 0, 0, -s, 0, c, 0, 0, 0, 0, 1});
        return fromRows({c, -s, 0, 0, s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    };
    const mwmMATRIX start = somePlacement();
    mwmMATRIX expected = product(axis(1, y), product(axis(0, x), product(axis(2, z), start)));
    for (int i : {3, 7, 11})
        expected.m[i] = start.m[i]; // the translation column is not rotated

    mwmMATRIX m = start;
    mwmMatrixRotate(&m, float(x), float(y), float(z));
    expectNear(m, expected, 1e-5f);
    m = start;
    mwmMatrixRotateI(&m, int(x), int(y), int(z));
    expectNear(m, expected, 1e-5f);
}

TEST(Matrix4, InverseOfAPlacement)
{
    mwmMATRIX out;
    const mwmMATRIX t = translation(1.0f, 2.0f, 3.0f);
    mwmMatrixInverse(&out, &t);
    expectNear(out, translation(-1.0f, -2.0f, -3.0f), 0.0f);

    const mwmMATRIX m = somePlacement();
    mwmMatrixInverse(&out, &m);
    expectNear(product(out, m), identity(), 1e-5f);
    expectNear(product(m, out), identity(), 1e-5f);

    mwmMATRIX inPlace = m;
    mwmMatrixInverse(&inPlace, &inPlace);
    expectNear(inPlace, out, 0.0f);
}

TEST(Matrix4, InverseIgnoresTheBottomRow)
{
    mwmMATRIX m = somePlacement();
    mwmMATRIX expected;
    mwmMatrixInverse(&expected, &m);
    m.m[12] = 5.0f;
    m.m[15] = -2.0f;
    mwmMATRIX out;
    mwmMatrixInverse(&out, &m);
    expectNear(out, expected, 0.0f);
}

TEST(Matrix4, SingularInverseIsTheIdentity)
{
    mwmMATRIX m = fromRows({1, 2, 3, 4, 0, 0, 0, 5, 7, 8, 9, 6, 0, 0, 0, 1});
    mwmMATRIX out = somePlacement();
    mwmMatrixInverse(&out, &m);
    expectNear(out, identity(), 0.0f);
    // A negative zero determinant is zero too.
    m = fromRows({-1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    mwmMatrixInverse(&out, &m);
    expectNear(out, identity(), 0.0f);
}

TEST(Matrix4, RigidAndAffineInversesAgree)
{
    for (int angle = -170; angle <= 170; angle += 34) {
        mwmMATRIX m;
        mwmMatrixSetRotation(&m, float(angle), float(angle) * 0.5f + 10.0f, 95.0f - angle);
        mwmMatrixSetTranslation(&m, float(angle), -3.0f, 12.5f);
        mwmMATRIX affine, rigid;
        mwmMatrixInverse(&affine, &m);
        mwmMatrixRigidInverse(&rigid, &m);
        expectNear(rigid, affine, 1e-4f);
    }
}

TEST(Matrix4, TransformPointUsesTheTransposedRotation)
{
    const mwmMATRIX m = fromRows({1, 2, 3, 10, 4, 5, 6, 20, 7, 8, 9, 30, 0, 0, 0, 1});
    const mwmVECTOR v = {1.0f, -1.0f, 2.0f};
    mwmVECTOR out;
    mwmMatrixTransformPoint(&out, &m, &v);
    EXPECT_EQ(out.x, 1 * 1 - 4 + 7 * 2 + 10.0f);
    EXPECT_EQ(out.y, 2 * 1 - 5 + 8 * 2 + 20.0f);
    EXPECT_EQ(out.z, 3 * 1 - 6 + 9 * 2 + 30.0f);
}

TEST(Matrix4, TransformTransposedUsesAllFourRows)
{
    const mwmMATRIX m = fromRows({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    const mwmVECTOR4 v = {1.0f, 2.0f, -1.0f, 0.5f};
    mwmVECTOR4 out;
    mwmMatrixTransformTransposed(&out, &m, &v);
    EXPECT_EQ(out.x, 1 + 5 * 2 - 9 + 13 * 0.5f);
    EXPECT_EQ(out.y, 2 + 6 * 2 - 10 + 14 * 0.5f);
    EXPECT_EQ(out.z, 3 + 7 * 2 - 11 + 15 * 0.5f);
    EXPECT_EQ(out.w, 4 + 8 * 2 - 12 + 16 * 0.5f);
}

TEST(Matrix4, Scale3LeavesTheOtherSevenElements)
{
    const mwmMATRIX a = fromRows({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    mwmMATRIX out = fromRows({-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1});
    mwmMatrixScale3(&out, &a, 2.0f);
    expectNear(out, fromRows({2, 4, 6, -1, 10, 12, 14, -1, 18, 20, 22, -1, -1, -1, -1, -1}), 0.0f);
}

TEST(Matrix4, LookAtPlacesZTowardsTheTarget)
{
    const mwmVECTOR eye = {0, 0, 0}, target = {0, 0, 1};
    mwmVECTOR up = {0, 1, 0};
    mwmMATRIX m;
    mwmMatrixLookAt(&m, &eye, &up, &target);
    expectNear(m, fromRows({1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}), 1e-5f);

    // A general view: orthonormal axes, Z towards the target, translation eye,
    // and the caller's up made perpendicular to the view direction.
    const mwmVECTOR from = {1, 2, 3}, to = {4, -2, 15};
    up = {0.3f, 1.0f, 0.2f};
    mwmMatrixLookAt(&m, &from, &up, &to);
    const float len = std::sqrt(9.0f + 16.0f + 144.0f);
    EXPECT_NEAR(m.m[2], 3.0f / len, 1e-5f);
    EXPECT_NEAR(m.m[6], -4.0f / len, 1e-5f);
    EXPECT_NEAR(m.m[10], 12.0f / len, 1e-5f);
    EXPECT_EQ(m.m[3], 1.0f);
    EXPECT_EQ(m.m[7], 2.0f);
    EXPECT_EQ(m.m[11], 3.0f);
    mwmMATRIX rotation = m, transposed;
    mwmMatrixSetTranslation(&rotation, 0, 0, 0);
    mwmMatrixTranspose(&transposed, &rotation);
    expectNear(product(transposed, rotation), identity(), 1e-5f);
    EXPECT_NEAR(up.x * 3.0f - up.y * 4.0f + up.z * 12.0f, 0.0f, 1e-5f);
}

TEST(Matrix4, WindowWrapsColumnsAndRows)
{
    float grid[8 * 5];
    for (int i = 0; i < 8 * 5; ++i)
        grid[i] = float(i);
    mwmMATRIX m;
    mwmMatrixWindow(&m, grid, -1, 3, 8, 5);
    const int rows[4] = {3, 4, 0, 1};
    const int cols[4] = {7, 0, 1, 2};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_EQ(m.m[4 * i + j], float(rows[i] * 8 + cols[j])) << i << "," << j;

    // Far outside the grid, in both directions.
    mwmMatrixWindow(&m, grid, 8 * 1000 + 2, -5 * 1000 - 1, 8, 5);
    EXPECT_EQ(m.m[0], float(4 * 8 + 2));

    const mwmMATRIX before = m;
    mwmMatrixWindow(&m, grid, 0, 0, 0, 5);
    mwmMatrixWindow(&m, grid, 0, 0, 8, -1);
    expectNear(m, before, 0.0f);
}

TEST(Matrix4DeathTest, PlaceholderSettersAreFatal)
{
    mwmMATRIX m = identity();
    EXPECT_REPORT(mwmMatrixSetRotationX(&m, 1.0f), "setZrot: not implemented");
    EXPECT_REPORT(mwmMatrixSetRotationY(&m, 1.0f), "setZrot: not implemented");
    EXPECT_REPORT(mwmMatrixSetRotationZ(&m, 1.0f), "setZrot: not implemented");
}

} // namespace
