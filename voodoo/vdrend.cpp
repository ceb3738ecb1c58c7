// The renderer's state slots (32 to 41), the render state handed over by
// the engine, and the vertex cache with its growth and shrink rules.
#include "vdrend.h"

#include <cstring>

#include "vdlog.h"
#include "vdslots.h"
#include "vdstate.h"
#include "vdstats.h"

namespace {

const char kOwner[] = "vdrend";

constexpr int32_t kShrinkAfter = 1000; // requests between shrink checks
constexpr int64_t kMaxVertices = INT32_MAX / int64_t(sizeof(vdVERTEX));

int64_t roundUpToStep(int64_t count)
{
    const int64_t steps = (count + VD_VERTEX_CACHE_STEP - 1) / VD_VERTEX_CACHE_STEP;
    return (steps > 0 ? steps : 1) * VD_VERTEX_CACHE_STEP;
}

// The contents are not kept: a reservation refills what it asked for.
int reallocate(int64_t capacity)
{
    vdFree(kOwner, __LINE__, vdVertexCache.vertices);
    vdVertexCache.vertices = nullptr;
    vdVertexCache.capacity = 0;
    if (capacity > kMaxVertices)
        return 0;
    const int bytes = int(capacity * int64_t(sizeof(vdVERTEX)));
    auto *vertices = static_cast<vdVERTEX *>(vdAlloc(kOwner, __LINE__, bytes));
    if (!vertices)
        return 0;
    // Colour-constant materials never write r, g, b, which clipping still
    // interpolates: start from zeros rather than heap leftovers.
    std::memset(vertices, 0, size_t(bytes));
    vdVertexCache.vertices = vertices;
    vdVertexCache.capacity = int32_t(capacity);
    return 1;
}

} // namespace

vdVERTEX_CACHE vdVertexCache;
vdRENDERER vdRender;

int vdRendInit(void)
{
    vdRender = vdRENDERER{};
    vdRender.setUp = vdDefaultSetUp();
    vdRender.drawable = 1;
    vdVertexCache = vdVERTEX_CACHE{};
    return reallocate(VD_VERTEX_CACHE_START);
}

void vdRendDeinit(void)
{
    vdFree(kOwner, __LINE__, vdVertexCache.vertices);
    vdVertexCache = vdVERTEX_CACHE{};
    vdRender = vdRENDERER{};
}

vdVERTEX *vdVertexCacheReserve(int count)
{
    vdVertexCache.requests += 1;
    vdVertexCache.requestSum += count;
    // NOTE: a request equal to the capacity grows it too (to the same size).
    if (count >= vdVertexCache.capacity) {
        if (!reallocate(roundUpToStep(count)))
            return nullptr;
        vdLogTagged("vertCache increased to %d\n", vdVertexCache.capacity);
    }
    return vdVertexCache.vertices;
}

// At endScene: after enough requests the cache fits the average one.
static void shrinkCheck(void)
{
    if (vdVertexCache.requests <= kShrinkAfter)
        return;
    const int64_t average =
        roundUpToStep((vdVertexCache.requestSum + vdVertexCache.requests - 1) / vdVertexCache.requests);
    if (average < vdVertexCache.capacity) {
        if (reallocate(average))
            vdLogTagged("vertCache decreased to %d\n", vdVertexCache.capacity);
    }
    vdVertexCache.requests = 0;
    vdVertexCache.requestSum = 0;
}

//---- State slots

void vdSetColorWrite(int enable)
{
    vdState.colorWrite = enable != 0;
    grColorMask(vdState.colorWrite, vdState.alphaWrite);
}

void vdSetDepthTest(int enable)
{
    if (!vdState.depthBuffer)
        return;
    grDepthBufferMode(enable ? GR_DEPTHBUFFER_WBUFFER : GR_DEPTHBUFFER_DISABLE);
    grDepthMask(enable != 0);
}

void vdSetAlphaWrite(int enable)
{
    if (!vdState.alphaBuffer)
        return;
    vdState.alphaWrite = enable != 0;
    grColorMask(vdState.colorWrite, vdState.alphaWrite);
}

void vdSetTextureFilter(int mode)
{
    const GrTextureFilterMode_t filter =
        mode == MW_BLIT_FILTER_BILINEAR ? GR_TEXTUREFILTER_BILINEAR : GR_TEXTUREFILTER_POINT_SAMPLED;
    grTexFilterMode(GR_TMU0, filter, filter);
}

void vdSetChromakeyMode(int mode) { grChromakeyMode(mode); }

void vdSetChromakeyValue(uint32_t color) { grChromakeyValue(color); }

int vdSetRenderState(mwrRENDERSTATE *state)
{
    if (!state)
        return 0;
    vdRender.state = state;
    vdLogTagged("mwrRenderState accepted\n");
    return 1;
}

void vdBeginScene(void)
{
    // A 24-bit mantissa lets the 2^19 addition snap.
    mwmUseSinglePrecision();
}

void vdEndScene(void)
{
    vdStatsEndFrame();
    shrinkCheck();
}

void vdCanvasChanged(const mwrCANVAS *)
{
    mwrRENDERSTATE *st = vdRender.state;
    if (!st)
        return;
    // Two single-precision additions: the centre passes through 2^19 and the
    // 0.05 rounds to a constant 1/16 pixel there.
    float x = st->centerX + VD_SNAP;
    float y = st->centerY + VD_SNAP;
    st->centerX = x + 0.05f;
    st->centerY = y + 0.05f;
}

void vdReserved47(void) {}
void vdReserved48(void) {}
void vdReserved50(void) {}
void vdReserved51(void) {}
void vdReserved52(void) {}
void vdReserved53(void) {}
void vdReserved54(void) {}
void vdReserved55(void) {}
