// Canvases: the screen rectangle that camera space is projected onto.

#include "mwblit.h"
#include "mwrintern.h"

namespace {

const char kOwner[] = "mwcanvas";

// Whole pixels, truncated; a size outside the int range saturates and
// not-a-number counts as 0.
int32_t wholePixels(float size)
{
    if (!(size == size))
        return 0;
    if (size >= 2147483647.0f)
        return INT32_MAX;
    if (size <= -2147483648.0f)
        return INT32_MIN;
    return static_cast<int32_t>(size);
}

} // namespace

extern "C" {

mwrCANVAS *mwrCanvasAlloc(int count)
{
    // The whole screen of the current mode; all zero without one.
    mwrCANVAS screen{};
    mwBLIT_MODE mode;
    if (mwBlitGetMode && mwBlitGetMode(&mode)) {
        const float w = static_cast<float>(mode.width);
        const float h = static_cast<float>(mode.height);
        screen = {0.0f, 0.0f, w - 1.0f, h - 1.0f, w, h};
    }
    return mwr::allocRecords<mwrCANVAS>(kOwner, __LINE__, "mwrCanvasAlloc", count,
                                        [&screen](mwrCANVAS &canvas) { canvas = screen; });
}

void mwrCanvasFree(mwrCANVAS *canvas) { mwr::freeRecords(canvas, kOwner, __LINE__, "mwrCanvasFree"); }

void mwrCanvasCopy(mwrCANVAS *dst, const mwrCANVAS *src)
{
    mwr::copyRecord(dst, src, sizeof *dst, kOwner, __LINE__, "mwrCanvasCopy");
}

void mwrCanvasSelect(const mwrCANVAS *canvas)
{
    mwr::requireRecord(canvas, kOwner, __LINE__, "mwrCanvasSelect");
    mwrRENDERSTATE &st = mwr::requireState("mwrCanvasSelect");
    st.scaleX = (canvas->x1 + 0.5f - canvas->x0) * 0.5f;
    st.scaleY = (canvas->y1 + 0.5f - canvas->y0) * 0.5f;
    st.centerX = canvas->x0 + st.scaleX;
    st.centerY = canvas->y0 + st.scaleY;
    st.pixelWidth = wholePixels(canvas->width);
    st.pixelHeight = wholePixels(canvas->height);
    if (mwBlitCanvasChanged)
        mwBlitCanvasChanged(canvas);
}

} // extern "C"
