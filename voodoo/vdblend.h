/*
 * vdblend.h - the board's set-up for each blend mode of a material
 * (MWR_BLEND_). One table serves the plug-in and the board's tests and
 * benchmarks, which draw what the plug-in draws.
 */
#ifndef VDBLEND_H
#define VDBLEND_H

#include "glide.h"
#include "mwrender.h"

struct vdBLEND {
    GrAlphaBlendFnc_t rgbSource, rgbDestination, alphaSource, alphaDestination;
    bool alphaCombine; /* else the alpha combine is left as it is */
    GrCombineFactor_t alphaFactor;
    GrCombineOther_t alphaOther;
    bool halfConstant; /* the constant colour becomes 0x80: alpha 128 in the plug-in's RGBA format */
};

/* Indexed by blend mode. */
inline constexpr vdBLEND vdBlendModes[MWR_BLEND_MODES] = {
    /* MWR_BLEND_OPAQUE */
    {GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO, false, GR_COMBINE_FACTOR_ZERO,
     GR_COMBINE_OTHER_CONSTANT, false},
    /* MWR_BLEND_VERTEX_ALPHA */
    {GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ONE, GR_BLEND_ZERO, true,
     GR_COMBINE_FACTOR_ONE, GR_COMBINE_OTHER_ITERATED, false},
    /* MWR_BLEND_TEXTURE_ALPHA */
    {GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ONE, GR_BLEND_ZERO, true,
     GR_COMBINE_FACTOR_ONE, GR_COMBINE_OTHER_TEXTURE, false},
    /* MWR_BLEND_DARKEN */
    {GR_BLEND_ZERO, GR_BLEND_SRC_ALPHA, GR_BLEND_ONE, GR_BLEND_ZERO, true, GR_COMBINE_FACTOR_ONE,
     GR_COMBINE_OTHER_TEXTURE, false},
    /* MWR_BLEND_ADD_HALF */
    {GR_BLEND_ONE, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ZERO, GR_BLEND_ZERO, true, GR_COMBINE_FACTOR_ONE,
     GR_COMBINE_OTHER_CONSTANT, true},
    /* MWR_BLEND_ADD */
    {GR_BLEND_ONE, GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ZERO, true, GR_COMBINE_FACTOR_ZERO,
     GR_COMBINE_OTHER_CONSTANT, false},
};

/* Sets the board up for the blend mode; a mode out of range is opaque. */
inline void vdBlendSelect(int mode)
{
    const vdBLEND &b = vdBlendModes[mode >= 0 && mode < MWR_BLEND_MODES ? mode : MWR_BLEND_OPAQUE];
    grAlphaBlendFunction(b.rgbSource, b.rgbDestination, b.alphaSource, b.alphaDestination);
    if (b.alphaCombine)
        grAlphaCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, b.alphaFactor, GR_COMBINE_LOCAL_CONSTANT,
                       b.alphaOther, FXFALSE);
    if (b.halfConstant)
        grConstantColorValue(0x80);
}

#endif
