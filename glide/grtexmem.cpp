// grtexmem.cpp - texture memory: sizes, downloads, sources and the palette.
#include "grboard.h"

#include <cstring>

using gr::tmuOf;

extern "C" FxU32 FX_CALL grTexCalcMemRequired(GrLOD_t smallLod, GrLOD_t largeLod, GrAspectRatio_t aspect,
                                              GrTextureFormat_t fmt)
{
    gr::TexLayout layout;
    if (!gr::textureLayout(smallLod, largeLod, aspect, fmt, GR_MIPMAPLEVELMASK_BOTH, layout))
        return 0;
    return layout.bytes;
}

extern "C" FxU32 FX_CALL grTexTextureMemRequired(FxU32 evenOdd, GrTexInfo *info)
{
    gr::TexLayout layout;
    if (!info ||
        !gr::textureLayout(info->smallLod, info->largeLod, info->aspectRatio, info->format, evenOdd, layout))
        return 0;
    return layout.bytes;
}

extern "C" FxU32 FX_CALL grTexMinAddress(GrChipID_t tmu)
{
    (void)tmu;
    return 0;
}

extern "C" FxU32 FX_CALL grTexMaxAddress(GrChipID_t tmu)
{
    const gr::Tmu *t = tmuOf(tmu);
    return t ? FxU32(t->memory.size()) : 0;
}

extern "C" void FX_CALL grTexSource(GrChipID_t tmu, FxU32 startAddress, FxU32 evenOdd, GrTexInfo *info)
{
    gr::Tmu *t = tmuOf(tmu);
    if (!t)
        return;
    gr::TextureSource &s = t->source;
    gr::TexLayout layout;
    s.valid =
        info &&
        gr::textureLayout(info->smallLod, info->largeLod, info->aspectRatio, info->format, evenOdd, layout) &&
        uint64_t(startAddress) + layout.bytes <= t->memory.size();
    if (info) {
        s.address = startAddress;
        s.evenOdd = evenOdd;
        s.smallLod = info->smallLod;
        s.largeLod = info->largeLod;
        s.aspect = info->aspectRatio;
        s.format = info->format;
    }
    // Nothing to resolve again: each primitive looks its source up.
}

extern "C" void FX_CALL grTexDownloadMipMap(GrChipID_t tmu, FxU32 startAddress, FxU32 evenOdd,
                                            GrTexInfo *info)
{
    gr::Tmu *t = tmuOf(tmu);
    if (!t || !info || !info->data)
        return;
    gr::TexLayout stored, all;
    if (!gr::textureLayout(info->smallLod, info->largeLod, info->aspectRatio, info->format, evenOdd,
                           stored) ||
        !gr::textureLayout(info->smallLod, info->largeLod, info->aspectRatio, info->format,
                           GR_MIPMAPLEVELMASK_BOTH, all))
        return;
    if (uint64_t(startAddress) + stored.bytes > t->memory.size())
        return;
    // The host data holds every level; copy those that evenOdd keeps.
    const uint8_t *src = static_cast<const uint8_t *>(info->data);
    const uint32_t bpt = uint32_t(gr::texelBytes(info->format));
    uint32_t hostOffset = 0;
    int kept = 0;
    for (int i = 0; i < all.count; ++i) {
        const auto &l = all.level[i];
        const uint32_t bytes = uint32_t(l.width) * uint32_t(l.height) * bpt;
        if (kept < stored.count && stored.level[kept].lod == l.lod) {
            std::memcpy(t->memory.data() + startAddress + stored.level[kept].offset, src + hostOffset, bytes);
            ++kept;
        }
        hostOffset += bytes;
    }
    // Decoded once here, however often it is drawn: the span functions read
    // the decoded copy only.
    gr::TextureSource written;
    written.valid = true;
    written.address = startAddress;
    written.evenOdd = evenOdd;
    written.smallLod = info->smallLod;
    written.largeLod = info->largeLod;
    written.aspect = info->aspectRatio;
    written.format = info->format;
    t->texels.download(written, stored.bytes, t->memory, t->palette, t->paletteGeneration);
}

extern "C" void FX_CALL grTexDownloadTable(GrChipID_t tmu, GrTexTable_t type, void *data)
{
    gr::Tmu *t = tmuOf(tmu);
    if (!t || !data || type != GR_TEXTABLE_PALETTE)
        return;
    std::memcpy(t->palette.data(), static_cast<const GuTexPalette *>(data)->data, sizeof(GuTexPalette));
    ++t->paletteGeneration;
    t->texels.invalidatePaletteFormats();
}
