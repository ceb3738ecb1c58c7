// The LightWave scene reader keyword by keyword: what each builds, the log
// lines it writes, and what it does with input outside the format.
#include "heap_support.h"
#include "scene_support.h"

namespace {

class LwsLoad : public SceneTest {
protected:
    // Loads text that must load, checking that releasing it leaks nothing.
    mwsSCENE *mustLoad(const std::string &text)
    {
        before_ = heapInUse();
        mwsSCENE *scene = load(text);
        EXPECT_NE(scene, nullptr);
        return scene;
    }
    void release(mwsSCENE *scene)
    {
        mwsNodeFree(scene->node);
        EXPECT_EQ(heapInUse(), before_);
    }
    int64_t before_ = 0;
};

const char kMotion[] = "ObjectMotion (unnamed)\n  9\n  1\n  1 2 3 0 0 0 1 1 1\n  0 0 0 0 0\n";

TEST_F(LwsLoad, RefusesMissingFilesAndWrongMagic)
{
    const int64_t before = heapInUse();
    EXPECT_EQ(lwsLoad("absent.lws", nullptr), nullptr);
    EXPECT_EQ(load("LWSX\n1\nLoadObject a\n"), nullptr);
    EXPECT_EQ(load("LWS"), nullptr);
    EXPECT_EQ(log(), "lwsLoad: scene.lws is not a LWSC file\n"
                     "lwsLoad: scene.lws is not a LWSC file\n");
    EXPECT_EQ(heapInUse(), before);
}

TEST_F(LwsLoad, SceneRecordAndItsLogLines)
{
    mwsSCENE *scene = mustLoad("LWSC\r\n1\r\n\r\nFirstFrame 3\r\nLastFrame 90\r\n"
                               "FramesPerSecond 25\r\n");
    EXPECT_EQ(scene->firstFrame, 3);
    EXPECT_EQ(scene->lastFrame, 90);
    EXPECT_EQ(scene->fps, 25.0f);
    EXPECT_EQ(scene->node->type, MWS_SCENE);
    EXPECT_STREQ(scene->node->name, "scene.lws");
    ASSERT_NE(scene->node->motion.spline, nullptr);
    EXPECT_EQ(scene->node->motion.spline->keyCount, 1);
    EXPECT_EQ(log(), "LWS load file: scene.lws\nFirst Frame = 3 \nFPS  = 25.000000 \n"
                     "LWS Cleanup Stage \n");
    release(scene);
}

TEST_F(LwsLoad, LightColourIntensityRangeAndCone)
{
    mwsSCENE *scene = mustLoad("LWSC\n1\nAddLight\nLightName Lamp\nLightColor 255 128 0\n"
                               "LgtIntensity 0.5\nLightType 2\nConeAngle 60\n"
                               "LightFalloff 1\nLightRange 4.0\n");
    mwsNODE *lamp = mwsNodeFind(scene->node, "Lamp");
    ASSERT_NE(lamp, nullptr);
    const mwrLIGHT &light = *static_cast<mwsLIGHTDATA *>(lamp->data)->light;
    EXPECT_FLOAT_EQ(light.color[0], 0.5f);
    EXPECT_NEAR(light.color[1], 0.25098f, 1e-5);
    EXPECT_EQ(light.color[2], 0.0f);
    EXPECT_FLOAT_EQ(light.cone, 0.5f);
    EXPECT_FLOAT_EQ(light.falloff, 0.25f);
    EXPECT_EQ(light.type, MWR_LIGHT_RANGED); // the falloff turns the spot into a ranged light
    EXPECT_EQ(log(), "LWS load file: scene.lws\n"
                     "Creating a new light \n"
                     "Making Lamp the name of the Light \n"
                     "Creating intensity coeffs for Lamp light \n"
                     "Created intensity for 1 key value \n"
                     "Light Type = 2 \n"
                     "Creating Spotlight Angle coeffs for current light \n"
                     "Created for 1 key value \n"
                     "Creating falloff coeffs for current light \n"
                     "Created for 1 key value \n"
                     "Adding to root scene \n"
                     "LWS Cleanup Stage \n");
    release(scene);
}

TEST_F(LwsLoad, ParentsNameObjectsInFileOrder)
{
    mwsSCENE *scene = mustLoad("LWSC\nLoadObject a\nAddLight\nLightName early\nParentObject 2\n"
                               "LoadObject b\nLoadObject c\nParentObject 2\n"
                               "AddNullObject n\nParentObject 9\n"
                               "AddLight\nLightName late\nParentObject 2\n"
                               "LoadObject x\nParentObject 6\nLoadObject y\nParentObject 5\n"
                               "LoadObject self\nParentObject 7\n");
    mwsNODE *root = scene->node;
    mwsNODE *a = mwsNodeFind(root, "a");
    mwsNODE *b = mwsNodeFind(root, "b");
    mwsNODE *c = mwsNodeFind(root, "c");
    mwsNODE *n = mwsNodeFind(root, "n");
    ASSERT_TRUE(a && b && c && n);
    EXPECT_EQ(n->type, MWS_NULL);
    EXPECT_EQ(c->type, MWS_OBJECT);
    // A light is attached when its ParentObject is read: object 2 did not
    // exist yet for the first one, which joins the root.
    mwsNODE *early = mwsNodeFind(root, "early");
    mwsNODE *late = mwsNodeFind(root, "late");
    EXPECT_EQ(early->parent, root);
    EXPECT_EQ(late->parent, b);
    EXPECT_EQ(childrenOf(b), (std::vector<mwsNODE *>{late, c}));
    // A number naming no object, or closing a loop, leaves the object at the root.
    mwsNODE *x = mwsNodeFind(root, "x");
    mwsNODE *y = mwsNodeFind(root, "y");
    EXPECT_EQ(x->parent, y);
    EXPECT_EQ(childrenOf(root), (std::vector<mwsNODE *>{early, a, b, n, y, mwsNodeFind(root, "self")}));
    release(scene);
}

TEST_F(LwsLoad, NamesKeepFifteenCharacters)
{
    mwsSCENE *scene = mustLoad("LWSC\nLoadObject Objects/Spaceship.lwo\nAddLight\n"
                               "LightName ABCDEFGHIJKLMNOPQRST\nShowCamera 1 2\n");
    const std::vector<mwsNODE *> top = childrenOf(scene->node);
    ASSERT_EQ(top.size(), 3u);
    EXPECT_STREQ(top[0]->name, "ABCDEFGHIJKLMNO");
    EXPECT_STREQ(top[1]->name, "1");
    EXPECT_EQ(top[1]->type, MWS_CAMERA);
    EXPECT_STREQ(top[2]->name, "Objects/Spacesh");
    release(scene);
}

TEST_F(LwsLoad, ReturnEndsTheLoadWithNothingLeft)
{
    const int64_t before = heapInUse();
    EXPECT_EQ(load(std::string("LWSC\nLoadObject a\n") + kMotion +
                   "LoadObject b\nParentObject 1\nAddLight\nParentObject 1\nAddLight\n"
                   "LgtIntensity 2\nreturn\nLoadObject c\n"),
              nullptr);
    EXPECT_EQ(heapInUse(), before);
    EXPECT_EQ(log().find("LWS Cleanup Stage"), std::string::npos);
}

TEST_F(LwsLoad, MotionKeysTruncateFrameAndLinear)
{
    mwsSCENE *scene = mustLoad("LWSC\nLoadObject a\nObjectMotion (unnamed)\n  9\n  2\n"
                               "  1 2 3 10 20 30 4 5 6\n  0 0 0.25 0.75 -0.5\n"
                               "  7 8 9 0 0 0 1 1 1\n  30.9 1.7 0 0 0\n"
                               "EndBehavior 2\nFrameOffset -4\n");
    mwsNODE *a = childrenOf(scene->node).at(0);
    const mwmSPLINE &m = *a->motion.spline;
    EXPECT_EQ(m.keys[1].frame, 30);
    EXPECT_EQ(m.keys[1].linear, 1);
    EXPECT_EQ(m.end, 30.0f);
    EXPECT_EQ(a->motion.endBehavior, 2);
    EXPECT_EQ(a->motion.frameOffset, -4);
    EXPECT_NE(log().find("adding Motion, 2 keys,  9 channels \nEnd Behavior = 2 \nFrame Offset = -4 \n"),
              std::string::npos);
    release(scene);
}

TEST_F(LwsLoad, KeywordsWithoutTheirNodeAreIgnored)
{
    // Before any node, and light keywords for an object.
    mwsSCENE *scene = mustLoad(std::string("LWSC\n") + kMotion +
                               "EndBehavior 2\nPivotPoint 1 1 1\nParentObject 1\nLightName x\n"
                               "LgtIntensity 3\nLightColor 1 2 3\nLightRange (envelope)\n  1\n  1\n"
                               "  4\n  0 0 0 0 0\nLoadObject a\nLightName b\nLightType 1\n"
                               "ConeAngle 30\nLightFalloff 1\nAmbIntensity 4\nEndBehavior 2\n"
                               "ParentObject 1\nPivotPoint 1 1 1\n");
    const std::vector<mwsNODE *> top = childrenOf(scene->node);
    ASSERT_EQ(top.size(), 1u);
    EXPECT_STREQ(top[0]->name, "a");
    EXPECT_EQ(top[0]->motion.spline, nullptr);
    EXPECT_EQ(top[0]->data, nullptr);
    EXPECT_EQ(top[0]->pivot.x, 0.0f); // a pivot needs a motion
    release(scene);
}

TEST_F(LwsLoad, ObjectsBeyondTheTableAreLeftOut)
{
    std::string text = "LWSC\n";
    for (int i = 1; i <= 513; ++i)
        text += "LoadObject o" + std::to_string(i) + "\n";
    mwsSCENE *scene = mustLoad(text + kMotion);
    const std::vector<mwsNODE *> top = childrenOf(scene->node);
    ASSERT_EQ(top.size(), 512u);
    EXPECT_STREQ(top.back()->name, "o512");
    EXPECT_EQ(top.back()->motion.spline, nullptr); // the motion was the refused object's
    EXPECT_NE(log().find("lwsLoad: more than 512 objects, o513 is left out\n"), std::string::npos);
    release(scene);
}

TEST_F(LwsLoad, ImpossibleKeyCountsAreRefusedBeforeAllocating)
{
    const int64_t before = heapInUse();
    EXPECT_EQ(load("LWSC\nLoadObject a\nObjectMotion\n  9\n  2000000000\n  0 0 0 0 0 0 1 1 1\n"), nullptr);
    EXPECT_EQ(heapInUse(), before);
    EXPECT_NE(log().find("lwsLoad: scene.lws ends before the 2000000000 keys of a motion\n"),
              std::string::npos);

    // Keys the file could still hold are read, as zeros where it ends.
    mwsSCENE *scene = mustLoad("LWSC\nLoadObject a\nObjectMotion\n  9\n  3\n  4 0 0 0 0 0 1 1 1\n");
    const mwmSPLINE &m = *childrenOf(scene->node).at(0)->motion.spline;
    ASSERT_EQ(m.keyCount, 3);
    EXPECT_EQ(m.keys[0].values[MWS_CHANNEL_X], 4.0f);
    EXPECT_EQ(m.keys[2].values[MWS_CHANNEL_X], 0.0f);
    release(scene);
}

// 20,000 keys fit the heap's size but not the 1 MB left of it: the loader
// refuses the scene before it allocates the spline, instead of the allocator
// ending the program.
TEST_F(LwsLoad, MotionsLargerThanTheFreeHeapAreRefused)
{
    const std::string text = "LWSC\nLoadObject a\nObjectMotion\n  9\n  20000\n" + std::string(40000, '\n');
    {
        mwtest::HeapSqueeze squeeze(1 << 20);
        EXPECT_EQ(load(text), nullptr);
    }
    EXPECT_NE(log().find("lwsLoad: the 20000 keys of a motion in scene.lws do not fit the heap\n"),
              std::string::npos);
    release(mustLoad(text));
}

TEST_F(LwsLoad, EveryLightJoinsTheScene)
{
    mwsSCENE *scene = mustLoad("LWSC\nAddLight\nLightName one\nLoadObject a\nAddLight\n"
                               "LightName two\n");
    mwsNODE *root = scene->node;
    EXPECT_EQ(mwsNodeFind(root, "one")->parent, root);
    EXPECT_EQ(mwsNodeFind(root, "two")->parent, root);
    release(scene);
}

TEST_F(LwsLoad, ZoomFactorTakesTheEndBehaviourThatFollowsIt)
{
    mwsSCENE *scene = mustLoad("LWSC\nShowCamera 1 2\nCameraMotion (unnamed)\n  9\n  1\n"
                               "  0 0 -5 0 0 0 1 1 1\n  0 0 0 0 0\nEndBehavior 1\n"
                               "ZoomFactor (envelope)\n  1\n  2\n  3.2\n  0 0 0 0 0\n"
                               "  1.0\n  60 0 0 0 0\nEndBehavior 2\n");
    mwsNODE *camera = childrenOf(scene->node).at(0);
    EXPECT_EQ(camera->motion.endBehavior, 1);
    EXPECT_FLOAT_EQ(camera->matrix->m[11], -5);
    release(scene);
}

TEST_F(LwsLoad, TokensAndLinesLongerThanTheBufferAreCut)
{
    const std::string longName(600, 'x');
    mwsSCENE *scene = mustLoad("LWSC\nLoadObject " + longName + " AddNullObject n\n" + "FirstFrame 7" +
                               std::string(600, ' ') + "9\nLastFrame\n5\n");
    EXPECT_EQ(childrenOf(scene->node).size(), 2u);
    EXPECT_EQ(scene->firstFrame, 7);
    EXPECT_EQ(scene->lastFrame, 0); // its line ended at the keyword
    release(scene);
}

using LwsLoadDeathTest = LwsLoad;

TEST_F(LwsLoadDeathTest, EmptyMotionsEndTheProgram)
{
    const struct {
        const char *counts;
        const char *message;
    } cases[] = {{"  9\n  0\n", "No Keyframes"},
                 {"  0\n  0\n", "No Keyframes"},
                 {"  0\n  2\n", "No Channels"},
                 {"nine\n  2\n", "No Channels"}};
    for (const auto &c : cases) {
        const std::string path = write(std::string("LWSC\nLoadObject a\nObjectMotion\n") + c.counts);
        EXPECT_REPORT(lwsLoad(path.c_str(), nullptr), std::string("processObjectMotion: ") + c.message)
            << c.counts;
    }
}

} // namespace
