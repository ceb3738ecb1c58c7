// The sphere generator: counts, face order, ring geometry and the pole words.
#include <cmath>

#include "mesh_support.h"
#include "report_support.h"

namespace {

std::array<int, 3> faceOf(const mwrMESH &mesh, int f)
{
    return {mesh.faces[f][0], mesh.faces[f][1], mesh.faces[f][2]};
}

TEST(Sphere, OneRingOfThreeGivesTwoCaps)
{
    MeshPtr mesh(mwrGenSphere(2.0f, 1, 3));
    ASSERT_EQ(mesh->vertexCount, 5);
    ASSERT_EQ(mesh->faceCount, 6);
    const std::array<int, 3> expected[] = {{1, 0, 3}, {2, 1, 3}, {0, 2, 3}, {1, 4, 0}, {2, 4, 1}, {0, 4, 2}};
    for (int f = 0; f < 6; ++f)
        EXPECT_EQ(faceOf(*mesh, f), expected[f]) << "face " << f;
    for (int j = 0; j < 3; ++j)
        EXPECT_NEAR(mesh->vertices[j].z, 0.0f, 1e-6f) << "the ring lies on the equator";
    EXPECT_EQ(mesh->vertices[3].z, 2.0f);
    EXPECT_EQ(mesh->vertices[4].z, -2.0f);
}

TEST(Sphere, RingsLieOnTheSphereAndBandsWrapAround)
{
    const float radius = 3.0f;
    const int R = 4, S = 7;
    MeshPtr mesh(mwrGenSphere(radius, R, S));
    ASSERT_EQ(mesh->vertexCount, R * S + 2);
    ASSERT_EQ(mesh->faceCount, 2 * R * S);
    expectWellFormed(*mesh);
    for (int i = 1; i <= R; ++i)
        for (int j = 0; j < S; ++j) {
            const mwrVERTEX &v = mesh->vertices[(i - 1) * S + j];
            EXPECT_NEAR(std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z), radius, 1e-5f);
            EXPECT_NEAR(v.nx * v.nx + v.ny * v.ny + v.nz * v.nz, 1.0f, 1e-5f);
            EXPECT_NEAR(v.z, radius * std::cos(i * M_PI / (R + 1)), 1e-5f) << "rings run from the top down";
            EXPECT_NEAR(std::atan2(v.y, v.x), std::remainder(j * 2 * M_PI / S, 2 * M_PI), 1e-5f);
            EXPECT_FLOAT_EQ(v.u0, float(j) / S);
            EXPECT_FLOAT_EQ(v.v0, float(i) / R);
        }
    // The last band quad of ring 1 joins segment S - 1 back to segment 0.
    const int band = S + (S - 1) * 2;
    EXPECT_EQ(faceOf(*mesh, band), (std::array<int, 3>{0, 2 * S - 1, S - 1}));
    EXPECT_EQ(faceOf(*mesh, band + 1), (std::array<int, 3>{S, 2 * S - 1, 0}));

    // Every face turns the same way about the outward direction.
    for (int f = 0; f < mesh->faceCount; ++f) {
        const mwrVERTEX &a = mesh->vertices[mesh->faces[f][0]];
        const mwrVERTEX &b = mesh->vertices[mesh->faces[f][1]];
        const mwrVERTEX &c = mesh->vertices[mesh->faces[f][2]];
        const float e[3] = {b.x - a.x, b.y - a.y, b.z - a.z}, g[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
        const float n[3] = {e[1] * g[2] - e[2] * g[1], e[2] * g[0] - e[0] * g[2], e[0] * g[1] - e[1] * g[0]};
        const float centre[3] = {a.x + b.x + c.x, a.y + b.y + c.y, a.z + b.z + c.z};
        EXPECT_LT(n[0] * centre[0] + n[1] * centre[1] + n[2] * centre[2], 0.0f) << "face " << f;
    }
}

TEST(Sphere, PolesCarryTheirOwnWords)
{
    for (int R : {2, 3}) {
        MeshPtr mesh(mwrGenSphere(1.5f, R, 4));
        const mwrVERTEX &top = mesh->vertices[R * 4];
        const mwrVERTEX &bottom = mesh->vertices[R * 4 + 1];
        EXPECT_EQ((std::array<float, 6>{top.x, top.y, top.z, top.nx, top.ny, top.nz}),
                  (std::array<float, 6>{0, 0, 1.5f, 0, 0, 1}));
        EXPECT_EQ((std::array<float, 6>{bottom.x, bottom.y, bottom.z, bottom.nx, bottom.ny, bottom.nz}),
                  (std::array<float, 6>{0, 0, -1.5f, 0, 0, -1}));
        EXPECT_EQ((std::array<float, 4>{top.u0, top.v0, top.u1, top.v1}),
                  (std::array<float, 4>{0.5f, 1, 0, 0}));
        EXPECT_EQ((std::array<float, 4>{bottom.u0, bottom.v0, bottom.u1, bottom.v1}),
                  (std::array<float, 4>{0, 0, 0.5f, float(R % 2)}));
        EXPECT_EQ((std::array<float, 4>{bottom.r, bottom.g, bottom.b, bottom.a}),
                  (std::array<float, 4>{1, 1, 1, 1}));
    }
}

TEST(SphereDeath, RingsAndSegmentsBelowOneAreInvalid)
{
    EXPECT_REPORT(mwrGenSphere(1.0f, 0, 3), "mwrGenSphere: Invalid Parameter");
    EXPECT_REPORT(mwrGenSphere(1.0f, 3, 0), "mwrGenSphere: Invalid Parameter");
}

} // namespace
