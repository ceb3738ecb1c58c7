// Screen modes, buffers and the display (slots 0 to 10): the mode table a
// frame buffer allows, setting a mode, clears and swaps.
#include "vdmode.h"

#include "vdlog.h"
#include "vdslots.h"
#include "vdstate.h"

namespace {

// Flags every mode offers: filtering and the further capability bits.
constexpr uint32_t kBaseFlags = 0x7F1;
// Flags kept in the current mode: filtering and bits 4 to 8.
constexpr uint32_t kKeptFlags = 0x1F1;

struct Resolution {
    int32_t width, height;
    GrScreenResolution_t code;
};
const Resolution kResolutions[VD_MODE_COUNT / 2] = {
    {512, 384, GR_RESOLUTION_512x384},
    {640, 400, GR_RESOLUTION_640x400},
    {640, 480, GR_RESOLUTION_640x480},
};

// getModeList's result: every available mode, then a zeroed record.
mwBLIT_MODE modeList[VD_MODE_COUNT + 1];

const vdMODE *findMode(int32_t width, int32_t height, uint32_t flags)
{
    for (const vdMODE &mode : vdModeTable)
        if (mode.available && mode.width == width && mode.height == height &&
            (mode.flags | MW_BLIT_CAPS_ALL) == (flags | MW_BLIT_CAPS_ALL))
            return &mode;
    return nullptr;
}

// The board state every mode starts from.
void resetPipeline(uint32_t flags, int32_t colorBuffers, int32_t depthBuffer, int32_t alphaBuffer)
{
    grColorCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_LOCAL_CONSTANT,
                   GR_COMBINE_OTHER_CONSTANT, FXFALSE);
    grConstantColorValue(0xFFFFFF);
    vdState.drawBuffer = colorBuffers == 2 ? GR_BUFFER_BACKBUFFER : GR_BUFFER_FRONTBUFFER;
    grRenderBuffer(vdState.drawBuffer);

    const GrTextureFilterMode_t filter =
        flags & MW_BLIT_FLAG_FILTER ? GR_TEXTUREFILTER_BILINEAR : GR_TEXTUREFILTER_POINT_SAMPLED;
    for (GrChipID_t unit = 0; unit < vdState.tmuCount; ++unit) {
        grTexCombine(unit, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_FUNCTION_ZERO,
                     GR_COMBINE_FACTOR_NONE, FXFALSE, FXFALSE);
        grTexFilterMode(unit, filter, filter);
        grTexMipMapMode(unit, GR_MIPMAP_NEAREST, FXFALSE);
        grTexClampMode(unit, GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP);
    }
    grAlphaCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ONE, GR_COMBINE_LOCAL_CONSTANT,
                   GR_COMBINE_OTHER_CONSTANT, FXFALSE);
    grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);

    if (depthBuffer) {
        grDepthMask(FXTRUE);
        grDepthBufferMode(GR_DEPTHBUFFER_WBUFFER);
        grDepthBufferFunction(GR_CMP_LEQUAL);
    } else {
        grDepthMask(FXFALSE);
        grDepthBufferMode(GR_DEPTHBUFFER_DISABLE);
    }
    vdState.colorWrite = 1;
    vdState.alphaWrite = alphaBuffer;
    grColorMask(FXTRUE, alphaBuffer ? FXTRUE : FXFALSE);
    if (alphaBuffer)
        grAlphaTestFunction(GR_CMP_GEQUAL);

    grBufferClear(0, 0, 0xFFFF);
    grCullMode(GR_CULL_DISABLE);
}

} // namespace

vdMODE vdModeTable[VD_MODE_COUNT];

void vdModeTableBuild(int32_t frameBufferBytes, int *smallest, int *largest)
{
    int64_t smallestNeed = 0x7FFFFFFF, largestNeed = 0;
    *smallest = *largest = 0;
    for (int r = 0; r < VD_MODE_COUNT / 2; ++r) {
        vdMODE &even = vdModeTable[2 * r];
        vdMODE &odd = vdModeTable[2 * r + 1];
        even = odd =
            vdMODE{kResolutions[r].width, kResolutions[r].height, kBaseFlags, 0, kResolutions[r].code};
        const int64_t pixels = int64_t(even.width) * even.height;
        if (pixels * 2 > frameBufferBytes)
            continue;
        even.available = 1;
        if (pixels * 2 > largestNeed) {
            largestNeed = pixels * 2;
            *largest = 2 * r;
        }
        if (pixels * 2 < smallestNeed) {
            smallestNeed = pixels * 2;
            *smallest = 2 * r;
        }
        if (pixels * 4 > frameBufferBytes)
            continue;
        even.flags |= MW_BLIT_FLAG_DOUBLE;
        // Depth and alpha share the one auxiliary buffer: a depth variant
        // and an alpha variant of the same resolution.
        if (pixels * 6 > frameBufferBytes)
            continue;
        odd.flags = even.flags | MW_BLIT_FLAG_ALPHA;
        odd.available = 1;
        even.flags |= MW_BLIT_FLAG_DEPTH;
    }
}

void vdStatus(int status, int value)
{
    if (status == MW_STATUS_ACTIVE)
        grSstControl(value ? GR_CONTROL_ACTIVATE : GR_CONTROL_DEACTIVATE);
}

const mwBLIT_MODE *vdGetModeList(void)
{
    int count = 0;
    for (const vdMODE &mode : vdModeTable)
        if (mode.available)
            modeList[count++] = mwBLIT_MODE{mode.width, mode.height, MW_BLIT_KIND_LISTED, mode.flags};
    modeList[count] = mwBLIT_MODE{};
    return modeList;
}

int vdSetMode(const mwBLIT_MODE *request, void *window)
{
    if (!request || (request->kind != MW_BLIT_KIND_ANY && request->kind != MW_BLIT_KIND_LISTED))
        return 0;
    const uint32_t flags = request->flags ? request->flags : MW_BLIT_FLAG_DEFAULT;
    int32_t width = request->width, height = request->height;
    if (width == 0 || height == 0) {
        width = 640;
        height = 480;
    }
    const vdMODE *mode = findMode(width, height, flags);
    if (!mode)
        return 0;
    const int32_t colorBuffers = flags & MW_BLIT_FLAG_DOUBLE ? 2 : 1;
    const int32_t depthBuffer = flags & MW_BLIT_FLAG_DEPTH ? 1 : 0;
    const int32_t alphaBuffer = flags & MW_BLIT_FLAG_ALPHA ? 1 : 0;
    if (depthBuffer && alphaBuffer)
        return 0;
    vdLogTagged("Mode %xh, %dx%d %s%s%s\n", unsigned(mode->resolution), width, height,
                colorBuffers == 2 ? "double buffering " : "", depthBuffer ? "with depth buffering" : "",
                alphaBuffer ? "with alpha buffering" : "");

    grSstSelect(vdState.boardIndex);
    // Only the windowed board draws into the program's window.
    const FxU32 hWnd = vdState.boardType == GR_SSTTYPE_SST96 ? FxU32(uintptr_t(window)) : 0;
    if (!grSstWinOpen(hWnd, mode->resolution, GR_REFRESH_60Hz, GR_COLORFORMAT_RGBA, GR_ORIGIN_UPPER_LEFT,
                      colorBuffers, depthBuffer || alphaBuffer ? 1 : 0))
        return 0;
    vdState.colorBuffers = colorBuffers;
    vdState.depthBuffer = depthBuffer;
    vdState.alphaBuffer = alphaBuffer;
    resetPipeline(flags, colorBuffers, depthBuffer, alphaBuffer);
    vdState.currentMode = mwBLIT_MODE{width, height, request->kind, flags & kKeptFlags};
    return 1;
}

int vdGetMode(mwBLIT_MODE *mode)
{
    if (!mode)
        return 0;
    *mode = vdState.currentMode;
    return 1;
}

void vdClear(uint32_t color, int alpha) { grBufferClear(color, GrAlpha_t(alpha & 0xFF), 0xFFFF); }

// The one auxiliary buffer holds depth or alpha: mask the other writes.
void vdClearColor(uint32_t color)
{
    if (vdState.depthBuffer) {
        grDepthMask(FXFALSE);
        grBufferClear(color, 0, 0);
        grDepthMask(FXTRUE);
    } else if (vdState.alphaBuffer) {
        grColorMask(FXTRUE, FXFALSE);
        grBufferClear(color, 0, 0);
        grColorMask(FXTRUE, FXTRUE);
    } else {
        grBufferClear(color, 0, 0);
    }
}

void vdClearDepth(void)
{
    if (!vdState.depthBuffer)
        return;
    grColorMask(FXFALSE, FXFALSE);
    grBufferClear(0, 0, 0xFFFF);
    grColorMask(FXTRUE, FXFALSE);
}

void vdClearAlpha(int alpha)
{
    if (!vdState.alphaBuffer)
        return;
    grColorMask(FXFALSE, FXTRUE);
    grBufferClear(0, GrAlpha_t(alpha & 0xFF), 0);
    grColorMask(FXTRUE, FXTRUE);
}

// The region slots read and write the buffer chosen here.
void vdSetRenderBuffer(int buffer)
{
    if (vdState.colorBuffers != 2 || (buffer != MW_BLIT_BUFFER_FRONT && buffer != MW_BLIT_BUFFER_BACK))
        return;
    vdState.drawBuffer = buffer == MW_BLIT_BUFFER_FRONT ? GR_BUFFER_FRONTBUFFER : GR_BUFFER_BACKBUFFER;
    grRenderBuffer(vdState.drawBuffer);
}

void vdSwapBuffers(int interval)
{
    if (vdState.colorBuffers == 2)
        grBufferSwap(interval);
}

int vdNumPending(void) { return grBufferNumPending(); }
