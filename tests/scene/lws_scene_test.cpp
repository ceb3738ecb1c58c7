// A whole scene in the LightWave 5 format (fixtures/hangar.lws, written by
// hand): objects, a null, an ambient and three kinds of light with
// envelopes, and a moving camera. Loaded and evaluated frame by frame, every
// node must sit where a plain evaluation of the file's keys puts it.
#include <array>
#include <cmath>
#include <map>

#include "scene_support.h"

namespace {

//---- A plain evaluation of keys, in doubles

struct Key {
    int frame;
    std::vector<double> v; // motions: x y z heading pitch bank sx sy sz, as the file lists them
    bool linear = false;
    double tension = 0, continuity = 0, bias = 0;
};

struct Track {
    std::vector<Key> keys;
    int endBehavior = MWS_END_RESET;
    int frameOffset = 0;
    std::array<double, 3> pivot{};
};

double timeAt(const Track &track, double frame)
{
    const double start = track.keys.front().frame, end = track.keys.back().frame;
    const double t = frame - track.frameOffset;
    if (t <= end)
        return std::max(t, start);
    if (track.endBehavior == MWS_END_RESET)
        return start;
    if (track.endBehavior == MWS_END_STOP)
        return end;
    return start + std::fmod(t - start, end - start);
}

// Kochanek-Bartels through the keys; two keys make a straight line.
double valueAt(const Track &track, double frame, int channel)
{
    const std::vector<Key> &k = track.keys;
    const double t = timeAt(track, frame);
    if (k.size() == 1)
        return k[0].v[channel];
    size_t i = 0;
    while (i + 2 < k.size() && k[i + 1].frame < t)
        ++i;
    const Key &a = k[i], &b = k[i + 1];
    const double d = b.frame - a.frame, u = (t - a.frame) / d;
    const double va = a.v[channel], vb = b.v[channel];
    if (b.linear || k.size() == 2)
        return va + u * (vb - va);

    const double ta = 1 - a.tension, tb = 1 - b.tension;
    const double ca = ta * (1 + a.continuity) * (1 + a.bias), cb = ta * (1 - a.continuity) * (1 - a.bias);
    const double cc = tb * (1 + b.continuity) * (1 - b.bias), ce = tb * (1 - b.continuity) * (1 + b.bias);
    const double out =
        i > 0 ? (ca * (va - k[i - 1].v[channel]) + cb * (vb - va)) * d / (b.frame - k[i - 1].frame)
              : (vb - va) * (ca + cb) / 2;
    const double in =
        i + 2 < k.size() ? (cc * (k[i + 2].v[channel] - vb) + ce * (vb - va)) * d / (k[i + 2].frame - a.frame)
                         : (vb - va) * (cc + ce) / 2;
    const double u2 = u * u, u3 = u2 * u;
    return (2 * u3 - 3 * u2 + 1) * va + (-2 * u3 + 3 * u2) * vb + (u3 - 2 * u2 + u) * out + (u3 - u2) * in;
}

using Matrix = std::array<double, 16>;

Matrix product(const Matrix &a, const Matrix &b)
{
    Matrix m{};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            for (int k = 0; k < 4; ++k)
                m[4 * r + c] += a[4 * r + k] * b[4 * k + c];
    return m;
}

Matrix rotation(int axis, double degrees)
{
    const double a = degrees * M_PI / 180, c = std::cos(a), s = std::sin(a);
    switch (axis) {
    case 0: return {1, 0, 0, 0, 0, c, -s, 0, 0, s, c, 0, 0, 0, 0, 1};
    case 1: return {c, 0, s, 0, 0, 1, 0, 0, -s, 0, c, 0, 0, 0, 0, 1};
    default: return {c, -s, 0, 0, s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    }
}

Matrix placement(double x, double y, double z, double sx, double sy, double sz)
{
    return {sx, 0, 0, x, 0, sy, 0, y, 0, 0, sz, z, 0, 0, 0, 1};
}

// Move to the position, turn by heading, pitch and bank, scale, with the
// pivot moved to the origin first.
Matrix nodeMatrix(const Track &track, double frame, bool light)
{
    double v[9];
    for (int c = 0; c < 9; ++c)
        v[c] = valueAt(track, frame, c);
    if (light)
        v[6] = v[7] = v[8] = 1;
    const Matrix turn = product(product(rotation(1, v[3]), rotation(0, v[4])), rotation(2, v[5]));
    return product(
        product(product(placement(v[0], v[1], v[2], 1, 1, 1), turn), placement(0, 0, 0, v[6], v[7], v[8])),
        placement(-track.pivot[0], -track.pivot[1], -track.pivot[2], 1, 1, 1));
}

//---- The keys of fixtures/hangar.lws

Key motionKey(int frame, std::vector<double> v, double tension = 0, double continuity = 0, double bias = 0,
              bool linear = false)
{
    return {frame, std::move(v), linear, tension, continuity, bias};
}

const std::map<std::string, Track> &motions()
{
    static const std::map<std::string, Track> tracks = {
        {"Hangar.lwo", {{motionKey(0, {0, 0, 0, 0, 0, 0, 1, 1, 1})}, MWS_END_STOP}},
        {"Pivot",
         {{motionKey(0, {0, 1, 0, 0, 0, 0, 1, 1, 1}), motionKey(30, {0, 1, 0, 90, 0, 0, 1, 1, 1}),
           motionKey(60, {0, 1, 0, 180, 0, 0, 1, 1, 1})},
          MWS_END_REPEAT}},
        {"Ship.lwo",
         {{motionKey(0, {2, 0, 0, 0, 0, 0, 1, 1, 1}),
           motionKey(15, {4, 1, -2, 30, 10, 0, 1, 1, 1}, 0.3, -0.2, 0.5),
           motionKey(40, {4, 3, -6, 60, 10, 20, 1.5, 1.5, 1.5}, 0, 0, 0, true),
           motionKey(60, {0, 2, -8, 90, 0, 0, 1, 1, 1}, -0.5)},
          MWS_END_STOP,
          0,
          {0.5, 0, -1}}},
        {"Turret.lwo",
         {{motionKey(10, {0, 0.5, 0, 0, 0, 0, 1, 1, 1}),
           motionKey(20, {0, 0.5, 0, 45, -10, 0, 1, 1, 1}, 0, 0.4, -0.3),
           motionKey(40, {0, 0.6, 0, 0, 0, 5, 1, 1, 1})},
          MWS_END_REPEAT,
          5}},
        {"Sun", {{motionKey(0, {0, 10, -10, 0, 45, 0, 2, 2, 2})}, MWS_END_STOP}},
        {"Lamp",
         {{motionKey(0, {1, 1, 0, 0, 0, 0, 1, 1, 1}), motionKey(60, {3, 1, 0, 0, 0, 0, 1, 1, 1})},
          MWS_END_STOP}},
        {"Spot",
         {{motionKey(0, {-4, 6, 0, 0, 60, 0, 1, 1, 1}), motionKey(30, {-2, 6, 2, 20, 60, 0, 1, 1, 1}),
           motionKey(60, {0, 6, 4, 40, 50, 0, 1, 1, 1})},
          MWS_END_REPEAT}},
        {"1",
         {{motionKey(0, {0, 2, -10, 0, 5, 0, 1, 1, 1}), motionKey(30, {5, 3, -8, -20, 10, 0, 1, 1, 1}, 0.2),
           motionKey(60, {8, 2, -2, -45, 0, 3, 1, 1, 1})},
          MWS_END_STOP}},
    };
    return tracks;
}

// Envelope keys list continuity before tension.
Key envelopeKey(int frame, double value, double continuity = 0, double tension = 0, double bias = 0)
{
    return {frame, {value}, false, tension, continuity, bias};
}

const Track kSunIntensity = {
    {envelopeKey(0, 0.2), envelopeKey(30, 1.0, 0.5, -0.5), envelopeKey(60, 0.6, 0, 0, 0.3)}, MWS_END_STOP};
const Track kLampRange = {{envelopeKey(0, 1.0 / 4), envelopeKey(60, 1.0 / 8)}, MWS_END_STOP};
const double kCos30 = std::cos(30 * M_PI / 180), kCos20 = std::cos(20 * M_PI / 180),
             kCos45 = std::cos(45 * M_PI / 180);
const Track kSpotCone = {{envelopeKey(0, kCos30), envelopeKey(30, kCos20, 0, 0.5), envelopeKey(60, kCos45)},
                         MWS_END_REPEAT};

//---- The test

std::vector<std::string> namesOf(const std::vector<mwsNODE *> &nodes)
{
    std::vector<std::string> names;
    for (const mwsNODE *node : nodes)
        names.emplace_back(node->name);
    return names;
}

const mwrLIGHT &lightOf(const mwsNODE *node) { return *static_cast<const mwsLIGHTDATA *>(node->data)->light; }

class HangarScene : public SceneTest {};

TEST_F(HangarScene, LoadsIntoTheTreeTheFileDescribes)
{
    const int64_t before = heapInUse();
    mwsSCENE *scene = lwsLoad(MARROW_SOURCE_DIR "/tests/scene/fixtures/hangar.lws", nullptr);
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->firstFrame, 0);
    EXPECT_EQ(scene->lastFrame, 90);
    EXPECT_EQ(scene->fps, 30.0f);

    mwsNODE *root = scene->node;
    EXPECT_EQ(namesOf(childrenOf(root)),
              (std::vector<std::string>{"AMBIENT", "Sun", "Spot", "1", "Hangar.lwo", "Pivot"}));
    mwsNODE *ship = mwsNodeFind(root, "Ship.lwo");
    ASSERT_NE(ship, nullptr);
    EXPECT_EQ(ship->parent, mwsNodeFind(root, "Pivot"));
    EXPECT_EQ(namesOf(childrenOf(ship)), (std::vector<std::string>{"Lamp", "Turret.lwo"}));
    EXPECT_EQ(mwsNodeFind(root, "Pivot")->type, MWS_NULL);
    EXPECT_EQ(mwsNodeFind(root, "1")->type, MWS_CAMERA);

    EXPECT_EQ(lightOf(mwsNodeFind(root, "AMBIENT")).type, MWR_LIGHT_AMBIENT);
    EXPECT_EQ(lightOf(mwsNodeFind(root, "Sun")).type, MWR_LIGHT_DIRECTIONAL);
    EXPECT_EQ(lightOf(mwsNodeFind(root, "Lamp")).type, MWR_LIGHT_RANGED);
    EXPECT_EQ(lightOf(mwsNodeFind(root, "Spot")).type, MWR_LIGHT_SPOT);
    EXPECT_FLOAT_EQ(lightOf(mwsNodeFind(root, "AMBIENT")).color[1], 0.25f);

    mwsNodeFree(root);
    EXPECT_EQ(heapInUse(), before);
}

TEST_F(HangarScene, EvaluatesToThePlainEvaluationOfItsKeys)
{
    mwsSCENE *scene = lwsLoad(MARROW_SOURCE_DIR "/tests/scene/fixtures/hangar.lws", nullptr);
    ASSERT_NE(scene, nullptr);
    mwsNODE *root = scene->node;
    const mwrLIGHT &sun = lightOf(mwsNodeFind(root, "Sun"));
    const mwrLIGHT &lamp = lightOf(mwsNodeFind(root, "Lamp"));
    const mwrLIGHT &spot = lightOf(mwsNodeFind(root, "Spot"));
    const double sunColor[3] = {1, 240 / 255.0, 200 / 255.0};
    const double lampColor[3] = {0.8, 0.8 * 128 / 255, 0.8 * 64 / 255};

    // Frames in order, from the one the load stands for (frame 0 is never
    // sampled) to past the last key of every motion.
    for (int frame = scene->firstFrame; frame <= scene->lastFrame; ++frame) {
        scene->frame = static_cast<float>(frame);
        mwsSceneUpdate(root);
        for (const auto &[name, track] : motions()) {
            const mwsNODE *node = mwsNodeFind(root, name.c_str());
            ASSERT_NE(node, nullptr) << name;
            const Matrix expected = nodeMatrix(track, frame, node->type == MWS_LIGHT);
            for (int e = 0; e < 16; ++e)
                ASSERT_NEAR(node->matrix->m[e], expected[e], 2e-4)
                    << name << " at frame " << frame << ", element " << e;
        }
        for (int c = 0; c < 3; ++c) {
            ASSERT_NEAR(sun.color[c], sunColor[c] * valueAt(kSunIntensity, frame, 0), 1e-5)
                << "frame " << frame;
            ASSERT_NEAR(lamp.color[c], lampColor[c], 1e-6);
        }
        ASSERT_NEAR(lamp.falloff, valueAt(kLampRange, frame, 0), 1e-6) << "frame " << frame;
        ASSERT_NEAR(spot.cone, valueAt(kSpotCone, frame, 0), 1e-5) << "frame " << frame;
    }
    mwsNodeFree(root);
}

} // namespace
