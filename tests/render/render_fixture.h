// Shared by the render tests: a freshly started render library per test, no
// driver bound, and small matrix helpers.
#ifndef RENDER_FIXTURE_H
#define RENDER_FIXTURE_H

#include <gtest/gtest.h>

#include "mwblit.h"
#include "mwrender.h"

class RenderTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        unbindDriver();
        state = mwrInit();
        ASSERT_NE(state, nullptr);
    }
    void TearDown() override { unbindDriver(); }

    static void unbindDriver()
    {
        mwBlitGetMode = nullptr;
        mwBlitSetMaterial = nullptr;
        mwBlitCanvasChanged = nullptr;
    }

    mwrRENDERSTATE *state = nullptr;
};

inline mwmMATRIX identityMatrix()
{
    mwmMATRIX m;
    mwmMatrixIdentity(&m);
    return m;
}

inline mwmMATRIX translationMatrix(float x, float y, float z)
{
    mwmMATRIX m = identityMatrix();
    mwmMatrixSetTranslation(&m, x, y, z);
    return m;
}

inline mwmMATRIX scaleMatrix(float s)
{
    mwmMATRIX m = identityMatrix();
    mwmMatrixSetScale(&m, s, s, s);
    return m;
}

// A x B (B acts first) in double precision.
inline mwmMATRIX matrixProduct(const mwmMATRIX &a, const mwmMATRIX &b)
{
    mwmMATRIX r;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += double(a.m[4 * row + k]) * b.m[4 * k + col];
            r.m[4 * row + col] = float(sum);
        }
    return r;
}

inline void expectMatrixNear(const mwmMATRIX &actual, const mwmMATRIX &expected,
                             float tolerance = 1e-5f)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual.m[i], expected.m[i], tolerance) << "element " << i;
}

#endif // RENDER_FIXTURE_H
