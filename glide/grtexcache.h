// grtexcache.h - texture levels in texture memory, and the cache of texels
// decoded to 32-bit ARGB that the span functions sample. Internal.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace gr {

constexpr int kMaxLevels = 9; // GR_LOD_256 .. GR_LOD_1

// Where the levels of a texture lie in texture memory.
struct TexLayout {
    int count = 0; // levels stored (those chosen by evenOdd)
    struct Level {
        int lod, width, height;
        uint32_t offset; // from the start address
    } level[kMaxLevels];
    uint32_t bytes = 0;     // memory taken, levels 8-byte aligned
    uint32_t hostBytes = 0; // bytes of all levels in the host's GrTexInfo data
};

int texelBytes(int format); // 1 or 2; 0 for a format that does not exist
bool formatDecodable(int format);

// Levels largeLod..smallLod of the aspect and format, keeping those whose
// lod parity evenOdd selects. False for an invalid combination.
bool textureLayout(int smallLod, int largeLod, int aspect, int format, uint32_t evenOdd, TexLayout &out);

// A level is stored with one extra column and row repeating the first, so
// that a texel and its right-hand neighbour are adjacent in memory (and the
// row below follows) wherever the sample falls: bilinear filtering then reads
// two pairs instead of four texels. Sixteen texels of slack follow the levels.
struct DecodedLevel {
    const uint32_t *texels = nullptr; // (width + 1) * (height + 1) ARGB, rows top first
    int lod = 0, width = 1, height = 1;
    int stride = 2; // width + 1
};

struct DecodedTexture {
    uint32_t address = 0, bytes = 0;
    int format = 0, smallLod = 0, largeLod = 0, aspect = 0;
    uint32_t evenOdd = 0, paletteGeneration = 0;
    int levelCount = 0;
    DecodedLevel level[kMaxLevels];
    std::vector<uint32_t> texels;
};

struct TextureSource;

// Decoded copies of the textures drawn from one unit, keyed by start
// address. A download decodes what it wrote and invalidates what else it
// overwrote; a new palette invalidates the palette formats. Least recently
// used copies go first once the byte budget is spent. Copies are shared:
// primitives recorded for the drawing threads keep the copy they sample
// alive after the cache has let it go.
class TexelCache {
public:
    using Copy = std::shared_ptr<const DecodedTexture>;
    // The decoded copy of the unit's current source; decoded now if needed.
    // Null when the source is not decodable.
    Copy lookup(const TextureSource &source, const std::vector<uint8_t> &memory,
                const std::array<uint32_t, 256> &palette, uint32_t paletteGeneration);
    // A download to source.address: what it overlaps goes, and the texture
    // it wrote is decoded at once.
    void download(const TextureSource &source, uint32_t bytes, const std::vector<uint8_t> &memory,
                  const std::array<uint32_t, 256> &palette, uint32_t paletteGeneration);
    void invalidatePaletteFormats();
    void clear();
    size_t entryCount() const { return entries_.size(); }

private:
    void invalidateRange(uint32_t begin, uint32_t end);
    Copy decode(const TextureSource &source, const std::vector<uint8_t> &memory,
                const std::array<uint32_t, 256> &palette, uint32_t paletteGeneration);
    void evictFor(size_t bytes);
    struct Entry {
        std::shared_ptr<DecodedTexture> copy;
        uint64_t lastUse = 0;
    };
    // Texel buffers of copies nobody holds any more, whichever thread let
    // the last one go: a texture downloaded every frame decodes into memory
    // already mapped instead of fresh pages.
    struct Spares {
        std::mutex lock;
        std::vector<std::vector<uint32_t>> buffers;
    };
    std::vector<uint32_t> spareFor(size_t texels);
    std::unordered_map<uint32_t, Entry> entries_;
    std::shared_ptr<Spares> spares_ = std::make_shared<Spares>();
    size_t bytesHeld_ = 0;
    uint64_t clock_ = 0;
};

// One texel of a format, widened to ARGB 8888 (narrow fields replicate their
// high bits). For tests and the decoder.
uint32_t decodeTexel(int format, uint32_t raw, const std::array<uint32_t, 256> &palette);

} // namespace gr
