// The curve bases: weights at the ends, derivatives, and the four-point
// curve evaluator.
#include <gtest/gtest.h>

#include "mwmath.h"

namespace {

TEST(Basis, WeightsAtTheEnds)
{
    const struct {
        int kind;
        float at0[4], at1[4];
    } cases[] = {
        {MWM_BASIS_HERMITE, {1, 0, 0, 0}, {0, 1, 0, 0}},
        {MWM_BASIS_BEZIER, {1, 0, 0, 0}, {0, 0, 0, 1}},
        {MWM_BASIS_CATMULL_ROM, {0, 1, 0, 0}, {0, 0, 1, 0}},
        {MWM_BASIS_BSPLINE, {1.f / 6, 2.f / 3, 1.f / 6, 0}, {0, 1.f / 6, 2.f / 3, 1.f / 6}},
        {MWM_BASIS_TRIG_A, {0, 0, 2, 0}, {0, 2, 0, 0}},
        {MWM_BASIS_TRIG_B, {0, 1, 2, 1}, {1, 2, 1, 0}},
    };
    for (const auto &c : cases) {
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
    float w[4], dw[4] = {7, 7, 7, 7};
    EXPECT_EQ(mwmBasisWeights(MWM_BASIS_TRIG_A, 0.3, w, dw), 0);
    EXPECT_EQ(dw[0], 7.0f);
}

TEST(Basis, CurvePointWeighsFourPointsWithoutNormalising)
{
    const mwmVECTOR p0 = {0, 0, 0}, p1 = {1, 2, 0}, p2 = {3, 2, 1}, p3 = {4, 0, -1};
    const struct {
        int kind;
        double t;
        mwmVECTOR expected;
    } cases[] = {
        {MWM_BASIS_BEZIER, 0.5, {2.0f, 1.5f, 0.25f}},     // (p0 + 3 p1 + 3 p2 + p3) / 8
        {MWM_BASIS_CATMULL_ROM, 1.0, {3.0f, 2.0f, 1.0f}}, // through p2
        {MWM_BASIS_TRIG_B, 0.0, {11.0f, 6.0f, 1.0f}},     // weights (0, 1, 2, 1)
    };
    for (const auto &c : cases) {
        mwmVECTOR out;
        mwmCurvePoint(&p0, &p1, &p2, &p3, c.t, &out, c.kind);
        EXPECT_NEAR(out.x, c.expected.x, 1e-5f) << "kind " << c.kind;
        EXPECT_NEAR(out.y, c.expected.y, 1e-5f) << "kind " << c.kind;
        EXPECT_NEAR(out.z, c.expected.z, 1e-5f) << "kind " << c.kind;
    }
}

} // namespace
