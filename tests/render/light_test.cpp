// Lights: the slot table, removal by key, preparation for a material and
// the lighting functions against a double-precision evaluation.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "report_support.h"
#include "render_support.h"

using namespace mwtest;

namespace {

struct Vec {
    double x, y, z;
};

Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator*(Vec a, double k) { return {a.x * k, a.y * k, a.z * k}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double length(Vec a) { return std::sqrt(dot(a, a)); }
Vec unit(Vec a) { return a * (1.0 / length(a)); }
Vec column(const mwmMATRIX &m, int c) { return {m.m[c], m.m[4 + c], m.m[8 + c]}; }

// The lighting formulas evaluated plainly, with the model matrix the identity.
Vec referenceLight(const mwrLIGHT &light, const mwrMATERIAL &material, Vec eye, Vec p, Vec n)
{
    const int type = light.type;
    const bool specular = type % 2 == 0 && type != 10;
    const Vec color = {light.color[0], light.color[1], light.color[2]};
    const Vec diffuse = {color.x * material.diffuse[0], color.y * material.diffuse[1],
                         color.z * material.diffuse[2]};
    const Vec specularColor = {color.x * material.specular[0], color.y * material.specular[1],
                               color.z * material.specular[2]};
    const Vec pos = column(light.matrix, 3);
    const Vec dir = unit(column(light.matrix, 2)) * -1.0;
    const double range = light.falloff / length(column(light.matrix, 2));
    auto power = [&](Vec half) {
        const double h = dot(n, half) / length(half);
        return h > 0.0 ? std::pow(h, double(material.shininess)) : 0.0;
    };
    Vec acc = {0, 0, 0};
    if (type == 2 || type == 3) {
        const double d = dot(n, dir);
        if (d <= 0.0)
            return acc;
        acc = diffuse * d;
        if (specular)
            acc = acc + specularColor * power(unit(eye - p) + dir);
        return acc;
    }
    const Vec toLight = pos - p;
    const double dist = length(toLight);
    if (type == 10) {
        return dist * range < 1.0 ? diffuse * (1.0 - dist * dist * range * range) : acc;
    }
    const double d = dot(n, toLight);
    if (d <= 0.0)
        return acc;
    double a = 1.0;
    if (type == 6 || type == 7) {
        if (dist * range >= 1.0)
            return acc;
        a = 1.0 - dist * dist * range * range;
    }
    if ((type == 8 || type == 9) && dot(toLight * (1.0 / dist), dir) <= light.cone)
        return acc;
    acc = diffuse * (d / dist * a);
    if (specular)
        acc = acc + specularColor * (power(toLight * (1.0 / dist) + unit(eye - p)) * a);
    return acc;
}

class Lights : public RenderTest {
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        material = mwrMaterialAlloc(1);
        lights = mwrLightAlloc(2);
        camera = mwrCameraAlloc(1);
        mwmMatrixSetTranslation(&camera->matrix, 0.3f, 4.0f, -3.0f);
        mwrCameraSelect(camera);
    }
    void TearDown() override
    {
        mwrLightReset();
        mwrMaterialFree(material);
        mwrLightFree(lights);
        mwrCameraFree(camera);
        RenderTest::TearDown();
    }

    // The one slot of `light`, after adding it alone and selecting the material.
    const mwrLIGHTSLOT &prepareAlone(mwrLIGHT *light)
    {
        mwrLightReset();
        mwrLightAdd(light, 1);
        mwrMaterialSelect(material);
        return *state->lights;
    }

    static Vec shade(const mwrLIGHTSLOT &slot, Vec p, Vec n)
    {
        const float position[3] = {float(p.x), float(p.y), float(p.z)};
        const float normal[3] = {float(n.x), float(n.y), float(n.z)};
        float acc[3] = {0.0f, 0.0f, 0.0f};
        slot.shade(normal, acc, position, &slot);
        return {acc[0], acc[1], acc[2]};
    }

    std::vector<const mwrLIGHTSLOT *> activeSlots() const
    {
        std::vector<const mwrLIGHTSLOT *> list;
        for (const mwrLIGHTSLOT *s = state->lights; s; s = s->next)
            list.push_back(s);
        return list;
    }

    mwrMATERIAL *material = nullptr;
    mwrLIGHT *lights = nullptr;
    mwrCAMERA *camera = nullptr;
};

void expectColorNear(Vec actual, Vec expected)
{
    const double tolerance = 2e-4 * length(expected) + 1e-7;
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

const Vec kVertex = {0.5, 0.0, 0.25};
const Vec kLightPos = {1.0, 5.0, 2.0};

TEST_F(Lights, EachFunctionMatchesItsFormula)
{
    material->diffuse[0] = 0.6f, material->diffuse[1] = 0.5f, material->diffuse[2] = 0.4f;
    material->specular[0] = 0.3f, material->specular[1] = 0.2f, material->specular[2] = 0.1f;
    material->shininess = 8.0f;
    mwrLIGHT &light = lights[0];
    light.color[0] = 0.9f, light.color[1] = 0.8f, light.color[2] = 0.7f;
    light.falloff = 0.1f;
    light.cone = 0.95f;
    // Placed at kLightPos, shining past the vertex (its axis 0.1 off it).
    const mwmVECTOR eye = {float(kLightPos.x), float(kLightPos.y), float(kLightPos.z)};
    const mwmVECTOR target = {0.6f, 0.0f, 0.25f};
    mwmVECTOR up = {1.0f, 0.0f, 0.0f};
    mwmMatrixLookAt(&light.matrix, &eye, &up, &target);

    const Vec normal = unit({0.2, 1.0, 0.1});
    const Vec eyePos = {0.3, 4.0, -3.0};
    for (int type = MWR_LIGHT_DIRECTIONAL; type <= MWR_LIGHT_GLOW; ++type) {
        light.type = type;
        const Vec expected = referenceLight(light, *material, eyePos, kVertex, normal);
        ASSERT_GT(length(expected), 0.05) << "type " << type << " lights the vertex";
        const Vec actual = shade(prepareAlone(&light), kVertex, normal);
        SCOPED_TRACE(type);
        expectColorNear(actual, expected);
    }
}

TEST_F(Lights, NothingReachesTheFarSideOrBeyondTheReach)
{
    material->specular[0] = material->specular[1] = material->specular[2] = 0.5f;
    mwrLIGHT &light = lights[0];
    mwmMatrixSetTranslation(&light.matrix, 0.0f, 10.0f, 0.0f); // shines along +z
    const Vec away = {0.0, -1.0, 0.0};
    for (int type = MWR_LIGHT_POINT; type <= MWR_LIGHT_SPOT_DIFFUSE; ++type) {
        light.type = type;
        const Vec c = shade(prepareAlone(&light), {0, 0, 0}, away);
        EXPECT_EQ(c.x + c.y + c.z, 0.0) << "type " << type;
    }
    // Out of reach: the ranged and glow lights; outside the cone: the spot.
    light.falloff = 0.2f;
    for (int type : {MWR_LIGHT_RANGED, MWR_LIGHT_GLOW, MWR_LIGHT_SPOT}) {
        light.type = type;
        const Vec c = shade(prepareAlone(&light), {0, 0, 0}, {0, 1, 0});
        EXPECT_EQ(c.x + c.y + c.z, 0.0) << "type " << type;
    }
}

TEST_F(Lights, UnlimitedRangeWithZeroFalloff)
{
    mwrLIGHT &light = lights[0];
    mwmMatrixSetTranslation(&light.matrix, 0.0f, 1000.0f, 0.0f);
    light.type = MWR_LIGHT_GLOW;
    expectColorNear(shade(prepareAlone(&light), {0, 0, 0}, {1, 0, 0}), {0.5, 0.5, 0.5});
    light.type = MWR_LIGHT_RANGED_DIFFUSE;
    expectColorNear(shade(prepareAlone(&light), {0, 0, 0}, {0, 1, 0}), {0.5, 0.5, 0.5});
}

TEST_F(Lights, BlackLightsAddNothing)
{
    mwrLIGHT &light = lights[0];
    mwmMatrixSetTranslation(&light.matrix, 0.0f, 3.0f, 0.0f);
    light.type = MWR_LIGHT_GLOW;
    for (float zero : {0.0f, -0.0f}) {
        light.color[0] = zero, light.color[1] = 0.0f, light.color[2] = -0.0f;
        const mwrLIGHTSLOT &slot = prepareAlone(&light);
        const float n[3] = {0, 1, 0}, p[3] = {0, 0, 0};
        float acc[3] = {0.25f, 0.5f, 0.75f};
        slot.shade(n, acc, p, &slot);
        EXPECT_EQ(acc[0], 0.25f);
        EXPECT_EQ(acc[1], 0.5f);
        EXPECT_EQ(acc[2], 0.75f);
    }
}

TEST_F(Lights, PositiveZeroSpecularSwitchesToDiffuseOnly)
{
    for (int type : {MWR_LIGHT_DIRECTIONAL, MWR_LIGHT_POINT, MWR_LIGHT_RANGED, MWR_LIGHT_SPOT}) {
        lights[0].type = type;
        lights[1].type = type + 1;
        mwrLightReset();
        mwrLightAdd(&lights[0], 1);
        mwrLightAdd(&lights[1], 2);
        auto sameFunction = [&](float r, float g, float b) {
            material->specular[0] = r, material->specular[1] = g, material->specular[2] = b;
            mwrMaterialSelect(material);
            return state->lights->shade == state->lights->next->shade;
        };
        EXPECT_TRUE(sameFunction(0.0f, 0.0f, 0.0f)) << type;
        EXPECT_FALSE(sameFunction(-0.0f, 0.0f, 0.0f)) << type;
        EXPECT_FALSE(sameFunction(0.5f, -0.5f, 0.0f)) << type;
        EXPECT_FALSE(sameFunction(0.0f, 0.0f, 0.1f)) << type;
    }
}

TEST_F(Lights, RangeFollowsTheModelScale)
{
    mwrLIGHT &light = lights[0];
    light.type = MWR_LIGHT_RANGED_DIFFUSE;
    light.falloff = 0.1f; // reaches 10 world units
    mwrLightAdd(&light, 1);
    const mwmMATRIX twice = uniformScale(2.0f);
    mwrMatrixPush(&twice);
    mwrMaterialSelect(material);
    const mwrLIGHTSLOT &slot = *state->lights;
    EXPECT_NEAR(slot.range, 0.2f, 1e-6f);

    // 4.5 model units are 9 world units: lit as at 9 units unscaled.
    const Vec lit = shade(slot, {0, 4.5, 0}, {0, -1, 0});
    expectColorNear(lit, Vec{0.5, 0.5, 0.5} * (1.0 - 0.9 * 0.9));
    const Vec unlit = shade(slot, {0, 5.5, 0}, {0, -1, 0});
    EXPECT_EQ(unlit.x, 0.0);
}

TEST_F(Lights, ALightUnderAMovedAndTurnedModelIsPlacedInModelSpace)
{
    // The model stands at (1, 2, 3), turned 90 degrees about z: its x axis
    // points along world y. Worked out by hand: a lamp at world (1, 5, 3) is
    // at model (3, 0, 0); a light whose z axis is world x shines along model
    // -y, so the way towards it is model +y.
    const mwmMATRIX model = fromRows({0, -1, 0, 1, 1, 0, 0, 2, 0, 0, 1, 3, 0, 0, 0, 1});
    mwrLIGHT &lamp = lights[0], &sun = lights[1];
    lamp.type = MWR_LIGHT_POINT;
    mwmMatrixSetTranslation(&lamp.matrix, 1.0f, 5.0f, 3.0f);
    sun.type = MWR_LIGHT_DIRECTIONAL;
    sun.matrix = fromRows({0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1});
    mwrLightAdd(&lamp, 1);
    mwrLightAdd(&sun, 2);
    mwrMatrixPush(&model);
    mwrMaterialSelect(material);

    const std::vector<const mwrLIGHTSLOT *> slots = activeSlots(); // newest first
    ASSERT_EQ(2u, slots.size());
    const mwrLIGHTSLOT &sunSlot = *slots[0], &lampSlot = *slots[1];
    const float expectedPos[3] = {3, 0, 0}, expectedDir[3] = {0, 1, 0};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(lampSlot.pos[i], expectedPos[i], 1e-5f) << i;
        EXPECT_NEAR(sunSlot.dir[i], expectedDir[i], 1e-5f) << i;
    }
    // The model's origin, facing along its x axis, looks straight at the lamp.
    expectColorNear(shade(lampSlot, {0, 0, 0}, {1, 0, 0}), {0.5, 0.5, 0.5});
    mwrMatrixPop(1);
}

TEST_F(Lights, AmbientLightsAndEmissiveStartTheAmbientTerm)
{
    lights[0].type = MWR_LIGHT_AMBIENT;
    lights[0].color[0] = 0.2f, lights[0].color[1] = 0.4f, lights[0].color[2] = 0.6f;
    material->emissive[0] = 0.1f;
    mwrLightAdd(&lights[0], 1);
    mwrMaterialSelect(material);
    EXPECT_FLOAT_EQ(state->ambient[0], 0.5f + 0.2f * 0.5f);
    EXPECT_FLOAT_EQ(state->ambient[2], 0.5f + 0.6f * 0.5f);
    const Vec c = shade(*state->lights, {0, 0, 0}, {0, 1, 0});
    EXPECT_EQ(c.x + c.y + c.z, 0.0);

    material->colorMode = MWR_COLOR_LIT;
    mwrMaterialSelect(material);
    EXPECT_FLOAT_EQ(state->ambient[0], 0.1f + 0.2f * 0.5f);
    EXPECT_FLOAT_EQ(state->ambient[1], 0.0f + 0.4f * 0.5f);
}

TEST_F(Lights, UnknownTypesLightNothing)
{
    for (int type : {0, 11, -3}) {
        lights[0].type = type;
        const Vec c = shade(prepareAlone(&lights[0]), {0, 0, 0}, {0, 0, -1});
        EXPECT_EQ(c.x + c.y + c.z, 0.0) << type;
    }
}

TEST_F(Lights, AddedLightsShineOnlyOnceAMaterialPreparesThem)
{
    lights[0].type = MWR_LIGHT_DIRECTIONAL_DIFFUSE;
    mwrLightAdd(&lights[0], 1);
    Vec c = shade(*state->lights, {0, 0, 0}, {0, 0, -1});
    EXPECT_EQ(c.z, 0.0);
    mwrMaterialSelect(material);
    c = shade(*state->lights, {0, 0, 0}, {0, 0, -1});
    EXPECT_NEAR(c.z, 0.5, 5e-6);
}

TEST_F(Lights, RemoveTakesEverySlotWithTheKey)
{
    EXPECT_EQ(mwrLightRemove(1), 0);
    mwrLIGHT *many = mwrLightAlloc(4);
    const int keys[4] = {1, 2, 1, 3};
    for (int i = 0; i < 4; ++i)
        mwrLightAdd(&many[i], keys[i]);
    EXPECT_EQ(mwrLightRemove(99), 0);
    EXPECT_EQ(activeSlots().size(), 4u);

    EXPECT_EQ(mwrLightRemove(1), 2);
    const std::vector<const mwrLIGHTSLOT *> left = activeSlots();
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0]->light, &many[3]); // newest first
    EXPECT_EQ(left[1]->light, &many[1]);
    EXPECT_EQ(mwrLightRemove(3), 1);
    EXPECT_EQ(mwrLightRemove(2), 1);
    EXPECT_EQ(state->lights, nullptr);
    mwrLightFree(many);
}

using LightsDeathTest = Lights;

TEST_F(LightsDeathTest, SixtyThreeLightsFitAndTheNextIsFatal)
{
    mwrLIGHT *many = mwrLightAlloc(64);
    for (int i = 0; i < 63; ++i)
        mwrLightAdd(&many[i], i);
    EXPECT_EQ(activeSlots().size(), 63u);
    // A removed light frees its slot for the next one.
    EXPECT_EQ(mwrLightRemove(10), 1);
    mwrLightAdd(&many[10], 10);
    EXPECT_EQ(activeSlots().size(), 63u);
    EXPECT_REPORT(mwrLightAdd(&many[63], 63), "mwrAddLight: Find- Too many lights \\(64\\)");
    mwrLightFree(many);
}

TEST_F(LightsDeathTest, BadRecordsAreInvalidParameters)
{
    EXPECT_REPORT(mwrLightAdd(nullptr, 1), "mwlight:[0-9]+.*mwrLightAdd: Invalid Parameter");
    EXPECT_REPORT(mwrLightAlloc(0), "mwrLightAlloc: Invalid Parameter");
    EXPECT_REPORT(mwrLightCopy(&lights[0], nullptr), "mwrLightCopy: Invalid Parameter");
    EXPECT_REPORT(mwrLightFree(nullptr), "mwrLightFree: Invalid Parameter");
}

} // namespace
