// Shared by the render tests: a freshly started render library per test, no
// driver bound.
#ifndef MW_TESTS_RENDER_RENDER_SUPPORT_H
#define MW_TESTS_RENDER_RENDER_SUPPORT_H

#include <gtest/gtest.h>

#include "mwblit.h"
#include "matrix_support.h"
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

#endif // MW_TESTS_RENDER_RENDER_SUPPORT_H
