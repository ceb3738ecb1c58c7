// 3x3 matrices: index patterns, inverse and determinant, rotations, look-at
// and Gram-Schmidt.
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "matrix_support.h"
#include "report_support.h"

using mwtest::expectNear;
using mwtest::product;

namespace {

mwmMATRIX3 fromRows(std::initializer_list<float> values) { return mwtest::fromRows<mwmMATRIX3>(values); }

const mwmMATRIX3 kIdentity = fromRows({1, 0, 0, 0, 1, 0, 0, 0, 1});

TEST(Matrix3, SetMultiplyAndTransformPatterns)
{
    mwmMATRIX3 m;
    mwmMatrix3Set(&m, 0, 1, 2, 3, 4, 5, 6, 7, 8);
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(m.m[3 * (k % 3) + k / 3], float(k));

    const mwmMATRIX3 a = fromRows({1, 2, 3, 4, 5, 6, 7, 8, 10});
    const mwmMATRIX3 b = fromRows({2, -1, 0, 0.5f, 3, 1, -2, 0, 4});
    mwmMATRIX3 out;
    mwmMatrix3Multiply(&out, &a, &b);
    expectNear(out, product(b, a), 1e-5f);

    const mwmVECTOR v = {1, -2, 3};
    mwmVECTOR r;
    mwmMatrix3Transform(&r, &a, &v);
    EXPECT_EQ(r.x, 1 - 4 + 9.0f);
    EXPECT_EQ(r.y, 4 - 10 + 18.0f);
    EXPECT_EQ(r.z, 7 - 16 + 30.0f);
}

TEST(Matrix3, InverseAndDeterminant)
{
    const mwmMATRIX3 a = fromRows({1, 2, 3, 4, 5, 6, 7, 8, 10});
    EXPECT_NEAR(mwmMatrix3Determinant(&a), -3.0f, 1e-5f);
    mwmMATRIX3 out;
    ASSERT_EQ(mwmMatrix3Inverse(&out, &a), 1);
    expectNear(product(out, a), kIdentity, 1e-5f);

    mwmMATRIX3 inPlace = a;
    ASSERT_EQ(mwmMatrix3Inverse(&inPlace, &inPlace), 1);
    expectNear(inPlace, out, 0.0f);
}

TEST(Matrix3, SingularInverseLeavesTheOutputAlone)
{
    const mwmMATRIX3 a = fromRows({1, 2, 3, 4, 5, 6, 1, 2, 3}); // rows 0 and 2 equal
    mwmMATRIX3 out = fromRows({9, 8, 7, 6, 5, 4, 3, 2, 1});
    const mwmMATRIX3 before = out;
    EXPECT_EQ(mwmMatrix3Inverse(&out, &a), 0);
    EXPECT_EQ(std::memcmp(&out, &before, sizeof out), 0);
}

TEST(Matrix3, RotateAxisMatchesTheEulerSteps)
{
    const mwmMATRIX3 start = fromRows({1, 2, 3, 4, 5, 6, 7, 8, 10});
    for (int axis = 0; axis < 3; ++axis) {
        mwmMATRIX3 byAxis = start, byEuler = start;
        mwmMatrix3RotateAxis(&byAxis, axis, 40.0f);
        mwmMatrix3Rotate(&byEuler, axis == 0 ? 40.0f : 0.0f, axis == 1 ? 40.0f : 0.0f,
                         axis == 2 ? 40.0f : 0.0f);
        expectNear(byAxis, byEuler, 1e-5f);

        mwmMATRIX3 byTable = start;
        mwmMatrix3RotateAxisI(&byTable, axis, 40);
        expectNear(byTable, byAxis, 1e-5f);
    }
    // About Z by 90 turns X into Y.
    mwmMATRIX3 m;
    mwmMatrix3SetRotation(&m, 0.0f, 0.0f, 90.0f);
    const mwmVECTOR x = {1, 0, 0};
    mwmVECTOR r;
    mwmMatrix3Transform(&r, &m, &x);
    EXPECT_NEAR(r.x, 0.0f, 1e-6f);
    EXPECT_NEAR(r.y, 1.0f, 1e-6f);
}

TEST(Matrix3DeathTest, RotateAxisRejectsOtherAxes)
{
    mwmMATRIX3 m = kIdentity;
    EXPECT_REPORT(mwmMatrix3RotateAxis(&m, 3, 10.0f), "mwmMatrix3RotateAxis: Invalid Parameter");
    EXPECT_REPORT(mwmMatrix3RotateAxisI(&m, -1, 10), "mwmMatrix3RotateAxisI: Invalid Parameter");
}

TEST(Matrix3, LookAtHasTheOppositeSecondAxis)
{
    const mwmVECTOR eye = {0, 0, 0}, target = {0, 0, 1};
    mwmVECTOR up = {0, 1, 0};
    mwmMATRIX3 m;
    mwmMatrix3LookAt(&m, &eye, &up, &target);
    expectNear(m, kIdentity, 1e-5f);

    const mwmVECTOR from = {1, 2, 3}, to = {4, -2, 15};
    mwmVECTOR up3 = {0.3f, 1.0f, 0.2f}, up4 = up3;
    mwmMATRIX m4;
    mwmMatrix3LookAt(&m, &from, &up3, &to);
    mwmMatrixLookAt(&m4, &from, &up4, &to);
    for (int r = 0; r < 3; ++r) {
        EXPECT_NEAR(m.m[3 * r], m4.m[4 * r], 1e-6f);
        EXPECT_NEAR(m.m[3 * r + 1], -m4.m[4 * r + 1], 1e-6f);
        EXPECT_NEAR(m.m[3 * r + 2], m4.m[4 * r + 2], 1e-6f);
    }
}

TEST(Matrix3, OrthonormalizeKeepsTheFirstRowsDirection)
{
    mwmMATRIX3 m = fromRows({2, 0, 0, 1, 3, 0, 5, 5, 5});
    mwmMatrix3Orthonormalize(&m);
    expectNear(m, kIdentity, 1e-5f);

    m = fromRows({1, 1, 0, 0, 1, 1, 9, -9, 9});
    mwmMatrix3Orthonormalize(&m);
    mwmMATRIX3 t;
    mwmMatrix3Transpose(&t, &m);
    expectNear(product(m, t), kIdentity, 1e-5f);
    EXPECT_NEAR(m.m[0], std::sqrt(0.5f), 1e-5f);
    EXPECT_NEAR(m.m[1], std::sqrt(0.5f), 1e-5f);
    EXPECT_NEAR(mwmMatrix3Determinant(&m), 1.0f, 1e-5f);
}

} // namespace
