// Colour spaces (HLS and HSI) and shade tables built on HLS.
#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

#include "mwbitmap.h"

namespace {

const char kOwner[] = "mwcolors";

// One HLS channel: the hue is wrapped into a whole turn first.
float hlsValue(float m1, float m2, float h)
{
    h -= std::floor(h);
    if (6.0f * h < 1.0f)
        return m1 + (m2 - m1) * 6.0f * h;
    if (2.0f * h < 1.0f)
        return m2;
    if (3.0f * h < 2.0f)
        return m1 + (m2 - m1) * (2.0f / 3.0f - h) * 6.0f;
    return m1;
}

} // namespace

extern "C" {

float *mwbRGBToHLS(const float rgb[3], float hls[3])
{
    const float r = rgb[0], g = rgb[1], b = rgb[2];
    const float max = std::max({r, g, b}), min = std::min({r, g, b});
    const float l = (max + min) * 0.5f;
    float h = 0.0f, s = 0.0f;
    if (max != min) {
        const float d = max - min;
        s = l <= 0.5f ? d / (max + min) : d / (2.0f - max - min);
        if (r == max)
            h = (g - b) / d;
        else if (g == max)
            h = 2.0f + (b - r) / d;
        else
            h = 4.0f + (r - g) / d;
        h /= 6.0f;
        if (h < 0.0f)
            h += 1.0f;
    }
    hls[0] = h;
    hls[1] = l;
    hls[2] = s;
    return hls;
}

float *mwbHLSToRGB(const float hls[3], float rgb[3])
{
    const float h = hls[0], l = hls[1], s = hls[2];
    if (s == 0.0f) {
        rgb[0] = rgb[1] = rgb[2] = l;
        return rgb;
    }
    const float m2 = l <= 0.5f ? l * (1.0f + s) : l + s - l * s;
    const float m1 = 2.0f * l - m2;
    rgb[0] = hlsValue(m1, m2, h + 1.0f / 3.0f);
    rgb[1] = hlsValue(m1, m2, h);
    rgb[2] = hlsValue(m1, m2, h - 1.0f / 3.0f);
    return rgb;
}

// The hue is the angle of the colour around the grey axis, measured from red
// towards green; the saturation is the distance from that axis scaled so that
// a pure primary has 1.
float *mwbRGBToHSI(const float rgb[3], float hsi[3])
{
    const double r = rgb[0], g = rgb[1], b = rgb[2];
    const double i = (r + g + b) / 3.0;
    const double s = std::sqrt(std::max(0.0, r * r + g * g + b * b - r * g - g * b - r * b));
    double h;
    if (g == b) {
        // On the red-cyan line: a whole turn towards red, half a turn towards
        // cyan (and a whole turn for grey, where the hue has no meaning).
        h = r < i ? 0.5 : 1.0;
    } else {
        const double a = g > b ? std::numbers::pi / 2.0 : 3.0 * std::numbers::pi / 2.0;
        h = (a - std::atan(std::numbers::sqrt3 * (r - i) / (g - b))) / (2.0 * std::numbers::pi);
    }
    hsi[0] = float(h);
    hsi[1] = float(s);
    hsi[2] = float(i);
    return hsi;
}

// The inverse of mwbRGBToHSI: the intensity plus the chroma of length 2S/3
// at the hue's angle, split onto the three primaries 120 degrees apart.
float *mwbHSIToRGB(const float hsi[3], float rgb[3])
{
    const double angle = double(hsi[0]) * 2.0 * std::numbers::pi;
    const double chroma = 2.0 / 3.0 * hsi[1], i = hsi[2];
    const double third = 2.0 * std::numbers::pi / 3.0;
    rgb[0] = float(i + chroma * std::cos(angle));
    rgb[1] = float(i + chroma * std::cos(angle - third));
    rgb[2] = float(i + chroma * std::cos(angle + third));
    return rgb;
}

uint8_t *mwbShadeTable(const uint8_t *palette, int levels, float /*unused1*/, float /*unused2*/,
                       float hueTarget, float weight)
{
    if (!palette || levels < 1)
        return nullptr;
    if (int64_t(levels) * 256 * 3 > INT_MAX)
        mwError(kOwner, __LINE__, "mwbShadeTable", MW_ERR_OUT_OF_MEMORY);
    auto *table = static_cast<uint8_t *>(mwDMemAlloc(kOwner, __LINE__, levels * 256 * 3));
    const int half = levels / 2;
    const float span = float(levels) * 0.5f;
    for (int k = 0; k < 256; ++k) {
        const float rgb[3] = {palette[3 * k] * (1.0f / 256.0f), palette[3 * k + 1] * (1.0f / 256.0f),
                              palette[3 * k + 2] * (1.0f / 256.0f)};
        float hls[3];
        mwbRGBToHLS(rgb, hls);
        const float l = hls[1];
        for (int level = 0; level < levels; ++level) {
            // Black through the colour to white.
            const float shaded[3] = {
                (1.0f - weight) * hls[0] + weight * hueTarget,
                level <= half ? l / span * float(level) : (1.0f - l) / span * float(level - half) + l,
                hls[2] + weight,
            };
            float out[3];
            mwbHLSToRGB(shaded, out);
            uint8_t *entry = table + 3 * (level * 256 + k);
            // fmax turns not-a-number (a hue target of NaN) into 0.
            for (int c = 0; c < 3; ++c)
                entry[c] = uint8_t(std::fmin(std::fmax(out[c], 0.0f), 1.0f) * 255.0f);
        }
    }
    return table;
}

} // extern "C"
