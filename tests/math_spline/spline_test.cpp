// Key-framed splines: creation and release, straight segments, Catmull-Rom
// equivalence, exact key values, the shape of the curve at a key under
// tension, continuity and bias, and robustness against odd key data.
#include <cmath>
#include <initializer_list>

#include <gtest/gtest.h>

#include "mwmath.h"

namespace {

struct Shape {
    float tension, continuity, bias;
};

// A one-channel spline through (frame, value) pairs, start and end set from
// the keys as the scene loader does.
mwmSPLINE *makeSpline(std::initializer_list<std::pair<int, float>> keys, Shape shape = {})
{
    mwmSPLINE *s = mwmSplineCreate(int(keys.size()), 1);
    int k = 0;
    for (const auto &[frame, value] : keys) {
        s->keys[k].frame = frame;
        s->keys[k].values[0] = value;
        s->keys[k].tension = shape.tension;
        s->keys[k].continuity = shape.continuity;
        s->keys[k].bias = shape.bias;
        ++k;
    }
    s->start = float(s->keys[0].frame);
    s->end = float(s->keys[k - 1].frame);
    return s;
}

float at(mwmSPLINE *s, double t)
{
    EXPECT_EQ(mwmSplineEvaluate(s, t), s->channels);
    return s->values[0];
}

// Slopes per frame just after and just before a frame, from one-sided
// second-order differences.
double slopeAfter(mwmSPLINE *s, double t, double h = 0.05)
{
    return (-3.0 * at(s, t) + 4.0 * at(s, t + h) - at(s, t + 2 * h)) / (2 * h);
}

double slopeBefore(mwmSPLINE *s, double t, double h = 0.05)
{
    return (3.0 * at(s, t) - 4.0 * at(s, t - h) + at(s, t - 2 * h)) / (2 * h);
}

TEST(Spline, CreateRejectsEmptyCounts)
{
    EXPECT_EQ(mwmSplineCreate(0, 3), nullptr);
    EXPECT_EQ(mwmSplineCreate(3, 0), nullptr);
    EXPECT_EQ(mwmSplineCreate(-1, 1), nullptr);
    mwmSplineFree(nullptr);
}

TEST(Spline, CreateGivesZeroedKeysWithTheirOwnValues)
{
    mwmSPLINE *s = mwmSplineCreate(3, 4);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->keyCount, 3);
    EXPECT_EQ(s->channels, 4);
    EXPECT_EQ(s->reserved, 0);
    EXPECT_EQ(s->start, 0.0f);
    EXPECT_EQ(s->end, 0.0f);
    for (int ch = 0; ch < 4; ++ch)
        EXPECT_EQ(s->values[ch], 0.0f);
    for (int k = 0; k < 3; ++k) {
        const mwmSPLINEKEY &key = s->keys[k];
        EXPECT_EQ(key.frame, 0);
        EXPECT_EQ(key.reserved, nullptr);
        EXPECT_EQ(key.linear, 0);
        EXPECT_EQ(key.tension + key.continuity + key.bias, 0.0f);
        ASSERT_NE(key.values, nullptr);
        EXPECT_NE(key.values, s->values);
        for (int ch = 0; ch < 4; ++ch)
            EXPECT_EQ(key.values[ch], 0.0f);
        if (k > 0) {
            EXPECT_NE(key.values, s->keys[k - 1].values);
        }
    }
    // The reserved pointer belongs to the caller but is released with the spline.
    s->keys[1].reserved = mwDMemAlloc("spline_test", __LINE__, 64);
    mwmSplineFree(s);
    mwDMemCheck("spline_test", __LINE__);
}

TEST(Spline, OneKeyGivesItsValues)
{
    mwmSPLINE *s = mwmSplineCreate(1, 2);
    s->keys[0].frame = 5;
    s->keys[0].values[0] = 1.5f;
    s->keys[0].values[1] = -2.0f;
    EXPECT_EQ(mwmSplineEvaluate(s, 123.0), 2);
    EXPECT_EQ(s->values[0], 1.5f);
    EXPECT_EQ(s->values[1], -2.0f);
    mwmSplineFree(s);
}

TEST(Spline, TwoKeysAreAStraightLineWhateverTheShape)
{
    for (const Shape shape : {Shape{0, 0, 0}, Shape{0.5f, 0.3f, -0.4f}, Shape{-1, 1, 1}}) {
        mwmSPLINE *s = makeSpline({{0, 2.0f}, {10, 7.0f}}, shape);
        for (double t = 0.0; t <= 10.0; t += 1.25)
            EXPECT_FLOAT_EQ(at(s, t), float(2.0 + 0.5 * t)) << "t " << t;
        EXPECT_NE(s->keys[1].linear, 0) << "the whole-spline segment is marked linear";
        mwmSplineFree(s);
    }
}

TEST(Spline, LinearKeyEndsAStraightSegmentOnly)
{
    mwmSPLINE *s = makeSpline({{0, 0.0f}, {10, 10.0f}, {20, 0.0f}, {30, 5.0f}});
    s->keys[2].linear = 1;
    EXPECT_FLOAT_EQ(at(s, 12.5), 7.5f);
    EXPECT_FLOAT_EQ(at(s, 17.5), 2.5f);
    // The neighbouring segment stays curved: the Hermite midpoint differs
    // from the chord's.
    EXPECT_GT(std::fabs(at(s, 25.0) - 2.5f), 0.1f);
    mwmSplineFree(s);
}

TEST(Spline, ZeroShapeReproducesCatmullRom)
{
    // Three channels, so that mwmCurvePoint can serve as the reference.
    const float values[6][3] = {{0, 1, -2}, {3, 4, 0}, {1, -1, 5}, {6, 2, 2}, {2, 0, -3}, {4, 4, 4}};
    mwmSPLINE *s = mwmSplineCreate(6, 3);
    for (int k = 0; k < 6; ++k) {
        s->keys[k].frame = 8 * k;
        for (int ch = 0; ch < 3; ++ch)
            s->keys[k].values[ch] = values[k][ch];
    }
    s->start = 0;
    s->end = 40;
    for (int seg = 1; seg <= 3; ++seg)
        for (double u = 0.0; u <= 1.0; u += 0.125) {
            mwmSplineEvaluate(s, 8.0 * (seg + u));
            const auto p = [&](int k) {
                return mwmVECTOR{values[k][0], values[k][1], values[k][2]};
            };
            const mwmVECTOR p0 = p(seg - 1), p1 = p(seg), p2 = p(seg + 1), p3 = p(seg + 2);
            mwmVECTOR expected;
            mwmCurvePoint(&p0, &p1, &p2, &p3, u, &expected, MWM_BASIS_CATMULL_ROM);
            EXPECT_NEAR(s->values[0], expected.x, 2e-5f) << "segment " << seg << " u " << u;
            EXPECT_NEAR(s->values[1], expected.y, 2e-5f) << "segment " << seg << " u " << u;
            EXPECT_NEAR(s->values[2], expected.z, 2e-5f) << "segment " << seg << " u " << u;
        }
    mwmSplineFree(s);
}

TEST(Spline, KeyFramesGiveTheKeyValuesExactly)
{
    for (const Shape shape : {Shape{0, 0, 0}, Shape{0.7f, -0.5f, 0.25f}, Shape{-0.5f, 1, -1}}) {
        mwmSPLINE *s = makeSpline({{-5, 1.25f}, {0, -3.0f}, {7, 8.5f}, {9, 0.1f}, {30, 2.0f}}, shape);
        for (int k = 0; k < s->keyCount; ++k)
            EXPECT_EQ(at(s, s->keys[k].frame), s->keys[k].values[0]) << "key " << k;
        mwmSplineFree(s);
    }
}

// Equal spacing, so the tangents on both sides of key 2 share their scale.
mwmSPLINE *shapedAtKey2(Shape shape)
{
    mwmSPLINE *s = makeSpline({{0, 0.0f}, {10, 4.0f}, {20, 10.0f}, {30, 12.0f}, {40, 20.0f}});
    s->keys[2].tension = shape.tension;
    s->keys[2].continuity = shape.continuity;
    s->keys[2].bias = shape.bias;
    return s;
}

TEST(Spline, ZeroContinuityKeepsTheCurveSmoothThroughAKey)
{
    for (const Shape shape : {Shape{0, 0, 0}, Shape{0.6f, 0, 0}, Shape{0, 0, 0.8f}, Shape{-0.4f, 0, -0.5f}}) {
        mwmSPLINE *s = shapedAtKey2(shape);
        EXPECT_NEAR(slopeBefore(s, 20.0), slopeAfter(s, 20.0), 2e-3)
            << "tension " << shape.tension << " bias " << shape.bias;
        mwmSplineFree(s);
    }
    // Continuity bends the curve at the key: the slope coming in leans on the
    // chord before the key and the one going out on the chord after it (or
    // the other way round for positive continuity).
    for (const float c : {-1.0f, 1.0f}) {
        mwmSPLINE *s = shapedAtKey2({0, c, 0});
        const double before = c < 0 ? 0.6 : 0.2, after = c < 0 ? 0.2 : 0.6;
        EXPECT_NEAR(slopeBefore(s, 20.0), before, 2e-3) << "continuity " << c;
        EXPECT_NEAR(slopeAfter(s, 20.0), after, 2e-3) << "continuity " << c;
        mwmSplineFree(s);
    }
}

TEST(Spline, BiasAndTensionSetTheSlopeAtAKey)
{
    // Chords around key 2: 6 / 10 before it, 2 / 10 after it.
    const struct {
        Shape shape;
        double slope;
    } cases[] = {
        {{0, 0, 0}, 0.4},    // mean of the chords
        {{0, 0, 1}, 0.6},    // the chord before
        {{0, 0, -1}, 0.2},   // the chord after
        {{1, 0, 0}, 0.0},    // full tension flattens
        {{-1, 0, 0}, 0.8},   // negative tension doubles
        {{0.5f, 0, 0.5f}, 0.25},
    };
    for (const auto &c : cases) {
        mwmSPLINE *s = shapedAtKey2(c.shape);
        EXPECT_NEAR(slopeAfter(s, 20.0), c.slope, 2e-3)
            << "T " << c.shape.tension << " B " << c.shape.bias;
        EXPECT_NEAR(slopeBefore(s, 20.0), c.slope, 2e-3)
            << "T " << c.shape.tension << " B " << c.shape.bias;
        mwmSplineFree(s);
    }
}

TEST(Spline, UnevenSpacingScalesTheTangentsBySegmentLength)
{
    // A straight run of keys stays straight whatever their spacing.
    mwmSPLINE *s = makeSpline({{0, 0.0f}, {2, 1.0f}, {10, 5.0f}, {11, 5.5f}, {30, 15.0f}});
    for (double t = 0.0; t <= 30.0; t += 0.75)
        EXPECT_NEAR(at(s, t), 0.5 * t, 1e-4) << "t " << t;
    mwmSplineFree(s);
}

TEST(Spline, FramesOutsideTheKeysHoldTheEnds)
{
    mwmSPLINE *s = makeSpline({{0, 1.0f}, {10, 3.0f}, {20, -2.0f}});
    EXPECT_EQ(at(s, -50.0), 1.0f);
    EXPECT_EQ(at(s, 75.0), -2.0f);
    mwmSplineFree(s);
}

TEST(Spline, StartAndEndBeyondTheKeysStayInsideTheKeyArray)
{
    // Without neighbours to take the tangents from, the end keys use the
    // segment's chord, whatever start and end the caller set.
    mwmSPLINE *s = makeSpline({{0, 1.0f}, {10, 3.0f}, {20, -2.0f}}, {0.2f, 0.1f, -0.3f});
    float expected[9];
    for (int i = 0; i < 9; ++i)
        expected[i] = at(s, 2.5 * i);
    s->start = -100.0f;
    s->end = 100.0f;
    for (int i = 0; i < 9; ++i)
        EXPECT_FLOAT_EQ(at(s, 2.5 * i), expected[i]) << "t " << 2.5 * i;
    mwmSplineFree(s);
}

TEST(Spline, OddKeyFramesGiveFiniteValues)
{
    // Two keys on one frame: the later one holds.
    mwmSPLINE *s = makeSpline({{0, 1.0f}, {0, 2.0f}, {10, 4.0f}, {10, 6.0f}});
    for (double t = 0.0; t <= 10.0; t += 2.5)
        EXPECT_TRUE(std::isfinite(at(s, t))) << "t " << t;
    EXPECT_EQ(at(s, 0.0), 2.0f);
    mwmSplineFree(s);
    // Keys out of order (a damaged scene file) leave tangent spans of 0.
    s = makeSpline({{0, 1.0f}, {10, 2.0f}, {0, 3.0f}, {20, 4.0f}});
    for (double t = 0.0; t <= 20.0; t += 2.5)
        EXPECT_TRUE(std::isfinite(at(s, t))) << "t " << t;
    mwmSplineFree(s);
}

TEST(SplineDeathTest, EvaluatingNothingIsInvalid)
{
    EXPECT_EXIT(mwmSplineEvaluate(nullptr, 0.0), ::testing::ExitedWithCode(255),
                "mwmSplineEvaluate: Invalid Parameter");
}

} // namespace
