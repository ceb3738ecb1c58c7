// The class-0 status handler runs on the event thread while the main thread
// adds, loads, unloads and removes entries. It must neither crash nor call a
// driver outside its init..deinit: the fixture's status slot aborts when it
// is called then, and yields inside to widen the window for such a call.
#include <atomic>
#include <thread>

#include "plugin_support.h"

using namespace plugintest;

TEST_F(PluginTest, StatusCallsFromAnotherThreadMeetOnlyLoadedDrivers)
{
    const std::string path = fixturePath("record");
    Recorder recorder(path);
    mwPLUGIN_ENTRY *driver = add(path);
    // The first load registers the handler before the other thread reads
    // the status registry.
    ASSERT_EQ(1, mwPluginLoad(driver));

    std::atomic<bool> done{false};
    std::thread events([&done] {
        for (int value = 0; !done; value ^= 1)
            mwStatusCall(MW_STATUS_ACTIVE, value);
    });
    // Enough rounds for the two threads to meet many times; the count of
    // calls that reached the driver ends the loop, a cap ends it regardless.
    for (int round = 0; round < 20000 && (round < 200 || recorder->statusCalls < 200); ++round) {
        mwPLUGIN_ENTRY *spare = addFixture("other");
        ASSERT_EQ(1, mwPluginUnload(driver));
        ASSERT_EQ(1, mwPluginLoad(driver));
        mwPluginRemove(driver);
        driver = add(path);
        ASSERT_EQ(1, mwPluginLoad(driver));
        mwPluginRemove(spare);
    }
    done = true;
    events.join();
    EXPECT_GE(recorder->statusCalls, 200);
    EXPECT_EQ(recorder->inits - 1, recorder->deinits);
}
