// The blit library: binding the packet slot by slot, choosing a device by
// name or by capability score, and choosing the closest screen mode.
#include <algorithm>
#include <cstring>
#include <vector>

#include "mwblit.h"
#include "mwblit_internal.h"
#include "report_support.h"
#include "plugin_support.h"

using namespace plugintest;

namespace {

// Calls a driver global with zero and NULL arguments.
template <typename Result, typename... Args>
void callWithDefaults(Result (*function)(Args...))
{
    function(Args{}...);
}

class BlitTest : public PluginTest {
protected:
    mwPLUGIN_ENTRY *selectFixture(const std::string &file)
    {
        mwPLUGIN_ENTRY *entry = addFixture(file);
        EXPECT_EQ(1, mwPluginLoad(entry));
        mwBlitSelect(entry);
        return entry;
    }
};

// The setMode calls since the recorder was last cleared.
std::vector<mwBLIT_MODE> modesSet(const Recorder &recorder)
{
    std::vector<mwBLIT_MODE> modes;
    for (int i = 0; i < recorder->callCount; ++i) {
        if (recorder->calls[i].slot == 2) {
            EXPECT_EQ(0, recorder->calls[i].args[1].integer) << "no window is handed over";
            modes.push_back(recorder->calls[i].mode);
        }
    }
    return modes;
}

} // namespace

TEST_F(BlitTest, EachGlobalIsBoundToTheSlotOfItsIndex)
{
    Recorder recorder(fixturePath("record"));
    selectFixture("record");
#define MW_CALL_SLOT(slot, Global, field, result, args) callWithDefaults(mwBlit##Global);
    MW_BLIT_SLOTS(MW_CALL_SLOT)
#undef MW_CALL_SLOT
    ASSERT_EQ(MW_BLIT_SLOT_COUNT, recorder->callCount);
    for (int slot = 0; slot < MW_BLIT_SLOT_COUNT; ++slot)
        EXPECT_EQ(slot, recorder->calls[slot].slot);
}

TEST_F(BlitTest, SelectingADriverThatIsNotLoadedIsFatal)
{
    mwPLUGIN_ENTRY *entry = addFixture("record");
    EXPECT_REPORT(mwBlitSelect(entry), "Error: mwBlitSelect: Cannot access blit plugin interface");
}

TEST(BlitScore, EachCapabilityBitHasItsWeight)
{
    const struct {
        uint32_t bit;
        int withFiltering; // gain over filtering alone (10)
        int alone;         // score without filtering
    } weights[] = {
        {0x002, 10, 1}, {0x004, 3, 3}, {0x008, 9, 10}, {0x010, 8, 9}, {0x020, 7, 8},
        {0x040, 6, 7},  {0x080, 4, 6}, {0x100, 2, 2},  {0x200, 1, 2}, {0x400, 5, 2},
    };
    EXPECT_EQ(0, mwBlitCapsScore(0));
    EXPECT_EQ(10, mwBlitCapsScore(MW_BLIT_FLAG_FILTER));
    for (const auto &w : weights) {
        EXPECT_EQ(10 + w.withFiltering, mwBlitCapsScore(MW_BLIT_FLAG_FILTER | w.bit)) << std::hex << w.bit;
        EXPECT_EQ(w.alone, mwBlitCapsScore(w.bit)) << std::hex << w.bit;
    }
    EXPECT_EQ(65, mwBlitCapsScore(MW_BLIT_CAPS_ALL));
    EXPECT_EQ(50, mwBlitCapsScore(MW_BLIT_CAPS_ALL & ~MW_BLIT_FLAG_FILTER));
}

TEST_F(BlitTest, WithoutANameTheBestScoreWinsAndTiesKeepTheFirstAdded)
{
    EXPECT_EQ(nullptr, mwBlitFindDevice(0, nullptr));
    mwPLUGIN_ENTRY *low = addFixture("record_b"); // caps 0x00F: 32
    addFixture("nohw");                           // no class info: never chosen
    addFixture("class1");                         // not a display driver
    EXPECT_EQ(low, mwBlitFindDevice(0, nullptr));
    EXPECT_EQ(nullptr, mwBlitFindDevice(0x400, nullptr));

    mwPLUGIN_ENTRY *high = addFixture("record"); // 0x7FF: 65
    mwPLUGIN_ENTRY *tie = addFixture("other");   // 0x7FF: 65
    EXPECT_EQ(high, mwBlitFindDevice(0, ""));
    EXPECT_EQ(high, mwBlitFindDevice(0x400, nullptr));
    mwPluginRemove(high);
    EXPECT_EQ(tie, mwBlitFindDevice(0, nullptr));
    EXPECT_EQ(0, statusOf(tie).loaded) << "finding loads nothing";
}

TEST_F(BlitTest, ByNameTheCapsMustEqualANonZeroRequirement)
{
    mwPLUGIN_ENTRY *partial = addFixture("record_b");
    mwPLUGIN_ENTRY *full = addFixture("record");
    addFixture("other");
    EXPECT_EQ(partial, mwBlitFindDevice(0, "record"));
    EXPECT_EQ(full, mwBlitFindDevice(0x7FF, "Record"));
    EXPECT_EQ(partial, mwBlitFindDevice(0x00F, "RECORD"));
    EXPECT_EQ(nullptr, mwBlitFindDevice(0x001, "record")) << "offering more is not equal";
    EXPECT_EQ(nullptr, mwBlitFindDevice(0, "voodoo")) << "a named device is that device or none";
    EXPECT_NE(std::string::npos, log().find("* MWBLIT : Finding device \"voodoo\"\n"));
}

TEST_F(BlitTest, TheSmallestCoveringModeIsSet)
{
    Recorder recorder(fixturePath("record")); // modes 512x384, 640x400, 640x480
    selectFixture("record");
    const struct {
        int width, height, kind;
        int setWidth, setHeight; // 0: nothing set
    } cases[] = {
        {600, 400, 0, 640, 400}, {512, 384, 1, 512, 384}, {1, 1, 0, 512, 384}, {640, 401, 0, 640, 480},
        {641, 480, 0, 0, 0},     {600, 481, 0, 0, 0},     {0, 0, 0, 0, 0},     {600, 400, 2, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " kind " << c.kind);
        recorder->callCount = 0;
        const int result = mwBlitSetClosestMode(c.width, c.height, c.kind);
        const std::vector<mwBLIT_MODE> set = modesSet(recorder);
        if (!c.setWidth) {
            EXPECT_EQ(0, result);
            EXPECT_TRUE(set.empty());
            continue;
        }
        EXPECT_EQ(1, result);
        ASSERT_EQ(1u, set.size());
        EXPECT_EQ(c.setWidth, set[0].width);
        EXPECT_EQ(c.setHeight, set[0].height);
        EXPECT_EQ(1, set[0].kind);
        EXPECT_EQ(0x7FBu, set[0].flags);
    }
    EXPECT_NE(std::string::npos, log().find("* MWBLIT : mwBlitSetClosestMode: 600,400 -> 640,400\n"));
}

TEST_F(BlitTest, AKindFilterSkipsOtherKindsAndTheFirstOfEqualModesWins)
{
    Recorder recorder(fixturePath("record"));
    selectFixture("record");
    const mwBLIT_MODE modes[] = {
        {600, 400, 2, 0x001}, {640, 400, 1, 0x7FB}, {640, 400, 1, 0x7FD}, {0, 0, 0, 0}};
    std::copy(std::begin(modes), std::end(modes), recorder->modes);
    const struct {
        int kind;
        mwBLIT_MODE set;
    } cases[] = {{1, modes[1]}, {0, modes[0]}, {2, modes[0]}};
    for (const auto &c : cases) {
        recorder->callCount = 0;
        EXPECT_EQ(1, mwBlitSetClosestMode(600, 400, c.kind));
        const std::vector<mwBLIT_MODE> set = modesSet(recorder);
        ASSERT_EQ(1u, set.size());
        EXPECT_EQ(0, std::memcmp(&c.set, &set[0], sizeof c.set)) << "kind " << c.kind;
    }
    // The driver's answer is passed on.
    recorder->setModeResult = 0;
    EXPECT_EQ(0, mwBlitSetClosestMode(600, 400, 0));
}

TEST(BlitUnbound, NoModeIsChosenBeforeADriverIsBound)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe"); // globals as at start
    MW_ISOLATED([] {
        EXPECT_EQ(nullptr, mwBlitGetModeList);
        EXPECT_EQ(0, mwBlitSetClosestMode(640, 480, 0));
    });
}
