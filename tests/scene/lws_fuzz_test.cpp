// The scene reader fed truncated and bit-flipped copies of a whole scene and
// random runs of every keyword with hostile arguments. Whatever it makes of
// them, it stays inside its buffers (run under AddressSanitizer too), leaves
// the kernel's heap sound (AddressSanitizer cannot see inside it), builds a
// tree that evaluates at any frame, and releases it without a leak.
#include <cstring>
#include <random>

#include "scene_support.h"

namespace {

// Reports a hostile file may cause by design.
bool expectedReport(const std::string &message)
{
    return message == "processObjectMotion: No Keyframes" || message == "processObjectMotion: No Channels";
}

void checkTree(const mwsNODE *node, const mwsNODE *parent, int depth)
{
    ASSERT_LT(depth, 1000);
    ASSERT_EQ(node->parent, parent);
    ASSERT_NE(std::memchr(node->name, '\0', MWS_NAME_SIZE), nullptr);
    if (const mwmSPLINE *spline = node->motion.spline) {
        ASSERT_GE(spline->keyCount, 1);
        ASSERT_EQ(spline->channels, MWS_NODE_CHANNELS);
    }
    if (node->type == MWS_LIGHT) {
        ASSERT_EQ(node->matrix, &static_cast<const mwsLIGHTDATA *>(node->data)->light->matrix);
    } else if (node->type == MWS_CAMERA) {
        ASSERT_EQ(node->matrix, &static_cast<const mwsCAMERADATA *>(node->data)->camera->matrix);
    }
    for (const mwLISTNODE *entry = node->children.first; entry; entry = entry->next) {
        const auto *child = static_cast<const mwsNODE *>(entry->data);
        ASSERT_EQ(child->entry, entry);
        checkTree(child, node, depth + 1);
    }
}

// Random runs of keywords, each with an argument from a hostile pool and,
// for motions and envelopes, a block of keys.
std::string keywordSoup(std::mt19937 &random)
{
    static const char *const keywords[] = {
        "FirstFrame",   "LastFrame",    "FramesPerSecond", "LoadObject",   "AddNullObject",
        "ObjectMotion", "EndBehavior",  "FrameOffset",     "PivotPoint",   "ParentObject",
        "AmbientColor", "AmbIntensity", "AddLight",        "LightName",    "LightType",
        "LightColor",   "LgtIntensity", "ConeAngle",       "LightFalloff", "LightRange",
        "LightMotion",  "ShowCamera",   "ZoomFactor",      "CameraMotion", "ShowObject"};
    static const std::string arguments[] = {"",
                                            " 1",
                                            " 0",
                                            " -7",
                                            " 2",
                                            " 3 4 5",
                                            " 255 128 0",
                                            " 1e38",
                                            " -1e38",
                                            " nan",
                                            " inf",
                                            " 2147483647",
                                            " -2147483648",
                                            " 99999999999999",
                                            " (envelope)",
                                            " (unnamed)",
                                            "\t5",
                                            " 0.5 0.5 0.5",
                                            " " + std::string(700, '7'),
                                            " x"};
    static const char *const endings[] = {"\n", "\r\n", "\r", " "};
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto number = [&] { return arguments[1 + pick(12)]; };

    std::string text = "LWSC\n1\n";
    for (int n = 0; n < 60; ++n) {
        const std::string keyword = keywords[pick(std::size(keywords))];
        text += keyword + arguments[pick(std::size(arguments))] + endings[pick(std::size(endings))];
        const bool motion = keyword.find("Motion") != std::string::npos;
        const bool envelope = pick(3) == 0 && (keyword == "LgtIntensity" || keyword == "ConeAngle" ||
                                               keyword == "LightRange" || keyword == "AmbIntensity");
        if (!motion && !envelope)
            continue;
        if (envelope)
            text.replace(text.size() - 1, 1, " (envelope)\n");
        const int keys = pick(200) == 0 ? 0 : 1 + pick(5);
        text += "  " + std::to_string(motion ? 9 : 1) + "\n  " + std::to_string(keys) + "\n";
        for (int k = 0; k < keys; ++k) {
            for (int v = 0; v < (motion ? 9 : 1); ++v)
                text += number();
            text += '\n';
            text += std::to_string(pick(3) ? k * 10 : pick(100) - 50);
            for (int v = 0; v < 4; ++v)
                text += number();
            text += "\n";
        }
    }
    return text;
}

TEST(LwsFuzz, TruncatedFlippedAndRandomScenesStayInBounds)
{
    auto feed = [] {
        installThrowingHooks();
        mwtest::TempDir dir;
        dir.enter();
        std::mt19937 random(19970513);
        const std::string fixture = mwtest::readFile(MARROW_SOURCE_DIR "/tests/scene/fixtures/hangar.lws");
        ASSERT_GT(fixture.size(), 1000u);

        std::vector<std::string> variants;
        for (size_t cut = 0; cut < fixture.size(); cut += 3)
            variants.push_back(fixture.substr(0, cut));
        for (int i = 0; i < 600; ++i) {
            std::string flipped = fixture;
            for (int f = 1 + static_cast<int>(random() % 4); f > 0; --f)
                flipped[random() % flipped.size()] ^= static_cast<char>(1u << (random() % 8));
            variants.push_back(std::move(flipped));
        }
        for (int i = 0; i < 400; ++i)
            variants.push_back(keywordSoup(random));

        int loaded = 0, refused = 0, reported = 0;
        int64_t baseline = heapInUse();
        for (const std::string &variant : variants) {
            std::ofstream("fuzz.lws", std::ios::binary | std::ios::trunc) << variant;
            mwsSCENE *scene = nullptr;
            try {
                scene = lwsLoad("fuzz.lws", nullptr);
            } catch (const Reported &report) {
                ASSERT_TRUE(expectedReport(report.message)) << report.message << "\n" << variant;
                // An abandoned load keeps what it had (the program would end here).
                ++reported;
                baseline = heapInUse();
                continue;
            }
            try {
                mwDMemCheck("fuzz", __LINE__);
            } catch (const Reported &report) {
                FAIL() << report.message << "\n" << variant;
            }
            if (!scene) {
                ++refused;
                ASSERT_EQ(heapInUse(), baseline) << variant;
                continue;
            }
            ++loaded;
            checkTree(scene->node, nullptr, 0);
            ASSERT_FALSE(::testing::Test::HasFatalFailure()) << variant;
            for (float frame : {1.0f, 17.5f, 60.0f, 1000.0f, -50.0f, 3e9f, -3e9f, NAN}) {
                scene->frame = frame;
                mwsSceneUpdate(scene->node);
            }
            mwsNodeFree(scene->node);
            ASSERT_EQ(heapInUse(), baseline) << variant;
        }
        EXPECT_GT(loaded, 1000);
        EXPECT_GT(refused, 10);
        EXPECT_GT(reported, 0);
    };
    // In a child process: the reporting hooks are swapped for throwing ones.
    MW_ISOLATED(feed);
}

} // namespace
