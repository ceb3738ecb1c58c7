// Shared by the scene tests: a scratch folder with a fresh report log, the
// heap's bytes in use, and motions built by hand.
#ifndef MW_TESTS_SCENE_SCENE_SUPPORT_H
#define MW_TESTS_SCENE_SCENE_SUPPORT_H

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mwscene.h"
#include "report_support.h"
#include "common_support.h"

// Bytes of the dynamic heap in use. A load and release that leak nothing
// leave it as it was.
int64_t heapInUse();

// Each test runs in a scratch folder of its own, which holds the scene files
// it writes and the report log MARROW.TXT, started afresh (releasing a node
// writes to it).
class SceneTest : public ::testing::Test {
protected:
    SceneTest();

    // Writes text to `name` in the scratch folder and returns the name.
    std::string write(const std::string &text, const std::string &name = "scene.lws");
    // Writes and loads; the scene or NULL.
    mwsSCENE *load(const std::string &text);
    // The log entries written since the test began.
    std::string log() const;

private:
    mwtest::TempDir dir_;
};

// The direct children of a node, in order.
std::vector<mwsNODE *> childrenOf(const mwsNODE *node);

// A node motion of keys at the given frames, all channels zero but scale 1
// and X equal to the key's frame, so that a linear motion moves the node to
// x = the time it was sampled at.
mwmSPLINE *rampMotion(const std::vector<int> &frames);

using mwtest::installThrowingHooks;
using mwtest::kFatalExit;
using mwtest::Reported;

#endif
