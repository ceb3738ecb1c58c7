// grpipe.cpp - resolving the board state into the list of span stages.
#include "grpipe.h"

namespace gr {

bool avx2Available() { return __builtin_cpu_supports("avx2"); }

namespace {

//---- Combine units

struct FunctionShape {
    bool usesOther, subtractsLocal;
    int adds; // 0 nothing, 1 the local colour, 2 the local alpha
};

FunctionShape shapeOf(int function)
{
    switch (function) {
    case GR_COMBINE_FUNCTION_LOCAL: return {false, false, 1};
    case GR_COMBINE_FUNCTION_LOCAL_ALPHA: return {false, false, 2};
    case GR_COMBINE_FUNCTION_SCALE_OTHER: return {true, false, 0};
    case GR_COMBINE_FUNCTION_SCALE_OTHER_ADD_LOCAL: return {true, false, 1};
    case GR_COMBINE_FUNCTION_SCALE_OTHER_ADD_LOCAL_ALPHA: return {true, false, 2};
    case GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL: return {true, true, 0};
    case GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL_ADD_LOCAL: return {true, true, 1};
    case GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL_ADD_LOCAL_ALPHA: return {true, true, 2};
    case GR_COMBINE_FUNCTION_SCALE_MINUS_LOCAL_ADD_LOCAL: return {false, true, 1};
    case GR_COMBINE_FUNCTION_SCALE_MINUS_LOCAL_ADD_LOCAL_ALPHA: return {false, true, 2};
    default: return {false, false, 0}; // ZERO
    }
}

// The inputs one channel of a combine unit sees.
struct CombineInputs {
    int local, other;           // this channel's local and other colour
    int localAlpha, otherAlpha; // the alpha unit's local and other inputs
    int textureAlpha;
};

void resolveChannel(const CombineUnit &u, const CombineInputs &in, CombineSlots &c, int ch, int outSlot)
{
    const FunctionShape f = shapeOf(u.function);
    c.a[ch] = f.usesOther ? in.other : kZero;
    c.b[ch] = f.subtractsLocal ? in.local : kZero;
    c.c[ch] = f.adds == 1 ? in.local : f.adds == 2 ? in.localAlpha : kZero;
    int factor = kZero;
    switch (u.factor & 7) {
    case GR_COMBINE_FACTOR_LOCAL: factor = in.local; break;
    case GR_COMBINE_FACTOR_OTHER_ALPHA: factor = in.otherAlpha; break;
    case GR_COMBINE_FACTOR_LOCAL_ALPHA: factor = in.localAlpha; break;
    case GR_COMBINE_FACTOR_TEXTURE_ALPHA: factor = in.textureAlpha; break;
    default: break; // ZERO; LOD_FRACTION reads 0 (no trilinear blending)
    }
    const bool known = u.factor >= 0 && u.factor <= GR_COMBINE_FACTOR_ONE_MINUS_LOD_FRACTION;
    c.factor[ch] = factor;
    c.factorXor[ch] = known && (u.factor & 8) ? 255 : 0;
    c.resultXor[ch] = u.invert ? 255 : 0;
    c.out[ch] = outSlot;
}

// Where a channel's result is one of its operands unchanged, the stage can
// be skipped and later stages read that operand.
int passThrough(const CombineSlots &c, int ch)
{
    if (c.resultXor[ch] != 0 || c.b[ch] != kZero)
        return -1;
    const int f = c.factor[ch];
    const int32_t x = c.factorXor[ch];
    const bool factorZero = (f == kZero && x == 0) || (f == kFull && x == 255);
    const bool factorOne = (f == kZero && x == 255) || (f == kFull && x == 0);
    if (c.a[ch] == kZero || factorZero)
        return c.c[ch];
    if (factorOne && c.c[ch] == kZero)
        return c.a[ch];
    return -1;
}

// Fills c; returns true when a stage must run, false when every channel was
// turned into a pass-through (c.out then names the operands).
bool resolveUnit(const CombineUnit &rgb, const CombineUnit &alpha, const CombineInputs in[4], CombineSlots &c,
                 int outSlot)
{
    for (int ch = 0; ch < 4; ++ch)
        resolveChannel(ch < 3 ? rgb : alpha, in[ch], c, ch, outSlot + ch);
    int through[4];
    for (int ch = 0; ch < 4; ++ch) {
        through[ch] = passThrough(c, ch);
        if (through[ch] < 0)
            return true;
    }
    for (int ch = 0; ch < 4; ++ch)
        c.out[ch] = through[ch];
    return false;
}

bool slotIn(int s, int first, int last) { return s >= first && s <= last; }

bool readsSlots(const CombineSlots &c, int first, int last)
{
    for (int ch = 0; ch < 4; ++ch)
        if (slotIn(c.a[ch], first, last) || slotIn(c.b[ch], first, last) || slotIn(c.c[ch], first, last) ||
            slotIn(c.factor[ch], first, last) || slotIn(c.out[ch], first, last))
            return true;
    return false;
}

//---- Blending

void resolveBlendFactor(int code, int ch, bool sourceSlot, Pipeline &p, int &slot, int32_t &x)
{
    const int srcColor = p.colorCombine.out[ch];
    const int srcAlpha = p.colorCombine.out[3];
    x = 0;
    switch (code) {
    case GR_BLEND_SRC_ALPHA: slot = srcAlpha; break;
    case GR_BLEND_ONE_MINUS_SRC_ALPHA:
        slot = srcAlpha;
        x = 255;
        break;
    case GR_BLEND_DST_COLOR: slot = sourceSlot ? kDstR + ch : srcColor; break;
    case GR_BLEND_ONE_MINUS_DST_COLOR:
        slot = sourceSlot ? kDstR + ch : srcColor;
        x = 255;
        break;
    case GR_BLEND_DST_ALPHA: slot = kDstA; break;
    case GR_BLEND_ONE_MINUS_DST_ALPHA:
        slot = kDstA;
        x = 255;
        break;
    case GR_BLEND_ONE:
        slot = kZero;
        x = 255;
        break;
    case GR_BLEND_ALPHA_SATURATE:
        // As a source factor: saturate on colour, one on alpha. As a destination
        // factor: the source colour before fog, which is the source colour here.
        if (sourceSlot && ch < 3)
            slot = kSaturate;
        else if (sourceSlot) {
            slot = kZero;
            x = 255;
        } else
            slot = srcColor;
        break;
    default: slot = kZero; break; // ZERO and the reserved codes
    }
}

int32_t compareMask(int function, int bit) { return (function & bit) ? -1 : 0; }

void addStep(Pipeline &p, StageFn fn, int arg = 0) { p.steps[p.stepCount++] = {fn, arg}; }

} // namespace

const SpanKernels *resolvePipeline(Board &b, Pipeline &p, const FlatColor *flat)
{
    if (!b.open)
        return nullptr;
    const SpanKernels &k = (!b.baselineSpans && avx2Available()) ? avx2Kernels() : baselineKernels();
    p = Pipeline{};
    const Rgba constant = unpackColor(b.constantColor, b.colorFormat);
    p.constant[0] = constant.r;
    p.constant[1] = constant.g;
    p.constant[2] = constant.b;
    p.constant[3] = constant.a;
    // The iterated slot of each channel: constant for a flat primitive.
    int iter[4] = {kIterR, kIterG, kIterB, kIterA};
    if (flat) {
        p.flatIterated = true;
        for (int ch = 0; ch < 4; ++ch) {
            p.iterated[ch] = flat->value[ch];
            iter[ch] = flat->value[ch] == 255 ? kFull : flat->value[ch] == 0 ? kZero : kIterR + ch;
        }
    }

    // Texture units, upstream first: unit 1 feeds unit 0's "other".
    const int units = b.tmuCount < kMaxTmus ? b.tmuCount : kMaxTmus;
    bool unitRuns[kMaxTmus] = {};
    for (int u = units - 1; u >= 0; --u) {
        const int texel = u == 0 ? kTex0R : kTex1R;
        // The upstream unit's result (its operands when its combine was elided).
        const CombineSlots *up = u + 1 < units ? &p.texCombine[u + 1] : nullptr;
        CombineInputs in[4];
        for (int ch = 0; ch < 4; ++ch)
            in[ch] = {texel + ch, up ? up->out[ch] : kZero, texel + 3, up ? up->out[3] : kZero, texel + 3};
        unitRuns[u] =
            resolveUnit(b.tmus[u].rgb, b.tmus[u].alpha, in, p.texCombine[u], u == 0 ? kTmu0R : kTmu1R);
    }

    // Colour and alpha combine.
    const CombineUnit &cc = b.colorCombine, &ac = b.alphaCombine;
    const int texAlpha = p.texCombine[0].out[3];
    auto colorLocal = [&](int ch) {
        return cc.local == GR_COMBINE_LOCAL_CONSTANT ? kConstR + ch
               : cc.local == GR_COMBINE_LOCAL_DEPTH  ? kDepthA
                                                     : iter[ch];
    };
    auto colorOther = [&](int ch) {
        return cc.other == GR_COMBINE_OTHER_TEXTURE    ? p.texCombine[0].out[ch]
               : cc.other == GR_COMBINE_OTHER_CONSTANT ? kConstR + ch
                                                       : iter[ch];
    };
    const int alphaLocal = ac.local == GR_COMBINE_LOCAL_CONSTANT ? kConstA
                           : ac.local == GR_COMBINE_LOCAL_DEPTH  ? kDepthA
                                                                 : iter[3];
    const int alphaOther = ac.other == GR_COMBINE_OTHER_TEXTURE    ? texAlpha
                           : ac.other == GR_COMBINE_OTHER_CONSTANT ? kConstA
                                                                   : iter[3];
    CombineInputs in[4];
    for (int ch = 0; ch < 3; ++ch)
        in[ch] = {colorLocal(ch), colorOther(ch), alphaLocal, alphaOther, texAlpha};
    in[3] = {alphaLocal, alphaOther, alphaLocal, alphaOther, texAlpha};
    const bool colorRuns = resolveUnit(cc, ac, in, p.colorCombine, kOutR);

    const bool chroma = b.chromakey;
    if (chroma) {
        const Rgba key = unpackColor(b.chromakeyValue, b.colorFormat);
        for (int ch = 0; ch < 3; ++ch)
            p.chromaSlot[ch] = colorOther(ch);
        p.chromaKey[0] = key.r;
        p.chromaKey[1] = key.g;
        p.chromaKey[2] = key.b;
    }

    // Which texture units are read at all.
    bool unitNeeded[kMaxTmus] = {};
    {
        bool t0 = readsSlots(p.colorCombine, kTex0R, kTmu1A);
        for (int ch = 0; ch < 3 && chroma; ++ch)
            t0 = t0 || slotIn(p.chromaSlot[ch], kTex0R, kTmu1A);
        unitNeeded[0] = t0 && units > 0;
        unitNeeded[1] = unitNeeded[0] && units > 1 && readsSlots(p.texCombine[0], kTex1R, kTmu1A);
    }

    // Depth.
    const bool depth = b.auxIsDepth();
    const bool zbuffer =
        b.depthMode == GR_DEPTHBUFFER_ZBUFFER || b.depthMode == GR_DEPTHBUFFER_ZBUFFER_COMPARE_TO_BIAS;
    const bool compareBias = b.depthMode == GR_DEPTHBUFFER_ZBUFFER_COMPARE_TO_BIAS ||
                             b.depthMode == GR_DEPTHBUFFER_WBUFFER_COMPARE_TO_BIAS;
    if (depth) {
        p.depthBias = b.depthBias;
        p.depthLess = compareMask(b.depthFunction, 1);
        p.depthEqual = compareMask(b.depthFunction, 2);
        p.depthGreater = compareMask(b.depthFunction, 4);
    }

    // Attributes to interpolate.
    bool iterated = false;
    for (int ch = 0; ch < 4; ++ch) {
        const CombineSlots &c = p.colorCombine;
        iterated = iterated || slotIn(c.a[ch], kIterR, kIterA) || slotIn(c.b[ch], kIterR, kIterA) ||
                   slotIn(c.c[ch], kIterR, kIterA) || slotIn(c.factor[ch], kIterR, kIterA) ||
                   slotIn(c.out[ch], kIterR, kIterA);
    }
    for (int ch = 0; ch < 3 && chroma; ++ch)
        iterated = iterated || slotIn(p.chromaSlot[ch], kIterR, kIterA);
    auto needAttr = [&](int a) {
        for (int i = 0; i < p.attrCount; ++i)
            if (p.attrList[i] == a)
                return;
        p.attrList[p.attrCount++] = a;
    };
    if ((depth && !zbuffer) || unitNeeded[0])
        needAttr(kOow);
    if (depth && zbuffer)
        needAttr(kOoz);
    if (iterated && !flat)
        for (int a = kRed; a <= kAlpha; ++a)
            needAttr(a);
    for (int u = 0; u < kMaxTmus; ++u) {
        if (!unitNeeded[u])
            continue;
        needAttr(u == 0 ? kSow0 : kSow1);
        needAttr(u == 0 ? kTow0 : kTow1);
        p.sampler[u].sowAttr = u == 0 ? kSow0 : kSow1;
        p.sampler[u].towAttr = u == 0 ? kTow0 : kTow1;
        p.sampler[u].outSlot = u == 0 ? kTex0R : kTex1R;
    }

    // The stages, in pipeline order.
    if (p.attrCount > 0)
        addStep(p, k.interpolate);
    if (iterated && !flat)
        addStep(p, k.iterateColor);
    if (depth)
        addStep(p,
                zbuffer ? (compareBias ? k.depthZBias : k.depthZ) : (compareBias ? k.depthWBias : k.depthW));
    for (int u = kMaxTmus - 1; u >= 0; --u) {
        if (!unitNeeded[u])
            continue;
        p.samplerStep[u] = p.stepCount; // the filter is chosen per primitive
        addStep(p, k.sample[0][0][0][0], u);
        if (unitRuns[u])
            addStep(p, k.combine, u);
    }
    if (chroma)
        addStep(p, k.chromakey);
    if (colorRuns) {
        const CombineSlots &c = p.colorCombine;
        bool modulate = true;
        for (int ch = 0; ch < 3; ++ch)
            modulate = modulate && c.b[ch] == kZero && c.c[ch] == kZero && c.factorXor[ch] == 0 &&
                       c.resultXor[ch] == 0;
        addStep(p, modulate ? k.modulate : k.combine, kMaxTmus);
    }
    if (b.alphaTestFunction != GR_CMP_ALWAYS) {
        p.alphaLess = compareMask(b.alphaTestFunction, 1);
        p.alphaEqual = compareMask(b.alphaTestFunction, 2);
        p.alphaGreater = compareMask(b.alphaTestFunction, 4);
        p.alphaReference = b.alphaTestReference;
        addStep(p, k.alphaTest);
    }

    // Blending.
    const int src[4] = {b.rgbSrcBlend, b.rgbSrcBlend, b.rgbSrcBlend, b.alphaSrcBlend};
    const int dst[4] = {b.rgbDstBlend, b.rgbDstBlend, b.rgbDstBlend, b.alphaDstBlend};
    const bool blending = b.rgbSrcBlend != GR_BLEND_ONE || b.rgbDstBlend != GR_BLEND_ZERO ||
                          b.alphaSrcBlend != GR_BLEND_ONE || b.alphaDstBlend != GR_BLEND_ZERO;
    for (int ch = 0; ch < 4; ++ch)
        p.writeSlot[ch] = p.colorCombine.out[ch];
    if (blending) {
        bool dstAlpha = false, saturate = false;
        for (int ch = 0; ch < 4; ++ch) {
            resolveBlendFactor(src[ch], ch, true, p, p.blendSrcFactor[ch], p.blendSrcXor[ch]);
            resolveBlendFactor(dst[ch], ch, false, p, p.blendDstFactor[ch], p.blendDstXor[ch]);
            for (int s : {p.blendSrcFactor[ch], p.blendDstFactor[ch]}) {
                dstAlpha = dstAlpha || s == kDstA || s == kSaturate;
                saturate = saturate || s == kSaturate;
            }
            p.writeSlot[ch] = kBlendR + ch;
        }
        addStep(p, k.readDst);
        if (dstAlpha && b.auxIsAlpha())
            addStep(p, k.readDstAlpha);
        if (saturate)
            addStep(p, k.saturate);
        const bool add = b.rgbSrcBlend == GR_BLEND_ONE && b.rgbDstBlend == GR_BLEND_ONE;
        const bool darken = b.rgbSrcBlend == GR_BLEND_ZERO && b.rgbDstBlend == GR_BLEND_SRC_ALPHA;
        addStep(p, add ? k.blendAdd : darken ? k.blendDarken : k.blend);
    }

    const int dither = b.ditherMode == GR_DITHER_2x2   ? GR_DITHER_2x2
                       : b.ditherMode == GR_DITHER_4x4 ? GR_DITHER_4x4
                                                       : GR_DITHER_DISABLE;
    const int aux = depth && b.depthWrite ? 1 : (b.auxIsAlpha() && b.alphaWrite ? 2 : 0);
    addStep(p, k.write[dither][b.rgbWrite ? 1 : 0][aux]);
    p.span = k.drawSpan;

    // The fused textured layer: one unit, wrapping, colour and alpha straight
    // from the texel or constants, no tests but a plain W-buffer, the plug-in's
    // colour blends, nothing written to an alpha buffer.
    FusedLayer &f = p.fused;
    f.eligible = unitNeeded[0] && !unitNeeded[1] && !unitRuns[0] && !colorRuns && !chroma &&
                 b.alphaTestFunction == GR_CMP_ALWAYS && aux != 2 &&
                 b.tmus[0].clampS == GR_TEXTURECLAMP_WRAP && b.tmus[0].clampT == GR_TEXTURECLAMP_WRAP &&
                 (!depth || (!zbuffer && !compareBias && b.depthBias == 0)) && dither != GR_DITHER_2x2;
    for (int ch = 0; ch < 4 && f.eligible; ++ch) {
        const int s = p.colorCombine.out[ch];
        if (s == kTex0R + ch) {
            f.texelMask[ch] = 255;
            f.constant[ch] = 0;
        } else if (s == kZero || s == kFull || slotIn(s, kConstR, kConstA) ||
                   (flat && slotIn(s, kIterR, kIterA))) {
            f.texelMask[ch] = 0;
            f.constant[ch] = s == kZero                    ? 0
                             : s == kFull                  ? 255
                             : slotIn(s, kConstR, kConstA) ? p.constant[s - kConstR]
                                                           : p.iterated[s - kIterR];
        } else {
            f.eligible = false;
        }
    }
    const int rs = b.rgbSrcBlend, rd = b.rgbDstBlend;
    if (!blending || (rs == GR_BLEND_ONE && rd == GR_BLEND_ZERO))
        f.blend = kFusedReplace;
    else if (rs == GR_BLEND_ONE && rd == GR_BLEND_ONE)
        f.blend = kFusedAdd;
    else if (rs == GR_BLEND_ZERO && rd == GR_BLEND_SRC_ALPHA)
        f.blend = kFusedDarken;
    else if (rs == GR_BLEND_SRC_ALPHA && rd == GR_BLEND_ONE_MINUS_SRC_ALPHA)
        f.blend = kFusedAlpha;
    else
        f.eligible = false;
    f.depth = depth;
    f.dither = dither == GR_DITHER_4x4;
    f.rgbWrite = b.rgbWrite ? -1 : 0;
    f.depthWrite = aux == 1 ? -1 : 0;
    return &k;
}

} // namespace gr
