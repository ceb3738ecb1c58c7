// Lights: the table of active light slots, their preparation for a material
// and the per-vertex lighting functions the display driver calls.
#include <cmath>
#include <cstring>

#include "mwrintern.h"

namespace {

const char kOwner[] = "mwlight";

mwrLIGHTSLOT slots[MWR_MAX_LIGHTS];
mwrLIGHTSLOT *freeSlot = slots; // NULL when the table is full

uint32_t bitsOf(float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

float dot(const float *a, const float *b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void addScaled(float *acc, const float *color, float k)
{
    acc[0] += color[0] * k;
    acc[1] += color[1] * k;
    acc[2] += color[2] * k;
}

void product(float *out, const float *a, const float *b)
{
    out[0] = a[0] * b[0];
    out[1] = a[1] * b[1];
    out[2] = a[2] * b[2];
}

// Unit vector from the vertex towards the eye.
void towardsEye(const float *position, float *out)
{
    const float *eye = mwr::state->eye;
    const float v[3] = {eye[0] - position[0], eye[1] - position[1], eye[2] - position[2]};
    const float r = mwmRecipSqrt(dot(v, v));
    out[0] = v[0] * r;
    out[1] = v[1] * r;
    out[2] = v[2] * r;
}

// Adds the specular term k x specular x h^shininess for the half vector
// `half` (not normalised), when the normal faces it.
void addSpecular(float *acc, const float *normal, const float *half, const float *specular, float k)
{
    const float h = dot(normal, half) * mwmRecipSqrt(dot(half, half));
    if (h > 0.0f)
        addScaled(acc, specular, k * std::exp2(mwr::state->material.shininess * std::log2(h)));
}

//---- Lighting functions

void shadeNone(const float *, float *, const float *, const mwrLIGHTSLOT *) {}

template <bool Specular>
void shadeDirectional(const float *normal, float *acc, const float *position, const mwrLIGHTSLOT *slot)
{
    const float d = dot(normal, slot->dir);
    if (!(d > 0.0f))
        return;
    addScaled(acc, slot->diffuse, d);
    if constexpr (Specular) {
        float half[3];
        towardsEye(position, half);
        half[0] += slot->dir[0];
        half[1] += slot->dir[1];
        half[2] += slot->dir[2];
        addSpecular(acc, normal, half, slot->specular, 1.0f);
    }
}

enum class Reach { Unlimited, Ranged, Cone };

// Point, ranged and spot lights: a point light, limited by range or cone.
template <Reach R, bool Specular>
void shadePoint(const float *normal, float *acc, const float *position, const mwrLIGHTSLOT *slot)
{
    const float toLight[3] = {slot->pos[0] - position[0], slot->pos[1] - position[1],
                              slot->pos[2] - position[2]};
    const float d = dot(normal, toLight);
    if (!(d > 0.0f))
        return;
    const float l = mwmRecipSqrt(dot(toLight, toLight));
    const float unit[3] = {toLight[0] * l, toLight[1] * l, toLight[2] * l};
    float attenuation = 1.0f;
    if constexpr (R == Reach::Ranged) {
        if (!(l > slot->range))
            return;
        const float q = slot->range / l;
        attenuation = 1.0f - q * q;
    }
    if constexpr (R == Reach::Cone) {
        if (!(slot->light->cone < dot(unit, slot->dir)))
            return;
    }
    addScaled(acc, slot->diffuse, d * l * attenuation);
    if constexpr (Specular) {
        float half[3];
        towardsEye(position, half);
        half[0] += unit[0];
        half[1] += unit[1];
        half[2] += unit[2];
        addSpecular(acc, normal, half, slot->specular, attenuation);
    }
}

void shadeGlow(const float *, float *acc, const float *position, const mwrLIGHTSLOT *slot)
{
    const float toLight[3] = {slot->pos[0] - position[0], slot->pos[1] - position[1],
                              slot->pos[2] - position[2]};
    const float l = mwmRecipSqrt(dot(toLight, toLight));
    if (!(l > slot->range))
        return;
    const float q = slot->range / l;
    addScaled(acc, slot->diffuse, 1.0f - q * q);
}

// Indexed by light type; 0 serves black lights and ambient lights.
const mwrSHADE_FN kShade[] = {
    shadeNone,
    shadeNone,
    shadeDirectional<true>,
    shadeDirectional<false>,
    shadePoint<Reach::Unlimited, true>,
    shadePoint<Reach::Unlimited, false>,
    shadePoint<Reach::Ranged, true>,
    shadePoint<Reach::Ranged, false>,
    shadePoint<Reach::Cone, true>,
    shadePoint<Reach::Cone, false>,
    shadeGlow,
};
constexpr int kTypes = sizeof kShade / sizeof kShade[0];

//---- Preparation for a material

// Black whatever the signs of its zeros.
bool isBlack(const float *color)
{
    return ((bitsOf(color[0]) | bitsOf(color[1]) | bitsOf(color[2])) & 0x7FFFFFFFu) == 0;
}

// The bit patterns summed as integers: zero for (+0, +0, +0), so a material
// whose specular is -0.0 keeps its lights' specular functions.
bool hasNoSpecular(const float *specular)
{
    return bitsOf(specular[0]) + bitsOf(specular[1]) + bitsOf(specular[2]) == 0;
}

bool hasSpecularVariant(int type)
{
    return type == MWR_LIGHT_DIRECTIONAL || type == MWR_LIGHT_POINT || type == MWR_LIGHT_RANGED ||
           type == MWR_LIGHT_SPOT;
}

void prepareSlot(mwrLIGHTSLOT &slot, const mwmMATRIX &worldToModel, bool noSpecular)
{
    mwrRENDERSTATE &st = *mwr::state;
    const mwrLIGHT &light = *slot.light;
    const int type = light.type;
    if (isBlack(light.color) || type < 1 || type >= kTypes) {
        slot.shade = shadeNone;
        return;
    }
    slot.shade = kShade[type];
    if (type == MWR_LIGHT_AMBIENT) {
        float term[3];
        product(term, light.color, st.material.diffuse);
        addScaled(st.ambient, term, 1.0f);
        return;
    }

    mwmMATRIX w; // the light placed in model space
    mwmMatrixMultiply(&w, &light.matrix, &worldToModel);
    const float zAxis[3] = {w.m[2], w.m[6], w.m[10]};
    if (type == MWR_LIGHT_DIRECTIONAL || type == MWR_LIGHT_DIRECTIONAL_DIFFUSE || type == MWR_LIGHT_SPOT ||
        type == MWR_LIGHT_SPOT_DIFFUSE) {
        const float r = -mwmRecipSqrt(dot(zAxis, zAxis));
        slot.dir[0] = zAxis[0] * r;
        slot.dir[1] = zAxis[1] * r;
        slot.dir[2] = zAxis[2] * r;
    }
    if (type >= MWR_LIGHT_POINT) {
        slot.pos[0] = w.m[3];
        slot.pos[1] = w.m[7];
        slot.pos[2] = w.m[11];
    }
    if (type == MWR_LIGHT_RANGED || type == MWR_LIGHT_RANGED_DIFFUSE || type == MWR_LIGHT_GLOW)
        slot.range = light.falloff * mwmRecipSqrt(dot(zAxis, zAxis));
    product(slot.diffuse, light.color, st.material.diffuse);
    if (hasSpecularVariant(type)) {
        if (noSpecular)
            slot.shade = kShade[type + 1];
        else
            product(slot.specular, light.color, st.material.specular);
    }
}

} // namespace

namespace mwr {

void prepareLights()
{
    mwrRENDERSTATE &st = *state;
    const mwrMATERIAL &material = st.material;
    std::memcpy(st.ambient, material.colorMode ? material.emissive : material.diffuse, sizeof st.ambient);
    mwmMATRIX worldToModel;
    mwmMatrixInverse(&worldToModel, &st.model);
    const bool noSpecular = hasNoSpecular(material.specular);
    for (mwrLIGHTSLOT *slot = st.lights; slot; slot = slot->next)
        prepareSlot(*slot, worldToModel, noSpecular);
}

} // namespace mwr

extern "C" {

mwrLIGHT *mwrLightAlloc(int count)
{
    return mwr::allocRecords<mwrLIGHT>(kOwner, __LINE__, "mwrLightAlloc", count, [](mwrLIGHT &light) {
        light.type = MWR_LIGHT_DIRECTIONAL;
        light.color[0] = light.color[1] = light.color[2] = 1.0f;
        light.falloff = 0.0f;
        light.cone = 0.9063078f; // cos 25 degrees
        mwmMatrixIdentity(&light.matrix);
    });
}

void mwrLightFree(mwrLIGHT *light) { mwr::freeRecords(light, kOwner, __LINE__, "mwrLightFree"); }

void mwrLightCopy(mwrLIGHT *dst, const mwrLIGHT *src)
{
    mwr::copyRecord(dst, src, sizeof *dst, kOwner, __LINE__, "mwrLightCopy");
}

void mwrLightAdd(mwrLIGHT *light, int32_t key)
{
    mwr::requireRecord(light, kOwner, __LINE__, "mwrLightAdd");
    mwrRENDERSTATE &st = mwr::requireState("mwrLightAdd");
    if (!freeSlot)
        mwFatal("mwrAddLight: Too many lights (%d)\n", MWR_MAX_LIGHTS);

    mwrLIGHTSLOT &slot = *freeSlot;
    slot.next = st.lights;
    st.lights = &slot;
    slot.key = key;
    slot.light = light;
    // Until a material prepares it the slot adds nothing.
    slot.shade = shadeNone;

    freeSlot = nullptr;
    for (mwrLIGHTSLOT &candidate : slots) {
        if (!candidate.light) {
            freeSlot = &candidate;
            break;
        }
    }
    if (!freeSlot)
        mwFatal("mwrAddLight: Find- Too many lights (%d)\n", MWR_MAX_LIGHTS);
}

int mwrLightRemove(int32_t key)
{
    if (!mwr::state)
        return 0;
    int removed = 0;
    mwrLIGHTSLOT *previous = nullptr;
    mwrLIGHTSLOT *slot = mwr::state->lights;
    while (slot) {
        mwrLIGHTSLOT *next = slot->next;
        if (slot->key == key) {
            if (previous)
                previous->next = next;
            else
                mwr::state->lights = next;
            slot->light = nullptr;
            slot->next = nullptr;
            freeSlot = slot;
            ++removed;
        } else {
            previous = slot;
        }
        slot = next;
    }
    return removed;
}

void mwrLightReset(void)
{
    std::memset(slots, 0, sizeof slots);
    freeSlot = slots;
    if (mwr::state)
        mwr::state->lights = nullptr;
}

} // extern "C"
