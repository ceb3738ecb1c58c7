// Saving the frame shown as a PNG picture, read back from the display
// driver's front buffer, so every platform saves the same pixels. The encoder is our own, so that every
// platform writes the same file without an image library: 8-bit RGB rows
// without filtering, in stored (uncompressed) deflate blocks.
#include "snapshot.h"

#include "mwbitmap.h"
#include "mwblit.h"
#include "mwkernel.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace {

const char kOwner[] = "snapshot";
constexpr int kStripRows = 16;

// The CRC-32 of PNG chunks (polynomial 0xEDB88320, reflected).
uint32_t crc32(uint32_t crc, const uint8_t *data, size_t size)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void putBig32(std::vector<uint8_t> &out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(value >> shift));
}

void putChunk(std::vector<uint8_t> &out, const char type[5], const std::vector<uint8_t> &data)
{
    putBig32(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBig32(out, crc32(0, out.data() + start, out.size() - start));
}

// A zlib stream of stored deflate blocks holding raw, with its Adler-32.
std::vector<uint8_t> zlibStored(const std::vector<uint8_t> &raw)
{
    constexpr size_t kBlockMax = 65535;
    std::vector<uint8_t> out = {0x78, 0x01}; // deflate, 32 KB window, no dictionary
    size_t offset = 0;
    do {
        const size_t length = std::min(kBlockMax, raw.size() - offset);
        const bool last = offset + length == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(uint8_t(length));
        out.push_back(uint8_t(length >> 8));
        out.push_back(uint8_t(~length));
        out.push_back(uint8_t(~length >> 8));
        out.insert(out.end(), raw.begin() + long(offset), raw.begin() + long(offset + length));
        offset += length;
    } while (offset < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    putBig32(out, b << 16 | a);
    return out;
}

// 5 and 6 bits widen to 8 by repeating their top bits, so white stays white.
void widenRgb565(const uint8_t *words, size_t count, uint32_t *out)
{
    for (size_t i = 0; i < count; ++i) {
        const uint32_t p = uint32_t(words[2 * i] | words[2 * i + 1] << 8);
        const uint32_t r = p >> 11, g = (p >> 5) & 63, b = p & 31;
        out[i] = (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
    }
}

} // namespace

bool writeSnapshotPng(const std::string &path, const uint32_t *pixels, int width, int height,
                      std::string &error)
{
    if (!pixels || width < 1 || height < 1) {
        error = "no picture to save";
        return false;
    }
    // Each row: filter type 0 (none), then R, G, B per pixel.
    std::vector<uint8_t> raw;
    raw.reserve(size_t(height) * (1 + size_t(width) * 3));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[size_t(y) * size_t(width) + size_t(x)];
            raw.push_back(uint8_t(p >> 16));
            raw.push_back(uint8_t(p >> 8));
            raw.push_back(uint8_t(p));
        }
    }
    std::vector<uint8_t> header;
    putBig32(header, uint32_t(width));
    putBig32(header, uint32_t(height));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8 bits, RGB, deflate, no filter choice, no interlace

    std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putChunk(file, "IHDR", header);
    putChunk(file, "IDAT", zlibStored(raw));
    putChunk(file, "IEND", {});

    FILE *out = std::fopen(path.c_str(), "wb");
    bool written = out && std::fwrite(file.data(), 1, file.size(), out) == file.size();
    // Closing flushes, so its failure is a failed write too.
    if (out && std::fclose(out) != 0)
        written = false;
    if (!written)
        error = "cannot write the file";
    return written;
}

bool saveFrameSnapshot(const std::string &path, std::string &error)
{
    mwBLIT_MODE mode{};
    if (!mwBlitGetMode || !mwBlitGetMode(&mode) || mode.width < 1 || mode.height < 1) {
        error = "no frame was shown";
        return false;
    }
    const int width = mode.width, height = mode.height;
    std::vector<uint32_t> pixels(size_t(width) * size_t(height));
    // The front buffer holds the frame last shown. It is read a strip at a
    // time, so the copy the driver makes stays small in the dynamic heap.
    mwBlitSetRenderBuffer(0);
    bool read = true;
    for (int top = 0; top < height && read; top += kStripRows) {
        mwBITMAP strip{};
        strip.width = width;
        strip.height = std::min(kStripRows, height - top);
        read = mwBlitReadRegion(0, top, &strip) && strip.type == MW_IMAGE_RGB_565 &&
               strip.size >= int64_t(strip.width) * strip.height * 2;
        if (read)
            widenRgb565(static_cast<const uint8_t *>(strip.data), size_t(width) * size_t(strip.height),
                        pixels.data() + size_t(top) * size_t(width));
        if (strip.data)
            mwDMemFree(kOwner, __LINE__, strip.data);
    }
    mwBlitSetRenderBuffer(1);
    if (!read) {
        error = "the frame cannot be read";
        return false;
    }
    return writeSnapshotPng(path, pixels.data(), width, height, error);
}
