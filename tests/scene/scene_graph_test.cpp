// The scene graph: node records, the tree, sampling of motions and release.
#include <cstring>

#include "scene_support.h"

namespace {

mwsNODE *named(int type, const char *name)
{
    mwsNODE *node = mwsNodeCreate(type);
    std::strcpy(node->name, name);
    return node;
}

// A scene holding one object that moves along X with its frame.
struct RampScene {
    explicit RampScene(const std::vector<int> &frames)
    {
        root = mwsNodeCreate(MWS_SCENE);
        object = mwsNodeCreate(MWS_OBJECT);
        object->motion.spline = rampMotion(frames);
        mwsNodeAttach(root, object);
    }
    ~RampScene() { mwsNodeFree(root); }
    // X of the object after evaluating the scene at `frame`.
    float at(float frame)
    {
        static_cast<mwsSCENE *>(root->data)->frame = frame;
        mwsSceneUpdate(root);
        return object->matrix->m[3];
    }
    mwsNODE *root;
    mwsNODE *object;
};

using SceneNodes = SceneTest;
using SceneNodesDeathTest = SceneTest;
using SceneUpdate = SceneTest;

TEST_F(SceneNodes, EachTypeGetsItsRecordsAndReleasesThemAll)
{
    const int64_t before = heapInUse();
    EXPECT_EQ(mwsNodeCreate(-1), nullptr);
    for (int type : {MWS_NULL, MWS_CAMERA, MWS_LIGHT, MWS_SCENE, MWS_OBJECT, 9}) {
        mwsNODE *node = mwsNodeCreate(type);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->type, type);
        EXPECT_EQ(node->matrix->m[0] + node->matrix->m[5] + node->matrix->m[10] + node->matrix->m[15], 4.0f);
        // Type records point back to their node; lights and cameras are
        // moved through their own matrices.
        if (type == MWS_LIGHT || type == MWS_CAMERA || type == MWS_SCENE) {
            EXPECT_EQ(*static_cast<mwsNODE **>(node->data), node);
        } else {
            EXPECT_EQ(node->data, nullptr);
        }
        if (type == MWS_LIGHT) {
            EXPECT_EQ(node->matrix, &static_cast<mwsLIGHTDATA *>(node->data)->light->matrix);
        } else if (type == MWS_CAMERA) {
            EXPECT_EQ(node->matrix, &static_cast<mwsCAMERADATA *>(node->data)->camera->matrix);
        }
        mwsNodeFree(node);
        EXPECT_EQ(heapInUse(), before) << "type " << type;
    }
}

TEST_F(SceneNodes, FindIsDepthFirstAndRootFindsTheScene)
{
    // root -> a -> b -> target ; root -> target (a later sibling)
    mwsNODE *root = named(MWS_SCENE, "root");
    mwsNODE *a = named(MWS_NULL, "a");
    mwsNODE *b = named(MWS_OBJECT, "b");
    mwsNODE *deep = named(MWS_LIGHT, "target");
    mwsNODE *shallow = named(MWS_OBJECT, "target");
    mwsNodeAttach(root, a);
    mwsNodeAttach(root, shallow);
    mwsNodeAttach(a, b);
    mwsNodeAttach(b, deep);

    EXPECT_EQ(mwsNodeFind(root, "target"), deep);
    EXPECT_EQ(mwsNodeFind(root, "b"), b);
    EXPECT_EQ(mwsNodeFind(root, "Target"), nullptr);
    EXPECT_EQ(mwsNodeFind(root, "targ"), nullptr);
    EXPECT_EQ(mwsNodeRoot(deep), root);
    EXPECT_EQ(mwsNodeRoot(b), root);

    mwsNodeDetach(a);
    EXPECT_EQ(mwsNodeFind(root, "target"), shallow);
    EXPECT_EQ(mwsNodeRoot(deep), nullptr);
    EXPECT_EQ(childrenOf(root), std::vector<mwsNODE *>{shallow});
    mwsNodeFree(a);
    mwsNodeFree(root);
}

TEST_F(SceneNodesDeathTest, AttachingTwiceOrUnderItselfIsMisuse)
{
    mwsNODE *a = mwsNodeCreate(MWS_NULL);
    mwsNODE *b = mwsNodeCreate(MWS_NULL);
    mwsNodeAttach(a, b);
    EXPECT_REPORT(mwsNodeAttach(a, b), "mwsNodeAttach");
    EXPECT_REPORT(mwsNodeAttach(b, a), "mwsNodeAttach");
    EXPECT_REPORT(mwsNodeAttach(a, a), "mwsNodeAttach");
    mwsNodeFree(a);
}

TEST_F(SceneNodesDeathTest, ReleasingAnActiveLightIsMisuse)
{
    mwrInit();
    mwsNODE *lamp = mwsNodeCreate(MWS_LIGHT);
    mwrLightAdd(static_cast<mwsLIGHTDATA *>(lamp->data)->light, 7);
    EXPECT_REPORT(mwsNodeFree(lamp), "mwsNodeFree");
    mwrLightRemove(7);
    mwsNodeFree(lamp);
}

TEST_F(SceneNodes, ReleaseGoesChildByChildWithItsLogLines)
{
    const int64_t before = heapInUse();
    mwsNODE *root = named(MWS_SCENE, "R");
    mwsNODE *lamp = named(MWS_LIGHT, "L");
    mwsNODE *box = named(MWS_OBJECT, "B");
    mwsNODE *cam = named(MWS_CAMERA, "C");
    lamp->motion.spline = rampMotion({0, 10});
    static_cast<mwsLIGHTDATA *>(lamp->data)->range.spline = mwmSplineCreate(2, 1);
    mwsNodeAttach(root, lamp);
    mwsNodeAttach(root, box);
    mwsNodeAttach(box, cam);

    mwsNodeFree(root);
    EXPECT_EQ(heapInUse(), before);
    EXPECT_EQ(log(), "Hmmm R ...Hrmmm R ..."
                     "bla R L Hmmm L ...Hrmmm L ...Mu L ...Me \n"
                     "bla R B Hmmm B ...Hrmmm B ...bla B C Hmmm C ...Hrmmm C ...Mu C ...Me \n"
                     "Mu B ...Me \n"
                     "Mu R ...Me \n");
}

//---- Sampling

struct SampleCase {
    std::vector<int> keys;
    int endBehavior;
    int frameOffset;
    float frame;
    float expected;
};

TEST_F(SceneUpdate, EndBehaviourAndFrameOffsetPickTheSampledTime)
{
    const SampleCase cases[] = {
        {{0, 30}, MWS_END_RESET, 0, 45, 0},    {{0, 30}, MWS_END_STOP, 0, 45, 30},
        {{0, 30}, MWS_END_REPEAT, 0, 45, 15},  {{0, 30}, 7, 0, 75.5f, 15.5f},
        {{0, 30}, MWS_END_STOP, 10, 10, 0},    {{0, 30}, MWS_END_STOP, 10, 25, 15},
        {{10, 40}, MWS_END_REPEAT, 0, 41, 11}, {{10, 40}, MWS_END_REPEAT, 0, 5, 10},
        {{10, 10}, MWS_END_REPEAT, 0, 45, 10}, // no period: held at the first key
        {{5}, MWS_END_STOP, 0, 12, 0},         // one key: the matrix stays as built
    };
    for (const SampleCase &c : cases) {
        RampScene scene(c.keys);
        scene.object->motion.endBehavior = c.endBehavior;
        scene.object->motion.frameOffset = c.frameOffset;
        EXPECT_FLOAT_EQ(scene.at(c.frame), c.expected)
            << "behaviour " << c.endBehavior << ", offset " << c.frameOffset << ", frame " << c.frame;
    }

    // The stamp is 0: frame 0 keeps what the last evaluation left.
    RampScene scene({0, 30});
    scene.at(20);
    EXPECT_FLOAT_EQ(scene.at(0), 20);
}

TEST_F(SceneUpdate, CameraTakesItsFovFromTheZoom)
{
    RampScene scene({0, 10});
    mwsNODE *cam = mwsNodeCreate(MWS_CAMERA);
    mwsNodeAttach(scene.object, cam);
    auto *camera = static_cast<mwsCAMERADATA *>(cam->data);
    mwmSPLINE *zoom = camera->zoom.spline = mwmSplineCreate(2, 1);
    zoom->keys[0].values[0] = 1;
    zoom->keys[1].values[0] = 2;
    zoom->keys[1].frame = 10;
    zoom->end = 10;
    scene.at(5);
    EXPECT_FLOAT_EQ(camera->camera->fov, 1.5f);
}

TEST_F(SceneUpdate, NestedSceneRunsAtItsOwnFrameAndOnlyThere)
{
    RampScene outer({0, 30});
    mwsNODE *inner = mwsNodeCreate(MWS_SCENE);
    mwsNODE *innerObject = mwsNodeCreate(MWS_OBJECT);
    innerObject->motion.spline = rampMotion({0, 30});
    mwsNodeAttach(inner, innerObject);
    mwsNodeDetach(outer.object);
    mwsNodeAttach(outer.root, inner);
    mwsNodeAttach(outer.root, outer.object);
    static_cast<mwsSCENE *>(inner->data)->frame = 20;

    EXPECT_FLOAT_EQ(outer.at(8), 8);
    EXPECT_FLOAT_EQ(innerObject->matrix->m[3], 20);
    mwsSceneUpdate(outer.object); // not a scene node: nothing
}

} // namespace
