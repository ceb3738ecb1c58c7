/*
 * matrix_support.h - matrices for the math, render and scene suites: built from
 * their elements, and the arithmetic written out in double precision to
 * compare the library's results with.
 */
#ifndef MW_TESTS_SUPPORT_MATRIX_SUPPORT_H
#define MW_TESTS_SUPPORT_MATRIX_SUPPORT_H

#include <algorithm>
#include <initializer_list>

#include <gtest/gtest.h>

#include "mwmath.h"

namespace mwtest {

// 3 for mwmMATRIX3, 4 for mwmMATRIX.
template <typename Matrix>
constexpr int kSide = sizeof(Matrix::m) / sizeof(float) == 16 ? 4 : 3;

// The elements row by row, as the library keeps them.
template <typename Matrix = mwmMATRIX>
Matrix fromRows(std::initializer_list<float> values)
{
    Matrix m{};
    std::copy(values.begin(), values.end(), m.m);
    return m;
}

// A x B (B acts first), straight from the definition.
template <typename Matrix>
Matrix product(const Matrix &a, const Matrix &b)
{
    constexpr int n = kSide<Matrix>;
    Matrix r;
    for (int row = 0; row < n; ++row)
        for (int col = 0; col < n; ++col) {
            double sum = 0.0;
            for (int k = 0; k < n; ++k)
                sum += double(a.m[n * row + k]) * b.m[n * k + col];
            r.m[n * row + col] = float(sum);
        }
    return r;
}

template <typename Matrix>
void expectNear(const Matrix &actual, const Matrix &expected, float tolerance = 1e-5f)
{
    for (int i = 0; i < kSide<Matrix> * kSide<Matrix>; ++i)
        EXPECT_NEAR(actual.m[i], expected.m[i], tolerance) << "element " << i;
}

inline mwmMATRIX identity()
{
    mwmMATRIX m;
    mwmMatrixIdentity(&m);
    return m;
}

inline mwmMATRIX translation(float x, float y, float z)
{
    mwmMATRIX m = identity();
    mwmMatrixSetTranslation(&m, x, y, z);
    return m;
}

inline mwmMATRIX uniformScale(float s)
{
    mwmMATRIX m = identity();
    mwmMatrixSetScale(&m, s, s, s);
    return m;
}

} // namespace mwtest

#endif
