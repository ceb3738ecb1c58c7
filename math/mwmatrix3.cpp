// 3x3 matrices: rotations, inverses and orthonormal bases.
#include <cstring>

#include "mwmintern.h"

namespace {

const char kOwner[] = "mwmatrix3";

void store(mwmMATRIX3 *out, const float r[9]) { std::memcpy(out->m, r, sizeof out->m); }

void rotate(float *m, mwm::SinCos x, mwm::SinCos y, mwm::SinCos z)
{
    mwm::rotateRows(m + 0, m + 3, z);
    mwm::rotateRows(m + 3, m + 6, x);
    mwm::rotateRows(m + 6, m + 0, y);
}

// A rotation about `axis` turns the two other rows; an axis other than 0 to
// 2 is an invalid parameter of `function`.
void rotateAxis(mwmMATRIX3 *m, int axis, mwm::SinCos a, const char *function, int line)
{
    if (axis < 0 || axis > 2)
        mwError(kOwner, line, function, MW_ERR_INVALID_PARAMETER);
    mwm::rotateRows(m->m + 3 * ((axis + 1) % 3), m->m + 3 * ((axis + 2) % 3), a);
}

mwmVECTOR row(const mwmMATRIX3 *m, int r) { return {m->m[3 * r], m->m[3 * r + 1], m->m[3 * r + 2]}; }

void setRow(mwmMATRIX3 *m, int r, const mwmVECTOR &v)
{
    m->m[3 * r] = v.x;
    m->m[3 * r + 1] = v.y;
    m->m[3 * r + 2] = v.z;
}

} // namespace

extern "C" {

void mwmMatrix3Identity(mwmMATRIX3 *m)
{
    static const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    store(m, identity);
}

void mwmMatrix3Set(mwmMATRIX3 *m, float c0r0, float c0r1, float c0r2, float c1r0, float c1r1, float c1r2,
                   float c2r0, float c2r1, float c2r2)
{
    const float r[9] = {c0r0, c1r0, c2r0, c0r1, c1r1, c2r1, c0r2, c1r2, c2r2};
    store(m, r);
}

void mwmMatrix3Copy(mwmMATRIX3 *out, const mwmMATRIX3 *a)
{
    if (out != a)
        store(out, a->m);
}

void mwmMatrix3Add(mwmMATRIX3 *out, const mwmMATRIX3 *a, const mwmMATRIX3 *b)
{
    for (int i = 0; i < 9; ++i)
        out->m[i] = a->m[i] + b->m[i];
}

void mwmMatrix3Sub(mwmMATRIX3 *out, const mwmMATRIX3 *a, const mwmMATRIX3 *b)
{
    for (int i = 0; i < 9; ++i)
        out->m[i] = a->m[i] - b->m[i];
}

void mwmMatrix3Transpose(mwmMATRIX3 *out, const mwmMATRIX3 *am)
{
    const float *a = am->m;
    const float r[9] = {a[0], a[3], a[6], a[1], a[4], a[7], a[2], a[5], a[8]};
    store(out, r);
}

void mwmMatrix3Multiply(mwmMATRIX3 *out, const mwmMATRIX3 *am, const mwmMATRIX3 *bm)
{
    const float *a = am->m;
    const float *b = bm->m;
    float r[9];
    r[0] = b[0] * a[0] + b[1] * a[3] + b[2] * a[6];
    r[1] = b[0] * a[1] + b[1] * a[4] + b[2] * a[7];
    r[2] = b[0] * a[2] + b[1] * a[5] + b[2] * a[8];
    r[3] = b[3] * a[0] + b[4] * a[3] + b[5] * a[6];
    r[4] = b[3] * a[1] + b[4] * a[4] + b[5] * a[7];
    r[5] = b[3] * a[2] + b[4] * a[5] + b[5] * a[8];
    r[6] = b[6] * a[0] + b[7] * a[3] + b[8] * a[6];
    r[7] = b[6] * a[1] + b[7] * a[4] + b[8] * a[7];
    r[8] = b[6] * a[2] + b[7] * a[5] + b[8] * a[8];
    store(out, r);
}

void mwmMatrix3Transform(mwmVECTOR *out, const mwmMATRIX3 *mm, const mwmVECTOR *v)
{
    const float *m = mm->m;
    const mwmVECTOR r = {
        m[0] * v->x + m[1] * v->y + m[2] * v->z,
        m[3] * v->x + m[4] * v->y + m[5] * v->z,
        m[6] * v->x + m[7] * v->y + m[8] * v->z,
    };
    *out = r;
}

float mwmMatrix3Determinant(const mwmMATRIX3 *mm)
{
    const float *m = mm->m;
    return m[0] * (m[4] * m[8] - m[5] * m[7]) + m[1] * (m[5] * m[6] - m[3] * m[8]) +
           m[2] * (m[3] * m[7] - m[4] * m[6]);
}

int mwmMatrix3Inverse(mwmMATRIX3 *out, const mwmMATRIX3 *am)
{
    const float d = mwmMatrix3Determinant(am);
    if (d == 0.0f)
        return 0;
    const float *a = am->m;
    const float k = 1.0f / d;
    float r[9];
    r[0] = (a[4] * a[8] - a[5] * a[7]) * k;
    r[1] = (a[2] * a[7] - a[1] * a[8]) * k;
    r[2] = (a[1] * a[5] - a[2] * a[4]) * k;
    r[3] = (a[5] * a[6] - a[3] * a[8]) * k;
    r[4] = (a[0] * a[8] - a[2] * a[6]) * k;
    r[5] = (a[2] * a[3] - a[0] * a[5]) * k;
    r[6] = (a[3] * a[7] - a[4] * a[6]) * k;
    r[7] = (a[1] * a[6] - a[0] * a[7]) * k;
    r[8] = (a[0] * a[4] - a[1] * a[3]) * k;
    store(out, r);
    return 1;
}

void mwmMatrix3ScaleBy(mwmMATRIX3 *out, const mwmMATRIX3 *a, float s)
{
    for (int i = 0; i < 9; ++i)
        out->m[i] = a->m[i] * s;
}

void mwmMatrix3SetScale(mwmMATRIX3 *m, float x, float y, float z)
{
    m->m[0] = x;
    m->m[4] = y;
    m->m[8] = z;
}

void mwmMatrix3Skew(mwmMATRIX3 *m, float a, float b)
{
    m->m[6] += a;
    m->m[7] += b;
}

void mwmMatrix3Rotate(mwmMATRIX3 *m, float x, float y, float z)
{
    rotate(m->m, mwm::sinCosF(x), mwm::sinCosF(y), mwm::sinCosF(z));
}

void mwmMatrix3RotateI(mwmMATRIX3 *m, int x, int y, int z)
{
    rotate(m->m, mwm::sinCosI(x), mwm::sinCosI(y), mwm::sinCosI(z));
}

void mwmMatrix3SetRotation(mwmMATRIX3 *m, float x, float y, float z)
{
    mwmMatrix3Identity(m);
    mwmMatrix3Rotate(m, x, y, z);
}

void mwmMatrix3SetRotationI(mwmMATRIX3 *m, int x, int y, int z)
{
    mwmMatrix3Identity(m);
    mwmMatrix3RotateI(m, x, y, z);
}

void mwmMatrix3RotateAxis(mwmMATRIX3 *m, int axis, float angle)
{
    rotateAxis(m, axis, mwm::sinCosF(angle), "mwmMatrix3RotateAxis", __LINE__);
}

void mwmMatrix3RotateAxisI(mwmMATRIX3 *m, int axis, int angle)
{
    rotateAxis(m, axis, mwm::sinCosI(angle), "mwmMatrix3RotateAxisI", __LINE__);
}

void mwmMatrix3Orthonormalize(mwmMATRIX3 *m)
{
    mwmVECTOR x = row(m, 0);
    mwmVectorNormalize(&x);
    mwmVECTOR y = row(m, 1);
    const float k = y.x * x.x + y.y * x.y + y.z * x.z;
    y = {y.x - k * x.x, y.y - k * x.y, y.z - k * x.z};
    mwmVectorNormalize(&y);
    mwmVECTOR z;
    mwmVectorCross(&z, &x, &y);
    setRow(m, 0, x);
    setRow(m, 1, y);
    setRow(m, 2, z);
}

void mwmMatrix3LookAt(mwmMATRIX3 *m, const mwmVECTOR *eye, mwmVECTOR *up, const mwmVECTOR *target)
{
    mwmVECTOR x, y, z;
    mwm::lookAtAxes(*eye, *up, *target, x, z);
    mwmVectorCross(&y, &z, &x);
    mwmVectorNormalize(&y);
    mwmMatrix3Set(m, x.x, x.y, x.z, y.x, y.y, y.z, z.x, z.y, z.z);
}

} // extern "C"
