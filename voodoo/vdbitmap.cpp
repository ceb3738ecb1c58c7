// Card bitmaps (slots 14 to 21 and 26): an engine bitmap as a single-level
// texture of unit 0, drawn as a screen-aligned rectangle.
#include "vdbitmap.h"

#include "mwbitmap.h"
#include "vdformat.h"
#include "vdslots.h"
#include "vdstate.h"

#include <cstring>

namespace {

const char kOwner[] = "vdbitmap";

// The image types offered for createBitmap. RGBA 8888 is listed for the
// engine's sake but has no texture format, so createBitmap refuses it.
const int32_t kBitmapTypes[] = {MW_IMAGE_RGB_565,   MW_IMAGE_ARGB_1555, MW_IMAGE_PAL_8,
                                MW_IMAGE_ARGB_4444, MW_IMAGE_RGBA_8888, 0};

using TextureType = vdIMAGE_FORMAT<GrTextureFormat_t>;

const TextureType kTextureTypes[] = {
    {MW_IMAGE_PAL_8, GR_TEXFMT_P_8, 1},
    {MW_IMAGE_RGB_565, GR_TEXFMT_RGB_565, 2},
    {MW_IMAGE_ARGB_4444, GR_TEXFMT_ARGB_4444, 2},
    {MW_IMAGE_ARGB_1555, GR_TEXFMT_ARGB_1555, 2},
};

// Far-edge texture coordinates by aspect code: the long side spans 0..255.
struct EdgeCoordinates {
    float sMax, tMax;
};
const EdgeCoordinates kAspectEdges[] = {
    {255.0f, 31.875f}, // GR_ASPECT_8x1
    {255.0f, 63.75f},  // 4x1
    {255.0f, 127.5f},  // 2x1
    {255.0f, 255.0f},  // 1x1
    {127.5f, 255.0f},  // 1x2
    {63.75f, 255.0f},  // 1x4
    {31.875f, 255.0f}, // GR_ASPECT_1x8
};

// The rectangle shared by every textured 2D draw: colour from slot 26,
// depth and perspective neutral.
GrVertex rectVertex(void)
{
    GrVertex v{};
    v.r = v.g = v.b = v.a = 255.0f;
    v.ooz = 1.0f;
    v.oow = 1.0f;
    v.tmuvtx[0].oow = 1.0f;
    return v;
}
GrVertex rect[4] = {rectVertex(), rectVertex(), rectVertex(), rectVertex()};

// Smallest and largest level are one: no mipmaps.
GrLOD_t levelOfDetail(int32_t longSide)
{
    const int32_t bounds[] = {129, 65, 33, 17, 9, 5, 3, 2};
    for (GrLOD_t lod = GR_LOD_256; lod < GR_LOD_1; ++lod)
        if (longSide >= bounds[lod])
            return lod;
    return GR_LOD_1;
}

GrAspectRatio_t aspectRatio(int32_t width, int32_t height)
{
    if (width >= height) {
        switch (width / height) {
        case 1: return GR_ASPECT_1x1;
        case 2: return GR_ASPECT_2x1;
        case 4: return GR_ASPECT_4x1;
        default: return GR_ASPECT_8x1; // 8:1, and any ratio without a code of its own
        }
    }
    switch (height / width) {
    case 2: return GR_ASPECT_1x2;
    case 4: return GR_ASPECT_1x4;
    case 8: return GR_ASPECT_1x8;
    default: return GR_ASPECT_8x1;
    }
}

// Bytes the board reads from the host for the one level.
int64_t levelBytes(GrLOD_t lod, GrAspectRatio_t aspect, int bytesPerTexel)
{
    const int64_t longSide = 256 >> lod;
    const int shift = aspect <= GR_ASPECT_1x1 ? GR_ASPECT_1x1 - aspect : aspect - GR_ASPECT_1x1;
    const int64_t shortSide = longSide >> shift ? longSide >> shift : 1;
    return longSide * shortSide * bytesPerTexel;
}

struct Texture {
    const TextureType *type;
    GrLOD_t lod;
    GrAspectRatio_t aspect;
    uint32_t size;
};

// Whether the bitmap can become a texture: a type with a texture format, and
// pixels that hold both what its type, width and height need and what the
// board downloads for the level chosen (a size that is no power of two
// rounds the level up). Hostile records are refused here, not read past.
bool describe(const mwBITMAP *bitmap, Texture &texture)
{
    if (!bitmap)
        return false;
    texture.type = vdFindImageFormat(kTextureTypes, bitmap->type);
    if (!texture.type || bitmap->width < 1 || bitmap->height < 1 || !bitmap->data ||
        bitmap->paletteSize < 0 || (bitmap->paletteSize > 0 && !bitmap->palette))
        return false;
    const int64_t needed = int64_t(bitmap->height) * int64_t(bitmap->width) * texture.type->bytesPerPixel;
    texture.lod = levelOfDetail(bitmap->width > bitmap->height ? bitmap->width : bitmap->height);
    texture.aspect = aspectRatio(bitmap->width, bitmap->height);
    if (bitmap->size < needed ||
        bitmap->size < levelBytes(texture.lod, texture.aspect, texture.type->bytesPerPixel))
        return false;
    texture.size = grTexCalcMemRequired(texture.lod, texture.lod, texture.aspect, texture.type->format);
    return texture.size != 0;
}

void releasePixels(mwCARDBITMAP *card)
{
    if (card->flags & MW_BLIT_BITMAP_PRIVATE) {
        vdFree(kOwner, __LINE__, card->pixels);
        vdFree(kOwner, __LINE__, card->palette);
    }
    card->pixels = nullptr;
    card->palette = nullptr;
}

uint8_t *copyOf(const uint8_t *source, int32_t size)
{
    uint8_t *copy = static_cast<uint8_t *>(vdAlloc(kOwner, __LINE__, size));
    if (copy)
        std::memcpy(copy, source, size_t(size));
    return copy;
}

// The card's pixels and palette: private copies with MW_BLIT_BITMAP_PRIVATE, else the
// bitmap's own, which must then outlive the card. False when a copy fails.
bool takePixels(mwCARDBITMAP *card, const mwBITMAP *bitmap, int flags)
{
    card->flags = flags;
    if (!(flags & MW_BLIT_BITMAP_PRIVATE)) {
        card->pixels = bitmap->data;
        card->palette = bitmap->paletteSize > 0 ? bitmap->palette : nullptr;
    } else {
        card->pixels = copyOf(bitmap->data, bitmap->size);
        card->palette = bitmap->paletteSize > 0 ? copyOf(bitmap->palette, bitmap->paletteSize) : nullptr;
        if (!card->pixels || (bitmap->paletteSize > 0 && !card->palette)) {
            releasePixels(card);
            return false;
        }
    }
    card->entry.info.data = card->pixels;
    return true;
}

float position(int value) { return float(uint32_t(value)); }

// The texture alone, opaque.
int drawCard(mwCARDBITMAP *card, float x, float y, float w, float h, float s0, float s1, float t0, float t1)
{
    if (!vdCacheSelect(GR_TMU0, &card->entry))
        return 0;
    grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_FUNCTION_ZERO,
                 GR_COMBINE_FACTOR_NONE, FXFALSE, FXFALSE);
    grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
    grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE, GR_COMBINE_LOCAL_CONSTANT,
                   GR_COMBINE_OTHER_TEXTURE, FXFALSE);
    vdDrawTexturedRect(x, y, w, h, s0, s1, t0, t1);
    return 1;
}

} // namespace

mwCARDBITMAP *vdCardBitmap(mwCARDBITMAP *handle)
{
    return handle && handle->magic == VD_CARD_BITMAP_MAGIC ? handle : nullptr;
}

void vdDrawTexturedRect(float x, float y, float w, float h, float s0, float s1, float t0, float t1)
{
    const float xs[4] = {x, x + w, x + w, x}, ys[4] = {y, y, y + h, y + h};
    const float ss[4] = {s0, s1, s1, s0}, ts[4] = {t0, t0, t1, t1};
    for (int i = 0; i < 4; ++i) {
        rect[i].x = xs[i];
        rect[i].y = ys[i];
        rect[i].tmuvtx[0].sow = ss[i];
        rect[i].tmuvtx[0].tow = ts[i];
    }
    grDrawTriangle(&rect[0], &rect[1], &rect[2]);
    grDrawTriangle(&rect[0], &rect[2], &rect[3]);
}

const int32_t *vdGetBitmapTypes(void) { return kBitmapTypes; }

mwCARDBITMAP *vdCreateBitmap(mwBITMAP *bitmap, int flags)
{
    Texture texture;
    if (!describe(bitmap, texture))
        return nullptr;
    auto *card = static_cast<mwCARDBITMAP *>(vdAlloc(kOwner, __LINE__, sizeof(mwCARDBITMAP)));
    if (!card)
        return nullptr;
    std::memset(card, 0, sizeof *card);
    card->width = bitmap->width;
    card->height = bitmap->height;
    if (!takePixels(card, bitmap, flags)) {
        vdFree(kOwner, __LINE__, card);
        return nullptr;
    }
    const EdgeCoordinates &edges = kAspectEdges[texture.aspect];
    card->sMax = edges.sMax;
    card->tMax = edges.tMax;
    // A one-texel side has no span to divide: its one texel covers the edge.
    card->sScale = card->sMax / float(card->width > 1 ? card->width - 1 : 1);
    card->tScale = card->tMax / float(card->height > 1 ? card->height - 1 : 1);
    card->entry.size = texture.size;
    card->entry.info.smallLod = texture.lod;
    card->entry.info.largeLod = texture.lod;
    card->entry.info.aspectRatio = texture.aspect;
    card->entry.info.format = texture.type->format;
    card->magic = VD_CARD_BITMAP_MAGIC;
    return card;
}

int vdUpdateBitmap(mwCARDBITMAP *handle, mwBITMAP *bitmap, int flags)
{
    mwCARDBITMAP *card = vdCardBitmap(handle);
    Texture texture;
    if (!card || !describe(bitmap, texture) || texture.type->format != card->entry.info.format ||
        bitmap->width != card->width || bitmap->height != card->height)
        return 0;
    // Update always frees the entry: the texture is downloaded again on its next draw.
    vdCacheFree(&card->entry);
    mwCARDBITMAP previous = *card;
    if (!takePixels(card, bitmap, flags)) {
        *card = previous;
        return 0;
    }
    releasePixels(&previous);
    return 1;
}

int vdFreeBitmap(mwCARDBITMAP *handle)
{
    mwCARDBITMAP *card = vdCardBitmap(handle);
    if (!card)
        return 0;
    if (card->entry.resident)
        vdCacheFree(&card->entry);
    card->magic = 0;
    releasePixels(card);
    vdFree(kOwner, __LINE__, card);
    return 1;
}

int vdDrawBitmap(int x, int y, mwCARDBITMAP *handle)
{
    mwCARDBITMAP *card = vdCardBitmap(handle);
    return card && drawCard(card, position(x), position(y), position(card->width), position(card->height),
                            0.0f, card->sMax, 0.0f, card->tMax);
}

int vdDrawBitmapScaled(int x, int y, int w, int h, mwCARDBITMAP *handle)
{
    mwCARDBITMAP *card = vdCardBitmap(handle);
    return card && drawCard(card, position(x), position(y), position(w), position(h), 0.0f, card->sMax, 0.0f,
                            card->tMax);
}

int vdDrawBitmapPart(int x, int y, int sx, int sy, int w, int h, mwCARDBITMAP *handle)
{
    return vdDrawBitmapPartScaled(x, y, sx, sy, w, h, w, h, handle);
}

int vdDrawBitmapPartScaled(int x, int y, int sx, int sy, int sw, int sh, int w, int h, mwCARDBITMAP *handle)
{
    mwCARDBITMAP *card = vdCardBitmap(handle);
    return card && drawCard(card, position(x), position(y), position(w), position(h),
                            float(sx) * card->sScale, float(int64_t(sx) + sw) * card->sScale,
                            float(sy) * card->tScale, float(int64_t(sy) + sh) * card->tScale);
}

void vdSetColor(float red, float green, float blue)
{
    for (GrVertex &v : rect) {
        v.r = red * 255.0f;
        v.g = green * 255.0f;
        v.b = blue * 255.0f;
    }
}
