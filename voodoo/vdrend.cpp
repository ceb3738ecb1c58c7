// The 3D half of the packet (slots 32 to 56) and its vertex cache. Until
// the renderer is in place the drawing slots accept their calls and draw
// nothing; endScene already gathers the frame statistics.
#include "vdrend.h"

#include "vdslots.h"
#include "vdstate.h"
#include "vdstats.h"

namespace {

const char kOwner[] = "vdrend";

} // namespace

vdVERTEX_CACHE vdVertexCache;

int vdVertexCacheAlloc(void)
{
    vdVertexCache = vdVERTEX_CACHE{};
    vdVertexCache.vertices = static_cast<vdVERTEX *>(
        vdAlloc(kOwner, __LINE__, int(sizeof(vdVERTEX)) * VD_VERTEX_CACHE_START));
    if (!vdVertexCache.vertices)
        return 0;
    vdVertexCache.capacity = VD_VERTEX_CACHE_START;
    return 1;
}

void vdVertexCacheFree(void)
{
    vdFree(kOwner, __LINE__, vdVertexCache.vertices);
    vdVertexCache = vdVERTEX_CACHE{};
}

void vdEndScene(void)
{
    vdStatsEndFrame();
}

void vdSetColorWrite(int) {}
void vdSetDepthTest(int) {}
void vdSetAlphaWrite(int) {}
void vdSetTextureFilter(int) {}
void vdSetChromakeyMode(int) {}
void vdSetChromakeyValue(uint32_t) {}
int vdSetRenderState(mwrRENDERSTATE *)
{
    return 0;
}
void vdBeginScene(void) {}
void vdCanvasChanged(const mwrCANVAS *) {}
void vdSetMaterial(const mwrMATERIAL *) {}
void vdDrawTriangle(const mwrVERTEX *, const mwrVERTEX *, const mwrVERTEX *) {}
void vdDrawPolygon(const mwrPOLYGON *) {}
void vdDrawSprite(const mwrSPRITE *) {}
void vdDrawPoint(const mwrPOINT *) {}
void vdReserved47(void) {}
void vdReserved48(void) {}
void vdDrawMesh(const mwrMESH *) {}
void vdReserved50(void) {}
void vdReserved51(void) {}
void vdReserved52(void) {}
void vdReserved53(void) {}
void vdReserved54(void) {}
void vdReserved55(void) {}
void vdDrawScreenPolygon(const mwrSCREENPOLYGON *) {}
