// The loader against files it did not make: a 3D Studio file written by
// assimp (assimp-utils, installed by .ci/run) from an OBJ written here, and
// truncated and bit-flipped files, which must load well-formed or not at all
// and never touch memory outside the loader's blocks.
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <set>

#include "mesh_support.h"

namespace {

using namespace tds;

// A 4 x 3 vertex sheet (12 triangles) and a lone triangle, as OBJ objects.
struct ObjModel {
    std::vector<Point> vertices;
    std::vector<Face> faces; // 0-based
};

ObjModel sheetAndTriangle()
{
    ObjModel model;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            model.vertices.push_back({float(x), float(y), 0.25f * float(x * y)});
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const uint16_t a = uint16_t(y * 4 + x), b = uint16_t(a + 1), c = uint16_t(a + 5),
                           d = uint16_t(a + 4);
            model.faces.push_back({a, b, c});
            model.faces.push_back({a, c, d});
        }
    model.vertices.push_back({5, 0, 1});
    model.vertices.push_back({6, 0, 1});
    model.vertices.push_back({5, 1.5f, 1});
    model.faces.push_back({12, 13, 14});
    return model;
}

void writeObj(const std::filesystem::path &path, const ObjModel &model)
{
    std::ofstream out(path);
    out << "o sheet\n";
    for (const Point &p : model.vertices)
        out << "v " << p[0] << ' ' << p[1] << ' ' << p[2] << '\n';
    for (const Face &f : model.faces) {
        if (f[0] == 12)
            out << "o triangle\n";
        out << "f " << f[0] + 1 << ' ' << f[1] + 1 << ' ' << f[2] + 1 << '\n';
    }
}

// The positions of a triangle's corners, in no particular order.
std::multiset<Point> corners(const Point &a, const Point &b, const Point &c) { return {a, b, c}; }

Point positionOf(const mwrVERTEX &v) { return {v.x, v.y, v.z}; }

TEST(Mesh3dsFiles, FileWrittenByAssimpLoadsWithItsCounts)
{
    mwtest::TempDir dir;
    const ObjModel model = sheetAndTriangle();
    writeObj(dir / "model.obj", model);
    const std::string command = "assimp export '" + (dir / "model.obj").string() + "' '" +
                                (dir / "model.3ds").string() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << "assimp (assimp-utils) must be installed: " << command;

    MeshPtr mesh(mw3dsLoad((dir / "model.3ds").string().c_str()));
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->vertexCount, int(model.vertices.size()));
    ASSERT_EQ(mesh->faceCount, int(model.faces.size()));
    expectWellFormed(*mesh);

    // The same triangles over the same positions (the writer may order them
    // its own way).
    std::multiset<std::multiset<Point>> expected, loaded;
    for (const Face &f : model.faces)
        expected.insert(corners(model.vertices[f[0]], model.vertices[f[1]], model.vertices[f[2]]));
    for (int f = 0; f < mesh->faceCount; ++f)
        loaded.insert(corners(positionOf(mesh->vertices[mesh->faces[f][0]]),
                              positionOf(mesh->vertices[mesh->faces[f][1]]),
                              positionOf(mesh->vertices[mesh->faces[f][2]])));
    EXPECT_EQ(loaded, expected);
}

TEST(Mesh3dsFiles, DamagedFilesLoadWellFormedOrNotAtAll)
{
    mwtest::TempDir dir;
    std::vector<Bytes> samples = {
        file(concat({object("square", concat({vertexList({{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}),
                                              faceList({{0, 1, 2}, {0, 2, 3}}),
                                              mappingList({{0, 0}, {1, 0}, {1, 1}, {0, 1}})})),
                     object("triangle", concat({vertexList({{0, 0, 5}, {1e30f, 0, 5}, {0, -1e30f, 5}}),
                                                faceList({{0, 1, 2}})}))})),
    };
    writeObj(dir / "model.obj", sheetAndTriangle());
    const std::string command = "assimp export '" + (dir / "model.obj").string() + "' '" +
                                (dir / "assimp.3ds").string() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const std::string theirs = mwtest::readFile(dir / "assimp.3ds");
    samples.emplace_back(theirs.begin(), theirs.end());

    std::mt19937 random(3140);
    int loaded = 0, refused = 0;
    for (const Bytes &sample : samples) {
        ASSERT_NE(loadBytes(dir, sample), nullptr) << "the undamaged sample loads";
        std::vector<Bytes> variants;
        for (size_t cut = 0; cut < sample.size(); ++cut)
            variants.emplace_back(sample.begin(), sample.begin() + long(cut));
        // Flips of 1 to 4 bits, half of them among the first chunk headers.
        for (int i = 0; i < 1500; ++i) {
            Bytes flipped = sample;
            const size_t limit = i % 2 ? sample.size() : std::min<size_t>(sample.size(), 64);
            for (int f = 1 + int(random() % 4); f > 0; --f)
                flipped[random() % limit] ^= uint8_t(1u << (random() % 8));
            variants.push_back(std::move(flipped));
        }
        for (const Bytes &variant : variants) {
            MeshPtr mesh = loadBytes(dir, variant);
            if (mesh) {
                expectWellFormed(*mesh);
                ++loaded;
            } else {
                ++refused;
            }
            // A write past a block breaks the next block's header.
            mwDMemCheck("mw3ds_files_test", __LINE__);
            ASSERT_FALSE(::testing::Test::HasFatalFailure()) << "variant of " << variant.size() << " bytes";
        }
    }
    EXPECT_GT(loaded, 500);
    EXPECT_GT(refused, 500);
}

} // namespace
