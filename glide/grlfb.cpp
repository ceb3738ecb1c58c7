// grlfb.cpp - linear frame buffer region reads and writes (raw, no pixel
// pipeline).
#include "grboard.h"
#include "grpresent.h"
#include "grqueue.h"

#include <algorithm>
#include <cstring>

namespace {

uint16_t *bufferOf(gr::Board &b, GrBuffer_t buffer, bool &aux)
{
    aux = false;
    switch (buffer) {
    case GR_BUFFER_FRONTBUFFER: return b.color[b.front].data();
    case GR_BUFFER_BACKBUFFER: return b.colorBufferCount > 1 ? b.color[b.back()].data() : nullptr;
    case GR_BUFFER_TRIPLEBUFFER: return b.colorBufferCount > 2 ? b.color[(b.front + 2) % 3].data() : nullptr;
    case GR_BUFFER_AUXBUFFER:
    case GR_BUFFER_DEPTHBUFFER:
    case GR_BUFFER_ALPHABUFFER: aux = true; return b.hasAux ? b.aux.data() : nullptr;
    default: return nullptr;
    }
}

int bytesPerPixel(GrLfbSrcFmt_t f)
{
    switch (f) {
    case GR_LFB_SRC_FMT_565:
    case GR_LFB_SRC_FMT_555:
    case GR_LFB_SRC_FMT_1555:
    case GR_LFB_SRC_FMT_ZA16: return 2;
    case GR_LFB_SRC_FMT_888:
    case GR_LFB_SRC_FMT_8888: return 4;
    default: return 0;
    }
}

uint16_t toFrameBuffer(const gr::Board &b, GrLfbSrcFmt_t f, const uint8_t *p)
{
    switch (f) {
    case GR_LFB_SRC_FMT_565:
    case GR_LFB_SRC_FMT_ZA16: return uint16_t(p[0] | (p[1] << 8));
    case GR_LFB_SRC_FMT_555:
    case GR_LFB_SRC_FMT_1555: {
        const uint32_t v = uint32_t(p[0] | (p[1] << 8));
        const uint32_t g = (v >> 5) & 31;
        return uint16_t(((v & 0x7C00) << 1) | (((g << 1) | (g >> 4)) << 5) | (v & 31));
    }
    default: {
        const uint32_t v =
            uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
        const gr::Rgba c = gr::unpackColor(v, b.colorFormat);
        return gr::pack565(c.r, c.g, c.b);
    }
    }
}

} // namespace

extern "C" FxBool FX_CALL grLfbWriteRegion(GrBuffer_t dst_buffer, FxU32 dst_x, FxU32 dst_y,
                                           GrLfbSrcFmt_t src_format, FxU32 src_width, FxU32 src_height,
                                           FxI32 src_stride, void *src_data)
{
    gr::Board &b = gr::board();
    if (!b.open || !src_data)
        return FXFALSE;
    bool aux = false;
    uint16_t *dst = bufferOf(b, dst_buffer, aux);
    const int bpp = bytesPerPixel(src_format);
    if (!dst || bpp == 0 || aux != (src_format == GR_LFB_SRC_FMT_ZA16))
        return FXFALSE;
    gr::queueDrain(); // after what was drawn before, in call order
    if (dst == b.color[b.front].data())
        gr::presentRelease();
    // Clipped to the buffer: a region partly off screen writes its visible part.
    const uint64_t x1 = std::min<uint64_t>(uint64_t(dst_x) + src_width, uint64_t(b.width));
    const uint64_t y1 = std::min<uint64_t>(uint64_t(dst_y) + src_height, uint64_t(b.height));
    const uint8_t *src = static_cast<const uint8_t *>(src_data);
    for (uint64_t y = dst_y; y < y1; ++y) {
        const uint8_t *row = src + int64_t(y - dst_y) * src_stride;
        uint16_t *out = dst + y * uint64_t(b.stride);
        for (uint64_t x = dst_x; x < x1; ++x)
            out[x] = toFrameBuffer(b, src_format, row + (x - dst_x) * bpp);
    }
    return FXTRUE;
}

extern "C" FxBool FX_CALL grLfbReadRegion(GrBuffer_t src_buffer, FxU32 src_x, FxU32 src_y, FxU32 src_width,
                                          FxU32 src_height, FxU32 dst_stride, void *dst_data)
{
    gr::Board &b = gr::board();
    if (!b.open || !dst_data)
        return FXFALSE;
    bool aux = false;
    const uint16_t *src = bufferOf(b, src_buffer, aux);
    if (!src || uint64_t(src_x) + src_width > uint64_t(b.width) ||
        uint64_t(src_y) + src_height > uint64_t(b.height) || uint64_t(dst_stride) < 2ull * src_width)
        return FXFALSE;
    gr::queueDrain();
    uint8_t *dst = static_cast<uint8_t *>(dst_data);
    for (FxU32 y = 0; y < src_height; ++y)
        std::memcpy(dst + uint64_t(y) * dst_stride, src + uint64_t(src_y + y) * b.stride + src_x,
                    size_t(src_width) * 2);
    return FXTRUE;
}
