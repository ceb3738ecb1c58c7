// screensaver_frame.h - the screensaver's per-frame board work, as data both
// back ends draw: three 256x256 ARGB 4444 light maps uploaded, six bilinear
// blended layers of 500x370 pixels over a depth buffer.
#pragma once

#include "mwrender.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bench {

constexpr int kScreenWidth = 512, kScreenHeight = 384;
constexpr int kMapSide = 256;

// The layers blend by vertex alpha, darken by texture alpha or add, as the
// plug-in's materials do.
struct Layer {
    int texture; // 0 picture, 1 grain, 2..4 the three light maps
    int blendMode;
    float depth; // 1/w
};
constexpr Layer kLayers[6] = {{0, MWR_BLEND_VERTEX_ALPHA, 0.9f}, {1, MWR_BLEND_DARKEN, 0.91f},
                              {2, MWR_BLEND_DARKEN, 1.0f},       {3, MWR_BLEND_ADD, 1.01f},
                              {0, MWR_BLEND_DARKEN, 1.02f},      {4, MWR_BLEND_ADD, 1.03f}};

// Screen quad: pixels 10..509 x 10..379; s, t run 0..255 * (1 - 10/510 or 10/380).
constexpr float kQuadX0 = 10, kQuadY0 = 10, kQuadX1 = 510, kQuadY1 = 380;
constexpr float kQuadU1 = 1.0f - 10.0f / 510.0f, kQuadV1 = 1.0f - 10.0f / 380.0f;

// Deterministic ARGB 4444 maps: the picture, the grain, and a light map
// whose content changes with the frame number.
std::vector<uint16_t> pictureMap();
std::vector<uint16_t> grainMap();
void lightMap(int frame, int pass, std::vector<uint16_t> &out);

//---- The software board's side (glide_bench.cpp)

// Where the maps lie in texture memory.
constexpr uint32_t kPictureAt = 0, kGrainAt = 0x20000, kLightAt = 0x40000;

// grGlideInit with GLIDE2X_THREADS = threads, and the plug-in's 512x384
// mode opened on the window (0: none).
void openBoard(int threads, uint32_t window);
// A 256x256 ARGB 4444 map downloaded to / made the source at an address.
void upload(uint32_t address, std::vector<uint16_t> &texels);
void source(uint32_t address, std::vector<uint16_t> &texels);
// One of the six layers with its map at an address.
void drawLayer(const Layer &layer, uint32_t address, std::vector<uint16_t> &texels);

} // namespace bench
