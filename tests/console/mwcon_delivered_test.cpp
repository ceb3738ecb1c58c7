// The delivered console library: its draw entry is compiled out, while
// strings at a position are still drawn.
#include "console_support.h"

TEST_F(ConsoleTest, TheDeliveredDrawEntryDrawsNothing)
{
    start();
    mwConPuts("hidden");
    mwConDraw();
    EXPECT_TRUE(texts(takeCalls()).empty());
    mwConDrawText(1, 2, "shown");
    EXPECT_EQ(std::vector<std::string>{"shown"}, texts(takeCalls()));
}
