// The blit library: binding the packet slot by slot, choosing a device by
// name or by capability score, and choosing the closest screen mode.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
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

TEST_F(BlitTest, EverySlotSitsAtItsDocumentedPosition)
{
    // The slot table of the plug-in contract, written out rather than taken
    // from MW_BLIT_SLOTS: the field's offset in the packet and the global it
    // is bound to, whose call the fixture records under its slot index.
    struct Slot {
        int index;
        size_t offset;
        void (*call)();
    };
#define SLOT(index, field, global)                                                                           \
    {                                                                                                        \
        index, offsetof(mwDRIVER_PACKET, field), [] { callWithDefaults(global); }                            \
    }
    const Slot slots[] = {
        SLOT(0, status, mwBlitStatus),
        SLOT(1, getModeList, mwBlitGetModeList),
        SLOT(2, setMode, mwBlitSetMode),
        SLOT(3, getMode, mwBlitGetMode),
        SLOT(4, clear, mwBlitClear),
        SLOT(5, clearColor, mwBlitClearColor),
        SLOT(6, clearDepth, mwBlitClearDepth),
        SLOT(7, clearAlpha, mwBlitClearAlpha),
        SLOT(8, setRenderBuffer, mwBlitSetRenderBuffer),
        SLOT(9, swapBuffers, mwBlitSwapBuffers),
        SLOT(10, numPending, mwBlitNumPending),
        SLOT(11, getRegionTypes, mwBlitGetRegionTypes),
        SLOT(12, writeRegion, mwBlitWriteRegion),
        SLOT(13, readRegion, mwBlitReadRegion),
        SLOT(14, getBitmapTypes, mwBlitGetBitmapTypes),
        SLOT(15, createBitmap, mwBlitCreateBitmap),
        SLOT(16, updateBitmap, mwBlitUpdateBitmap),
        SLOT(17, freeBitmap, mwBlitFreeBitmap),
        SLOT(18, drawBitmap, mwBlitDrawBitmap),
        SLOT(19, drawBitmapScaled, mwBlitDrawBitmapScaled),
        SLOT(20, drawBitmapPart, mwBlitDrawBitmapPart),
        SLOT(21, drawBitmapPartScaled, mwBlitDrawBitmapPartScaled),
        SLOT(22, createFont, mwBlitCreateFont),
        SLOT(23, freeFont, mwBlitFreeFont),
        SLOT(24, drawText, mwBlitDrawText),
        SLOT(25, drawTextScaled, mwBlitDrawTextScaled),
        SLOT(26, setColor, mwBlitSetColor),
        SLOT(27, drawLine, mwBlitDrawLine),
        SLOT(28, fillRect, mwBlitFillRect),
        SLOT(29, drawRect, mwBlitDrawRect),
        SLOT(30, fillRectGradient, mwBlitFillRectGradient),
        SLOT(31, fillRectCorners, mwBlitFillRectCorners),
        SLOT(32, setColorWrite, mwBlitSetColorWrite),
        SLOT(33, setDepthTest, mwBlitSetDepthTest),
        SLOT(34, setAlphaWrite, mwBlitSetAlphaWrite),
        SLOT(35, setTextureFilter, mwBlitSetTextureFilter),
        SLOT(36, setChromakeyMode, mwBlitSetChromakeyMode),
        SLOT(37, setChromakeyValue, mwBlitSetChromakeyValue),
        SLOT(38, setRenderState, mwBlitSetRenderState),
        SLOT(39, beginScene, mwBlitBeginScene),
        SLOT(40, endScene, mwBlitEndScene),
        SLOT(41, canvasChanged, mwBlitCanvasChanged),
        SLOT(42, setMaterial, mwBlitSetMaterial),
        SLOT(43, drawTriangle, mwBlitDrawTriangle),
        SLOT(44, drawPolygon, mwBlitDrawPolygon),
        SLOT(45, drawSprite, mwBlitDrawSprite),
        SLOT(46, drawPoint, mwBlitDrawPoint),
        SLOT(47, reserved47, mwBlitReserved47),
        SLOT(48, reserved48, mwBlitReserved48),
        SLOT(49, drawMesh, mwBlitDrawMesh),
        SLOT(50, reserved50, mwBlitReserved50),
        SLOT(51, reserved51, mwBlitReserved51),
        SLOT(52, reserved52, mwBlitReserved52),
        SLOT(53, reserved53, mwBlitReserved53),
        SLOT(54, reserved54, mwBlitReserved54),
        SLOT(55, reserved55, mwBlitReserved55),
        SLOT(56, drawScreenPolygon, mwBlitDrawScreenPolygon),
    };
#undef SLOT
    ASSERT_EQ(57u, std::size(slots));
    EXPECT_EQ(57 * sizeof(void (*)()), sizeof(mwDRIVER_PACKET));

    Recorder recorder(fixturePath("record"));
    selectFixture("record");
    for (const Slot &slot : slots) {
        EXPECT_EQ(slot.index * sizeof(void (*)()), slot.offset) << "slot " << slot.index;
        recorder->callCount = 0;
        slot.call();
        ASSERT_EQ(1, recorder->callCount) << "slot " << slot.index;
        EXPECT_EQ(slot.index, recorder->calls[0].slot) << "slot " << slot.index;
    }
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
        {600, 400, MW_BLIT_KIND_ANY, 640, 400}, {512, 384, MW_BLIT_KIND_LISTED, 512, 384},
        {1, 1, MW_BLIT_KIND_ANY, 512, 384},     {640, 401, MW_BLIT_KIND_ANY, 640, 480},
        {641, 480, MW_BLIT_KIND_ANY, 0, 0},     {600, 481, MW_BLIT_KIND_ANY, 0, 0},
        {0, 0, MW_BLIT_KIND_ANY, 0, 0},         {600, 400, 2, 0, 0}, // a kind no mode has
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
        EXPECT_EQ(MW_BLIT_KIND_LISTED, set[0].kind);
        EXPECT_EQ(0x7FBu, set[0].flags);
    }
    EXPECT_NE(std::string::npos, log().find("* MWBLIT : mwBlitSetClosestMode: 600,400 -> 640,400\n"));
}

TEST_F(BlitTest, AKindFilterSkipsOtherKindsAndTheFirstOfEqualModesWins)
{
    Recorder recorder(fixturePath("record"));
    selectFixture("record");
    const mwBLIT_MODE modes[] = {{600, 400, 2, 0x001},
                                 {640, 400, MW_BLIT_KIND_LISTED, 0x7FB},
                                 {640, 400, MW_BLIT_KIND_LISTED, 0x7FD},
                                 {0, 0, 0, 0}};
    std::copy(std::begin(modes), std::end(modes), recorder->modes);
    const struct {
        int kind;
        mwBLIT_MODE set;
    } cases[] = {{MW_BLIT_KIND_LISTED, modes[1]}, {MW_BLIT_KIND_ANY, modes[0]}, {2, modes[0]}};
    for (const auto &c : cases) {
        recorder->callCount = 0;
        EXPECT_EQ(1, mwBlitSetClosestMode(600, 400, c.kind));
        const std::vector<mwBLIT_MODE> set = modesSet(recorder);
        ASSERT_EQ(1u, set.size());
        EXPECT_EQ(0, std::memcmp(&c.set, &set[0], sizeof c.set)) << "kind " << c.kind;
    }
    // The driver's answer is passed on.
    recorder->setModeResult = 0;
    EXPECT_EQ(0, mwBlitSetClosestMode(600, 400, MW_BLIT_KIND_ANY));
}

TEST(BlitUnbound, NoModeIsChosenBeforeADriverIsBound)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe"); // globals as at start
    MW_ISOLATED([] {
        EXPECT_EQ(nullptr, mwBlitGetModeList);
        EXPECT_EQ(0, mwBlitSetClosestMode(640, 480, MW_BLIT_KIND_ANY));
    });
}
