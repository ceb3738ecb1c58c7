// Vectors: fast normalisation, products, polar form and Euler rotation.
#include <cmath>
#include <cstring>

#include "mwmintern.h"

namespace {

void rotate(mwmVECTOR *v, mwm::SinCos x, mwm::SinCos y, mwm::SinCos z)
{
    mwm::rotatePair(v->x, v->y, z);
    mwm::rotatePair(v->y, v->z, x);
    mwm::rotatePair(v->z, v->x, y);
}

} // namespace

namespace mwm {

void lookAtAxes(const mwmVECTOR &eye, mwmVECTOR &up, const mwmVECTOR &target, mwmVECTOR &x, mwmVECTOR &z)
{
    const mwmVECTOR w = {target.x - eye.x, target.y - eye.y, target.z - eye.z};
    z = w;
    mwmVectorNormalize(&z);
    const float k = up.x * z.x + up.y * z.y + up.z * z.z;
    up = {up.x - k * z.x, up.y - k * z.y, up.z - k * z.z};
    mwmVectorCross(&x, &up, &w);
    mwmVectorNormalize(&x);
}

} // namespace mwm

extern "C" {

void mwmVectorNormalize(mwmVECTOR *v)
{
    if (v->x == 0.0f && v->y == 0.0f && v->z == 0.0f)
        return;
    const float s = v->x * v->x + v->y * v->y + v->z * v->z;
    int32_t bits;
    std::memcpy(&bits, &s, sizeof bits);
    if (bits < 0)
        mwFatal("mwmVectorNormalize: length < 0\n");
    const float r = mwmRecipSqrt(s);
    if (r == 0.0f) {
        *v = {0.0f, 0.0f, 0.0f};
        return;
    }
    v->x *= r;
    v->y *= r;
    v->z *= r;
}

void mwmVectorCross(mwmVECTOR *out, const mwmVECTOR *a, const mwmVECTOR *b)
{
    const mwmVECTOR r = {
        a->y * b->z - a->z * b->y,
        a->z * b->x - a->x * b->z,
        a->x * b->y - a->y * b->x,
    };
    *out = r;
}

void mwmVectorToPolar(mwmVECTOR *out, const mwmVECTOR *v)
{
    const float flat = v->x * v->x + v->z * v->z;
    const mwmVECTOR r = {
        std::sqrt(flat + v->y * v->y),
        std::atan(v->y / std::sqrt(flat)),
        std::atan2(v->x, v->z),
    };
    *out = r;
}

void mwmVectorRotate(mwmVECTOR *v, float x, float y, float z)
{
    rotate(v, mwm::sinCosF(x), mwm::sinCosF(y), mwm::sinCosF(z));
}

void mwmVectorRotateI(mwmVECTOR *v, int x, int y, int z)
{
    rotate(v, mwm::sinCosI(x), mwm::sinCosI(y), mwm::sinCosI(z));
}

void mwmVector4Add(mwmVECTOR4 *out, const mwmVECTOR4 *a, const mwmVECTOR4 *b)
{
    *out = {a->x + b->x, a->y + b->y, a->z + b->z, a->w + b->w};
}

void mwmLerp(float *out, const float *a, const float *b, float t, int count)
{
    for (int i = 0; i < count; ++i)
        out[i] = a[i] + (b[i] - a[i]) * t;
}

} // extern "C"
