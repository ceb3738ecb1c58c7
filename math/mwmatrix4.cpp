// 4x4 matrices: placements, products, inverses, Euler rotations.
#include <cstring>

#include "mwmintern.h"

namespace {

[[gnu::used]] const char kIdent[] = "$MWID Marrow Math Library 3.0. Build 0513 (lumenfall)$";

void store(mwmMATRIX *out, const float r[16]) { std::memcpy(out->m, r, sizeof out->m); }

void rotate(float *m, mwm::SinCos x, mwm::SinCos y, mwm::SinCos z)
{
    mwm::rotateRows(m + 0, m + 4, z);
    mwm::rotateRows(m + 4, m + 8, x);
    mwm::rotateRows(m + 8, m + 0, y);
}

// Translation of an inverse whose rotation part r[0..10] is already written:
// the inverse rotation applied to the negated translation of a.
void inverseTranslation(float r[16], const float *a)
{
    r[3] = -(r[0] * a[3] + r[1] * a[7] + r[2] * a[11]);
    r[7] = -(r[4] * a[3] + r[5] * a[7] + r[6] * a[11]);
    r[11] = -(r[8] * a[3] + r[9] * a[7] + r[10] * a[11]);
    r[12] = 0.0f;
    r[13] = 0.0f;
    r[14] = 0.0f;
    r[15] = 1.0f;
}

// v reduced into 0..size-1; negative values wrap upwards.
long long wrap(long long v, int size)
{
    const long long r = v % size;
    return r < 0 ? r + size : r;
}

} // namespace

extern "C" {

void mwmMatrixIdentity(mwmMATRIX *m)
{
    static const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    store(m, identity);
}

void mwmMatrixSet(mwmMATRIX *m, float c0r0, float c0r1, float c0r2, float c0r3, float c1r0, float c1r1,
                  float c1r2, float c1r3, float c2r0, float c2r1, float c2r2, float c2r3, float c3r0,
                  float c3r1, float c3r2, float c3r3)
{
    const float r[16] = {c0r0, c1r0, c2r0, c3r0, c0r1, c1r1, c2r1, c3r1,
                         c0r2, c1r2, c2r2, c3r2, c0r3, c1r3, c2r3, c3r3};
    store(m, r);
}

void mwmMatrixCopy(mwmMATRIX *out, const mwmMATRIX *a)
{
    if (out != a)
        store(out, a->m);
}

void mwmMatrixAdd(mwmMATRIX *out, const mwmMATRIX *a, const mwmMATRIX *b)
{
    for (int i = 0; i < 16; ++i)
        out->m[i] = a->m[i] + b->m[i];
}

void mwmMatrixSub(mwmMATRIX *out, const mwmMATRIX *a, const mwmMATRIX *b)
{
    for (int i = 0; i < 16; ++i)
        out->m[i] = a->m[i] - b->m[i];
}

void mwmMatrixMultiply(mwmMATRIX *out, const mwmMATRIX *am, const mwmMATRIX *bm)
{
    const float *a = am->m;
    const float *b = bm->m;
    float r[16];
    r[0] = b[0] * a[0] + b[1] * a[4] + b[2] * a[8] + b[3] * a[12];
    r[1] = b[0] * a[1] + b[1] * a[5] + b[2] * a[9] + b[3] * a[13];
    r[2] = b[0] * a[2] + b[1] * a[6] + b[2] * a[10] + b[3] * a[14];
    r[3] = b[0] * a[3] + b[1] * a[7] + b[2] * a[11] + b[3] * a[15];
    r[4] = b[4] * a[0] + b[5] * a[4] + b[6] * a[8] + b[7] * a[12];
    r[5] = b[4] * a[1] + b[5] * a[5] + b[6] * a[9] + b[7] * a[13];
    r[6] = b[4] * a[2] + b[5] * a[6] + b[6] * a[10] + b[7] * a[14];
    r[7] = b[4] * a[3] + b[5] * a[7] + b[6] * a[11] + b[7] * a[15];
    r[8] = b[8] * a[0] + b[9] * a[4] + b[10] * a[8] + b[11] * a[12];
    r[9] = b[8] * a[1] + b[9] * a[5] + b[10] * a[9] + b[11] * a[13];
    r[10] = b[8] * a[2] + b[9] * a[6] + b[10] * a[10] + b[11] * a[14];
    r[11] = b[8] * a[3] + b[9] * a[7] + b[10] * a[11] + b[11] * a[15];
    r[12] = b[12] * a[0] + b[13] * a[4] + b[14] * a[8] + b[15] * a[12];
    r[13] = b[12] * a[1] + b[13] * a[5] + b[14] * a[9] + b[15] * a[13];
    r[14] = b[12] * a[2] + b[13] * a[6] + b[14] * a[10] + b[15] * a[14];
    r[15] = b[12] * a[3] + b[13] * a[7] + b[14] * a[11] + b[15] * a[15];
    store(out, r);
}

void mwmMatrixTranspose(mwmMATRIX *out, const mwmMATRIX *am)
{
    const float *a = am->m;
    const float r[16] = {a[0], a[4], a[8],  a[12], a[1], a[5], a[9],  a[13],
                         a[2], a[6], a[10], a[14], a[3], a[7], a[11], a[15]};
    store(out, r);
}

void mwmMatrixInverse(mwmMATRIX *out, const mwmMATRIX *am)
{
    const float *a = am->m;
    const float c0 = a[5] * a[10] - a[6] * a[9];
    const float c1 = a[6] * a[8] - a[4] * a[10];
    const float c2 = a[4] * a[9] - a[5] * a[8];
    const float d = a[0] * c0 + a[1] * c1 + a[2] * c2;
    if (d == 0.0f) {
        mwLogPrintf("Singular matrix cannont be inverted.\n");
        mwmMatrixIdentity(out);
        return;
    }
    const float k = 1.0f / d;
    float r[16];
    r[0] = c0 * k;
    r[1] = (a[2] * a[9] - a[1] * a[10]) * k;
    r[2] = (a[1] * a[6] - a[2] * a[5]) * k;
    r[4] = c1 * k;
    r[5] = (a[0] * a[10] - a[2] * a[8]) * k;
    r[6] = (a[2] * a[4] - a[0] * a[6]) * k;
    r[8] = c2 * k;
    r[9] = (a[1] * a[8] - a[0] * a[9]) * k;
    r[10] = (a[0] * a[5] - a[1] * a[4]) * k;
    inverseTranslation(r, a);
    store(out, r);
}

void mwmMatrixRigidInverse(mwmMATRIX *out, const mwmMATRIX *am)
{
    const float *a = am->m;
    float r[16];
    r[0] = a[0];
    r[1] = a[4];
    r[2] = a[8];
    r[4] = a[1];
    r[5] = a[5];
    r[6] = a[9];
    r[8] = a[2];
    r[9] = a[6];
    r[10] = a[10];
    inverseTranslation(r, a);
    store(out, r);
}

void mwmMatrixSetTranslation(mwmMATRIX *m, float x, float y, float z)
{
    m->m[3] = x;
    m->m[7] = y;
    m->m[11] = z;
}

void mwmMatrixSetScale(mwmMATRIX *m, float x, float y, float z)
{
    m->m[0] = x;
    m->m[5] = y;
    m->m[10] = z;
}

void mwmMatrixSkew(mwmMATRIX *m, float a, float b)
{
    m->m[8] += a;
    m->m[9] += b;
}

void mwmMatrixScale3(mwmMATRIX *out, const mwmMATRIX *am, float s)
{
    const float *a = am->m;
    float *r = out->m;
    r[0] = a[0] * s;
    r[1] = a[1] * s;
    r[2] = a[2] * s;
    r[4] = a[4] * s;
    r[5] = a[5] * s;
    r[6] = a[6] * s;
    r[8] = a[8] * s;
    r[9] = a[9] * s;
    r[10] = a[10] * s;
}

void mwmMatrixRotate(mwmMATRIX *m, float x, float y, float z)
{
    rotate(m->m, mwm::sinCosF(x), mwm::sinCosF(y), mwm::sinCosF(z));
}

void mwmMatrixRotateI(mwmMATRIX *m, int x, int y, int z)
{
    rotate(m->m, mwm::sinCosI(x), mwm::sinCosI(y), mwm::sinCosI(z));
}

void mwmMatrixSetRotation(mwmMATRIX *m, float x, float y, float z)
{
    mwmMatrixIdentity(m);
    mwmMatrixRotate(m, x, y, z);
}

void mwmMatrixSetRotationI(mwmMATRIX *m, int x, int y, int z)
{
    mwmMatrixIdentity(m);
    mwmMatrixRotateI(m, x, y, z);
}

void mwmMatrixLookAt(mwmMATRIX *m, const mwmVECTOR *eye, mwmVECTOR *up, const mwmVECTOR *target)
{
    mwmVECTOR x, y, z;
    mwm::lookAtAxes(*eye, *up, *target, x, z);
    mwmVectorCross(&y, &x, &z);
    mwmVectorNormalize(&y);
    mwmMatrixSet(m, x.x, x.y, x.z, 0.0f, y.x, y.y, y.z, 0.0f, z.x, z.y, z.z, 0.0f, eye->x, eye->y, eye->z,
                 1.0f);
}

void mwmMatrixTransformTransposed(mwmVECTOR4 *out, const mwmMATRIX *mm, const mwmVECTOR4 *v)
{
    const float *m = mm->m;
    const mwmVECTOR4 r = {
        m[0] * v->x + m[4] * v->y + m[8] * v->z + m[12] * v->w,
        m[1] * v->x + m[5] * v->y + m[9] * v->z + m[13] * v->w,
        m[2] * v->x + m[6] * v->y + m[10] * v->z + m[14] * v->w,
        m[3] * v->x + m[7] * v->y + m[11] * v->z + m[15] * v->w,
    };
    *out = r;
}

void mwmMatrixTransformPoint(mwmVECTOR *out, const mwmMATRIX *mm, const mwmVECTOR *v)
{
    const float *m = mm->m;
    const mwmVECTOR r = {
        m[0] * v->x + m[4] * v->y + m[8] * v->z + m[3],
        m[1] * v->x + m[5] * v->y + m[9] * v->z + m[7],
        m[2] * v->x + m[6] * v->y + m[10] * v->z + m[11],
    };
    *out = r;
}

void mwmMatrixWindow(mwmMATRIX *m, const float *grid, int x0, int y0, int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    for (int i = 0; i < 4; ++i) {
        const long long row = wrap(static_cast<long long>(y0) + i, height);
        for (int j = 0; j < 4; ++j) {
            const long long col = wrap(static_cast<long long>(x0) + j, width);
            m->m[4 * i + j] = grid[row * width + col];
        }
    }
}

void mwmMatrixSetRotationX(mwmMATRIX *, float) { mwFatal("setZrot: not implemented"); }

void mwmMatrixSetRotationY(mwmMATRIX *, float) { mwFatal("setZrot: not implemented"); }

void mwmMatrixSetRotationZ(mwmMATRIX *, float) { mwFatal("setZrot: not implemented"); }

} // extern "C"
