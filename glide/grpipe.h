// grpipe.h - the pixel pipeline as resolved from the board state: a short
// list of span stages chosen once per state change, and the block of
// fragments they work on. Internal.
//
// A span is processed in blocks of kBlock pixels. Every stage handles a
// whole block in structure-of-arrays form; which stages run and which
// arrays ("slots") they read is fixed when the pipeline is resolved, so no
// stage branches on state per pixel.
#pragma once

#include "grboard.h"

#include <cstdint>

namespace gr {

constexpr int kBlock = 32;

// Iterated attributes.
enum Attr : int { kOow, kOoz, kRed, kGreen, kBlue, kAlpha, kSow0, kTow0, kSow1, kTow1, kAttrs };

// Channel arrays of a block, each kBlock lanes of 0..255.
enum Slot : int {
    kZero,
    kFull, // constant 0 and 255
    kConstR,
    kConstG,
    kConstB,
    kConstA,
    kIterR,
    kIterG,
    kIterB,
    kIterA,
    kDepthA, // high 8 bits of the depth value
    kTex0R,
    kTex0G,
    kTex0B,
    kTex0A, // texel of unit 0
    kTex1R,
    kTex1G,
    kTex1B,
    kTex1A, // texel of unit 1
    kTmu0R,
    kTmu0G,
    kTmu0B,
    kTmu0A, // output of unit 0's combine
    kTmu1R,
    kTmu1G,
    kTmu1B,
    kTmu1A, // output of unit 1's combine
    kOutR,
    kOutG,
    kOutB,
    kOutA, // colour and alpha combine
    kDstR,
    kDstG,
    kDstB,
    kDstA,     // frame buffer
    kSaturate, // min(src alpha, 255 - dst alpha)
    kBlendR,
    kBlendG,
    kBlendB,
    kBlendA,
    kSlots
};

struct Span;

struct alignas(64) Block {
    uint64_t preparedFor = 0; // id of the pipeline whose constants the slots hold
    const Span *span = nullptr;
    int x = 0, y = 0, count = 0; // first pixel, row, pixels in this block
    int offset = 0;              // pixels from the span's first pixel
    alignas(64) int32_t slot[kSlots][kBlock];
    alignas(64) float attr[kAttrs][kBlock];
    alignas(64) int32_t live[kBlock];     // covered: -1, else 0
    alignas(64) int32_t chromaOk[kBlock]; // -1 where the test passes
    alignas(64) int32_t alphaOk[kBlock];
    alignas(64) int32_t depthOk[kBlock];
    alignas(64) int32_t depth[kBlock]; // depth value to write
};

// One span of a row: attribute values at its first pixel and their steps.
struct Span {
    int y, x, count;
    float start[kAttrs];
    float step[kAttrs];
};

struct Pipeline;
struct SpanKernels;
using StageFn = void (*)(Block &, const Pipeline &, int arg);
using SpanFn = void (*)(const Pipeline &, Block &, const Span &, Counters &);

// The textured layer that one fused span function draws (see drawTexturedSpan):
// per channel (the texel's own channel & texelMask) | constant.
enum FusedBlend : int { kFusedReplace, kFusedAdd, kFusedDarken, kFusedAlpha };
struct FusedLayer {
    bool eligible = false;
    int blend = kFusedReplace;
    bool depth = false;
    bool dither = false;
    int32_t texelMask[4] = {0, 0, 0, 0};
    int32_t constant[4] = {0, 0, 0, 0};
    int32_t rgbWrite = -1, depthWrite = 0;
};

// One combine unit: per channel r, g, b, a, out = clamp(mul(f, A - B) + C)
// with f = slot[factor] ^ factorXor, then ^ resultXor. Every operand is a
// slot, so the function, factor and inputs reduce to slot numbers.
struct CombineSlots {
    int a[4], b[4], c[4], factor[4], out[4];
    int32_t factorXor[4];
    int32_t resultXor[4];
};

struct Sampler {
    const uint32_t *texels = nullptr; // padded as DecodedLevel
    int width = 1, height = 1, stride = 2;
    float scale = 256.0f; // long side of the level: texel coordinate * 256 = s * scale
    int sowAttr = kSow0, towAttr = kTow0;
    int outSlot = kTex0R;
    float reciprocalW = 1.0f; // 1 / oow of a primitive whose oow does not vary
};

struct Pipeline {
    uint64_t id = 0;                      // unique for every resolution
    uint32_t version = 0;                 // bumped when a draw changes the samplers or buffers
    const SpanKernels *kernels = nullptr; // the builds of the stages above

    struct Step {
        StageFn fn;
        int arg;
    };
    Step steps[16];
    int stepCount = 0;

    // Attributes the interpolation stage evaluates, and whether r, g, b, a
    // become the iterated slots.
    int attrList[kAttrs];
    int attrCount = 0;

    // Depth: bias added, and the comparison as lane masks for less, equal,
    // greater (function bits 0, 1, 2).
    int depthBias = 0;
    int32_t depthLess = 0, depthEqual = 0, depthGreater = 0;

    Sampler sampler[kMaxTmus];
    // The decoded textures the samplers read, kept alive while this pipeline
    // may still draw.
    TexelCache::Copy textures[kMaxTmus];
    int samplerStep[kMaxTmus] = {-1, -1}; // index into steps, -1: unit not read
    CombineSlots texCombine[kMaxTmus];
    CombineSlots colorCombine; // r, g, b from the colour unit, a from the alpha unit

    int chromaSlot[3] = {kZero, kZero, kZero};
    int32_t chromaKey[3] = {0, 0, 0};

    int32_t alphaLess = -1, alphaEqual = -1, alphaGreater = -1;
    int32_t alphaReference = 0;

    // Blend: per channel out = min(mul(src, slot[srcFactor] ^ srcXor) +
    //                              mul(dst, slot[dstFactor] ^ dstXor), 255).
    int blendSrcFactor[4], blendDstFactor[4];
    int32_t blendSrcXor[4], blendDstXor[4];
    int writeSlot[4] = {kOutR, kOutG, kOutB, kOutA};

    // Buffers, refreshed before each draw.
    uint16_t *color = nullptr;
    uint16_t *aux = nullptr;
    int stride = 0;

    // Constant channel values copied into every block.
    int32_t constant[4] = {0, 0, 0, 0};
    FusedLayer fused;
    // The span function for the current primitive: the stage list run by
    // drawSpan, or a fused function where the state allows.
    SpanFn span = nullptr;

    // For a primitive of one colour: the iterated r, g, b, a, also constant.
    bool flatIterated = false;
    int32_t iterated[4] = {0, 0, 0, 0};
};

// The iterated colour of a primitive whose vertices all carry the same
// colour and alpha: the value every pixel would get.
struct FlatColor {
    int32_t value[4];
};

// The span stages built for one instruction set.
struct SpanKernels {
    StageFn interpolate;
    StageFn iterateColor;
    StageFn depthW, depthZ, depthWBias, depthZBias;
    StageFn sample[2][2][2][2]; // [bilinear][clampS][clampT][constant 1/w], arg = unit
    StageFn combine;            // arg: 0, 1 unit combines, 2 colour/alpha combine
    StageFn modulate;           // colour combine texture x iterated (arg unused)
    StageFn chromakey;
    StageFn alphaTest;
    StageFn readDst, readDstAlpha;
    StageFn saturate;
    StageFn blend;
    StageFn blendAdd;       // ONE, ONE
    StageFn blendDarken;    // ZERO, SRC_ALPHA
    StageFn write[3][2][3]; // [dither][rgb write][aux: none, depth, alpha]
    // Runs the pipeline over a span; adds to the counters.
    SpanFn drawSpan;
    // [bilinear][constant 1/w][depth][FusedBlend][dither]
    SpanFn texturedSpan[2][2][2][4][2];
    // Fills the constant slots of a block for this pipeline.
    void (*prepareBlock)(const Pipeline &, Block &);
};

const SpanKernels &baselineKernels();
const SpanKernels &avx2Kernels();
const SpanKernels &avx512Kernels();
bool avx2Available();
bool avx512Available();

// Resolves the board state into pb; returns the kernels to run it with, or
// null when nothing can be drawn (no window). With flat, the iterated colour
// is that constant: no interpolation, and 0 and 255 simplify the combine.
const SpanKernels *resolvePipeline(Board &b, Pipeline &pb, const FlatColor *flat);

} // namespace gr
