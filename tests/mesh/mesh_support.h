// Shared by the mesh tests: meshes that free themselves, loading from bytes,
// and the check every mesh the loader returns must pass.
#ifndef MW_TESTS_MESH_MESH_SUPPORT_H
#define MW_TESTS_MESH_MESH_SUPPORT_H

#include <cmath>
#include <memory>

#include <gtest/gtest.h>

#include "mwrender.h"
#include "common_support.h"
#include "tds_support.h"

struct MeshDeleter {
    void operator()(mwrMESH *mesh) const { mwrMeshFree(mesh); }
};
using MeshPtr = std::unique_ptr<mwrMESH, MeshDeleter>;

inline MeshPtr loadBytes(const mwtest::TempDir &dir, const tds::Bytes &bytes)
{
    const std::filesystem::path path = dir / "model.3ds";
    tds::write(path, bytes);
    return MeshPtr(mw3dsLoad(path.string().c_str()));
}

// Face indices inside the vertex array; normals finite, unit or zero.
inline void expectWellFormed(const mwrMESH &mesh)
{
    ASSERT_GT(mesh.vertexCount, 0);
    ASSERT_GT(mesh.faceCount, 0);
    for (int f = 0; f < mesh.faceCount; ++f)
        for (int k = 0; k < 3; ++k) {
            ASSERT_GE(mesh.faces[f][k], 0) << "face " << f;
            ASSERT_LT(mesh.faces[f][k], mesh.vertexCount) << "face " << f;
        }
    for (int i = 0; i < mesh.vertexCount; ++i) {
        const mwrVERTEX &v = mesh.vertices[i];
        const float length = std::sqrt(v.nx * v.nx + v.ny * v.ny + v.nz * v.nz);
        ASSERT_TRUE(length == 0.0f || std::fabs(length - 1.0f) < 1e-4f)
            << "vertex " << i << " normal " << length;
    }
}

#endif // MW_TESTS_MESH_MESH_SUPPORT_H
