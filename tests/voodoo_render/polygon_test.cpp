// Polygons: the 50-vertex limit of convex polygons, the polygon clipper
// against every plane (checked against the fan's triangle clipper and a
// mesh), and a polygon that is not convex kept inside the vertex cache.
#include "voodoo_render_support.h"

using namespace vdtest;

namespace {

// n vertices on a circle about centre in the plane of the unit axes e1, e2.
std::vector<mwrVERTEX> circle(int n, const float centre[3], const float e1[3], const float e2[3],
                              float radius)
{
    std::vector<mwrVERTEX> out;
    for (int i = 0; i < n; ++i) {
        const float angle = 6.2831853f * i / n;
        const float c = radius * std::cos(angle), s = radius * std::sin(angle);
        out.push_back(vertex(centre[0] + c * e1[0] + s * e2[0], centre[1] + c * e1[1] + s * e2[1],
                             centre[2] + c * e1[2] + s * e2[2]));
    }
    return out;
}

std::vector<mwrVERTEX *> pointers(std::vector<mwrVERTEX> &vertices)
{
    std::vector<mwrVERTEX *> out;
    for (mwrVERTEX &v : vertices)
        out.push_back(&v);
    return out;
}

} // namespace

TEST_F(Render, ConvexPolygonsHaveAtMostFiftyVertices)
{
    selectVertexColour();
    const float centre[3] = {0, 0, 4}, e1[3] = {1, 0, 0}, e2[3] = {0, 1, 0};
    for (const int n : {51, 50}) {
        std::vector<mwrVERTEX> ring = circle(n, centre, e1, e2, 1.0f);
        std::vector<mwrVERTEX *> corners = pointers(ring);
        const mwrPOLYGON polygon{n, corners.data(), MWR_POLYGON_CONVEX};
        spy::reset();
        vd->drawPolygon(&polygon);
        EXPECT_EQ(n == 50 ? 48u : 0u, spy::triangles().size()) << n << " vertices";
    }
}

TEST_F(Render, FiftyVertexPolygonCrossingEveryPlaneIsClippedLikeItsTriangles)
{
    material->cullMode = MWR_CULL_NONE; // constant colour
    mwrMaterialSelect(material);
    // A tilted disc reaching behind the camera, past the far plane and out
    // of all four sides.
    const float centre[3] = {0, 0, 40}, e1[3] = {0.8f, 0, 0.6f}, e2[3] = {-0.36f, 0.8f, 0.48f};
    std::vector<mwrVERTEX> ring = circle(50, centre, e1, e2, 200.0f);
    std::vector<mwrVERTEX *> corners = pointers(ring);
    uint32_t crossed = 0;
    const float *m = st->modelView.m;
    for (const mwrVERTEX &v : ring) {
        const float x = m[0] * v.x + m[3], y = m[5] * v.y + m[7], z = m[10] * v.z + m[11];
        crossed |=
            (z >= kFar) | (y <= -z) << 1 | (z <= y) << 2 | (x <= -z) << 3 | (z <= x) << 4 | (z <= kNear) << 5;
    }
    ASSERT_EQ(kPlanes, crossed);

    // Rotating the ring changes which corners each fan triangle has outside
    // which plane, so that the clipper meets all its cases.
    std::vector<uint16_t> pictures[4][3];
    for (int start = 0; start < 4; ++start) {
        std::rotate(corners.begin(), corners.begin() + 12, corners.end());
        const mwrPOLYGON convex{50, corners.data(), MWR_POLYGON_CONVEX};
        const mwrPOLYGON fan{50, corners.data(), MWR_POLYGON_FAN};
        std::vector<int32_t> faces;
        for (int i = 2; i < 50; ++i)
            faces.insert(faces.end(),
                         {int32_t(corners[0] - ring.data()), int32_t(corners[i - 1] - ring.data()),
                          int32_t(corners[i] - ring.data())});
        const mwrMESH mesh{50, ring.data(), 48, reinterpret_cast<int32_t(*)[3]>(faces.data())};
        for (int way = 0; way < 3; ++way) {
            vd->clear(0, 0);
            spy::reset();
            if (way == 0)
                vd->drawPolygon(&convex);
            else if (way == 1)
                vd->drawPolygon(&fan);
            else
                vd->drawMesh(&mesh);
            EXPECT_FALSE(spy::triangles().empty()) << way;
            pictures[start][way] = read(0, 0, 512, 384);
        }
    }
    mwDMemCheck(__FILE__, __LINE__);

    // The same outline: only pixels on the cut edges may differ, where the
    // pieces' corners round to 1/16 pixel at different points.
    const std::vector<uint16_t> &reference = pictures[0][0];
    int covered = 0;
    for (const uint16_t pixel : reference)
        covered += pixel != kBlack;
    EXPECT_GT(covered, 20000);
    for (int start = 0; start < 4; ++start)
        for (int way = 0; way < 3; ++way) {
            int differing = 0;
            for (size_t i = 0; i < reference.size(); ++i)
                differing += (reference[i] != kBlack) != (pictures[start][way][i] != kBlack);
            EXPECT_LE(differing, covered / 500) << "start " << start << ", way " << way;
        }
}

TEST_F(Render, PolygonThatIsNotConvexNeverWritesPastTheVertexCache)
{
    selectVertexColour();
    // Small requests shrink the cache to 64 vertices.
    mwrVERTEX beyond = vertex(0, 0, 150);
    for (int i = 0; i < 1001; ++i)
        vd->drawTriangle(&beyond, &beyond, &beyond);
    vd->endScene();
    ASSERT_EQ(1, count(log(), "vertCache decreased to 64\n"));

    // A zig-zag in and out of the right plane: 50 crossings, where a convex
    // polygon has two.
    std::vector<mwrVERTEX> zigzag;
    for (int i = 0; i < 50; ++i)
        zigzag.push_back(vertex(i % 2 ? 15.0f : 5.0f, -6.0f + 0.24f * i, 10.0f));
    std::vector<mwrVERTEX *> corners = pointers(zigzag);
    const mwrPOLYGON polygon{50, corners.data(), MWR_POLYGON_CONVEX};
    spy::reset();
    vd->drawPolygon(&polygon);
    mwDMemCheck(__FILE__, __LINE__);
    EXPECT_TRUE(spy::triangles().empty());
    EXPECT_EQ(0, count(log(), "vertCache increased")) << "it fitted the 64 vertices";
}
