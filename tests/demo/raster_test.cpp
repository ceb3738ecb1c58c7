// The light-map rasterisers and the three tracing passes on their own.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "lightprt.h"

using namespace lightprt;

namespace {

// A map with canary pixels on both sides: writes outside the map show up.
class Map {
public:
    Map() : buffer_(3 * kMapPixels, kCanary) { std::fill_n(map(), kMapPixels, uint16_t(0)); }
    uint16_t *map() { return buffer_.data() + kMapPixels; }
    uint16_t at(int column, int row) { return map()[row * kMapSide + column]; }
    bool canariesIntact() const
    {
        for (int i = 0; i < kMapPixels; ++i)
            if (buffer_[i] != kCanary || buffer_[2 * kMapPixels + i] != kCanary)
                return false;
        return true;
    }
    int lit() { return int(kMapPixels - std::count(map(), map() + kMapPixels, uint16_t(0))); }
    // Largest distance in pixels from (column, row) of any lit pixel.
    double reach(int column, int row)
    {
        double far = 0;
        for (int i = 0; i < kMapPixels; ++i)
            if (map()[i])
                far = std::max(far, std::hypot(i % kMapSide - column, i / kMapSide - row));
        return far;
    }

private:
    static constexpr uint16_t kCanary = 0xA5A5;
    std::vector<uint16_t> buffer_;
};

struct Expected {
    int dx, dy, alphaNibble, grey;
};
// Around a splat centre: the centre, 4 neighbours, 4 diagonals, then the 12
// pixels at distance 2 and sqrt(5) (alpha only).
const Expected kSplat[] = {
    {0, 0, 15, 0x444}, {1, 0, 6, 0x222},  {-1, 0, 6, 0x222}, {0, 1, 6, 0x222},   {0, -1, 6, 0x222},
    {1, 1, 4, 0x111},  {-1, 1, 4, 0x111}, {1, -1, 4, 0x111}, {-1, -1, 4, 0x111}, {2, 0, 3, 0},
    {-2, 0, 3, 0},     {0, 2, 3, 0},      {0, -2, 3, 0},     {2, 1, 3, 0},       {-2, 1, 3, 0},
    {2, -1, 3, 0},     {-2, -1, 3, 0},    {1, 2, 3, 0},      {-1, 2, 3, 0},      {1, -2, 3, 0},
    {-1, -2, 3, 0},
};

TEST(LightRaster, OneSplatRaisesItsPixelsAndNothingElse)
{
    Map alpha, glow;
    // A zero-length segment at (0.5, 0.5): one splat at column 127, row 127.
    alphaRay(0.5f, 0.5f, 0.5f, 0.5f, 100, alpha.map());
    glowRay(0.5f, 0.5f, 0.5f, 0.5f, 100, glow.map());
    int glowPixels = 0;
    for (const Expected &e : kSplat) {
        EXPECT_EQ(alpha.at(127 + e.dx, 127 + e.dy), e.alphaNibble << 12) << e.dx << "," << e.dy;
        EXPECT_EQ(glow.at(127 + e.dx, 127 + e.dy), e.grey) << e.dx << "," << e.dy;
        glowPixels += e.grey != 0;
    }
    EXPECT_EQ(alpha.lit(), 21);
    EXPECT_EQ(glow.lit(), glowPixels);
}

TEST(LightRaster, RepeatedSplatsSaturateInsteadOfWrapping)
{
    Map alpha, glow;
    alpha.map()[127 * kMapSide + 128] = 0x0123; // grey bits the alpha pass must keep
    for (int i = 0; i < 2; ++i)
        alphaRay(0.5f, 0.5f, 0.5f, 0.5f, 100, alpha.map());
    EXPECT_EQ(alpha.at(128, 127), 0xC123); // 6 + 6
    EXPECT_EQ(alpha.at(129, 127), 0x6000); // 3 + 3
    for (int i = 0; i < 20; ++i) {
        alphaRay(0.5f, 0.5f, 0.5f, 0.5f, 100, alpha.map());
        glowRay(0.5f, 0.5f, 0.5f, 0.5f, 100, glow.map());
    }
    for (const Expected &e : kSplat) {
        const uint16_t a = alpha.at(127 + e.dx, 127 + e.dy);
        EXPECT_EQ(a & 0xF000, 0xF000);
        EXPECT_EQ(a & 0x0FFF, (e.dx == 1 && e.dy == 0) ? 0x123 : 0);
        if (e.grey) {
            EXPECT_EQ(glow.at(127 + e.dx, 127 + e.dy), 0x0FFF);
        }
    }
}

TEST(LightRaster, DensityGivesSamplesPerUnitLengthWithTheEndExcluded)
{
    Map map;
    // Both x first, then both y: a vertical segment of length 0.5 at 8
    // samples per unit, f = 0, 0.25, 0.5, 0.75.
    glowRay(0.5f, 0.5f, 0.25f, 0.75f, 8, map.map());
    for (int row : {63, 95, 127, 159})
        EXPECT_EQ(map.at(127, row), 0x444) << row;
    EXPECT_EQ(map.at(127, 191), 0);
    EXPECT_EQ(map.lit(), 4 * 9);

    // Hundreds of samples on one ray: not one of them is lost.
    Map dense;
    glowRay(0.1f, 0.9f, 0.5f, 0.5f, 1000, dense.map());
    for (int column = 25; column <= 228; ++column)
        ASSERT_EQ(dense.at(column, 127), 0x0FFF) << column;
}

TEST(LightRaster, SplatsOnTheBoxBoundaryStayInsideTheMap)
{
    Map map;
    for (float x : {kBoxMin, kBoxMax})
        for (float y : {kBoxMin, kBoxMax}) {
            alphaRay(x, x, y, y, 100, map.map());
            glowRay(x, x, y, y, 100, map.map());
        }
    // Long rays from far outside are clipped to the box first.
    alphaRay(-3.0f, 4.0f, -3.0f, 4.0f, 100, map.map());
    glowRay(4.0f, -3.0f, 0.5f, 0.3f, 100, map.map());
    EXPECT_TRUE(map.canariesIntact());
    for (int i = 0; i < kMapPixels; ++i) {
        if (!map.map()[i])
            continue;
        const int column = i % kMapSide, row = i / kMapSide;
        ASSERT_TRUE(column >= 10 && column <= 244 && row >= 10 && row <= 244) << column << "," << row;
    }
    EXPECT_EQ(map.at(12, 12) & 0xF000, 0xF000);
    EXPECT_EQ(map.at(242, 242) & 0xF000, 0xF000);
}

TEST(LightRaster, SegmentsThatMissTheBoxDrawNothing)
{
    struct Segment {
        float x0, x1, y0, y1;
    };
    const Segment misses[] = {
        {0.01f, 0.04f, 0.2f, 0.8f},        {0.96f, 2.0f, 0.2f, 0.8f},  // both left, both right
        {0.2f, 0.8f, -1.0f, 0.049f},       {0.2f, 0.8f, 0.951f, 9.0f}, // both above, both below
        {0.0f, 0.06f, 0.06f, 0.0f},                                    // past the top-left corner
        {-200.0f, 200.0f, 0.051f, 0.047f},                             // grazing, far along its line
        {NAN, 0.5f, 0.5f, 0.5f},           {-INFINITY, 0.5f, 0.5f, 0.5f},
    };
    for (const Segment &s : misses) {
        Map map;
        alphaRay(s.x0, s.x1, s.y0, s.y1, 100, map.map());
        glowRay(s.x0, s.x1, s.y0, s.y1, 100, map.map());
        EXPECT_EQ(map.lit(), 0) << s.x0 << " " << s.x1 << " " << s.y0 << " " << s.y1;
        EXPECT_TRUE(map.canariesIntact());
    }
}

//---- Tracing passes -------------------------------------------------------

// A fan of rays at a slope of 0.2 (probe 0.07 from the light), all round.
std::vector<mwmVECTOR> fan(int count)
{
    std::vector<mwmVECTOR> rays;
    for (int i = 0; i < count; ++i) {
        const double a = 2 * M_PI * i / count;
        mwmVECTOR r = {float(0.4 * std::cos(a)), float(0.4 * std::sin(a)), 2.0f};
        const float n = std::sqrt(r.x * r.x + r.y * r.y + r.z * r.z);
        rays.push_back({r.x / n, r.y / n, r.z / n});
    }
    return rays;
}

constexpr double kProbePixels = 0.07 * 255; // light to probe

struct TraceCase : ::testing::Test {
    std::vector<uint16_t> picture = std::vector<uint16_t>(kMapPixels);
    std::vector<mwmVECTOR> rays = fan(36);
    Trace trace() { return {0.5f, 0.5f, rays.data(), int(rays.size()), picture.data()}; }
};

TEST_F(TraceCase, AnAllBlackPictureGivesOnlyShortRays)
{
    Map occluded, beams, beyond;
    traceOccluded(trace(), occluded.map());
    traceBeams(trace(), beams.map());
    traceBeyond(trace(), beyond.map());
    EXPECT_GT(occluded.lit(), 0);
    EXPECT_LE(occluded.reach(127, 127), kProbePixels + 4);
    EXPECT_LE(beams.reach(127, 127), kProbePixels + 4);
    EXPECT_EQ(beyond.lit(), 0);
}

TEST_F(TraceCase, APictureWithoutBlackGivesFullRaysAndFarGlow)
{
    std::fill(picture.begin(), picture.end(), uint16_t(0xF888));
    Map occluded, beams, beyond;
    traceOccluded(trace(), occluded.map());
    traceBeams(trace(), beams.map());
    traceBeyond(trace(), beyond.map());
    // Every ray runs to the box edge (columns 12 and 242).
    EXPECT_GE(occluded.reach(127, 127), 110);
    EXPECT_NE(occluded.at(235, 127) & 0xF000, 0);
    EXPECT_NE(occluded.at(20, 127) & 0xF000, 0);
    EXPECT_LE(beams.reach(127, 127), kProbePixels + 4);
    // The far glow starts at the probes: nothing next to the light.
    EXPECT_EQ(beyond.at(127, 127), 0);
    EXPECT_NE(beyond.at(200, 127) & 0x0FFF, 0);
    EXPECT_NE(beyond.at(127, 40) & 0x0FFF, 0);
}

//---- The light's path, the fan and the passes' densities through time ----

TEST(LightPath, TheLightDriftsAndTheFanTurnsAsDocumented)
{
    // x = 0.5 + 0.4 sin(0.01 t), y = 0.5 + 0.035 sin(t / 30): at t = 15 pi
    // y peaks at 0.535 and x = 0.5 + 0.4 sin(0.15 pi); at t = 50 pi x peaks
    // at 0.9 and y = 0.5 - 0.035 sin(pi / 3).
    const struct {
        float t, x, y;
    } path[] = {{0.0f, 0.5f, 0.5f}, {47.123890f, 0.6815962f, 0.535f}, {157.07963f, 0.9f, 0.4696891f}};
    for (const auto &p : path) {
        const LightPosition light = lightPath(p.t);
        EXPECT_NEAR(light.x, p.x, 1e-6f) << p.t;
        EXPECT_NEAR(light.y, p.y, 1e-6f) << p.t;
    }

    // The fan turns t degrees: x' = x cos t + y sin t, y' = -x sin t + y cos t.
    const mwmVECTOR rays[2] = {{0.6f, 0.0f, 0.8f}, {0.0f, 0.6f, 0.8f}};
    const struct {
        float t;
        mwmVECTOR first, second;
    } turns[] = {{30.0f, {0.5196152f, -0.3f, 0.8f}, {0.3f, 0.5196152f, 0.8f}},
                 {90.0f, {0.0f, -0.6f, 0.8f}, {0.6f, 0.0f, 0.8f}},
                 {180.0f, {-0.6f, 0.0f, 0.8f}, {0.0f, -0.6f, 0.8f}}};
    for (const auto &turn : turns) {
        mwmVECTOR turned[2];
        turnFan(rays, turned, 2, turn.t);
        const mwmVECTOR *expected[2] = {&turn.first, &turn.second};
        for (int i = 0; i < 2; ++i) {
            EXPECT_NEAR(turned[i].x, expected[i]->x, 1e-6f) << turn.t << " ray " << i;
            EXPECT_NEAR(turned[i].y, expected[i]->y, 1e-6f) << turn.t << " ray " << i;
            EXPECT_NEAR(turned[i].z, expected[i]->z, 1e-6f) << turn.t << " ray " << i;
        }
    }
}

// Samples of alpha rays far enough apart that only centres saturate.
int alphaSamples(const uint16_t *map)
{
    return int(std::count_if(map, map + kMapPixels, [](uint16_t p) { return (p & 0xF000) == 0xF000; }));
}

// Samples of glow rays that never saturate: each adds 0x444 + 4 x 0x222 + 4 x 0x111.
int glowSamples(const uint16_t *map)
{
    long grey = 0;
    for (int i = 0; i < kMapPixels; ++i)
        grey += map[i] & 0x0FFF;
    EXPECT_EQ(grey % 4368, 0);
    return int(grey / 4368);
}

TEST(LightPasses, EachPassSamplesItsRayAtItsDensity)
{
    // The ray (0.6, 0, 0.8) with the fan and the light where the path puts
    // them; it meets the probe plane 0.35 / 0.8 x 0.6 = 0.2625 from the light.
    // A pass takes ceil(density x length) samples of its clipped segment:
    // beams 90 x 0.2625 = 23.6, occluded 40 x 0.2625 = 10.5.
    const struct {
        float t;
        int open, beyond; // light to box edge at 100, probe to box edge at 120
    } cases[] = {
        // Light (0.8133, 0.5049), ray straight up: 100 x 0.4549, 120 x 0.1924.
        {90.0f, 46, 24},
        // Light (0.6710, 0.5144), ray straight down: 100 x 0.4356, 120 x 0.1731.
        {270.0f, 44, 21},
    };
    const mwmVECTOR ray = {0.6f, 0.0f, 0.8f};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.t);
        const LightPosition light = lightPath(c.t);
        mwmVECTOR turned;
        turnFan(&ray, &turned, 1, c.t);
        std::vector<uint16_t> picture(kMapPixels, 0xF888);
        const Trace trace = {light.x, light.y, &turned, 1, picture.data()};
        Map open, beams, beyond;
        traceOccluded(trace, open.map());
        traceBeams(trace, beams.map());
        traceBeyond(trace, beyond.map());
        EXPECT_EQ(alphaSamples(open.map()), c.open);
        EXPECT_EQ(glowSamples(beams.map()), 24);
        EXPECT_EQ(glowSamples(beyond.map()), c.beyond);

        std::fill(picture.begin(), picture.end(), uint16_t(0)); // the probe on black
        Map occluded, none;
        traceOccluded(trace, occluded.map());
        traceBeyond(trace, none.map());
        EXPECT_EQ(alphaSamples(occluded.map()), 11);
        EXPECT_EQ(none.lit(), 0);
    }
}

} // namespace
