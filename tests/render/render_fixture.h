// Shared by the render tests: a freshly started render library per test, no
// driver bound.
#ifndef RENDER_FIXTURE_H
#define RENDER_FIXTURE_H

#include <gtest/gtest.h>

#include "mwblit.h"
#include "mwmatrix.h"
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

#endif // RENDER_FIXTURE_H
