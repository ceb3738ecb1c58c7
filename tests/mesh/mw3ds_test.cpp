// The 3D Studio loader: merging objects, corner order, mapping lists, normals,
// skipped chunks, and the files it must refuse.
#include <string>

#include "heap_support.h"
#include "mesh_support.h"

namespace {

using namespace tds;

void expectVertex(const mwrVERTEX &v, const Point &position)
{
    EXPECT_EQ(v.x, position[0]);
    EXPECT_EQ(v.y, position[1]);
    EXPECT_EQ(v.z, position[2]);
}

void expectFace(const int32_t *face, int a, int b, int c)
{
    EXPECT_EQ(face[0], a);
    EXPECT_EQ(face[1], b);
    EXPECT_EQ(face[2], c);
}

const std::vector<Point> kSquare = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};
const std::vector<Point> kTriangle = {{0, 0, 5}, {1, 0, 5}, {0, 1, 5}};

TEST(Mesh3ds, ObjectsMergeIntoOneMeshWithCornersReversed)
{
    mwtest::TempDir dir;
    const Bytes bytes = file(concat({
        object("square", concat({vertexList(kSquare), faceList({{0, 1, 2}, {0, 2, 3}}),
                                 mappingList({{0, 0}, {1, 0}, {1, 1}, {0, 1}})})),
        object("triangle", concat({vertexList(kTriangle), faceList({{0, 1, 2}}),
                                   mappingList({{0.25f, 0.5f}, {0.75f, 0.5f}})})),
    }));
    MeshPtr mesh = loadBytes(dir, bytes);
    ASSERT_TRUE(mesh);
    ASSERT_EQ(mesh->vertexCount, 7);
    ASSERT_EQ(mesh->faceCount, 3);
    for (int i = 0; i < 4; ++i)
        expectVertex(mesh->vertices[i], kSquare[i]);
    for (int i = 0; i < 3; ++i)
        expectVertex(mesh->vertices[4 + i], kTriangle[i]);
    expectFace(mesh->faces[0], 2, 1, 0);
    expectFace(mesh->faces[1], 3, 2, 0);
    expectFace(mesh->faces[2], 6, 5, 4); // the second object's (0, 1, 2)

    // Mapping lists fill their own object's vertices, a short one only its
    // first ones.
    EXPECT_EQ(mesh->vertices[2].u0, 1.0f);
    EXPECT_EQ(mesh->vertices[2].v0, 1.0f);
    EXPECT_EQ(mesh->vertices[5].u0, 0.75f);
    EXPECT_EQ(mesh->vertices[5].v0, 0.5f);
    EXPECT_EQ(mesh->vertices[6].u0, 0.0f);

    // The words the file does not give are what drawMesh takes as neutral.
    for (int i = 0; i < mesh->vertexCount; ++i) {
        const mwrVERTEX &v = mesh->vertices[i];
        EXPECT_EQ(v.u1 + v.reservedU + v.v1 + v.reservedV, 0.0f) << i;
        EXPECT_EQ(v.r + v.g + v.b + v.a, 4.0f) << i;
    }
    expectWellFormed(*mesh);
}

TEST(Mesh3ds, NormalsAreSmoothedOverTheReversedFaces)
{
    mwtest::TempDir dir;
    // One flat triangle, a fold of two triangles meeting at a right angle
    // along x = 0, and a vertex no face uses.
    const Bytes bytes = file(concat({
        object("flat", concat({vertexList({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}), faceList({{0, 1, 2}})})),
        object("fold", concat({vertexList({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}, {7, 7, 7}}),
                               faceList({{0, 1, 2}, {0, 3, 1}})})),
    }));
    MeshPtr mesh = loadBytes(dir, bytes);
    ASSERT_TRUE(mesh);
    ASSERT_EQ(mesh->vertexCount, 8);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(mesh->vertices[i].nx, 0.0f, 1e-6f);
        EXPECT_NEAR(mesh->vertices[i].ny, 0.0f, 1e-6f);
        EXPECT_NEAR(mesh->vertices[i].nz, 1.0f, 1e-5f);
    }
    // Fold: the first face's normal is -z (in file order it would be +z),
    // the second's -x; the shared edge averages them.
    const float h = std::sqrt(0.5f);
    const struct {
        int vertex;
        float nx, nz;
    } expected[] = {{3, -h, -h}, {4, -h, -h}, {5, 0, -1}, {6, -1, 0}};
    for (const auto &e : expected) {
        const mwrVERTEX &v = mesh->vertices[e.vertex];
        EXPECT_NEAR(v.nx, e.nx, 1e-5f) << e.vertex;
        EXPECT_NEAR(v.ny, 0.0f, 1e-6f) << e.vertex;
        EXPECT_NEAR(v.nz, e.nz, 1e-5f) << e.vertex;
    }
    const mwrVERTEX &unused = mesh->vertices[7];
    EXPECT_EQ(unused.nx, 0.0f);
    EXPECT_EQ(unused.ny, 0.0f);
    EXPECT_EQ(unused.nz, 0.0f);
}

TEST(Mesh3ds, UnknownChunksAreSkippedWholeAtEveryLevel)
{
    mwtest::TempDir dir;
    // A decoy holds lists that would change the counts if it were entered.
    const Bytes decoy = chunk(0x1234, concat({vertexList(kSquare), faceList({{0, 1, 2}})}));
    Bytes axes;
    for (int i = 0; i < 12; ++i)
        put32(axes, 0x3F800000);
    const Bytes faceMaterial = chunk(0x4130, concat({Bytes{'m', 0}, Bytes{1, 0, 0, 0}}));
    Bytes objectBody = {'t', 0};
    const Bytes meshChunk =
        chunk(kTriangleMesh, concat({decoy, vertexList(kTriangle), chunk(kLocalAxes, axes),
                                     faceList({{0, 1, 2}}, faceMaterial), decoy}));
    objectBody.insert(objectBody.end(), decoy.begin(), decoy.end());
    objectBody.insert(objectBody.end(), meshChunk.begin(), meshChunk.end());
    // Lists are taken only inside a triangle mesh, meshes only inside objects.
    const Bytes editor = chunk(kEditor, concat({decoy, vertexList(kSquare), chunk(kObject, objectBody),
                                                chunk(kTriangleMesh, vertexList(kSquare))}));
    const Bytes bytes = chunk(kMain, concat({decoy, editor, decoy}));

    MeshPtr mesh = loadBytes(dir, bytes);
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->vertexCount, 3);
    EXPECT_EQ(mesh->faceCount, 1);
    expectFace(mesh->faces[0], 2, 1, 0);
    expectVertex(mesh->vertices[2], kTriangle[2]);
}

// Files the loader refuses with NULL, leaving the heap whole.

// 12,000 vertices and 30,000 faces need 1.1 MB in all, more than the 1 MB the
// heap has left, though each array alone would fit: the loader refuses the
// file before it allocates, instead of the allocator ending the program.
TEST(Mesh3ds, AFileNeedingMoreThanTheHeapHoldsGivesNull)
{
    mwtest::TempDir dir;
    Bytes objects;
    for (int o = 0; o < 4; ++o)
        objects = concat(
            {objects, object("part", concat({vertexList(std::vector<Point>(3000, Point{float(o), 0, 0})),
                                             faceList(std::vector<Face>(7500, Face{0, 1, 2}))}))});
    const Bytes model = file(objects);
    {
        mwtest::HeapSqueeze squeeze(1 << 20);
        EXPECT_FALSE(loadBytes(dir, model));
    }
    EXPECT_TRUE(loadBytes(dir, model)) << "the whole heap holds it";
}

TEST(Mesh3ds, RefusesMissingEmptyAndBrokenFiles)
{
    mwtest::TempDir dir;
    const Bytes good = concat({vertexList(kTriangle), faceList({{0, 1, 2}})});
    auto withLength = [](Bytes bytes, size_t at, uint32_t length) {
        for (int i = 0; i < 4; ++i)
            bytes[at + 2 + i] = static_cast<uint8_t>(length >> (8 * i));
        return bytes;
    };
    const Bytes whole = file(object("t", good));
    Bytes shortList = vertexList(kTriangle);
    shortList[6] = 4; // four vertices announced, three stored
    const struct {
        const char *what;
        Bytes bytes;
    } cases[] = {
        {"editor chunk first", chunk(kEditor, object("t", good))},
        {"empty main chunk", chunk(kMain, {})},
        {"no faces", file(object("t", vertexList(kTriangle)))},
        {"no vertices", file(object("t", faceList({})))},
        {"face index beyond its object",
         file(concat({object("a", concat({vertexList(kSquare), faceList({{0, 1, 2}})})),
                      object("b", concat({vertexList(kTriangle), faceList({{0, 1, 3}})}))}))},
        {"faces before the vertices",
         file(object("t", concat({faceList({{0, 1, 2}}), vertexList(kTriangle)})))},
        {"mapping list longer than the vertices",
         file(object("t", concat({good, mappingList({{0, 0}, {0, 0}, {0, 0}, {0, 0}})})))},
        {"list longer than its chunk", file(object("t", concat({shortList, faceList({{0, 1, 2}})})))},
        {"chunk length 0", withLength(whole, 6, 0)},
        {"chunk length 5", withLength(whole, 6, 5)},
        {"chunk beyond its parent", withLength(whole, 6, static_cast<uint32_t>(whole.size()))},
        {"main chunk beyond the file", withLength(whole, 0, static_cast<uint32_t>(whole.size() + 1))},
        {"cut inside the face list", Bytes(whole.begin(), whole.end() - 3)},
    };
    for (const auto &c : cases) {
        EXPECT_FALSE(loadBytes(dir, c.bytes)) << c.what;
        mwDMemCheck("mw3ds_test", __LINE__);
    }
    EXPECT_EQ(mw3dsLoad((dir / "missing.3ds").string().c_str()), nullptr);
    EXPECT_EQ(mw3dsLoad(dir.path().string().c_str()), nullptr);
    ASSERT_TRUE(loadBytes(dir, whole)) << "the unbroken file loads";

    // Nothing a refused load allocated stays behind: the heap listing shows
    // a block of ours and none of the loader's.
    dir.enter();
    mwLogOpen("mesh");
    void *marker = mwDMemAlloc("mw3ds_test", 1, 16);
    mwDMemData("mw3ds_test", __LINE__);
    mwDMemFree("mw3ds_test", 2, marker);
    const std::string log = mwtest::readFile("MARROW.TXT");
    EXPECT_NE(log.find("Owner mw3ds_test,1"), std::string::npos) << log;
    EXPECT_EQ(log.find("Owner mw3ds,"), std::string::npos) << log;
}

} // namespace
