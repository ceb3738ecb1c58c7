#include "scene_support.h"

#include <algorithm>
#include <fstream>

#include "mwdynmem.h"

int64_t heapInUse()
{
    // A probe block is the way into the heap's circular list of blocks.
    void *probe = mwDMemAlloc("probe", __LINE__, 1);
    const auto *first = reinterpret_cast<const mwDMEMHEADER *>(static_cast<char *>(probe) - kDMemHeaderSize);
    int64_t used = 0;
    for (const mwDMEMHEADER *block = first->next; block != first; block = block->next)
        used += block->used ? block->size : 0;
    mwDMemFree("probe", __LINE__, probe);
    return used;
}

SceneTest::SceneTest()
{
    dir_.enter();
    mwLogOpen("scene");
    mwLogRuler(); // so that the first entry brings no ruler of its own
}

std::string SceneTest::write(const std::string &text, const std::string &name)
{
    std::ofstream(name, std::ios::binary | std::ios::trunc) << text;
    return name;
}

mwsSCENE *SceneTest::load(const std::string &text) { return lwsLoad(write(text).c_str(), nullptr); }

std::string SceneTest::log() const
{
    const std::string text = mwtest::readFile("MARROW.TXT");
    const std::string header = "scene\n\n" + mwtest::kLogRuler;
    return text.compare(0, header.size(), header) == 0 ? text.substr(header.size()) : text;
}

std::vector<mwsNODE *> childrenOf(const mwsNODE *node)
{
    std::vector<mwsNODE *> children;
    for (const mwLISTNODE *entry = node->children.first; entry; entry = entry->next)
        children.push_back(static_cast<mwsNODE *>(entry->data));
    return children;
}

mwmSPLINE *rampMotion(const std::vector<int> &frames)
{
    mwmSPLINE *spline = mwmSplineCreate(static_cast<int>(frames.size()), MWS_NODE_CHANNELS);
    int k = 0;
    for (int frame : frames) {
        mwmSPLINEKEY &key = spline->keys[k++];
        key.frame = frame;
        key.linear = 1;
        key.values[MWS_CHANNEL_X] = static_cast<float>(frame);
        for (int c = MWS_CHANNEL_SCALE_X; c <= MWS_CHANNEL_SCALE_Z; ++c)
            key.values[c] = 1.0f;
    }
    spline->start = static_cast<float>(spline->keys[0].frame);
    spline->end = static_cast<float>(spline->keys[k - 1].frame);
    std::copy(spline->keys[0].values, spline->keys[0].values + MWS_NODE_CHANNELS, spline->values);
    return spline;
}
