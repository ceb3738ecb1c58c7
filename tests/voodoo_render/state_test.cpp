// The state slots: colour, alpha and depth writes follow the buffers of the
// mode, filtering and colour keying go to the board, and the render state is
// taken only when there is one.
#include "render_fixture.h"

using namespace vdtest;

namespace {

using Calls = std::vector<std::vector<long>>;

} // namespace

TEST_F(Render, StateSlotsReachTheBoardOnlyForBuffersTheModeHas)
{
    // The fixture's mode has a depth buffer and no alpha buffer.
    vd->setAlphaWrite(1);
    vd->setDepthTest(0);
    vd->setColorWrite(0);
    vd->setTextureFilter(1);
    vd->setTextureFilter(2);
    vd->setChromakeyMode(1);
    vd->setChromakeyValue(0x123456);
    EXPECT_EQ((Calls{{GR_DEPTHBUFFER_DISABLE}}), spy::callsOf("grDepthBufferMode"));
    EXPECT_EQ((Calls{{0}}), spy::callsOf("grDepthMask"));
    EXPECT_EQ((Calls{{0, 0}}), spy::callsOf("grColorMask")) << "alpha writes stay off";
    EXPECT_EQ((Calls{{GR_TMU0, GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR},
                     {GR_TMU0, GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_POINT_SAMPLED}}),
              spy::callsOf("grTexFilterMode"));
    EXPECT_EQ((Calls{{1}}), spy::callsOf("grChromakeyMode"));
    EXPECT_EQ((Calls{{0x123456}}), spy::callsOf("grChromakeyValue"));

    const mwBLIT_MODE withAlpha{512, 384, 0, 0x7FC};
    ASSERT_EQ(1, vd->setMode(&withAlpha, nullptr));
    spy::reset();
    vd->setDepthTest(1);
    vd->setAlphaWrite(0);
    vd->setColorWrite(0);
    vd->setAlphaWrite(1);
    EXPECT_TRUE(spy::callsOf("grDepthBufferMode").empty());
    EXPECT_EQ((Calls{{1, 0}, {0, 0}, {0, 1}}), spy::callsOf("grColorMask"));

    EXPECT_EQ(0, vd->setRenderState(nullptr));
    EXPECT_EQ(1, count(log(), "* VOODOO : mwrRenderState accepted\n"));
}
