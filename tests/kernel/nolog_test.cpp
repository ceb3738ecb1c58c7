// The delivered kernel has no report log: nothing is written anywhere.
#include <filesystem>

#include <gtest/gtest.h>

#include "mwkernel.h"
#include "common_support.h"

TEST(DeliveredKernel, LogCallsTouchNoFile)
{
    mwtest::TempDir dir;
    dir.enter();
    mwLogOpen("Lumenfall");
    mwLogSetEcho(1);
    mwLogRuler();
    mwLogPrintf("%d\n", 1);
    mwLogTagged("DMEM", "x\n");
    mwLogAt("main", 1, "x");
    mwLogReport("main", 2, "x");
    mwLogReportIn("main", 3, "main", "x");
    mwDMemData("main", 4);
    mwLogSetEcho(0);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}
