// The curve bases: weights at the ends, derivatives against finite
// differences, weight sums, and the four-point curve evaluator.
#include <gtest/gtest.h>

#include "mwmath.h"

namespace {

struct EndWeights {
    int kind;
    float at0[4];
    float at1[4];
};

TEST(Basis, WeightsAtTheEnds)
{
    const EndWeights cases[] = {
        {MWM_BASIS_HERMITE, {1, 0, 0, 0}, {0, 1, 0, 0}},
        {MWM_BASIS_BEZIER, {1, 0, 0, 0}, {0, 0, 0, 1}},
        {MWM_BASIS_CATMULL_ROM, {0, 1, 0, 0}, {0, 0, 1, 0}},
        {MWM_BASIS_BSPLINE, {1.f / 6, 2.f / 3, 1.f / 6, 0}, {0, 1.f / 6, 2.f / 3, 1.f / 6}},
        {MWM_BASIS_TRIG_A, {0, 0, 2, 0}, {0, 2, 0, 0}},
        {MWM_BASIS_TRIG_B, {0, 1, 2, 1}, {1, 2, 1, 0}},
    };
    for (const EndWeights &c : cases) {
        float w0[4], w1[4];
        mwmBasisWeights(c.kind, 0.0, w0, nullptr);
        mwmBasisWeights(c.kind, 1.0, w1, nullptr);
        for (int k = 0; k < 4; ++k) {
            EXPECT_NEAR(w0[k], c.at0[k], 1e-6f) << "kind " << c.kind << " weight " << k;
            EXPECT_NEAR(w1[k], c.at1[k], 1e-6f) << "kind " << c.kind << " weight " << k;
        }
    }
}

TEST(Basis, DerivativesMatchFiniteDifferences)
{
    const double h = 1e-4;
    for (int kind = MWM_BASIS_HERMITE; kind <= MWM_BASIS_BSPLINE; ++kind)
        for (double t = 0.1; t < 1.0; t += 0.2) {
            float w[4], dw[4], lo[4], hi[4];
            EXPECT_EQ(mwmBasisWeights(kind, t, w, dw), 1);
            mwmBasisWeights(kind, t - h, lo, nullptr);
            mwmBasisWeights(kind, t + h, hi, nullptr);
            for (int k = 0; k < 4; ++k)
                EXPECT_NEAR(dw[k], (double(hi[k]) - lo[k]) / (2 * h), 2e-3)
                    << "kind " << kind << " t " << t << " weight " << k;
        }
}

TEST(Basis, TrigonometricKindsHaveNoDerivatives)
{
    for (int kind : {MWM_BASIS_TRIG_A, MWM_BASIS_TRIG_B}) {
        float w[4], dw[4] = {7, 7, 7, 7};
        EXPECT_EQ(mwmBasisWeights(kind, 0.3, w, dw), 0);
        for (float d : dw)
            EXPECT_EQ(d, 7.0f);
    }
}

TEST(Basis, WeightSumsAreNotNormalised)
{
    // Hermite mixes points and tangents, so only its point weights add up.
    const float expected[MWM_BASIS_KINDS] = {1, 1, 1, 1, 2, 4};
    for (int kind = 0; kind < MWM_BASIS_KINDS; ++kind)
        for (double t = 0.0; t <= 1.0; t += 0.125) {
            float w[4];
            mwmBasisWeights(kind, t, w, nullptr);
            const float sum = kind == MWM_BASIS_HERMITE ? w[0] + w[1] : w[0] + w[1] + w[2] + w[3];
            EXPECT_NEAR(sum, expected[kind], 1e-5f) << "kind " << kind << " t " << t;
        }
}

TEST(Basis, CurvePointWeighsFourPoints)
{
    const mwmVECTOR p0 = {0, 0, 0}, p1 = {1, 2, 0}, p2 = {3, 2, 1}, p3 = {4, 0, -1};
    mwmVECTOR out;
    // Bezier at one half: (p0 + 3 p1 + 3 p2 + p3) / 8.
    mwmCurvePoint(&p0, &p1, &p2, &p3, 0.5, &out, MWM_BASIS_BEZIER);
    EXPECT_FLOAT_EQ(out.x, 2.0f);
    EXPECT_FLOAT_EQ(out.y, 1.5f);
    EXPECT_FLOAT_EQ(out.z, 0.25f);
    // Catmull-Rom runs through the inner points.
    mwmCurvePoint(&p0, &p1, &p2, &p3, 1.0, &out, MWM_BASIS_CATMULL_ROM);
    EXPECT_FLOAT_EQ(out.x, 3.0f);
    EXPECT_FLOAT_EQ(out.y, 2.0f);
    EXPECT_FLOAT_EQ(out.z, 1.0f);
    // Trigonometric B weighs (0, 1, 2, 1) at 0; nothing divides by the sum.
    mwmCurvePoint(&p0, &p1, &p2, &p3, 0.0, &out, MWM_BASIS_TRIG_B);
    EXPECT_NEAR(out.x, 11.0f, 1e-5f);
    EXPECT_NEAR(out.y, 6.0f, 1e-5f);
    EXPECT_NEAR(out.z, 1.0f, 1e-5f);
}

TEST(BasisDeathTest, UnknownKindsAreInvalid)
{
    float w[4];
    EXPECT_EXIT(mwmBasisWeights(6, 0.5, w, nullptr), ::testing::ExitedWithCode(255),
                "mwmBasisWeights: Invalid Parameter");
    const mwmVECTOR p = {0, 0, 0};
    mwmVECTOR out;
    EXPECT_EXIT(mwmCurvePoint(&p, &p, &p, &p, 0.5, &out, -1), ::testing::ExitedWithCode(255),
                "mwmCurvePoint: Invalid Parameter");
}

} // namespace
