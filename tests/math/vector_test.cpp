// Vectors: fast normalisation, cross product, polar form, Euler rotation and
// interpolation.
#include <cmath>
#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "mwmath.h"
#include "report_support.h"

namespace {

// Two Newton steps from the magic-constant estimate leave a relative error
// of up to 4.7 millionths, 3.6 of them for (3, 4, 0).
TEST(Vector, NormalizeIsWithinAFewMillionths)
{
    mwmVECTOR v = {3.0f, 4.0f, 0.0f};
    mwmVectorNormalize(&v);
    EXPECT_NEAR(v.x, 0.6f, 0.6f * 4e-6f);
    EXPECT_NEAR(v.y, 0.8f, 0.8f * 4e-6f);
    EXPECT_NEAR(v.x / v.y, 0.75f, 1e-7f);
    EXPECT_EQ(v.z, 0.0f);

    // Over many magnitudes, the length comes out 1 to within 1e-5.
    for (float scale = 1e-12f; scale < 1e12f; scale *= 7.3f) {
        mwmVECTOR w = {-1.5f * scale, 0.25f * scale, 2.0f * scale};
        mwmVectorNormalize(&w);
        const double len = std::sqrt(double(w.x) * w.x + double(w.y) * w.y + double(w.z) * w.z);
        EXPECT_NEAR(len, 1.0, 1e-5) << "scale " << scale;
        EXPECT_LT(w.x, 0.0f);
    }
}

TEST(Vector, NormalizeLeavesZeroAlone)
{
    mwmVECTOR v = {0.0f, -0.0f, 0.0f};
    mwmVectorNormalize(&v);
    EXPECT_EQ(v.x, 0.0f);
    EXPECT_TRUE(std::signbit(v.y));
    EXPECT_EQ(v.z, 0.0f);
}

TEST(VectorDeathTest, NormalizeOfNegativeNotANumberIsFatal)
{
    const uint32_t bits = 0xFFC00000u; // a NaN with its sign bit set
    float nan;
    std::memcpy(&nan, &bits, sizeof nan);
    mwmVECTOR v = {nan, 1.0f, 1.0f};
    EXPECT_REPORT(mwmVectorNormalize(&v), "mwmVectorNormalize: length < 0");
}

TEST(Vector, RecipSqrtAccuracy)
{
    for (float x = 1e-30f; x < 1e30f; x *= 3.7f)
        EXPECT_NEAR(mwmRecipSqrt(x) * std::sqrt(double(x)), 1.0, 5e-6) << x;
}

TEST(Vector, CrossAndPolar)
{
    const mwmVECTOR x = {1, 0, 0}, y = {0, 1, 0};
    mwmVECTOR z;
    mwmVectorCross(&z, &x, &y);
    EXPECT_EQ(z.x, 0.0f);
    EXPECT_EQ(z.y, 0.0f);
    EXPECT_EQ(z.z, 1.0f);
    mwmVECTOR a = {1, 2, 3};
    const mwmVECTOR b = {-2, 0.5f, 4};
    mwmVectorCross(&a, &a, &b); // in place
    EXPECT_EQ(a.x, 2 * 4 - 3 * 0.5f);
    EXPECT_EQ(a.y, 3 * -2 - 1 * 4.0f);
    EXPECT_EQ(a.z, 1 * 0.5f - 2 * -2.0f);

    const mwmVECTOR v = {1.0f, 1.0f, -1.0f};
    mwmVECTOR p;
    mwmVectorToPolar(&p, &v);
    EXPECT_NEAR(p.x, std::sqrt(3.0f), 1e-6f);
    EXPECT_NEAR(p.y, std::atan(1.0f / std::sqrt(2.0f)), 1e-6f);
    EXPECT_NEAR(p.z, 3.0f * 3.14159265f / 4.0f, 1e-6f);

    const mwmVECTOR up = {0.0f, 2.0f, 0.0f};
    mwmVectorToPolar(&p, &up);
    EXPECT_NEAR(p.y, 3.14159265f / 2.0f, 1e-6f);
}

TEST(Vector, RotateMatchesTheMatrixRotation)
{
    const mwmVECTOR start = {0.5f, -2.0f, 3.0f};
    mwmMATRIX3 m;
    mwmMatrix3SetRotation(&m, 25.0f, -140.0f, 63.0f);
    mwmVECTOR expected;
    mwmMatrix3Transform(&expected, &m, &start);

    mwmVECTOR v = start;
    mwmVectorRotate(&v, 25.0f, -140.0f, 63.0f);
    EXPECT_NEAR(v.x, expected.x, 1e-5f);
    EXPECT_NEAR(v.y, expected.y, 1e-5f);
    EXPECT_NEAR(v.z, expected.z, 1e-5f);

    v = start;
    mwmVectorRotateI(&v, 25, -140, 63);
    EXPECT_NEAR(v.x, expected.x, 1e-5f);
    EXPECT_NEAR(v.y, expected.y, 1e-5f);
    EXPECT_NEAR(v.z, expected.z, 1e-5f);
}

TEST(Vector, LerpAndAdd)
{
    const float a[3] = {0, 10, -4}, b[3] = {1, 20, 4};
    float out[4] = {7, 7, 7, 7};
    mwmLerp(out, a, b, 0.25f, 3);
    EXPECT_EQ(out[0], 0.25f);
    EXPECT_EQ(out[1], 12.5f);
    EXPECT_EQ(out[2], -2.0f);
    EXPECT_EQ(out[3], 7.0f);
    mwmLerp(out, a, b, 0.5f, 0);
    EXPECT_EQ(out[0], 0.25f);

    const mwmVECTOR4 p = {1, 2, 3, 4}, q = {10, 20, 30, 40};
    mwmVECTOR4 s;
    mwmVector4Add(&s, &p, &q);
    EXPECT_EQ(s.w, 44.0f);
}

//---- Degree tables

TEST(DegreeTables, KnownValues)
{
    EXPECT_EQ(mwmSinI(-90), -1.0f);
    EXPECT_EQ(mwmSinI(270), -1.0f);
    EXPECT_EQ(mwmCosI(720), 1.0f);
    EXPECT_EQ(mwmCosI(360), 1.0f);
    EXPECT_EQ(mwmSinI(90), 1.0f);
    EXPECT_EQ(mwmCosI(180), -1.0f);
    EXPECT_EQ(mwmSinI(0), 0.0f);
}

TEST(DegreeTables, EveryWholeDegreeIsTheRoundedSine)
{
    const double rad = 3.14159265358979323846 / 180.0;
    for (int d = -1080; d <= 1080; ++d) {
        ASSERT_NEAR(mwmSinI(d), std::sin(d * rad), 1e-7) << d;
        ASSERT_NEAR(mwmCosI(d), std::cos(d * rad), 1e-7) << d;
    }
    // Angles far outside the table wrap without reading outside it.
    EXPECT_NEAR(mwmSinI(INT32_MAX), std::sin((INT32_MAX % 360) * rad), 1e-7);
    EXPECT_NEAR(mwmCosI(INT32_MIN), std::cos((INT32_MIN % 360) * rad), 1e-7);
}

TEST(DegreeTables, FloatFormsTruncateTowardZero)
{
    const float pi = 3.14159265f;
    EXPECT_EQ(mwmSinF(pi / 2.0f * 0.999f), mwmSinI(89));
    EXPECT_EQ(mwmSinF(-pi / 2.0f * 0.999f), mwmSinI(-89));
    EXPECT_EQ(mwmCosF(pi * 0.5f), mwmCosI(90));
    EXPECT_EQ(mwmSinF(20.0f * pi + pi / 2.0f * 0.999f), mwmSinI(3689));
    EXPECT_LE(std::fabs(mwmSinF(1e20f)), 1.0f);
    EXPECT_TRUE(std::isnan(mwmSinF(NAN)));
    EXPECT_TRUE(std::isnan(mwmCosF(INFINITY)));
}

} // namespace
