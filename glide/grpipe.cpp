// grpipe.cpp - resolving the board state into the list of span stages.
#include "grpipe.h"

namespace gr {

bool avx2Available() { return __builtin_cpu_supports("avx2"); }
bool avx512Available()
{
    return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq") &&
           __builtin_cpu_supports("avx512vl");
}

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

//---- Resolving, step by step

// What the steps learn about the board state and hand on to later steps.
struct Resolution {
    const Board &b;
    Pipeline &p;
    const SpanKernels &k;
    const FlatColor *flat;
    int iter[4] = {kIterR, kIterG, kIterB, kIterA}; // the iterated slot of each channel
    int units = 0;
    bool unitRuns[kMaxTmus] = {};   // the unit's combine is a stage of its own
    bool unitNeeded[kMaxTmus] = {}; // the unit's texel is read
    bool colorRuns = false;         // the colour and alpha combine is a stage
    int colorOther[3] = {kZero, kZero, kZero};
    bool depth = false, zbuffer = false, compareBias = false;
    bool iterated = false; // the combine reads the iterated colour
    int aux = 0;           // what the write stage puts into the aux buffer: 0 nothing, 1 depth, 2 alpha
    int dither = GR_DITHER_DISABLE;
};

void addStep(Pipeline &p, StageFn fn, int arg = 0) { p.steps[p.stepCount++] = {fn, arg}; }

void resolveConstants(Resolution &r)
{
    const Rgba constant = unpackColor(r.b.constantColor, r.b.colorFormat);
    r.p.constant[0] = constant.r;
    r.p.constant[1] = constant.g;
    r.p.constant[2] = constant.b;
    r.p.constant[3] = constant.a;
    if (r.flat) {
        // A flat primitive's iterated colour is a constant; 0 and 255 simplify the combine.
        r.p.flatIterated = true;
        for (int ch = 0; ch < 4; ++ch) {
            const int32_t v = r.flat->value[ch];
            r.p.iterated[ch] = v;
            r.iter[ch] = v == 255 ? kFull : v == 0 ? kZero : kIterR + ch;
        }
    }
}

// Texture units, upstream first: unit 1 feeds unit 0's "other".
void resolveTextureUnits(Resolution &r)
{
    r.units = r.b.hardware.tmuCount < kMaxTmus ? r.b.hardware.tmuCount : kMaxTmus;
    for (int u = r.units - 1; u >= 0; --u) {
        const int texel = u == 0 ? kTex0R : kTex1R;
        // The upstream unit's result (its operands when its combine was elided).
        const CombineSlots *up = u + 1 < r.units ? &r.p.texCombine[u + 1] : nullptr;
        CombineInputs in[4];
        for (int ch = 0; ch < 4; ++ch)
            in[ch] = {texel + ch, up ? up->out[ch] : kZero, texel + 3, up ? up->out[3] : kZero, texel + 3};
        const Tmu &t = r.b.tmus[size_t(u)];
        r.unitRuns[u] = resolveUnit(t.rgb, t.alpha, in, r.p.texCombine[u], u == 0 ? kTmu0R : kTmu1R);
    }
}

int localSlot(int local, int ch, const Resolution &r)
{
    return local == GR_COMBINE_LOCAL_CONSTANT ? kConstR + ch
           : local == GR_COMBINE_LOCAL_DEPTH  ? kDepthA
                                              : r.iter[ch];
}

int otherSlot(int other, int ch, const Resolution &r)
{
    return other == GR_COMBINE_OTHER_TEXTURE    ? r.p.texCombine[0].out[ch]
           : other == GR_COMBINE_OTHER_CONSTANT ? kConstR + ch
                                                : r.iter[ch];
}

// The colour and alpha combine, and the chroma key on its "other" colour.
void resolveColorCombine(Resolution &r)
{
    const CombineUnit &cc = r.b.colorCombine, &ac = r.b.alphaCombine;
    const int texAlpha = r.p.texCombine[0].out[3];
    const int alphaLocal = localSlot(ac.local, 3, r), alphaOther = otherSlot(ac.other, 3, r);
    CombineInputs in[4];
    for (int ch = 0; ch < 3; ++ch) {
        r.colorOther[ch] = otherSlot(cc.other, ch, r);
        in[ch] = {localSlot(cc.local, ch, r), r.colorOther[ch], alphaLocal, alphaOther, texAlpha};
    }
    in[3] = {alphaLocal, alphaOther, alphaLocal, alphaOther, texAlpha};
    r.colorRuns = resolveUnit(cc, ac, in, r.p.colorCombine, kOutR);
    if (r.b.chromakey) {
        const Rgba key = unpackColor(r.b.chromakeyValue, r.b.colorFormat);
        for (int ch = 0; ch < 3; ++ch)
            r.p.chromaSlot[ch] = r.colorOther[ch];
        r.p.chromaKey[0] = key.r;
        r.p.chromaKey[1] = key.g;
        r.p.chromaKey[2] = key.b;
    }
}

// Which texture units are read at all, and whether the iterated colour is.
void resolveReads(Resolution &r)
{
    const CombineSlots &c = r.p.colorCombine;
    bool t0 = readsSlots(c, kTex0R, kTmu1A);
    bool iterated = readsSlots(c, kIterR, kIterA);
    for (int ch = 0; ch < 3 && r.b.chromakey; ++ch) {
        t0 = t0 || slotIn(r.p.chromaSlot[ch], kTex0R, kTmu1A);
        iterated = iterated || slotIn(r.p.chromaSlot[ch], kIterR, kIterA);
    }
    r.unitNeeded[0] = t0 && r.units > 0;
    r.unitNeeded[1] = r.unitNeeded[0] && r.units > 1 && readsSlots(r.p.texCombine[0], kTex1R, kTmu1A);
    r.iterated = iterated;
}

void resolveDepth(Resolution &r)
{
    const Board &b = r.b;
    r.depth = b.auxIsDepth();
    r.zbuffer =
        b.depthMode == GR_DEPTHBUFFER_ZBUFFER || b.depthMode == GR_DEPTHBUFFER_ZBUFFER_COMPARE_TO_BIAS;
    r.compareBias = b.depthMode == GR_DEPTHBUFFER_ZBUFFER_COMPARE_TO_BIAS ||
                    b.depthMode == GR_DEPTHBUFFER_WBUFFER_COMPARE_TO_BIAS;
    if (!r.depth)
        return;
    r.p.depthBias = b.depthBias;
    r.p.depthLess = compareMask(b.depthFunction, 1);
    r.p.depthEqual = compareMask(b.depthFunction, 2);
    r.p.depthGreater = compareMask(b.depthFunction, 4);
}

// The attributes the interpolation stage evaluates.
void resolveAttributes(Resolution &r)
{
    Pipeline &p = r.p;
    auto need = [&](int a) {
        for (int i = 0; i < p.attrCount; ++i)
            if (p.attrList[i] == a)
                return;
        p.attrList[p.attrCount++] = a;
    };
    if ((r.depth && !r.zbuffer) || r.unitNeeded[0])
        need(kOow);
    if (r.depth && r.zbuffer)
        need(kOoz);
    if (r.iterated && !r.flat)
        for (int a = kRed; a <= kAlpha; ++a)
            need(a);
    for (int u = 0; u < kMaxTmus; ++u) {
        if (!r.unitNeeded[u])
            continue;
        Sampler &sm = p.sampler[u];
        sm.sowAttr = u == 0 ? kSow0 : kSow1;
        sm.towAttr = u == 0 ? kTow0 : kTow1;
        sm.outSlot = u == 0 ? kTex0R : kTex1R;
        need(sm.sowAttr);
        need(sm.towAttr);
    }
}

// The stages up to the colour and alpha combine and the tests, in pipeline order.
void addFragmentStages(Resolution &r)
{
    Pipeline &p = r.p;
    const SpanKernels &k = r.k;
    if (p.attrCount > 0)
        addStep(p, k.interpolate);
    if (r.iterated && !r.flat)
        addStep(p, k.iterateColor);
    if (r.depth)
        addStep(p, r.zbuffer ? (r.compareBias ? k.depthZBias : k.depthZ)
                             : (r.compareBias ? k.depthWBias : k.depthW));
    for (int u = kMaxTmus - 1; u >= 0; --u) {
        if (!r.unitNeeded[u])
            continue;
        p.samplerStep[u] = p.stepCount; // the filter is chosen per primitive
        addStep(p, k.sample[0][0][0][0], u);
        if (r.unitRuns[u])
            addStep(p, k.combine, u);
    }
    if (r.b.chromakey)
        addStep(p, k.chromakey);
    if (r.colorRuns) {
        const CombineSlots &c = p.colorCombine;
        bool modulate = true;
        for (int ch = 0; ch < 3; ++ch)
            modulate = modulate && c.b[ch] == kZero && c.c[ch] == kZero && c.factorXor[ch] == 0 &&
                       c.resultXor[ch] == 0;
        addStep(p, modulate ? k.modulate : k.combine, kMaxTmus);
    }
    if (r.b.alphaTestFunction != GR_CMP_ALWAYS) {
        p.alphaLess = compareMask(r.b.alphaTestFunction, 1);
        p.alphaEqual = compareMask(r.b.alphaTestFunction, 2);
        p.alphaGreater = compareMask(r.b.alphaTestFunction, 4);
        p.alphaReference = r.b.alphaTestReference;
        addStep(p, k.alphaTest);
    }
}

bool blendingOn(const Board &b)
{
    return b.rgbSrcBlend != GR_BLEND_ONE || b.rgbDstBlend != GR_BLEND_ZERO ||
           b.alphaSrcBlend != GR_BLEND_ONE || b.alphaDstBlend != GR_BLEND_ZERO;
}

void addBlendStages(Resolution &r)
{
    const Board &b = r.b;
    Pipeline &p = r.p;
    for (int ch = 0; ch < 4; ++ch)
        p.writeSlot[ch] = p.colorCombine.out[ch];
    if (!blendingOn(b))
        return;
    const int src[4] = {b.rgbSrcBlend, b.rgbSrcBlend, b.rgbSrcBlend, b.alphaSrcBlend};
    const int dst[4] = {b.rgbDstBlend, b.rgbDstBlend, b.rgbDstBlend, b.alphaDstBlend};
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
    addStep(p, r.k.readDst);
    if (dstAlpha && b.auxIsAlpha())
        addStep(p, r.k.readDstAlpha);
    if (saturate)
        addStep(p, r.k.saturate);
    const bool add = b.rgbSrcBlend == GR_BLEND_ONE && b.rgbDstBlend == GR_BLEND_ONE;
    const bool darken = b.rgbSrcBlend == GR_BLEND_ZERO && b.rgbDstBlend == GR_BLEND_SRC_ALPHA;
    addStep(p, add ? r.k.blendAdd : darken ? r.k.blendDarken : r.k.blend);
}

void addWriteStage(Resolution &r)
{
    const Board &b = r.b;
    r.dither = b.ditherMode == GR_DITHER_2x2   ? GR_DITHER_2x2
               : b.ditherMode == GR_DITHER_4x4 ? GR_DITHER_4x4
                                               : GR_DITHER_DISABLE;
    r.aux = r.depth && b.depthWrite ? 1 : (b.auxIsAlpha() && b.alphaWrite ? 2 : 0);
    addStep(r.p, r.k.write[r.dither][b.rgbWrite ? 1 : 0][r.aux]);
    r.p.span = r.k.drawSpan;
}

// The fused textured layer (drawTexturedSpan) draws what the stage list
// draws when that list is one of its shapes: interpolation, a plain W-buffer
// test, unit 0's texel alone, one of four colour blends and a write with the
// 4x4 dither or none, to colour and depth. Eligibility is read from the
// stages themselves, so a stage added for new state rules the fusion out.
// The sampler's clamp and filter are chosen per primitive (prepareSamplers).
void resolveFused(Resolution &r)
{
    const Pipeline &p = r.p;
    const SpanKernels &k = r.k;
    FusedLayer &f = r.p.fused;
    f = FusedLayer{};
    bool eligible = r.dither != GR_DITHER_2x2 && r.aux != 2;
    bool sampled = false;
    for (int i = 0; i < p.stepCount && eligible; ++i) {
        const StageFn fn = p.steps[i].fn;
        if (i == p.samplerStep[0])
            sampled = true;
        else if (fn == k.blendAdd)
            f.blend = kFusedAdd;
        else if (fn == k.blendDarken)
            f.blend = kFusedDarken;
        else if (fn == k.blend)
            f.blend = kFusedAlpha; // or a replace; told by the factors below
        else
            eligible = fn == k.interpolate || fn == k.depthW || fn == k.readDst || i == p.stepCount - 1;
    }
    eligible = eligible && sampled;
    if (f.blend == kFusedAlpha) {
        // Only the colour factors matter: the alpha result is not written.
        bool alpha = true, replace = true;
        for (int ch = 0; ch < 3; ++ch) {
            alpha = alpha && p.blendSrcFactor[ch] == p.colorCombine.out[3] && p.blendSrcXor[ch] == 0 &&
                    p.blendDstFactor[ch] == p.colorCombine.out[3] && p.blendDstXor[ch] == 255;
            replace = replace && p.blendSrcFactor[ch] == kZero && p.blendSrcXor[ch] == 255 &&
                      p.blendDstFactor[ch] == kZero && p.blendDstXor[ch] == 0;
        }
        // An opaque source alpha blends to the source: mul(c, 255) = c, mul(d, 0) = 0.
        f.blend = replace || p.colorCombine.out[3] == kFull ? kFusedReplace : kFusedAlpha;
        eligible = eligible && (alpha || replace);
    }
    for (int ch = 0; ch < 4 && eligible; ++ch) {
        const int s = p.colorCombine.out[ch];
        if (s == kTex0R + ch) {
            f.texelMask[ch] = 255;
        } else if (s == kZero || s == kFull || slotIn(s, kConstR, kConstA) ||
                   (r.flat && slotIn(s, kIterR, kIterA))) {
            f.constant[ch] = s == kZero                    ? 0
                             : s == kFull                  ? 255
                             : slotIn(s, kConstR, kConstA) ? p.constant[s - kConstR]
                                                           : p.iterated[s - kIterR];
        } else {
            eligible = false;
        }
    }
    f.eligible = eligible && p.depthBias == 0;
    // A test that always passes without writes changes nothing: no depth work.
    const bool always = p.depthLess && p.depthEqual && p.depthGreater;
    f.depth = r.depth && !(always && r.aux != 1);
    f.dither = r.dither == GR_DITHER_4x4;
    f.rgbWrite = r.b.rgbWrite ? -1 : 0;
    f.depthWrite = r.aux == 1 ? -1 : 0;
}

const SpanKernels &kernelsFor(SpanSet spans)
{
    switch (spans) {
    case SpanSet::kAvx512: return avx512Kernels();
    case SpanSet::kAvx2: return avx2Kernels();
    default: return baselineKernels();
    }
}

} // namespace

const SpanKernels *resolvePipeline(Board &b, Pipeline &p, const FlatColor *flat)
{
    if (!b.open)
        return nullptr;
    p = Pipeline{};
    static uint64_t serial = 0;
    p.id = ++serial;
    Resolution r{b, p, kernelsFor(b.hardware.spans), flat};
    resolveConstants(r);
    resolveTextureUnits(r);
    resolveColorCombine(r);
    resolveReads(r);
    resolveDepth(r);
    resolveAttributes(r);
    addFragmentStages(r);
    addBlendStages(r);
    addWriteStage(r);
    resolveFused(r);
    return &r.k;
}

} // namespace gr
