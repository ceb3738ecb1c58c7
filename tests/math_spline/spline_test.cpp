// Key-framed splines: creation and release, straight segments, Catmull-Rom
// equivalence, exact key values, the slopes at a key under tension,
// continuity and bias, and odd key data.
#include <cmath>
#include <initializer_list>

#include <gtest/gtest.h>

#include "heap_support.h"
#include "mwmath.h"
#include "report_support.h"

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

TEST(Spline, CreateAndFree)
{
    EXPECT_EQ(mwmSplineCreate(0, 3), nullptr);
    EXPECT_EQ(mwmSplineCreate(3, 0), nullptr);
    mwmSplineFree(nullptr);

    mwmSPLINE *s = mwmSplineCreate(3, 4);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->keyCount, 3);
    EXPECT_EQ(s->channels, 4);
    for (int k = 0; k < 3; ++k) {
        const mwmSPLINEKEY &key = s->keys[k];
        EXPECT_EQ(key.frame + key.linear, 0);
        EXPECT_EQ(key.reserved, nullptr);
        for (int ch = 0; ch < 4; ++ch) {
            EXPECT_EQ(key.values[ch], 0.0f);
            key.values[ch] = float(k + 1); // each key owns its values
        }
    }
    EXPECT_EQ(s->keys[0].values[3], 1.0f);
    EXPECT_EQ(s->values[0], 0.0f);
    // One key gives its values wherever it is evaluated.
    s->keyCount = 1;
    EXPECT_EQ(mwmSplineEvaluate(s, 50.0), 4);
    EXPECT_EQ(s->values[2], 1.0f);
    s->keyCount = 3;
    // The reserved pointer is the caller's but is released with the spline.
    s->keys[1].reserved = mwDMemAlloc("spline_test", __LINE__, 64);
    mwmSplineFree(s);
    mwDMemCheck("spline_test", __LINE__);
}

// The check promises no more than creation can have: the most keys it allows
// in 64 KB are created without running the heap dry, one more is refused.
TEST(Spline, FitsPromisesWhatCreateTakes)
{
    EXPECT_EQ(mwmSplineFits(0, 3), 0);
    EXPECT_EQ(mwmSplineFits(3, 0), 0);
    EXPECT_EQ(mwmSplineFits(INT32_MAX, 3), 0);
    mwtest::HeapSqueeze squeeze(64 << 10);
    int most = 1;
    while (mwmSplineFits(most + 1, 3))
        ++most;
    EXPECT_GT(most, 500) << "64 KB hold this many keys of 12 bytes";
    mwmSplineFree(mwmSplineCreate(most, 3));
}

TEST(Spline, TwoKeysAreAStraightLineWhateverTheShape)
{
    for (const Shape shape : {Shape{0.5f, 0.3f, -0.4f}, Shape{-1, 1, 1}}) {
        mwmSPLINE *s = makeSpline({{0, 2.0f}, {10, 7.0f}}, shape);
        for (double t = 0.0; t <= 10.0; t += 1.25)
            EXPECT_FLOAT_EQ(at(s, t), float(2.0 + 0.5 * t)) << "t " << t;
        EXPECT_NE(s->keys[1].linear, 0);
        mwmSplineFree(s);
    }
    // A linear key straightens only the segment that ends at it.
    mwmSPLINE *s = makeSpline({{0, 0.0f}, {10, 10.0f}, {20, 0.0f}, {30, 5.0f}});
    s->keys[2].linear = 1;
    EXPECT_FLOAT_EQ(at(s, 12.5), 7.5f);
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
    s->end = 40;
    const auto point = [&](int k) { return mwmVECTOR{values[k][0], values[k][1], values[k][2]}; };
    for (int seg = 1; seg <= 3; ++seg)
        for (double u = 0.0; u <= 1.0; u += 0.125) {
            mwmSplineEvaluate(s, 8.0 * (seg + u));
            const mwmVECTOR p0 = point(seg - 1), p1 = point(seg), p2 = point(seg + 1), p3 = point(seg + 2);
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
    for (const Shape shape : {Shape{0, 0, 0}, Shape{0.7f, -0.5f, 0.25f}}) {
        mwmSPLINE *s = makeSpline({{-5, 1.25f}, {0, -3.0f}, {7, 8.5f}, {9, 0.1f}, {30, 2.0f}}, shape);
        for (int k = 0; k < s->keyCount; ++k)
            EXPECT_EQ(at(s, s->keys[k].frame), s->keys[k].values[0]) << "key " << k;
        mwmSplineFree(s);
    }
}

TEST(Spline, ShapeSetsTheSlopesAtAKey)
{
    // Slopes per frame just before and after frame 20, where the chords are
    // 0.6 per frame before the key and 0.2 after it.
    const struct {
        Shape shape;
        double before, after;
    } cases[] = {
        {{0, 0, 0}, 0.4, 0.4},         // the mean chord, smooth
        {{0.5f, 0, 0.5f}, 0.25, 0.25}, // smooth whatever tension and bias
        {{1, 0, 0}, 0.0, 0.0},         // full tension flattens
        {{-1, 0, 0}, 0.8, 0.8},        // negative tension doubles
        {{0, 0, 1}, 0.6, 0.6},         // bias 1: the chord before
        {{0, 0, -1}, 0.2, 0.2},        // bias -1: the chord after
        {{0, -1, 0}, 0.6, 0.2},        // continuity -1: a corner following both chords
        {{0, 1, 0}, 0.2, 0.6},         // continuity 1: the opposite corner
    };
    const double h = 0.05;
    for (const auto &c : cases) {
        mwmSPLINE *s = makeSpline({{0, 0.0f}, {10, 4.0f}, {20, 10.0f}, {30, 12.0f}, {40, 20.0f}});
        s->keys[2].tension = c.shape.tension;
        s->keys[2].continuity = c.shape.continuity;
        s->keys[2].bias = c.shape.bias;
        // One-sided second-order differences.
        const double before = (3 * at(s, 20) - 4 * at(s, 20 - h) + at(s, 20 - 2 * h)) / (2 * h);
        const double after = (-3 * at(s, 20) + 4 * at(s, 20 + h) - at(s, 20 + 2 * h)) / (2 * h);
        EXPECT_NEAR(before, c.before, 2e-3)
            << "T " << c.shape.tension << " C " << c.shape.continuity << " B " << c.shape.bias;
        EXPECT_NEAR(after, c.after, 2e-3)
            << "T " << c.shape.tension << " C " << c.shape.continuity << " B " << c.shape.bias;
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

TEST(Spline, OddFramesAndLimitsStayInsideTheKeys)
{
    mwmSPLINE *s = makeSpline({{0, 1.0f}, {10, 3.0f}, {20, -2.0f}}, {0.2f, 0.1f, -0.3f});
    float expected[9];
    for (int i = 0; i < 9; ++i)
        expected[i] = at(s, 2.5 * i);
    // Outside the keys the end values hold.
    EXPECT_EQ(at(s, -50.0), 1.0f);
    EXPECT_EQ(at(s, 75.0), -2.0f);
    // Start and end beyond the keys name no neighbours to take tangents from.
    s->start = -100.0f;
    s->end = 100.0f;
    for (int i = 0; i < 9; ++i)
        EXPECT_FLOAT_EQ(at(s, 2.5 * i), expected[i]) << "t " << 2.5 * i;
    mwmSplineFree(s);

    // Two keys on one frame, keys out of order: no division by a zero span.
    for (auto keys : {std::initializer_list<std::pair<int, float>>{{0, 1}, {0, 2}, {10, 4}, {10, 6}},
                      std::initializer_list<std::pair<int, float>>{{0, 1}, {10, 2}, {0, 3}, {20, 4}}}) {
        s = makeSpline(keys);
        for (double t = 0.0; t <= 20.0; t += 2.5)
            EXPECT_TRUE(std::isfinite(at(s, t))) << "t " << t;
        mwmSplineFree(s);
    }
}

TEST(SplineDeathTest, EvaluatingNothingIsInvalid)
{
    EXPECT_REPORT(mwmSplineEvaluate(nullptr, 0.0), "mwmSplineEvaluate: Invalid Parameter");
}

} // namespace
