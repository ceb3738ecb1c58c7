// Primitive generator: a textured sphere as a mesh the display driver draws.
#include <climits>
#include <cmath>

#include "mwrender.h"

namespace {

const char kOwner[] = "mwprimgn";

void *allocArray(int line, int64_t count, int64_t size)
{
    if (count * size > INT_MAX)
        mwError(kOwner, line, "mwrGenSphere", MW_ERR_OUT_OF_MEMORY);
    return mwDMemAlloc(kOwner, line, static_cast<int>(count * size));
}

void setFace(int32_t *face, int32_t a, int32_t b, int32_t c)
{
    face[0] = a;
    face[1] = b;
    face[2] = c;
}

} // namespace

extern "C" mwrMESH *mwrGenSphere(float radius, int rings, int segments)
{
    if (rings < 1 || segments < 1)
        mwError(kOwner, __LINE__, "mwrGenSphere", MW_ERR_INVALID_PARAMETER);
    const int64_t ringVertices = int64_t{rings} * segments;
    const int64_t faceCount = 2 * ringVertices;
    if (ringVertices + 2 > INT_MAX || faceCount > INT_MAX)
        mwError(kOwner, __LINE__, "mwrGenSphere", MW_ERR_OUT_OF_MEMORY);

    auto *mesh = static_cast<mwrMESH *>(mwDMemAlloc(kOwner, __LINE__, sizeof(mwrMESH)));
    mesh->vertexCount = static_cast<int32_t>(ringVertices + 2);
    mesh->faceCount = static_cast<int32_t>(faceCount);
    mesh->vertices = static_cast<mwrVERTEX *>(allocArray(__LINE__, mesh->vertexCount, sizeof(mwrVERTEX)));
    mesh->faces = static_cast<int32_t(*)[3]>(allocArray(__LINE__, faceCount, sizeof(int32_t[3])));
    mwrVertexDefaults(mesh->vertices, mesh->vertexCount);

    const int R = rings, S = segments;
    const double pi = 3.14159265358979323846;
    const float dphi = static_cast<float>(pi / (R + 1));
    const float dtheta = static_cast<float>(2.0 * pi / S);
    for (int i = 1; i <= R; ++i) {
        const float phi = static_cast<float>(i) * dphi;
        for (int j = 0; j < S; ++j) {
            const float theta = static_cast<float>(j) * dtheta;
            mwrVERTEX &v = mesh->vertices[(i - 1) * S + j];
            v.nx = std::cos(theta) * std::sin(phi);
            v.ny = std::sin(theta) * std::sin(phi);
            v.nz = std::cos(phi);
            v.x = radius * v.nx;
            v.y = radius * v.ny;
            v.z = radius * std::cos(phi);
            v.u0 = static_cast<float>(j) / static_cast<float>(S);
            v.v0 = static_cast<float>(i) / static_cast<float>(R);
        }
    }
    const int top = R * S, bottom = R * S + 1;
    mwrVERTEX &north = mesh->vertices[top];
    north.z = radius;
    north.nz = 1.0f;
    north.u0 = 0.5f;
    north.v0 = 1.0f;
    // NOTE: unlike the top pole, the bottom pole carries 0.5 and the ring
    // parity in its unit-1 words (7 and 10); its unit-0 u and v stay 0.
    mwrVERTEX &south = mesh->vertices[bottom];
    south.z = -radius;
    south.nz = -1.0f;
    south.u1 = 0.5f;
    south.v1 = static_cast<float>(R % 2);

    auto next = [S](int j) { return j + 1 < S ? j + 1 : 0; };
    int32_t(*face)[3] = mesh->faces;
    for (int j = 0; j < S; ++j)
        setFace(*face++, next(j), j, top);
    for (int i = 1; i < R; ++i)
        for (int j = 0; j < S; ++j) {
            const int upper = (i - 1) * S + j, upperNext = (i - 1) * S + next(j);
            const int lower = i * S + j, lowerNext = S + upperNext;
            setFace(*face++, upperNext, lower, upper);
            setFace(*face++, lowerNext, lower, upperNext);
        }
    const int c = (R - 1) * S;
    for (int j = 0; j < S; ++j)
        setFace(*face++, c + next(j), bottom, c + j);
    return mesh;
}
