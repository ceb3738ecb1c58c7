// screensaver_frame.cpp - the texture data of the per-frame workload.
#include "screensaver_frame.h"

namespace bench {

namespace {
uint32_t mix(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    return x ^ (x >> 16);
}
} // namespace

std::vector<uint16_t> pictureMap()
{
    std::vector<uint16_t> m(kMapSide * kMapSide);
    for (int y = 0; y < kMapSide; ++y)
        for (int x = 0; x < kMapSide; ++x) {
            const bool occluder = ((x / 32) + (y / 32)) % 5 == 0;
            m[size_t(y) * kMapSide + x] =
                occluder ? 0 : uint16_t(0xF000 | ((x >> 4) << 8) | ((y >> 4) << 4) | ((x ^ y) & 15));
        }
    return m;
}

std::vector<uint16_t> grainMap()
{
    std::vector<uint16_t> m(kMapSide * kMapSide);
    for (size_t i = 0; i < m.size(); ++i) {
        const uint16_t n = uint16_t(mix(uint32_t(i)) % 8 + 8);
        m[i] = uint16_t(n | n << 4 | n << 8 | n << 12);
    }
    return m;
}

void lightMap(int frame, int pass, std::vector<uint16_t> &out)
{
    out.assign(kMapSide * kMapSide, 0);
    // A fan of streaks from a moving centre, like the traced rays.
    const int cx = 64 + (frame * 3) % 128, cy = 128;
    for (int ray = 0; ray < 300; ++ray) {
        const uint32_t h = mix(uint32_t(ray * 7 + pass));
        const int dx = int(h % 255) - 127, dy = int((h >> 8) % 255) - 127;
        for (int s = 0; s < 128; ++s) {
            const int x = cx + dx * s / 128, y = cy + dy * s / 128;
            if (x < 0 || y < 0 || x >= kMapSide || y >= kMapSide)
                break;
            uint16_t &p = out[size_t(y) * kMapSide + x];
            p = pass == 0 ? uint16_t(p | 0xF000) : uint16_t(p + 0x111 < 0x0FFF ? p + 0x111 : p | 0x0FFF);
        }
    }
}

} // namespace bench
