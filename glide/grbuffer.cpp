// grbuffer.cpp - window open and close, buffer clears, swaps with virtual
// retraces, the render buffer and the clip window.
#include "grboard.h"
#include "grpresent.h"
#include "grqueue.h"

#include <algorithm>
#include <thread>

namespace gr {

namespace {

struct Resolution {
    int code, width, height;
};
constexpr Resolution kResolutions[] = {
    {GR_RESOLUTION_320x200, 320, 200},     {GR_RESOLUTION_320x240, 320, 240},
    {GR_RESOLUTION_400x256, 400, 256},     {GR_RESOLUTION_512x384, 512, 384},
    {GR_RESOLUTION_640x200, 640, 200},     {GR_RESOLUTION_640x350, 640, 350},
    {GR_RESOLUTION_640x400, 640, 400},     {GR_RESOLUTION_640x480, 640, 480},
    {GR_RESOLUTION_800x600, 800, 600},     {GR_RESOLUTION_960x720, 960, 720},
    {GR_RESOLUTION_856x480, 856, 480},     {GR_RESOLUTION_512x256, 512, 256},
    {GR_RESOLUTION_1024x768, 1024, 768},   {GR_RESOLUTION_1280x1024, 1280, 1024},
    {GR_RESOLUTION_1600x1200, 1600, 1200}, {GR_RESOLUTION_400x300, 400, 300},
};

constexpr int kRefreshHz[] = {60, 70, 72, 75, 80, 90, 100, 85, 120};

std::chrono::nanoseconds retracePeriod(const Board &b)
{
    return std::chrono::nanoseconds(1000000000LL / b.refreshHz);
}

} // namespace

} // namespace gr

using gr::board;

extern "C" FxBool FX_CALL grSstWinOpen(FxU32 hWnd, GrScreenResolution_t screen_resolution,
                                       GrScreenRefresh_t refresh_rate, GrColorFormat_t color_format,
                                       GrOriginLocation_t origin_location, int nColBuffers, int nAuxBuffers)
{
    gr::Board &b = board();
    if (!gr::boardInitialised())
        return FXFALSE;
    const gr::Resolution *res = nullptr;
    for (const gr::Resolution &r : gr::kResolutions)
        if (r.code == screen_resolution)
            res = &r;
    if (!res || color_format < GR_COLORFORMAT_ARGB || color_format > GR_COLORFORMAT_BGRA)
        return FXFALSE;
    if (origin_location != GR_ORIGIN_UPPER_LEFT && origin_location != GR_ORIGIN_LOWER_LEFT &&
        origin_location != GR_ORIGIN_ANY)
        return FXFALSE;
    if (nColBuffers < 1 || nColBuffers > gr::kMaxColorBuffers || nAuxBuffers < 0 || nAuxBuffers > 1)
        return FXFALSE;
    const int64_t need = int64_t(res->width) * res->height * 2 * (nColBuffers + nAuxBuffers);
    if (need > (int64_t(b.hardware.fbMegabytes) << 20))
        return FXFALSE;

    grSstWinClose();
    b.window = hWnd;
    b.width = res->width;
    b.height = res->height;
    b.stride = res->width + gr::kRowPad;
    b.colorFormat = color_format;
    b.origin = origin_location == GR_ORIGIN_LOWER_LEFT ? GR_ORIGIN_LOWER_LEFT : GR_ORIGIN_UPPER_LEFT;
    b.colorBufferCount = nColBuffers;
    b.hasAux = nAuxBuffers == 1;
    // One spare row as well: a vector may read past the last row's end.
    const size_t pixels = size_t(b.stride) * size_t(b.height + 1);
    for (int i = 0; i < nColBuffers; ++i)
        b.color[i].assign(pixels, 0);
    if (b.hasAux)
        b.aux.assign(pixels, 0);
    b.front = 0;
    const int fallbackHz = refresh_rate >= GR_REFRESH_60Hz && refresh_rate <= GR_REFRESH_120Hz
                               ? gr::kRefreshHz[refresh_rate]
                               : 60;
    b.refreshHz = gr::envInt("SST_SCREENREFRESH", fallbackHz, 1, 1000);
    b.retraceEpoch = std::chrono::steady_clock::now();
    b.clipMinX = b.clipMinY = 0;
    b.clipMaxX = b.width;
    b.clipMaxY = b.height;
    b.open = true;
    gr::invalidatePipeline(b);
    gr::queueStart(b.hardware.threads, b.height);
    gr::presentOpen(hWnd);
    return FXTRUE;
}

extern "C" void FX_CALL grSstWinClose(void)
{
    gr::Board &b = board();
    gr::queueStop();
    gr::presentClose();
    for (auto &c : b.color)
        c = {};
    b.aux = {};
    b.open = false;
    b.window = 0;
    b.width = b.height = b.stride = 0;
    b.colorBufferCount = 0;
    b.hasAux = false;
    gr::invalidatePipeline(b);
}

extern "C" FxU32 FX_CALL grSstScreenWidth(void) { return FxU32(board().width); }
extern "C" FxU32 FX_CALL grSstScreenHeight(void) { return FxU32(board().height); }

extern "C" FxU32 FX_CALL grSstStatus(void)
{
    const gr::Board &b = board();
    bool retrace = false;
    if (b.open) {
        const auto period = gr::retracePeriod(b);
        const auto phase = (std::chrono::steady_clock::now() - b.retraceEpoch) % period;
        retrace = phase < period / 20; // the blank lasts about a twentieth of a frame
    }
    return 0x3Fu | (retrace ? 0u : 0x40u) | (FxU32(b.front) << 10) | (0xFFFFu << 12);
}

extern "C" void FX_CALL grBufferClear(GrColor_t color, GrAlpha_t alpha, FxU16 depth)
{
    gr::Board &b = board();
    if (!b.open || b.clipMinX >= b.clipMaxX || b.clipMinY >= b.clipMaxY)
        return;
    const gr::Rgba c = gr::unpackColor(color, b.colorFormat);
    const bool clearDepth = b.auxIsDepth() && b.depthWrite;
    const bool clearAux = clearDepth || (b.auxIsAlpha() && b.alphaWrite);
    if (!b.rgbWrite && !clearAux)
        return;
    uint16_t *target = b.drawBuffer();
    if (b.rgbWrite && target == b.color[b.front].data())
        gr::presentRelease();
    gr::Primitive prim;
    prim.kind = gr::Primitive::kClear;
    prim.rowFirst = b.clipMinY;
    prim.rowLast = b.clipMaxY - 1;
    prim.clear = {b.rgbWrite ? target : nullptr,
                  clearAux ? b.aux.data() : nullptr,
                  gr::pack565(c.r, c.g, c.b),
                  clearDepth ? depth : uint16_t(alpha),
                  b.stride,
                  b.clipMinX,
                  b.clipMaxX};
    const int64_t pixels = int64_t(b.clipMaxX - b.clipMinX) * (b.clipMaxY - b.clipMinY);
    b.counters.pixelsOut += uint64_t(pixels);
    if (gr::queueTakes(pixels)) {
        gr::queueRecord(prim, nullptr);
        return;
    }
    gr::clearRows(prim.clear, prim.rowFirst, prim.rowLast);
}

extern "C" void FX_CALL grBufferSwap(int swap_interval)
{
    gr::Board &b = board();
    if (!b.open)
        return;
    gr::queueDrain();
    if (swap_interval > 0) {
        // Sleep to the swap_interval-th retrace from now.
        const auto period = gr::retracePeriod(b);
        const auto now = std::chrono::steady_clock::now();
        const auto elapsed = (now - b.retraceEpoch) / period;
        std::this_thread::sleep_until(b.retraceEpoch + (elapsed + swap_interval) * period);
    }
    if (b.colorBufferCount > 1)
        b.front = b.back();
    gr::presentFrame(b.color[b.front].data(), b.width, b.height, b.stride);
}

extern "C" int FX_CALL grBufferNumPending(void) { return 0; }

extern "C" void FX_CALL grRenderBuffer(GrBuffer_t buffer)
{
    gr::Board &b = board();
    if (buffer != GR_BUFFER_FRONTBUFFER && buffer != GR_BUFFER_BACKBUFFER)
        return;
    b.renderBack = buffer == GR_BUFFER_BACKBUFFER ? 1 : 0;
    gr::invalidatePipeline(b);
}

extern "C" void FX_CALL grClipWindow(FxU32 minx, FxU32 miny, FxU32 maxx, FxU32 maxy)
{
    gr::Board &b = board();
    if (!b.open)
        return;
    maxx = std::min<FxU32>(maxx, FxU32(b.width));
    maxy = std::min<FxU32>(maxy, FxU32(b.height));
    minx = std::min(minx, maxx);
    miny = std::min(miny, maxy);
    if (b.origin == GR_ORIGIN_LOWER_LEFT) {
        const FxU32 top = FxU32(b.height) - maxy;
        maxy = FxU32(b.height) - miny;
        miny = top;
    }
    b.clipMinX = int(minx);
    b.clipMinY = int(miny);
    b.clipMaxX = int(maxx);
    b.clipMaxY = int(maxy);
}
