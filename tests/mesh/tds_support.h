// Builds 3D Studio files byte by byte for the mesh loader tests.
#ifndef MW_TESTS_MESH_TDS_SUPPORT_H
#define MW_TESTS_MESH_TDS_SUPPORT_H

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace tds {

using Bytes = std::vector<uint8_t>;
using Point = std::array<float, 3>;
using Face = std::array<uint16_t, 3>;
using Uv = std::array<float, 2>;

enum : uint16_t {
    kMain = 0x4D4D,
    kEditor = 0x3D3D,
    kObject = 0x4000,
    kTriangleMesh = 0x4100,
    kVertexList = 0x4110,
    kFaceList = 0x4120,
    kMappingList = 0x4140,
    kLocalAxes = 0x4160,
};

inline void put16(Bytes &out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void put32(Bytes &out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

inline void putFloat(Bytes &out, float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    put32(out, bits);
}

inline Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes &part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// A chunk whose length field counts its header and body.
inline Bytes chunk(uint16_t id, const Bytes &body)
{
    Bytes out;
    put16(out, id);
    put32(out, static_cast<uint32_t>(body.size() + 6));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// A count, then every value of every item as a float.
template <typename Item>
Bytes floatList(uint16_t id, const std::vector<Item> &items)
{
    Bytes body;
    put16(body, static_cast<uint32_t>(items.size()));
    for (const Item &item : items)
        for (float f : item)
            putFloat(body, f);
    return chunk(id, body);
}

inline Bytes vertexList(const std::vector<Point> &points) { return floatList(kVertexList, points); }
inline Bytes mappingList(const std::vector<Uv> &uvs) { return floatList(kMappingList, uvs); }

// Faces as the file stores them, with a zero flags word; trailing sub-chunks
// (face materials, smoothing groups) go after the records.
inline Bytes faceList(const std::vector<Face> &faces, const Bytes &subChunks = {})
{
    Bytes body;
    put16(body, static_cast<uint32_t>(faces.size()));
    for (const Face &f : faces) {
        for (uint16_t i : f)
            put16(body, i);
        put16(body, 0);
    }
    body.insert(body.end(), subChunks.begin(), subChunks.end());
    return chunk(kFaceList, body);
}

// A named object holding one triangle mesh built of the given sub-chunks.
inline Bytes object(const std::string &name, const Bytes &meshChunks)
{
    Bytes body(name.begin(), name.end());
    body.push_back(0);
    const Bytes mesh = chunk(kTriangleMesh, meshChunks);
    body.insert(body.end(), mesh.begin(), mesh.end());
    return chunk(kObject, body);
}

// A whole file: main { editor { objects } }.
inline Bytes file(const Bytes &objects) { return chunk(kMain, chunk(kEditor, objects)); }

inline void write(const std::filesystem::path &path, const Bytes &bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace tds

#endif // MW_TESTS_MESH_TDS_SUPPORT_H
