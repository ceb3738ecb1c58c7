// Shared by the plug-in manager and blit suites.
#ifndef MW_TESTS_PLUGIN_PLUGIN_SUPPORT_H
#define MW_TESTS_PLUGIN_PLUGIN_SUPPORT_H

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "recorder_support.h"
#include "mwplugin.h"
#include "common_support.h"
#include "mwwin32.h"

namespace plugintest {

inline std::string fixturePath(const std::string &file)
{
    return std::string(MARROW_FIXTURE_DIR) + "/" + file + ".dll";
}

// A fixture's recorder. Holds a reference to the library, so its state lives
// on while the manager unloads and loads it again.
class Recorder {
public:
    explicit Recorder(const std::string &path) : module_(LoadLibraryA(path.c_str()))
    {
        auto *find = reinterpret_cast<FIXTURE_RECORDER_FN *>(
            reinterpret_cast<void (*)(void)>(GetProcAddress(module_, FIXTURE_RECORDER_EXPORT)));
        if (!find)
            ADD_FAILURE() << "no recorder in " << path;
        recorder_ = find ? find() : nullptr;
    }
    ~Recorder() { FreeLibrary(module_); }
    Recorder(const Recorder &) = delete;
    Recorder &operator=(const Recorder &) = delete;
    FixtureRecorder *operator->() const { return recorder_; }

private:
    HMODULE module_;
    FixtureRecorder *recorder_;
};

// Every test runs in a folder of its own, where the report log is written,
// and leaves the manager's list empty.
class PluginTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_.enter();
        mwLogOpen("plugin tests");
    }
    void TearDown() override { mwPluginRemoveAll(MW_PLUGIN_CLASS_ANY); }

    std::string log() const { return mwtest::readFile("MARROW.TXT"); }
    // A fixture copied into the test's folder under another name.
    std::string copy(const std::string &file, const std::string &as) const
    {
        const std::filesystem::path to = dir_ / as;
        std::filesystem::remove(to);
        std::filesystem::copy_file(fixturePath(file), to);
        return to.string();
    }
    mwPLUGIN_ENTRY *add(const std::string &path, int pluginClass = MW_PLUGIN_CLASS_ANY)
    {
        EXPECT_EQ(1, mwPluginAdd(path.c_str(), pluginClass)) << path;
        mwPLUGIN_LIST *list = mwPluginGetList(MW_PLUGIN_CLASS_ANY);
        mwPLUGIN_ENTRY *entry = list->count ? list->entries[list->count - 1] : nullptr;
        mwPluginFreeList(list);
        return entry;
    }
    mwPLUGIN_ENTRY *addFixture(const std::string &file) { return add(fixturePath(file)); }

    mwtest::TempDir dir_;
};

inline mwPLUGIN_STATUS statusOf(mwPLUGIN_ENTRY *entry)
{
    mwPLUGIN_STATUS status{};
    mwPluginGetStatus(entry, &status);
    return status;
}

} // namespace plugintest

#endif
