// The report log's format: rulers between entries of different kinds, the
// entry layouts, cut lines and the echo on standard output.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "mwkernel.h"
#include "common_support.h"

namespace {

const std::string &R = mwtest::kLogRuler;

class ReportLog : public ::testing::Test {
protected:
    void SetUp() override { dir_.enter(); }
    std::string log() const { return mwtest::readFile("MARROW.TXT"); }

private:
    mwtest::TempDir dir_;
};

} // namespace

TEST_F(ReportLog, RulersSeparateKindsButNotRepeats)
{
    mwLogOpen("Zur Iror");
    mwLogPrintf("a\n");
    mwLogPrintf("b%d\n", 2);
    mwLogReport("lightprt", 12, "r%d", 1);
    mwLogReport("lightprt", 13, "r%d", 2);
    mwLogPrintf("c\n");
    mwLogRuler();
    mwLogRuler();
    mwLogTagged("DMEM", "t\n");
    mwLogTagged("MWPLUGIN", "u\n");
    mwLogAt("mwtga", 7, "at %s", "one");
    mwLogAt("mwtga", 8, "at two");
    mwLogReportIn("mwplugin", 9, "mwPluginLoad", "in");
    mwLogReportIn("mwplugin", 10, "mwPluginLoad", "in again");

    EXPECT_EQ("Zur Iror\n\n" + R + "a\nb2\n" + R + "lightprt(12) Reports : r1\nlightprt(13) Reports : r2\n" +
                  R + "c\n" + R + "* DMEM   : t\n* MWPLUGIN : u\n" + R +
                  "[FILE] : mwtga\n[LINE] : 7\n[INFO] : at one\n" + R +
                  "[FILE] : mwtga\n[LINE] : 8\n[INFO] : at two\n" + R +
                  "mwplugin(9) in mwPluginLoad reports : in\n"
                  "mwplugin(10) in mwPluginLoad reports : in again\n",
              log());
}

TEST_F(ReportLog, OpenStartsAFreshFileAndForgetsTheLastKind)
{
    mwLogOpen("first");
    mwLogRuler();
    mwLogPrintf("gone\n");
    mwLogOpen("second");
    mwLogRuler();
    EXPECT_EQ("second\n\n" + R, log());
}

TEST_F(ReportLog, LongLinesAreCut)
{
    mwLogOpen("T");
    mwLogPrintf("%s", std::string(5000, 'x').c_str());
    mwLogTagged("BLOCK", "%s", std::string(5000, 'y').c_str());
    EXPECT_EQ("T\n\n" + R + std::string(1023, 'x') + "* BLOCK  : " + std::string(1023, 'y'), log());
}

TEST_F(ReportLog, EchoRepeatsAllButLocatedEntriesWithItsOwnRulers)
{
    MW_ISOLATED([] {
        ASSERT_TRUE(std::freopen("echo.txt", "wb", stdout));
        mwLogOpen("T");
        mwLogSetEcho(1);
        mwLogAt("mwtga", 1, "not echoed");
        mwLogPrintf("p\n");
        mwLogPrintf("q\n");
        mwLogReport("main", 5, "r");
        mwLogRuler();
        mwLogReportIn("main", 6, "main", "ri");
        mwLogSetEcho(0);
        mwLogPrintf("quiet\n");
        std::fflush(stdout);
        // The echo started as if after a located entry and never saw the ruler.
        EXPECT_EQ(R + "p\nq\n" + R + "main(5) Reports : r\n" + R + "main(6) in main reports : ri\n",
                  mwtest::readFile("echo.txt"));
    });
}
