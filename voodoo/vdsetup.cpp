// Materials (slot 42): the combine and blend set-up of the board, and the
// 24 vertex set-up functions, one per texture mask and colour mode.
#include "vdrend.h"

#include <array>
#include <utility>

#include "vdbitmap.h"
#include "vdblend.h"
#include "vdslots.h"
#include "vdstate.h"

namespace {

constexpr int kColorModes = MWR_COLOR_LIT + 1;
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
    if constexpr (Mode == MWR_COLOR_VERTEX) {
        v->v.r = source->r * 255.0f;
        v->v.g = source->g * 255.0f;
        v->v.b = source->b * 255.0f;
    } else if constexpr (Mode == MWR_COLOR_LIT) {
        light(v, source);
    }
    // s and t stay unprojected for clipping; a pending vertex has oow 0
    // until its projection divides them again.
    if constexpr ((Mask & MWR_TEXTURE_LAYER0) != 0) {
        v->s0 = source->u0 * vdRender.sMax[0];
        v->t0 = source->v0 * vdRender.tMax[0];
        v->v.tmuvtx[0].sow = v->s0 * v->v.oow;
        v->v.tmuvtx[0].tow = v->t0 * v->v.oow;
    }
    if constexpr ((Mask & MWR_TEXTURE_LAYER1) != 0) {
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

} // namespace

vdSETUP_FN *vdDefaultSetUp(void) { return kSetUp[MWR_COLOR_CONSTANT]; }

void vdSetMaterial(const mwrMATERIAL *material)
{
    if (!material)
        return;
    const uint32_t mask = uint32_t(material->textureMask) & vdState.tmuMask;
    const int mode = material->colorMode >= 0 && material->colorMode < kColorModes ? material->colorMode
                                                                                   : MWR_COLOR_CONSTANT;
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

    const bool vertexColor = mode != MWR_COLOR_CONSTANT;
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

    if (mask & MWR_TEXTURE_LAYER0) {
        if (cards[0] && !vdCacheSelect(0, &cards[0]->entry))
            vdRender.drawable = 0;
        grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_FUNCTION_LOCAL,
                     GR_COMBINE_FACTOR_NONE, FXFALSE, FXFALSE);
    } else if (mask) {
        grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_ZERO, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_FUNCTION_ZERO,
                     GR_COMBINE_FACTOR_ZERO, FXFALSE, FXFALSE);
    }
    vdBlendSelect(material->flags & MWR_MATERIAL_ADD_HALF ? MWR_BLEND_ADD_HALF : material->blendMode);
}
