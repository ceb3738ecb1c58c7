// The console with its draw entry compiled in: off until it has a font,
// sizing, wrapping and carriage return, the ring of 200 lines, the packet
// calls of a draw, cut messages, and the reports.
#include <algorithm>

#include "console_support.h"
#include "report_support.h"

namespace {

std::vector<std::string> lastOf(const std::vector<std::string> &lines, size_t count)
{
    return std::vector<std::string>(lines.end() - static_cast<std::ptrdiff_t>(std::min(count, lines.size())),
                                    lines.end());
}

} // namespace

class ConsoleDrawTest : public ConsoleTest {
protected:
    // The lines a draw shows, oldest first.
    std::vector<std::string> drawnLines()
    {
        takeCalls();
        mwConDraw();
        return texts(takeCalls());
    }
};

TEST_F(ConsoleDrawTest, OffItCallsAndAllocatesNothing)
{
    mwConPrintf("%s\n", "nowhere");
    mwConPuts("nowhere");
    mwConNewLine();
    mwConReset(0, 0, 640, 480);
    mwConClear();
    mwConDraw();
    mwConDrawText(1, 2, "x");
    mwConPrintfAt(1, 2, "%d", 3);
    EXPECT_EQ(0, recorder_->callCount);
    mwConDeinit(); // nothing to free
    mwDMemData("test", 1);
    EXPECT_EQ(std::string::npos, log().find("Owner mwcon"));
}

TEST_F(ConsoleDrawTest, TheModeAndTheScaledCellGiveColumnsAndRows)
{
    start();
    // 640 x 480 less the margins: 600 / 8 + 1 bytes a line, 440 / 9 rows.
    EXPECT_NE(std::string::npos, log().find("* MWCON  : Size 75x48\n* MWCON  : Font 8x8, scale 1x1\n"));
    EXPECT_EQ(48u, texts(takeCalls()).size()) << "setting the font draws";
    start(2.0f, 1.5f);
    EXPECT_NE(std::string::npos, log().find("Size 37x33\n* MWCON  : Font 16x12, scale 2x1.5\n"));
    EXPECT_EQ(33u, drawnLines().size());
    // One buffer: the first was freed when the second took its place.
    mwLogOpen("heap");
    mwDMemData("test", 1);
    const std::string heap = log();
    const size_t first = heap.find("Owner mwcon,166");
    EXPECT_NE(std::string::npos, first);
    EXPECT_EQ(std::string::npos, heap.find("Owner mwcon", first + 1));
}

TEST_F(ConsoleDrawTest, LongLinesWrapAndCarriageReturnOverwrites)
{
    start();
    mwConPuts((std::string(80, 'a') + "\nabc\rX").c_str());
    EXPECT_EQ((std::vector<std::string>{std::string(75, 'a'), "aaaaa", "Xbc"}), lastOf(drawnLines(), 3));

    // Narrower: the text is kept, cut to four columns, and wraps there.
    mwConReset(20, 20, 20 + 4 * 8, 460);
    EXPECT_EQ((std::vector<std::string>{"aaaa", "aaaa", "Xbc"}), lastOf(drawnLines(), 3));
    mwConPuts("1234");
    EXPECT_EQ((std::vector<std::string>{"X123", "4"}), lastOf(drawnLines(), 2));

    mwConClear();
    for (const std::string &line : drawnLines())
        EXPECT_EQ("", line);
}

TEST_F(ConsoleDrawTest, TheRingKeepsTheNewest200Lines)
{
    start();
    mwConReset(20, 20, 620, 20 + 199 * 9); // the most rows a ring of 200 can show
    for (int i = 0; i < 250; ++i)
        mwConPrintf("L%d\n", i);
    std::vector<std::string> expected;
    for (int i = 52; i < 250; ++i)
        expected.push_back(std::string(1, 'L').append(std::to_string(i)));
    expected.push_back(""); // the current line, just begun
    EXPECT_EQ(expected, drawnLines());
}

TEST_F(ConsoleDrawTest, DrawingIssuesTheDriverCallsInOrder)
{
    start();
    mwConPuts("newest");
    takeCalls();
    mwConDraw();
    const std::vector<FixtureCall> calls = takeCalls();
    ASSERT_EQ(4u + 48u + 3u, calls.size());
    // Slots and their argument: depth test, key colour, keying, texture filter.
    const int before[][2] = {{33, 0}, {37, 0}, {36, 1}, {35, MW_BLIT_FILTER_POINT}};
    const int after[][2] = {{35, MW_BLIT_FILTER_BILINEAR}, {36, 0}, {33, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(before[i][0], calls[i].slot);
        EXPECT_EQ(before[i][1], calls[i].args[0].integer);
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(after[i][0], calls[52 + i].slot);
        EXPECT_EQ(after[i][1], calls[52 + i].args[0].integer);
    }
    for (int row = 0; row < 48; ++row) {
        const FixtureCall &text = calls[4 + row];
        ASSERT_EQ(25, text.slot);
        EXPECT_EQ(reinterpret_cast<intptr_t>(card()), text.args[0].integer);
        EXPECT_EQ(20, text.args[1].integer);
        EXPECT_EQ(20 + 9 * row, text.args[2].integer);
        EXPECT_EQ(1.0, text.args[3].real);
        EXPECT_EQ(1.0, text.args[4].real);
    }
    EXPECT_STREQ("newest", calls[51].text);

    // One string at a place of its own, the depth test left as it was.
    mwConPrintfAt(5, 7, "%d-%s", 3, "x");
    const std::vector<FixtureCall> at = takeCalls();
    const int slots[] = {37, 36, 35, 25, 35, 36, 33};
    ASSERT_EQ(std::size(slots), at.size());
    for (size_t i = 0; i < at.size(); ++i)
        EXPECT_EQ(slots[i], at[i].slot);
    EXPECT_EQ(5, at[3].args[1].integer);
    EXPECT_EQ(7, at[3].args[2].integer);
    EXPECT_STREQ("3-x", at[3].text);
}

TEST_F(ConsoleDrawTest, AFormattedMessageLongerThanItsBufferIsCut)
{
    start();
    takeCalls();
    const std::string longText(5000, 'q');
    mwConPrintfAt(0, 0, "%s", longText.c_str());
    const std::vector<FixtureCall> at = takeCalls();
    ASSERT_EQ(7u, at.size());
    EXPECT_EQ(MW_CON_PRINT_MAX - 1, at[3].textLength);

    mwConPrintf("%s", longText.c_str());
    size_t shown = 0;
    for (const std::string &line : drawnLines())
        shown += line.size();
    EXPECT_EQ(static_cast<size_t>(MW_CON_PRINT_MAX - 1), shown);
}

TEST_F(ConsoleDrawTest, ImpossibleLayoutsAreReported)
{
    const struct {
        void (*misuse)(ConsoleTest *test);
        const char *report;
    } cases[] = {
        {[](ConsoleTest *t) {
             t->start();
             mwConReset(0, 0, 640, 200 * 9);
         },
         "Error: mwConReset: not enough lines in console buffer for display"},
        {[](ConsoleTest *t) {
             t->driver()->getModeFails = 1;
             t->start();
         },
         "Error: mwConSetFont: Cannot get surface from blit driver"},
        // Narrower than one character, or a cell under a pixel: no columns.
        {[](ConsoleTest *t) {
             t->start();
             mwConReset(20, 20, 27, 460);
         },
         "Error Code \\(0h\\) mwcon:[0-9]+: mwConReset: Invalid Parameter"},
        {[](ConsoleTest *t) { t->start(0.1f); },
         "Error Code \\(0h\\) mwcon:[0-9]+: mwConSetFont: Invalid Parameter"},
        {[](ConsoleTest *) { mwConSetFont(nullptr, nullptr, 1, 1); },
         "\\(0h\\).*mwConSetFont: Invalid Parameter"},
    };
    for (const auto &c : cases)
        EXPECT_REPORT(c.misuse(this), c.report);
}
