// Materials (slot 42): the combine and blend set-up of the board, and the
// 24 vertex set-up functions, one per texture mask and colour mode.
#include "vdrend.h"

#include <array>
#include <utility>

#include "vdbitmap.h"
#include "vdslots.h"
#include "vdstate.h"

namespace {

enum ColorMode { kConstant = 0, kVertexColor = 1, kLit = 2, kColorModes = 3 };
constexpr int kTextureMasks = 8; // masks 4 to 7 set up as 0 to 3

float clampChannel(float c)
{
    return c > 0.0f ? (c < 255.0f ? c : 255.0f) : 0.0f; // NaN gives 0
}

// The render state's ambient term plus every active light, through the
// engine's lighting functions, in the space of the model matrix.
void light(vdVERTEX *v, const mwrVERTEX *source)
{
    const mwrRENDERSTATE *st = vdRender.state;
    float acc[3] = {st->ambient[0], st->ambient[1], st->ambient[2]};
    const float *normal = &source->nx;
    const float *position = &source->x;
    for (const mwrLIGHTSLOT *slot = st->lights; slot; slot = slot->next)
        slot->shade(normal, acc, position, slot);
    v->v.r = clampChannel(acc[0] * 255.0f);
    v->v.g = clampChannel(acc[1] * 255.0f);
    v->v.b = clampChannel(acc[2] * 255.0f);
}

template <int Mask, int Mode>
void setUp(vdVERTEX *v, const mwrVERTEX *source)
{
    if constexpr (Mode == kVertexColor) {
        v->v.r = source->r * 255.0f;
        v->v.g = source->g * 255.0f;
        v->v.b = source->b * 255.0f;
    } else if constexpr (Mode == kLit) {
        light(v, source);
    }
    // s and t stay unprojected for clipping; a pending vertex has oow 0
    // until its projection divides them again.
    if constexpr ((Mask & 1) != 0) {
        v->s0 = source->u0 * vdRender.sMax[0];
        v->t0 = source->v0 * vdRender.tMax[0];
        v->v.tmuvtx[0].sow = v->s0 * v->v.oow;
        v->v.tmuvtx[0].tow = v->t0 * v->v.oow;
    }
    if constexpr ((Mask & 2) != 0) {
        v->s1 = source->u1 * vdRender.sMax[1];
        v->t1 = source->v1 * vdRender.tMax[1];
        v->v.tmuvtx[1].sow = v->s1 * v->v.oow;
        v->v.tmuvtx[1].tow = v->t1 * v->v.oow;
    }
}

// Indexed by texture mask x 3 + colour mode.
template <int... Index>
constexpr auto makeSetUpTable(std::integer_sequence<int, Index...>)
{
    return std::array<vdSETUP_FN *, sizeof...(Index)>{
        setUp<(Index / kColorModes) & 3, Index % kColorModes>...};
}
constexpr auto kSetUp = makeSetUpTable(std::make_integer_sequence<int, kTextureMasks * kColorModes>{});

struct Blend {
    GrAlphaBlendFnc_t rgbSource, rgbDestination, alphaSource, alphaDestination;
    bool alphaCombine; // else the alpha combine is left as it is
    GrCombineFactor_t alphaFactor;
    GrCombineOther_t alphaOther;
    bool halfConstant; // the constant colour becomes 0x80
};

const Blend kBlend[] = {
    // 0 opaque
    {GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO, false, GR_COMBINE_FACTOR_ZERO,
     GR_COMBINE_OTHER_CONSTANT, false},
    // 1 by vertex alpha
    {GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ONE, GR_BLEND_ZERO, true,
     GR_COMBINE_FACTOR_ONE, GR_COMBINE_OTHER_ITERATED, false},
    // 2 by texture alpha
    {GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ONE, GR_BLEND_ZERO, true,
     GR_COMBINE_FACTOR_ONE, GR_COMBINE_OTHER_TEXTURE, false},
    // 3 darkens by texture alpha
    {GR_BLEND_ZERO, GR_BLEND_SRC_ALPHA, GR_BLEND_ONE, GR_BLEND_ZERO, true, GR_COMBINE_FACTOR_ONE,
     GR_COMBINE_OTHER_TEXTURE, false},
    // 4 the source over half the destination (constant alpha 0x80)
    {GR_BLEND_ONE, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ZERO, GR_BLEND_ZERO, true, GR_COMBINE_FACTOR_ONE,
     GR_COMBINE_OTHER_CONSTANT, true},
    // 5 additive
    {GR_BLEND_ONE, GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ZERO, true, GR_COMBINE_FACTOR_ZERO,
     GR_COMBINE_OTHER_CONSTANT, false},
};
constexpr int kBlendModes = sizeof kBlend / sizeof kBlend[0];
constexpr int kFlagBlend = 4; // material flag bit 0 asks for it

void setBlend(const mwrMATERIAL &material)
{
    int mode = material.flags & 1 ? kFlagBlend : material.blendMode;
    if (mode < 0 || mode >= kBlendModes)
        mode = 0;
    const Blend &b = kBlend[mode];
    grAlphaBlendFunction(b.rgbSource, b.rgbDestination, b.alphaSource, b.alphaDestination);
    if (b.alphaCombine)
        grAlphaCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, b.alphaFactor, GR_COMBINE_LOCAL_CONSTANT,
                       b.alphaOther, FXFALSE);
    if (b.halfConstant)
        grConstantColorValue(0x80);
}

} // namespace

vdSETUP_FN *vdDefaultSetUp(void) { return kSetUp[kConstant]; }

void vdSetMaterial(const mwrMATERIAL *material)
{
    if (!material)
        return;
    const uint32_t mask = uint32_t(material->textureMask) & vdState.tmuMask;
    const int mode =
        material->colorMode >= 0 && material->colorMode < kColorModes ? material->colorMode : kConstant;
    vdRender.setUp = kSetUp[(mask & (kTextureMasks - 1)) * kColorModes + mode];
    vdRender.textureMask = mask & 3;
    // A texture that is not a card bitmap, or cannot be loaded, leaves the
    // material's primitives undrawn, as a failed bitmap draw does.
    vdRender.drawable = 1;
    mwCARDBITMAP *cards[2] = {};
    for (int unit = 0; unit < 2; ++unit) {
        if (!(mask & (1u << unit)))
            continue;
        cards[unit] = vdCardBitmap(material->texture[unit]);
        if (!cards[unit]) {
            vdRender.drawable = 0;
            continue;
        }
        vdRender.sMax[unit] = cards[unit]->sMax;
        vdRender.tMax[unit] = cards[unit]->tMax;
    }

    const bool vertexColor = mode != kConstant;
    if (!mask)
        grColorCombine(GR_COMBINE_FUNCTION_LOCAL,
                       vertexColor ? GR_COMBINE_FACTOR_LOCAL : GR_COMBINE_FACTOR_NONE,
                       vertexColor ? GR_COMBINE_LOCAL_ITERATED : GR_COMBINE_LOCAL_CONSTANT,
                       GR_COMBINE_OTHER_CONSTANT, FXFALSE);
    else
        grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER,
                       vertexColor ? GR_COMBINE_FACTOR_LOCAL : GR_COMBINE_FACTOR_ONE,
                       vertexColor ? GR_COMBINE_LOCAL_ITERATED : GR_COMBINE_LOCAL_CONSTANT,
                       GR_COMBINE_OTHER_TEXTURE, FXFALSE);

    if (mask & 1) {
        if (cards[0] && !vdCacheSelect(0, &cards[0]->entry))
            vdRender.drawable = 0;
        grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_FUNCTION_LOCAL,
                     GR_COMBINE_FACTOR_NONE, FXFALSE, FXFALSE);
    } else if (mask) {
        grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_ZERO, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_FUNCTION_ZERO,
                     GR_COMBINE_FACTOR_ZERO, FXFALSE, FXFALSE);
    }
    setBlend(*material);
}
