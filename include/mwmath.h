/*
 * mwmath.h - the Marrow math library: vectors, 3x3 and 4x4 matrices, Euler
 * rotations in degrees, degree tables and fast normalisation.
 *
 * Conventions
 * - All numbers are 32-bit floats. Every operation works on caller-owned
 *   storage, writes its result through the first pointer and allocates
 *   nothing; the output may be the same record as an input.
 * - Matrices are row-major and act on column vectors: m[4r + c] is row r,
 *   column c. A placement holds its rotation in rows and columns 0..2 (the
 *   columns are the placed object's X, Y and Z axes), its translation in
 *   m[3], m[7], m[11], and the bottom row 0, 0, 0, 1.
 * - A x B is the ordinary product: applied to a point, B acts first.
 * - Euler angles are degrees; positive angles turn counter-clockwise about
 *   the axis. The I forms take whole degrees and read the degree tables,
 *   which fill themselves before their first use.
 * - Printing goes to the report log (MARROW.TXT), which only a kernel built
 *   with the log option writes.
 */
#ifndef MWMATH_H
#define MWMATH_H

#include <stdint.h>
#include <string.h>
#if defined(_M_IX86) && !defined(__GNUC__)
#include <float.h>
#endif

#include "mwkernel.h"

MW_EXTERN_C_BEGIN

/*---- Records -------------------------------------------------------------*/

typedef struct mwmVECTOR {
    float x, y, z;
} mwmVECTOR;

typedef struct mwmVECTOR4 {
    float x, y, z, w;
} mwmVECTOR4;

/* m[4r + c] is row r, column c. */
typedef struct mwmMATRIX {
    float m[16];
} mwmMATRIX;

/* m[3r + c] is row r, column c. */
typedef struct mwmMATRIX3 {
    float m[9];
} mwmMATRIX3;

/* Angle conversion used by the float rotation forms. */
#define MWM_DEG_TO_RAD 0.017453292519943295

/*---- Fast reciprocal square root -----------------------------------------*/

/* 1 / sqrt(x) from the 0x5F3759DF estimate and two Newton steps (relative
 * error below 5e-6). Shared by the normalisation and the render library's
 * per-vertex lighting, which must not pay for a square root and a division. */
static inline float mwmRecipSqrt(float x)
{
    const float half = 0.5f * x;
    uint32_t bits;
    float r;
    memcpy(&bits, &x, sizeof bits);
    bits = 0x5F3759DFu - (bits >> 1);
    memcpy(&r, &bits, sizeof r);
    r = r * (1.5f - half * r * r);
    r = r * (1.5f - half * r * r);
    return r;
}

/*---- Float precision -----------------------------------------------------*/

/* Clears the x87 unit's pending exceptions and has it round to single
 * precision, so that sums which snap to a grid (the engine's and the display
 * driver's) give the same bits as with SSE. Does nothing where floats are
 * computed in SSE (all of x86-64) and are single already. Inline, since the
 * driver links nothing of the engine. */
static inline void mwmUseSinglePrecision(void)
{
#if defined(__i386__) && defined(__GNUC__)
    uint16_t control;
    __asm__ volatile("fnclex\n\tfnstcw %0" : "=m"(control));
    control &= (uint16_t)~0x300u;
    __asm__ volatile("fldcw %0" : : "m"(control));
#elif defined(_M_IX86)
    _clearfp();
    _controlfp(_PC_24, _MCW_PC);
#endif
}

/*---- 4x4 matrices --------------------------------------------------------*/

void mwmMatrixIdentity(mwmMATRIX *m);
/* The sixteen values are listed column by column: argument k goes to
 * m[4 (k mod 4) + (k div 4)]. */
void mwmMatrixSet(mwmMATRIX *m, float c0r0, float c0r1, float c0r2, float c0r3, float c1r0, float c1r1,
                  float c1r2, float c1r3, float c2r0, float c2r1, float c2r2, float c2r3, float c3r0,
                  float c3r1, float c3r2, float c3r3);
void mwmMatrixCopy(mwmMATRIX *out, const mwmMATRIX *a);
void mwmMatrixAdd(mwmMATRIX *out, const mwmMATRIX *a, const mwmMATRIX *b);
void mwmMatrixSub(mwmMATRIX *out, const mwmMATRIX *a, const mwmMATRIX *b);
/* out = b x a: a acts first. */
void mwmMatrixMultiply(mwmMATRIX *out, const mwmMATRIX *a, const mwmMATRIX *b);
void mwmMatrixTranspose(mwmMATRIX *out, const mwmMATRIX *a);
/* Affine inverse (the bottom row of a is not read). A rotation part whose
 * determinant is exactly 0 gives the identity and the log line
 * "Singular matrix cannont be inverted."; any other is inverted. */
void mwmMatrixInverse(mwmMATRIX *out, const mwmMATRIX *a);
/* Inverse of a rotation-plus-translation: the rotation part is transposed. */
void mwmMatrixRigidInverse(mwmMATRIX *out, const mwmMATRIX *a);
/* m[3], m[7], m[11] = x, y, z; nothing else changes. */
void mwmMatrixSetTranslation(mwmMATRIX *m, float x, float y, float z);
/* m[0], m[5], m[10] = x, y, z; nothing else changes. */
void mwmMatrixSetScale(mwmMATRIX *m, float x, float y, float z);
/* m[8] += a, m[9] += b. */
void mwmMatrixSkew(mwmMATRIX *m, float a, float b);
/* The rotation part of out = that of a times s; the other seven elements of
 * out keep their values. */
void mwmMatrixScale3(mwmMATRIX *out, const mwmMATRIX *a, float s);
/* m = Ry(y) x Rx(x) x Rz(z) x m on rows 0..2, columns 0..2 only (the
 * translation column and the bottom row are untouched). */
void mwmMatrixRotate(mwmMATRIX *m, float x, float y, float z);
void mwmMatrixRotateI(mwmMATRIX *m, int x, int y, int z);
/* Identity, then the rotation above. */
void mwmMatrixSetRotation(mwmMATRIX *m, float x, float y, float z);
void mwmMatrixSetRotationI(mwmMATRIX *m, int x, int y, int z);
/* A placement at eye with its Z axis towards target (camera to world): the
 * columns are x = up x (target - eye), y = x x z and z, all normalised. The
 * caller's up is made perpendicular to the view direction. */
void mwmMatrixLookAt(mwmMATRIX *m, const mwmVECTOR *eye, mwmVECTOR *up, const mwmVECTOR *target);
/* out[i] = m[i] v.x + m[4 + i] v.y + m[8 + i] v.z + m[12 + i] v.w: the
 * transpose of m applied to v (carries planes through an inverse). */
void mwmMatrixTransformTransposed(mwmVECTOR4 *out, const mwmMATRIX *m, const mwmVECTOR4 *v);
/* out[i] = m[i] v.x + m[4 + i] v.y + m[8 + i] v.z + m[4i + 3]: the
 * transposed rotation part, then the translation. */
void mwmMatrixTransformPoint(mwmVECTOR *out, const mwmMATRIX *m, const mwmVECTOR *v);
/* m[4i + j] = grid[row * width + col] with row = y0 + i and col = x0 + j
 * wrapped into the grid (negative values wrap upwards); nothing happens when
 * width or height is 0 or less. */
void mwmMatrixWindow(mwmMATRIX *m, const float *grid, int x0, int y0, int width, int height);
/* Four lines "name : column values" to the report log. */
void mwmMatrixPrint(const char *name, const mwmMATRIX *m);

/* Placeholders for single-axis rotation setters: each ends the program with
 * "setZrot: not implemented". */
MW_NORETURN void mwmMatrixSetRotationX(mwmMATRIX *m, float angle);
MW_NORETURN void mwmMatrixSetRotationY(mwmMATRIX *m, float angle);
MW_NORETURN void mwmMatrixSetRotationZ(mwmMATRIX *m, float angle);

/*---- 3x3 matrices --------------------------------------------------------*/

void mwmMatrix3Identity(mwmMATRIX3 *m);
/* Argument k goes to m[3 (k mod 3) + (k div 3)]: column by column. */
void mwmMatrix3Set(mwmMATRIX3 *m, float c0r0, float c0r1, float c0r2, float c1r0, float c1r1, float c1r2,
                   float c2r0, float c2r1, float c2r2);
void mwmMatrix3Copy(mwmMATRIX3 *out, const mwmMATRIX3 *a);
void mwmMatrix3Add(mwmMATRIX3 *out, const mwmMATRIX3 *a, const mwmMATRIX3 *b);
void mwmMatrix3Sub(mwmMATRIX3 *out, const mwmMATRIX3 *a, const mwmMATRIX3 *b);
void mwmMatrix3Transpose(mwmMATRIX3 *out, const mwmMATRIX3 *a);
/* out = b x a: a acts first. */
void mwmMatrix3Multiply(mwmMATRIX3 *out, const mwmMATRIX3 *a, const mwmMATRIX3 *b);
/* out = m x v. */
void mwmMatrix3Transform(mwmVECTOR *out, const mwmMATRIX3 *m, const mwmVECTOR *v);
float mwmMatrix3Determinant(const mwmMATRIX3 *m);
/* 1 with the inverse in out; 0 with out untouched when the determinant is
 * exactly 0. */
int mwmMatrix3Inverse(mwmMATRIX3 *out, const mwmMATRIX3 *a);
/* All nine elements times s. */
void mwmMatrix3ScaleBy(mwmMATRIX3 *out, const mwmMATRIX3 *a, float s);
/* m[0], m[4], m[8] = x, y, z. */
void mwmMatrix3SetScale(mwmMATRIX3 *m, float x, float y, float z);
/* m[6] += a, m[7] += b. */
void mwmMatrix3Skew(mwmMATRIX3 *m, float a, float b);
/* m = Ry(y) x Rx(x) x Rz(z) x m. */
void mwmMatrix3Rotate(mwmMATRIX3 *m, float x, float y, float z);
void mwmMatrix3RotateI(mwmMATRIX3 *m, int x, int y, int z);
void mwmMatrix3SetRotation(mwmMATRIX3 *m, float x, float y, float z);
void mwmMatrix3SetRotationI(mwmMATRIX3 *m, int x, int y, int z);
/* One rotation about axis 0 (X), 1 (Y) or 2 (Z); any other axis is an
 * invalid parameter. */
void mwmMatrix3RotateAxis(mwmMATRIX3 *m, int axis, float angle);
void mwmMatrix3RotateAxisI(mwmMATRIX3 *m, int axis, int angle);
/* Gram-Schmidt on the rows: row 0 normalised, row 1 made perpendicular to it
 * and normalised, row 2 = row 0 x row 1. */
void mwmMatrix3Orthonormalize(mwmMATRIX3 *m);
/* The look-at axes as columns: x = up x (target - eye), y = z x x (the
 * opposite sign of the 4x4 form's), z towards target. Changes up. */
void mwmMatrix3LookAt(mwmMATRIX3 *m, const mwmVECTOR *eye, mwmVECTOR *up, const mwmVECTOR *target);
/* Three lines to the report log. */
void mwmMatrix3Print(const char *name, const mwmMATRIX3 *m);

/*---- Vectors -------------------------------------------------------------*/

/* Scales v to unit length in place with mwmRecipSqrt; a zero vector (either
 * sign) stays as it is; a squared length with its sign bit set (a negative
 * not-a-number) is fatal. */
void mwmVectorNormalize(mwmVECTOR *v);
/* out = a x b. */
void mwmVectorCross(mwmVECTOR *out, const mwmVECTOR *a, const mwmVECTOR *b);
/* out.x = length, out.y = elevation atan(y / sqrt(x^2 + z^2)), out.z =
 * heading atan2(x, z), in radians. The elevation of a vector on the Y axis
 * is +-pi/2 and not-a-number for the zero vector. */
void mwmVectorToPolar(mwmVECTOR *out, const mwmVECTOR *v);
/* v = Ry(y) x Rx(x) x Rz(z) x v, in place. */
void mwmVectorRotate(mwmVECTOR *v, float x, float y, float z);
void mwmVectorRotateI(mwmVECTOR *v, int x, int y, int z);
void mwmVector4Add(mwmVECTOR4 *out, const mwmVECTOR4 *a, const mwmVECTOR4 *b);
/* out[i] = a[i] + (b[i] - a[i]) t for i < count. */
void mwmLerp(float *out, const float *a, const float *b, float t, int count);
/* One line to the report log. */
void mwmVectorPrint(const char *name, const mwmVECTOR *v);
void mwmVector4Print(const char *name, const mwmVECTOR4 *v);

/*---- Degree tables -------------------------------------------------------*/

/* Sine and cosine of whole degrees (any int). */
float mwmSinI(int degrees);
float mwmCosI(int degrees);
/* Radians truncated toward zero to whole degrees, then the table; not-a-number
 * or infinite input gives not-a-number. */
float mwmSinF(float radians);
float mwmCosF(float radians);

/*---- Key-framed splines --------------------------------------------------*/
/*
 * A spline carries keyCount keys in increasing frame order, each with
 * `channels` values and Kochanek-Bartels shape parameters. Between two keys
 * every channel follows a cubic Hermite curve whose tangents come from the
 * neighbouring keys, or a straight line when the later key is linear.
 */

typedef struct mwmSPLINEKEY {
    int32_t frame;    /* key time in frames */
    float *values;    /* `channels` floats, allocated by mwmSplineCreate */
    void *reserved;   /* the caller's; mwmSplineFree releases it when not NULL */
    int32_t linear;   /* non-zero: the segment ending at this key is a line */
    float tension;    /* 1 flattens the tangents, -1 doubles them */
    float continuity; /* 0 keeps the curve smooth through the key */
    float bias;       /* 1 leans the tangent on the chord before the key */
} mwmSPLINEKEY;

typedef struct mwmSPLINE {
    int32_t keyCount;   /* at least 1 */
    mwmSPLINEKEY *keys; /* keyCount keys */
    int32_t channels;   /* values per key */
    float *values;      /* the result of the last evaluation */
    int32_t reserved;   /* not used by the library */
    float start;        /* frame of the first key, set by the caller */
    float end;          /* frame of the last key, set by the caller */
} mwmSPLINE;

/* A spline of zeroed keys, each with its own zeroed value array, and a
 * zeroed result array; NULL when either count is below 1. The caller fills
 * the keys, start and end. */
mwmSPLINE *mwmSplineCreate(int keyCount, int channels);

/* 1 when the dynamic heap has room now for everything mwmSplineCreate would
 * allocate for these counts; 0 when it has not, or a count is below 1.
 * Readers check counts taken from files with it before creating. */
int mwmSplineFits(int keyCount, int channels);

/* Frees every key's values and reserved pointer, the keys, the result array
 * and the record. NULL is ignored. */
void mwmSplineFree(mwmSPLINE *spline);

/* Evaluates every channel at frame t into spline->values and returns the
 * channel count. One key gives its values. A segment that spans the whole
 * spline (from start to end) is marked linear in its second key. Frames
 * before the first key or after the last give that key's values. */
int mwmSplineEvaluate(mwmSPLINE *spline, double t);

/* Basis kinds of mwmBasisWeights and mwmCurvePoint. */
enum {
    MWM_BASIS_HERMITE = 0,     /* point 0, point 1, tangent 0, tangent 1 */
    MWM_BASIS_BEZIER = 1,      /* four control points */
    MWM_BASIS_CATMULL_ROM = 2, /* passes through points 1 and 2 */
    MWM_BASIS_BSPLINE = 3,     /* uniform cubic B-spline */
    MWM_BASIS_TRIG_A = 4,      /* trigonometric, weights summing to 2 */
    MWM_BASIS_TRIG_B = 5       /* trigonometric, weights summing to 4 */
};
#define MWM_BASIS_KINDS 6

/* The four weights of basis kind 0..5 at t, and for the cubic kinds 0..3
 * their derivatives with respect to t in derivatives (which may be NULL).
 * Returns 1 when derivatives were written, 0 for the trigonometric kinds
 * (derivatives untouched). Another kind is an invalid parameter. */
int mwmBasisWeights(int kind, double t, float weights[4], float derivatives[4]);

/* out = w0 p0 + w1 p1 + w2 p2 + w3 p3 with the weights of the basis kind at
 * t. The weights are not normalised: those of the trigonometric kinds sum to
 * 2 and 4. */
void mwmCurvePoint(const mwmVECTOR *p0, const mwmVECTOR *p1, const mwmVECTOR *p2, const mwmVECTOR *p3,
                   double t, mwmVECTOR *out, int kind);

MW_EXTERN_C_END

#ifdef __cplusplus
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(mwmSPLINEKEY) == 28, "a spline key is seven 32-bit words");
static_assert(sizeof(mwmSPLINE) == 28, "a spline is seven 32-bit words");
#endif
static_assert(sizeof(mwmVECTOR) == 12, "a vector is 3 floats");
static_assert(sizeof(mwmVECTOR4) == 16, "a 4-vector is 4 floats");
static_assert(sizeof(mwmMATRIX) == 64, "a matrix is 16 floats");
static_assert(sizeof(mwmMATRIX3) == 36, "a 3x3 matrix is 9 floats");
#endif

#endif /* MWMATH_H */
