// grtexcache.cpp - texture level layout, texel formats and the decoded
// texel cache.
#include "grtexcache.h"

#include "grboard.h"

#include <algorithm>

namespace gr {

namespace {

// Decoded copies kept per unit before the least recently used go.
constexpr size_t kCacheBudgetBytes = 48u << 20;
// Texel buffers kept for reuse once their copies are let go.
constexpr size_t kSpareBuffers = 4;

inline uint32_t widen4(uint32_t v) { return v * 17; }
inline uint32_t widen5(uint32_t v) { return (v << 3) | (v >> 2); }
inline uint32_t widen6(uint32_t v) { return (v << 2) | (v >> 4); }
inline uint32_t widen3(uint32_t v) { return (v << 5) | (v << 2) | (v >> 1); }
inline uint32_t widen2(uint32_t v) { return v * 0x55; }
inline uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b)
{
    return (a << 24) | (r << 16) | (g << 8) | b;
}

} // namespace

int texelBytes(int format)
{
    if (format < GR_TEXFMT_8BIT || format > GR_TEXFMT_AP_88 || format == GR_TEXFMT_RSVD0 ||
        format == GR_TEXFMT_RSVD1)
        return 0;
    return format < GR_TEXFMT_16BIT ? 1 : 2;
}

bool formatDecodable(int format)
{
    return texelBytes(format) != 0 && format != GR_TEXFMT_YIQ_422 && format != GR_TEXFMT_AYIQ_8422;
}

bool textureLayout(int smallLod, int largeLod, int aspect, int format, uint32_t evenOdd, TexLayout &out)
{
    out = TexLayout{};
    if (largeLod < GR_LOD_256 || smallLod > GR_LOD_1 || largeLod > smallLod)
        return false;
    if (aspect < GR_ASPECT_8x1 || aspect > GR_ASPECT_1x8 || texelBytes(format) == 0)
        return false;
    if ((evenOdd & GR_MIPMAPLEVELMASK_BOTH) == 0)
        return false;
    const uint32_t bpt = uint32_t(texelBytes(format));
    for (int lod = largeLod; lod <= smallLod; ++lod) {
        const int longSide = 256 >> lod;
        int w = longSide, h = longSide;
        if (aspect < GR_ASPECT_1x1)
            h = longSide >> (GR_ASPECT_1x1 - aspect);
        else if (aspect > GR_ASPECT_1x1)
            w = longSide >> (aspect - GR_ASPECT_1x1);
        w = w < 1 ? 1 : w;
        h = h < 1 ? 1 : h;
        const uint32_t levelBytes = uint32_t(w) * uint32_t(h) * bpt;
        out.hostBytes += levelBytes;
        const uint32_t parity = (lod & 1) ? GR_MIPMAPLEVELMASK_ODD : GR_MIPMAPLEVELMASK_EVEN;
        if (!(evenOdd & parity))
            continue;
        out.level[out.count++] = {lod, w, h, out.bytes};
        out.bytes += (levelBytes + 7u) & ~7u;
    }
    return out.count > 0;
}

namespace {

inline uint32_t decodeOne(int format, uint32_t v, const std::array<uint32_t, 256> &palette)
{
    switch (format) {
    case GR_TEXFMT_RGB_332: return argb(255, widen3(v >> 5), widen3((v >> 2) & 7), widen2(v & 3));
    case GR_TEXFMT_ALPHA_8: return argb(v, v, v, v);
    case GR_TEXFMT_INTENSITY_8: return argb(255, v, v, v);
    case GR_TEXFMT_ALPHA_INTENSITY_44: {
        const uint32_t i = widen4(v & 15);
        return argb(widen4(v >> 4), i, i, i);
    }
    case GR_TEXFMT_P_8: return 0xFF000000u | (palette[v & 255] & 0xFFFFFF);
    case GR_TEXFMT_ARGB_8332: return argb(v >> 8, widen3((v >> 5) & 7), widen3((v >> 2) & 7), widen2(v & 3));
    case GR_TEXFMT_RGB_565: return argb(255, widen5(v >> 11), widen6((v >> 5) & 63), widen5(v & 31));
    case GR_TEXFMT_ARGB_1555:
        return argb((v & 0x8000) ? 255 : 0, widen5((v >> 10) & 31), widen5((v >> 5) & 31), widen5(v & 31));
    case GR_TEXFMT_ARGB_4444:
        return argb(widen4(v >> 12), widen4((v >> 8) & 15), widen4((v >> 4) & 15), widen4(v & 15));
    case GR_TEXFMT_ALPHA_INTENSITY_88: return argb(v >> 8, v & 255, v & 255, v & 255);
    case GR_TEXFMT_AP_88: return ((v >> 8) << 24) | (palette[v & 255] & 0xFFFFFF);
    default: return 0;
    }
}

} // namespace

uint32_t decodeTexel(int format, uint32_t raw, const std::array<uint32_t, 256> &palette)
{
    return decodeOne(format, raw, palette);
}

namespace {

bool usesPalette(int format) { return format == GR_TEXFMT_P_8 || format == GR_TEXFMT_AP_88; }

template <int Format>
void decodeRun(const uint8_t *src, uint32_t *dst, size_t n, const std::array<uint32_t, 256> &pal)
{
    if constexpr (Format < GR_TEXFMT_16BIT) {
        for (size_t k = 0; k < n; ++k)
            dst[k] = decodeOne(Format, src[k], pal);
    } else {
        for (size_t k = 0; k < n; ++k)
            dst[k] = decodeOne(Format, uint32_t(src[2 * k]) | (uint32_t(src[2 * k + 1]) << 8), pal);
    }
}

// The format is chosen once per level, so each loop is straight-line code.
void decodeLevel(int format, const uint8_t *src, uint32_t *dst, size_t n,
                 const std::array<uint32_t, 256> &pal)
{
    switch (format) {
    case GR_TEXFMT_RGB_332: return decodeRun<GR_TEXFMT_RGB_332>(src, dst, n, pal);
    case GR_TEXFMT_ALPHA_8: return decodeRun<GR_TEXFMT_ALPHA_8>(src, dst, n, pal);
    case GR_TEXFMT_INTENSITY_8: return decodeRun<GR_TEXFMT_INTENSITY_8>(src, dst, n, pal);
    case GR_TEXFMT_ALPHA_INTENSITY_44: return decodeRun<GR_TEXFMT_ALPHA_INTENSITY_44>(src, dst, n, pal);
    case GR_TEXFMT_P_8: return decodeRun<GR_TEXFMT_P_8>(src, dst, n, pal);
    case GR_TEXFMT_ARGB_8332: return decodeRun<GR_TEXFMT_ARGB_8332>(src, dst, n, pal);
    case GR_TEXFMT_RGB_565: return decodeRun<GR_TEXFMT_RGB_565>(src, dst, n, pal);
    case GR_TEXFMT_ARGB_1555: return decodeRun<GR_TEXFMT_ARGB_1555>(src, dst, n, pal);
    case GR_TEXFMT_ARGB_4444: return decodeRun<GR_TEXFMT_ARGB_4444>(src, dst, n, pal);
    case GR_TEXFMT_ALPHA_INTENSITY_88: return decodeRun<GR_TEXFMT_ALPHA_INTENSITY_88>(src, dst, n, pal);
    case GR_TEXFMT_AP_88: return decodeRun<GR_TEXFMT_AP_88>(src, dst, n, pal);
    default:
        for (size_t k = 0; k < n; ++k)
            dst[k] = 0;
    }
}

// Texels a decoded copy of the layout holds. Slack after the last level:
// span functions may load a window of sixteen texels starting at any texel
// of a level.
size_t decodedSize(const TexLayout &layout)
{
    size_t total = 16;
    for (int i = 0; i < layout.count; ++i)
        total += size_t(layout.level[i].width + 1) * size_t(layout.level[i].height + 1);
    return total;
}

void decodeLevels(DecodedTexture &d, const TexLayout &layout, const std::vector<uint8_t> &memory,
                  const std::array<uint32_t, 256> &palette)
{
    size_t at = 0;
    d.levelCount = layout.count;
    const size_t bpt = size_t(texelBytes(d.format));
    for (int i = 0; i < layout.count; ++i) {
        const auto &l = layout.level[i];
        const size_t w = size_t(l.width), h = size_t(l.height), stride = w + 1;
        uint32_t *dst = d.texels.data() + at;
        const uint8_t *src = memory.data() + d.address + l.offset;
        for (size_t y = 0; y < h; ++y) {
            uint32_t *row = dst + y * stride;
            decodeLevel(d.format, src + y * w * bpt, row, w, palette);
            row[w] = row[0];
        }
        std::copy(dst, dst + stride, dst + h * stride);
        d.level[i] = {dst, l.lod, l.width, l.height, int(stride)};
        at += stride * (h + 1);
    }
}

} // namespace

namespace {

bool sameSource(const DecodedTexture &d, const TextureSource &s, uint32_t gen)
{
    return d.format == s.format && d.smallLod == s.smallLod && d.largeLod == s.largeLod &&
           d.aspect == s.aspect && d.evenOdd == s.evenOdd && d.paletteGeneration == gen;
}

} // namespace

TexelCache::Copy TexelCache::decode(const TextureSource &s, const std::vector<uint8_t> &memory,
                                    const std::array<uint32_t, 256> &palette, uint32_t paletteGeneration)
{
    if (!s.valid || !formatDecodable(s.format))
        return nullptr;
    TexLayout layout;
    if (!textureLayout(s.smallLod, s.largeLod, s.aspect, s.format, s.evenOdd, layout))
        return nullptr;
    if (uint64_t(s.address) + layout.bytes > memory.size())
        return nullptr;
    auto it = entries_.find(s.address);
    if (it != entries_.end()) {
        bytesHeld_ -= it->second.copy->texels.size() * 4;
        entries_.erase(it);
    }
    std::vector<uint32_t> texels = spareFor(decodedSize(layout));
    std::shared_ptr<DecodedTexture> d(new DecodedTexture, [spares = spares_](DecodedTexture *t) {
        {
            const std::lock_guard<std::mutex> hold(spares->lock);
            if (spares->buffers.size() < kSpareBuffers)
                spares->buffers.push_back(std::move(t->texels));
        }
        delete t;
    });
    d->texels = std::move(texels);
    d->address = s.address;
    d->bytes = layout.bytes;
    d->format = s.format;
    d->smallLod = s.smallLod;
    d->largeLod = s.largeLod;
    d->aspect = s.aspect;
    d->evenOdd = s.evenOdd;
    d->paletteGeneration = usesPalette(s.format) ? paletteGeneration : 0;
    decodeLevels(*d, layout, memory, palette);
    const size_t held = d->texels.size() * 4;
    evictFor(held);
    bytesHeld_ += held;
    Entry &e = entries_[s.address];
    e.copy = std::move(d);
    e.lastUse = ++clock_;
    return e.copy;
}

std::vector<uint32_t> TexelCache::spareFor(size_t texels)
{
    std::vector<uint32_t> buffer;
    {
        const std::lock_guard<std::mutex> hold(spares_->lock);
        auto &b = spares_->buffers;
        for (auto it = b.begin(); it != b.end(); ++it)
            if (it->capacity() >= texels) {
                buffer = std::move(*it);
                b.erase(it);
                break;
            }
    }
    buffer.resize(texels);
    return buffer;
}

TexelCache::Copy TexelCache::lookup(const TextureSource &s, const std::vector<uint8_t> &memory,
                                    const std::array<uint32_t, 256> &palette, uint32_t paletteGeneration)
{
    if (!s.valid)
        return nullptr;
    auto it = entries_.find(s.address);
    if (it != entries_.end() &&
        sameSource(*it->second.copy, s, usesPalette(s.format) ? paletteGeneration : 0)) {
        it->second.lastUse = ++clock_;
        return it->second.copy;
    }
    return decode(s, memory, palette, paletteGeneration);
}

void TexelCache::download(const TextureSource &s, uint32_t bytes, const std::vector<uint8_t> &memory,
                          const std::array<uint32_t, 256> &palette, uint32_t paletteGeneration)
{
    invalidateRange(s.address, s.address + bytes);
    decode(s, memory, palette, paletteGeneration);
}

void TexelCache::evictFor(size_t bytes)
{
    while (!entries_.empty() && bytesHeld_ + bytes > kCacheBudgetBytes) {
        auto oldest = entries_.begin();
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (it->second.lastUse < oldest->second.lastUse)
                oldest = it;
        bytesHeld_ -= oldest->second.copy->texels.size() * 4;
        entries_.erase(oldest);
    }
}

void TexelCache::invalidateRange(uint32_t begin, uint32_t end)
{
    for (auto it = entries_.begin(); it != entries_.end();) {
        const DecodedTexture &d = *it->second.copy;
        if (d.address < end && begin < d.address + d.bytes) {
            bytesHeld_ -= d.texels.size() * 4;
            it = entries_.erase(it);
        } else {
            ++it;
        }
    }
}

void TexelCache::invalidatePaletteFormats()
{
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (usesPalette(it->second.copy->format)) {
            bytesHeld_ -= it->second.copy->texels.size() * 4;
            it = entries_.erase(it);
        } else {
            ++it;
        }
    }
}

void TexelCache::clear()
{
    entries_.clear();
    bytesHeld_ = 0;
}

} // namespace gr
