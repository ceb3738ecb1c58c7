// The six curve bases shared by the splines and the four-point curve
// evaluator: weights, and for the cubic kinds their derivatives.
#include <cmath>
#include <numbers>

#include "mwmath.h"

namespace {

const char kOwner[] = "mwbasis";

using BasisFunction = bool (*)(double t, float *w, float *dw);

bool hermite(double t, float *w, float *dw)
{
    const double t2 = t * t, t3 = t2 * t;
    w[0] = float(2.0 * t3 - 3.0 * t2 + 1.0);
    w[1] = float(-2.0 * t3 + 3.0 * t2);
    w[2] = float(t3 - 2.0 * t2 + t);
    w[3] = float(t3 - t2);
    if (dw) {
        dw[0] = float(6.0 * t2 - 6.0 * t);
        dw[1] = float(-6.0 * t2 + 6.0 * t);
        dw[2] = float(3.0 * t2 - 4.0 * t + 1.0);
        dw[3] = float(3.0 * t2 - 2.0 * t);
    }
    return true;
}

bool bezier(double t, float *w, float *dw)
{
    const double s = 1.0 - t;
    w[0] = float(s * s * s);
    w[1] = float(3.0 * t * s * s);
    w[2] = float(3.0 * t * t * s);
    w[3] = float(t * t * t);
    if (dw) {
        dw[0] = float(-3.0 * s * s);
        dw[1] = float(3.0 * s * s - 6.0 * t * s);
        dw[2] = float(6.0 * t * s - 3.0 * t * t);
        dw[3] = float(3.0 * t * t);
    }
    return true;
}

bool catmullRom(double t, float *w, float *dw)
{
    const double t2 = t * t, t3 = t2 * t;
    w[0] = float(-0.5 * t3 + t2 - 0.5 * t);
    w[1] = float(1.5 * t3 - 2.5 * t2 + 1.0);
    w[2] = float(-1.5 * t3 + 2.0 * t2 + 0.5 * t);
    w[3] = float(0.5 * t3 - 0.5 * t2);
    if (dw) {
        dw[0] = float(-1.5 * t2 + 2.0 * t - 0.5);
        dw[1] = float(4.5 * t2 - 5.0 * t);
        dw[2] = float(-4.5 * t2 + 4.0 * t + 0.5);
        dw[3] = float(1.5 * t2 - t);
    }
    return true;
}

bool bSpline(double t, float *w, float *dw)
{
    const double s = 1.0 - t, t2 = t * t, t3 = t2 * t;
    w[0] = float(s * s * s / 6.0);
    w[1] = float(0.5 * t3 - t2 + 2.0 / 3.0);
    w[2] = float(-0.5 * t3 + 0.5 * t2 + 0.5 * t + 1.0 / 6.0);
    w[3] = float(t3 / 6.0);
    if (dw) {
        dw[0] = float(-0.5 * s * s);
        dw[1] = float(1.5 * t2 - 2.0 * t);
        dw[2] = float(-1.5 * t2 + t + 0.5);
        dw[3] = float(0.5 * t2);
    }
    return true;
}

bool trigA(double t, float *w, float *)
{
    const double a = t * std::numbers::pi / 2.0, c = std::cos(a), s = std::sin(a);
    w[0] = float(c * (c - 1.0));
    w[1] = float(s * (s + 1.0));
    w[2] = float(c * (c + 1.0));
    w[3] = float(s * (s - 1.0));
    return false;
}

bool trigB(double t, float *w, float *)
{
    const double a = t * std::numbers::pi / 2.0, c = std::cos(a), s = std::sin(a);
    w[0] = float(1.0 - c);
    w[1] = float(1.0 + s);
    w[2] = float(1.0 + c);
    w[3] = float(1.0 - s);
    return false;
}

const BasisFunction kBasis[MWM_BASIS_KINDS] = {hermite, bezier, catmullRom, bSpline, trigA, trigB};

} // namespace

extern "C" {

int mwmBasisWeights(int kind, double t, float weights[4], float derivatives[4])
{
    if (kind < 0 || kind >= MWM_BASIS_KINDS || !weights)
        mwError(kOwner, __LINE__, "mwmBasisWeights", MW_ERR_INVALID_PARAMETER);
    return kBasis[kind](t, weights, derivatives) ? 1 : 0;
}

void mwmCurvePoint(const mwmVECTOR *p0, const mwmVECTOR *p1, const mwmVECTOR *p2, const mwmVECTOR *p3,
                   double t, mwmVECTOR *out, int kind)
{
    if (!p0 || !p1 || !p2 || !p3 || !out || kind < 0 || kind >= MWM_BASIS_KINDS)
        mwError(kOwner, __LINE__, "mwmCurvePoint", MW_ERR_INVALID_PARAMETER);
    float w[4];
    kBasis[kind](t, w, nullptr);
    const mwmVECTOR r = {
        w[0] * p0->x + w[1] * p1->x + w[2] * p2->x + w[3] * p3->x,
        w[0] * p0->y + w[1] * p1->y + w[2] * p2->y + w[3] * p3->y,
        w[0] * p0->z + w[1] * p1->z + w[2] * p2->z + w[3] * p3->z,
    };
    *out = r;
}

} // extern "C"
