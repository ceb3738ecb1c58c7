// Internal to the math library: the degree tables, the rotation step and the
// look-at axes that the matrix and vector code share.
#ifndef MWMINTERN_H
#define MWMINTERN_H

#include "mwmath.h"

namespace mwm {

// Sine and cosine of one angle.
struct SinCos {
    float s, c;
};

// From the degree tables (whole degrees, any int).
SinCos sinCosI(int degrees);

// Exact, for float degrees.
SinCos sinCosF(float degrees);

// One rotation step on two rows of three elements: p = c p - s q and
// q = s p + c q, both from the old rows.
inline void rotateRows(float *p, float *q, SinCos a)
{
    const float p0 = p[0], p1 = p[1], p2 = p[2];
    const float q0 = q[0], q1 = q[1], q2 = q[2];
    p[0] = a.c * p0 - a.s * q0;
    p[1] = a.c * p1 - a.s * q1;
    p[2] = a.c * p2 - a.s * q2;
    q[0] = a.s * p0 + a.c * q0;
    q[1] = a.s * p1 + a.c * q1;
    q[2] = a.s * p2 + a.c * q2;
}

// The same step on two components of a vector.
inline void rotatePair(float &p, float &q, SinCos a)
{
    const float p0 = p;
    p = a.c * p0 - a.s * q;
    q = a.s * p0 + a.c * q;
}

// The axes of a look-at placement: z towards target and x = up x (target -
// eye), both normalised, after up was made perpendicular to z. The two
// matrix forms differ only in the sign of their second axis.
void lookAtAxes(const mwmVECTOR &eye, mwmVECTOR &up, const mwmVECTOR &target, mwmVECTOR &x, mwmVECTOR &z);

} // namespace mwm

#endif // MWMINTERN_H
