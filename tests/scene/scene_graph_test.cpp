// The scene graph: node records, the tree, sampling of motions and release.
#include <cmath>
#include <cstring>

#include "scene_support.h"

namespace {

// p transformed by m (column vector, translation in elements 3, 7, 11).
mwmVECTOR apply(const mwmMATRIX &m, mwmVECTOR p)
{
    return {m.m[0] * p.x + m.m[1] * p.y + m.m[2] * p.z + m.m[3],
            m.m[4] * p.x + m.m[5] * p.y + m.m[6] * p.z + m.m[7],
            m.m[8] * p.x + m.m[9] * p.y + m.m[10] * p.z + m.m[11]};
}

mwsNODE *named(int type, const char *name)
{
    mwsNODE *node = mwsNodeCreate(type);
    std::strcpy(node->name, name);
    return node;
}

// A scene holding one object that moves along X with its frame.
struct RampScene {
    explicit RampScene(std::initializer_list<int> frames)
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

TEST(SceneNodes, EachTypeGetsItsRecordsAndReleasesThemAll)
{
    const int64_t before = heapInUse();
    EXPECT_EQ(mwsNodeCreate(-1), nullptr);
    for (int type : {MWS_NULL, MWS_CAMERA, MWS_LIGHT, MWS_SCENE, MWS_OBJECT, 9}) {
        mwsNODE *node = mwsNodeCreate(type);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->type, type);
        EXPECT_EQ(node->matrix->m[0] + node->matrix->m[5] + node->matrix->m[10] + node->matrix->m[15], 4.0f);
        switch (type) {
        case MWS_LIGHT: {
            auto *data = static_cast<mwsLIGHTDATA *>(node->data);
            EXPECT_EQ(data->node, node);
            // Evaluating the node moves the render library's light itself.
            EXPECT_EQ(node->matrix, &data->light->matrix);
            EXPECT_EQ(data->light->type, MWR_LIGHT_DIRECTIONAL);
            break;
        }
        case MWS_CAMERA: {
            auto *data = static_cast<mwsCAMERADATA *>(node->data);
            EXPECT_EQ(data->node, node);
            EXPECT_EQ(node->matrix, &data->camera->matrix);
            break;
        }
        case MWS_SCENE: EXPECT_EQ(static_cast<mwsSCENE *>(node->data)->node, node); break;
        default: EXPECT_EQ(node->data, nullptr); break;
        }
        mwsNodeFree(node);
        EXPECT_EQ(heapInUse(), before) << "type " << type;
    }
}

TEST(SceneNodes, FindIsDepthFirstAndRootFindsTheScene)
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

TEST(SceneNodesDeathTest, AttachingTwiceOrUnderItselfIsMisuse)
{
    mwsNODE *a = mwsNodeCreate(MWS_NULL);
    mwsNODE *b = mwsNodeCreate(MWS_NULL);
    mwsNodeAttach(a, b);
    EXPECT_EXIT(mwsNodeAttach(a, b), ::testing::ExitedWithCode(kFatalExit), "mwsNodeAttach");
    EXPECT_EXIT(mwsNodeAttach(b, a), ::testing::ExitedWithCode(kFatalExit), "mwsNodeAttach");
    EXPECT_EXIT(mwsNodeAttach(a, a), ::testing::ExitedWithCode(kFatalExit), "mwsNodeAttach");
    mwsNodeFree(a);
}

TEST(SceneNodesDeathTest, ReleasingAnActiveLightIsMisuse)
{
    mwrInit();
    mwsNODE *lamp = mwsNodeCreate(MWS_LIGHT);
    mwrLightAdd(static_cast<mwsLIGHTDATA *>(lamp->data)->light, 7);
    EXPECT_EXIT(mwsNodeFree(lamp), ::testing::ExitedWithCode(kFatalExit), "mwsNodeFree");
    mwrLightRemove(7);
    mwsNodeFree(lamp);
}

class SceneRelease : public SceneFileTest {};

TEST_F(SceneRelease, ReleasesTheSubtreeChildByChildWithItsLogLines)
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

struct EndCase {
    int endBehavior;
    float frame;
    float expected;
};

TEST(SceneUpdate, EndBehaviourDecidesFramesPastTheLastKey)
{
    const EndCase cases[] = {
        {MWS_END_RESET, 45, 0},  {MWS_END_STOP, 45, 30}, {MWS_END_REPEAT, 45, 15},
        {MWS_END_REPEAT, 75, 15}, {7, 45.5f, 15.5f},      {MWS_END_STOP, 12, 12},
    };
    for (const EndCase &c : cases) {
        RampScene scene({0, 30});
        scene.object->motion.endBehavior = c.endBehavior;
        EXPECT_FLOAT_EQ(scene.at(c.frame), c.expected) << c.endBehavior << " at " << c.frame;
    }
}

TEST(SceneUpdate, RepeatRunsFromTheFirstKeyAndHoldsWithoutAPeriod)
{
    RampScene late({10, 40});
    late.object->motion.endBehavior = MWS_END_REPEAT;
    EXPECT_FLOAT_EQ(late.at(41), 11);
    EXPECT_FLOAT_EQ(late.at(5), 10); // before the first key
    RampScene flat({10, 10});
    flat.object->motion.endBehavior = MWS_END_REPEAT;
    EXPECT_FLOAT_EQ(flat.at(45), 10);
}

TEST(SceneUpdate, FrameOffsetShiftsAndFrameZeroIsNeverSampled)
{
    RampScene scene({0, 30});
    scene.object->motion.frameOffset = 10;
    EXPECT_FLOAT_EQ(scene.at(10), 0);
    EXPECT_FLOAT_EQ(scene.at(25), 15);
    // The stamp is 0: frame 0 keeps what the last evaluation left.
    EXPECT_FLOAT_EQ(scene.at(0), 15);

    RampScene still({5});
    EXPECT_FLOAT_EQ(still.at(12), 0); // one key: the matrix stays as built
}

TEST(SceneUpdate, MatrixIsTranslateRotateScaleAboutThePivot)
{
    mwsNODE *node = mwsNodeCreate(MWS_OBJECT);
    node->motion.spline = mwmSplineCreate(1, MWS_NODE_CHANNELS);
    float *v = node->motion.spline->values;
    v[MWS_CHANNEL_HEADING] = 90; // about Y: +X turns to -Z
    v[MWS_CHANNEL_X] = 5;
    v[MWS_CHANNEL_SCALE_X] = v[MWS_CHANNEL_SCALE_Y] = v[MWS_CHANNEL_SCALE_Z] = 2;
    node->pivot = {1, 0, 0};
    mwsNodeBuildMatrix(node);

    const mwmVECTOR pivot = apply(*node->matrix, {1, 0, 0});
    const mwmVECTOR beside = apply(*node->matrix, {2, 0, 3});
    EXPECT_NEAR(pivot.x, 5, 1e-5);
    EXPECT_NEAR(pivot.z, 0, 1e-5);
    EXPECT_NEAR(beside.x, 11, 1e-5); // (1, 0, 3) x 2 = (2, 0, 6) turned to (6, 0, -2)
    EXPECT_NEAR(beside.y, 0, 1e-5);
    EXPECT_NEAR(beside.z, -2, 1e-5);
    mwsNodeFree(node);
}

TEST(SceneUpdate, LightsAndCamerasFollowTheirEnvelopes)
{
    mwsNODE *root = mwsNodeCreate(MWS_SCENE);
    mwsNODE *lamp = mwsNodeCreate(MWS_LIGHT);
    mwsNODE *cam = mwsNodeCreate(MWS_CAMERA);
    mwsNodeAttach(root, lamp);
    mwsNodeAttach(lamp, cam);
    auto envelope = [](int channels, float from, float to) {
        mwmSPLINE *s = mwmSplineCreate(2, channels);
        s->keys[1].frame = 10;
        s->end = 10;
        for (int c = 0; c < channels; ++c) {
            s->keys[0].values[c] = from * (c + 1);
            s->keys[1].values[c] = to * (c + 1);
        }
        return s;
    };
    auto *light = static_cast<mwsLIGHTDATA *>(lamp->data);
    light->intensity.spline = envelope(3, 0.0f, 0.3f);
    light->range.spline = envelope(1, 1.0f, 0.5f);
    light->cone.spline = envelope(1, 0.9f, 0.7f);
    auto *camera = static_cast<mwsCAMERADATA *>(cam->data);
    camera->zoom.spline = envelope(1, 1.0f, 2.0f);

    static_cast<mwsSCENE *>(root->data)->frame = 5;
    mwsSceneUpdate(root);
    EXPECT_FLOAT_EQ(light->light->color[0], 0.15f);
    EXPECT_FLOAT_EQ(light->light->color[2], 0.45f);
    EXPECT_FLOAT_EQ(light->light->falloff, 0.75f);
    EXPECT_FLOAT_EQ(light->light->cone, 0.8f);
    EXPECT_FLOAT_EQ(camera->camera->fov, 1.5f);
    mwsNodeFree(root);
}

TEST(SceneUpdate, NestedSceneRunsAtItsOwnFrameAndOnlyThere)
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
