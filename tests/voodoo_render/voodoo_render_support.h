// voodoo_render_support.h - the real plug-in bound as the engine's display driver,
// with the render library's state handed over: a 512 x 384 mode, a camera
// at the origin looking along +z (90 degree field of view, near 1, far 100)
// and the whole screen as canvas. The board's dither is switched off (a
// direct board call, the plug-in never does) so pixels are exact.
#ifndef MW_TESTS_VOODOO_RENDER_VOODOO_RENDER_SUPPORT_H
#define MW_TESTS_VOODOO_RENDER_VOODOO_RENDER_SUPPORT_H

#include <cmath>

#include "voodoo_support.h"
#include "spy_support.h"
#include "mwrender.h"

namespace vdtest {

constexpr float kNear = 1.0f, kFar = 100.0f;
constexpr uint32_t kPlanes = 0x3F; // the six clip plane bits

inline mwrVERTEX vertex(float x, float y, float z, float u = 0, float v = 0)
{
    mwrVERTEX out{};
    out.x = x;
    out.y = y;
    out.z = z;
    out.nz = -1.0f; // facing the camera
    out.u0 = u;
    out.v0 = v;
    out.r = out.g = out.b = out.a = 1.0f;
    return out;
}

inline uint16_t rgb565(int r, int g, int b) { return uint16_t((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3)); }

class Render : public Voodoo {
protected:
    void SetUp() override
    {
        Voodoo::SetUp();
        ASSERT_TRUE(open());
        mwBlitSelect(entry_);
        grDitherMode(GR_DITHER_DISABLE);
        st = mwrInit();
        ASSERT_EQ(1, vd->setRenderState(st));
        camera = mwrCameraAlloc(1);
        camera->fov = 1.5707964f;
        camera->near = kNear;
        camera->far = kFar;
        mwrCameraSelect(camera);
        canvas = mwrCanvasAlloc(1);
        mwrCanvasSelect(canvas);
        material = mwrMaterialAlloc(1);
        vd->beginScene();
        spy::reset();
    }
    void TearDown() override
    {
        mwrMaterialFree(material);
        mwrCanvasFree(canvas);
        mwrCameraFree(camera);
        Voodoo::TearDown();
    }

    // The material with vertex colour, selected.
    void selectVertexColour(int cullMode = MWR_CULL_NONE)
    {
        material->colorMode = MWR_COLOR_VERTEX;
        material->cullMode = cullMode;
        mwrMaterialSelect(material);
    }

    // Where the plug-in puts a model-space point, before rounding to 1/16:
    // the canvas centre moved by 1/16 pixel.
    struct Screen {
        double x, y;
    };
    Screen project(double x, double y, double z) const
    {
        const float *m = st->modelView.m;
        const double ex = m[0] * x + m[1] * y + m[2] * z + m[3];
        const double ey = m[4] * x + m[5] * y + m[6] * z + m[7];
        const double ez = m[8] * x + m[9] * y + m[10] * z + m[11];
        const double centreX = canvas->x0 + st->scaleX + 1.0 / 16;
        const double centreY = canvas->y0 + st->scaleY + 1.0 / 16;
        return {centreX + ex / ez * st->scaleX, centreY - ey / ez * st->scaleY};
    }

    mwrRENDERSTATE *st = nullptr;
    mwrCAMERA *camera = nullptr;
    mwrCANVAS *canvas = nullptr;
    mwrMATERIAL *material = nullptr;
};

} // namespace vdtest

#endif
