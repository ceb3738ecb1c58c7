// Shared by the console suites: a recording display driver in a 640 x 480
// mode and an 8 x 8 font.
#ifndef MW_TESTS_CONSOLE_CONSOLE_SUPPORT_H
#define MW_TESTS_CONSOLE_CONSOLE_SUPPORT_H

#include <string>
#include <vector>

#include "mwbitmap.h"
#include "mwcon.h"
#include "plugin_support.h"

class ConsoleTest : public plugintest::PluginTest {
public:
    void start(float scaleX = 1.0f, float scaleY = 1.0f) { mwConSetFont(&font_, card(), scaleX, scaleY); }
    mwCARDFONT *card() { return reinterpret_cast<mwCARDFONT *>(&cardFont_); }
    FixtureRecorder *driver() { return recorder_.operator->(); }

protected:
    void SetUp() override
    {
        PluginTest::SetUp();
        mwPLUGIN_ENTRY *driver = addFixture("record");
        ASSERT_EQ(1, mwPluginLoad(driver));
        mwBlitSelect(driver);
        ASSERT_EQ(1, mwBlitSetClosestMode(640, 480, MW_BLIT_KIND_ANY));
        font_.cellWidth = font_.cellHeight = 8;
        mwConInit();
        recorder_->callCount = 0;
    }
    void TearDown() override
    {
        mwConDeinit();
        PluginTest::TearDown();
    }

    // The calls since the last look, and the texts drawn among them.
    std::vector<FixtureCall> takeCalls()
    {
        std::vector<FixtureCall> calls(recorder_->calls, recorder_->calls + recorder_->callCount);
        recorder_->callCount = 0;
        return calls;
    }
    static std::vector<std::string> texts(const std::vector<FixtureCall> &calls)
    {
        std::vector<std::string> out;
        for (const FixtureCall &call : calls)
            if (call.slot == 25)
                out.push_back(call.text);
        return out;
    }

    plugintest::Recorder recorder_{plugintest::fixturePath("record")};
    mwbFONT font_{};
    int cardFont_ = 0;
};

#endif
