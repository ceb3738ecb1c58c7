// The triangle pipeline: rejection before set-up, culling with the
// near-plane replacement, near-plane clipping and snapping, meshes lit once
// per vertex, and the vertex cache's growth and shrinking.
#include "voodoo_render_support.h"

using namespace vdtest;

namespace {

// An engine light whose lighting function is counted on its way through.
int shadeCalls = 0;
mwrSHADE_FN engineShade = nullptr;
void countingShade(const float *normal, float *acc, const float *position, const mwrLIGHTSLOT *slot)
{
    ++shadeCalls;
    engineShade(normal, acc, position, slot);
}

} // namespace

TEST_F(Render, VerticesAreLitOnlyWhenDrawnAndOncePerMeshVertex)
{
    mwrLIGHT *light = mwrLightAlloc(1);
    mwrLightAdd(light, 7);
    material->colorMode = MWR_COLOR_LIT;
    material->cullMode = MWR_CULL_NONE;
    mwrMaterialSelect(material);
    engineShade = st->lights->shade;
    st->lights->shade = countingShade;
    shadeCalls = 0;

    mwrVERTEX beyond[3] = {vertex(-50, -50, 150), vertex(50, -50, 150), vertex(0, 50, 150)};
    vd->drawTriangle(&beyond[0], &beyond[1], &beyond[2]);
    EXPECT_EQ(0, shadeCalls) << "a triangle beyond the far plane is dropped before set-up";
    EXPECT_TRUE(spy::triangles().empty());

    mwrVERTEX seen[3] = {vertex(-1, -1, 4), vertex(1, -1, 4), vertex(0, 1, 4)};
    vd->drawTriangle(&seen[0], &seen[1], &seen[2]);
    EXPECT_EQ(3, shadeCalls);
    EXPECT_EQ(1u, spy::triangles().size());

    // Two faces share two corners; a third names a vertex the mesh lacks.
    mwrVERTEX square[4] = {vertex(-1, -1, 4), vertex(1, -1, 4), vertex(1, 1, 4), vertex(-1, 1, 4)};
    int32_t faces[3][3] = {{0, 1, 2}, {0, 2, 3}, {0, 2, 4}};
    const mwrMESH mesh{4, square, 3, faces};
    shadeCalls = 0;
    spy::reset();
    vd->drawMesh(&mesh);
    EXPECT_EQ(4, shadeCalls);
    EXPECT_EQ(2u, spy::triangles().size());
    mwrLightRemove(7);
    mwrLightFree(light);
}

TEST_F(Render, CullingModeZeroKeepsOneWindingAndModeThreeBoth)
{
    struct Case {
        int cullMode;
        bool reversed;
        bool drawn;
    };
    const Case cases[] = {{MWR_CULL_CLOCKWISE, false, true},
                          {MWR_CULL_CLOCKWISE, true, false},
                          {MWR_CULL_COUNTERCLOCKWISE, false, false},
                          {MWR_CULL_COUNTERCLOCKWISE, true, true},
                          {MWR_CULL_NONE, false, true},
                          {MWR_CULL_NONE, true, true}};
    // The apex in front, then behind the camera: projected as it is, it would
    // flip the winding; its near-plane point keeps it. Any corner may come first.
    for (const Case &k : cases)
        for (const float apexZ : {4.0f, -2.0f})
            for (int first = 0; first < 3; ++first) {
                SCOPED_TRACE(::testing::Message()
                             << "culling mode " << k.cullMode << (k.reversed ? ", reversed" : "")
                             << ", apex at z " << apexZ << ", first " << first);
                selectVertexColour(k.cullMode);
                mwrVERTEX a = vertex(-1, -1, 4), b = vertex(1, -1, 4), c = vertex(0, 1, apexZ);
                mwrVERTEX *corners[3] = {&a, k.reversed ? &c : &b, k.reversed ? &b : &c};
                std::rotate(corners, corners + first, corners + 3);
                const size_t expected = k.drawn ? (apexZ < 0 ? 2 : 1) : 0;

                spy::reset();
                vd->drawTriangle(corners[0], corners[1], corners[2]);
                EXPECT_EQ(expected, spy::triangles().size()) << "triangle";
                for (const int type : {MWR_POLYGON_CONVEX, MWR_POLYGON_FAN}) {
                    const mwrPOLYGON polygon{3, corners, type};
                    spy::reset();
                    vd->drawPolygon(&polygon);
                    EXPECT_EQ(expected, spy::triangles().size()) << "polygon of type " << type;
                }
            }
}

TEST_F(Render, CornerBehindTheNearPlaneGivesTwoSnappedTrianglesOverTheCutQuad)
{
    selectVertexColour();
    mwrVERTEX a = vertex(0.03f, 0.2f, 0.5f), b = vertex(-0.53f, -0.27f, 2.1f),
              c = vertex(0.47f, -0.23f, 1.9f);
    a.a = 0.0f; // cut corners take alpha along their edges
    vd->drawTriangle(&a, &b, &c);
    ASSERT_EQ(2u, spy::triangles().size());

    // What stays in front: b, c and where their edges to a meet z = near.
    struct Corner {
        Screen at;
        double alpha;
    };
    auto nearPoint = [&](const mwrVERTEX &from) {
        const double t = (from.z - kNear) / (from.z - a.z);
        return Corner{project(from.x + t * (a.x - from.x), from.y + t * (a.y - from.y), kNear),
                      255 * (1 - t)};
    };
    const Corner quad[4] = {
        {project(b.x, b.y, b.z), 255}, {project(c.x, c.y, c.z), 255}, nearPoint(c), nearPoint(b)};
    for (const spy::Triangle &triangle : spy::triangles())
        for (const GrVertex &v : triangle) {
            EXPECT_EQ(v.x * 16, std::round(v.x * 16)) << "snapped to 1/16 pixel";
            EXPECT_EQ(v.y * 16, std::round(v.y * 16));
            const Corner *nearest = &quad[0];
            for (const Corner &corner : quad)
                if (std::hypot(v.x - corner.at.x, v.y - corner.at.y) <
                    std::hypot(v.x - nearest->at.x, v.y - nearest->at.y))
                    nearest = &corner;
            EXPECT_LE(std::hypot(v.x - nearest->at.x, v.y - nearest->at.y), 0.045)
                << "each corner is a quad corner, rounded to 1/16";
            EXPECT_NEAR(nearest->alpha, v.a, 0.01);
        }

    // Pixel centres clearly inside the quad are drawn, those clearly outside not.
    const std::vector<uint16_t> screen = read(0, 0, 512, 384);
    int inside = 0;
    for (int y = 0; y < 384; ++y)
        for (int x = 0; x < 512; ++x) {
            double margin = 1e9;
            for (int i = 0; i < 4; ++i) {
                const Screen &p = quad[i].at, &q = quad[(i + 1) % 4].at;
                const double cross = (q.x - p.x) * (y + 0.5 - p.y) - (q.y - p.y) * (x + 0.5 - p.x);
                margin = std::min(margin, -cross / std::hypot(q.x - p.x, q.y - p.y));
            }
            const uint16_t got = screen[size_t(y) * 512 + size_t(x)];
            if (margin > 0.5) {
                ++inside;
                EXPECT_EQ(0xFFFF, got) << x << "," << y;
            } else if (margin < -0.5) {
                EXPECT_EQ(kBlack, got) << x << "," << y;
            }
        }
    EXPECT_GT(inside, 2000);

    // Each drawn triangle took a FIFO sample: the report averages them.
    unload();
    EXPECT_EQ(1, count(log(), "Fifo free avg.       : 30975 (of 30975)\n")) << log();
}

TEST_F(Render, VertexCacheGrowsAtItsCapacityAndShrinksToTheAverageRequest)
{
    selectVertexColour();
    std::vector<mwrVERTEX> beyond(300, vertex(0, 0, 150));
    std::vector<mwrVERTEX *> ring;
    for (mwrVERTEX &v : beyond)
        ring.push_back(&v);
    for (const int n : {255, 256, 300}) {
        const mwrPOLYGON fan{n, ring.data(), MWR_POLYGON_FAN};
        vd->drawPolygon(&fan);
    }
    EXPECT_EQ(2, count(log(), "vertCache increased to ")) << log();
    EXPECT_EQ(1, count(log(), "vertCache increased to 256\n")) << "a request equal to the capacity";
    EXPECT_EQ(1, count(log(), "vertCache increased to 320\n"));

    // 1000 requests are not enough to shrink it; the 1001st are.
    for (int i = 0; i < 997; ++i)
        vd->drawTriangle(ring[0], ring[1], ring[2]);
    vd->endScene();
    EXPECT_EQ(0, count(log(), "vertCache decreased"));
    vd->drawTriangle(ring[0], ring[1], ring[2]);
    vd->endScene();
    vd->endScene();
    EXPECT_EQ(1, count(log(), "vertCache decreased to 64\n")) << log();
    EXPECT_TRUE(spy::triangles().empty());
}
