// The plug-in manager: listing files once, refusing broken libraries, the
// load contract and its messages, the class-0 handlers, queries, and the
// reports for bad handles, classes and chains.
#include <cstring>
#include <fstream>
#include <set>
#include <vector>

#include "mwplugin_entry.h"
#include "report_support.h"
#include "plugin_support.h"

using namespace plugintest;

namespace {

// Every fixture: whether adding takes it, and the class in its info record.
struct Fixture {
    const char *file;
    bool listable;
    int infoClass;
};

const Fixture kFixtures[] = {
    {"record", true, 0},     {"record_b", true, 0},   {"other", true, 0},
    {"nohw", true, 0},       {"class1", true, 1},     {"class3", true, 3},
    {"version2", true, 0},   {"class4", true, 4},     {"class_any", true, 0xFFFF},
    {"null_init", true, 0},  {"no_info", false, 0},   {"no_class_info", false, 0},
    {"no_init", false, 0},   {"no_deinit", false, 0}, {"info_fails", false, 0},
    {"bad_magic", false, 0},
};

std::set<std::string> listedPaths(int pluginClass)
{
    std::set<std::string> paths;
    mwPLUGIN_LIST *list = mwPluginGetList(pluginClass);
    for (int i = 0; i < list->count; ++i)
        paths.insert(statusOf(list->entries[i]).path);
    mwPluginFreeList(list);
    return paths;
}

std::string tagged(const std::string &message) { return "* MWPLUGIN : " + message + "\n"; }

} // namespace

TEST_F(PluginTest, AFileIsListedOnceWhateverTheCaseOfItsPath)
{
    // Two files whose names differ only in case: the second is the same
    // plug-in to the manager.
    const std::string lower = copy("record", "plug.dll");
    const std::string upper = copy("record", "PLUG.DLL");
    EXPECT_EQ(1, mwPluginAdd(lower.c_str(), MW_PLUGIN_CLASS_ANY));
    EXPECT_EQ(0, mwPluginAdd(lower.c_str(), MW_PLUGIN_CLASS_BLIT));
    EXPECT_EQ(0, mwPluginAdd(upper.c_str(), MW_PLUGIN_CLASS_ANY));
    EXPECT_EQ(0, mwPluginSearch((dir_.path().string() + "\\*").c_str(), MW_PLUGIN_CLASS_ANY));
    EXPECT_EQ(std::set<std::string>{lower}, listedPaths(MW_PLUGIN_CLASS_ANY));
    // Adding never leaves the library loaded.
    EXPECT_EQ(nullptr, GetModuleHandleA(lower.c_str()));
}

TEST_F(PluginTest, SearchAddsTheLibrariesThatKeepTheContract)
{
    // Found files keep the pattern's folder as it was spelled.
    const std::string folder = std::string(MARROW_FIXTURE_DIR) + "\\";
    std::set<std::string> all, blit;
    for (const Fixture &f : kFixtures) {
        if (!f.listable)
            continue;
        all.insert(folder + f.file + ".dll");
        if (f.infoClass == MW_PLUGIN_CLASS_BLIT)
            blit.insert(folder + f.file + ".dll");
    }
    // An empty name part stands for "*", a missing extension for "dll".
    EXPECT_EQ(static_cast<int>(blit.size()), mwPluginSearch(folder.c_str(), MW_PLUGIN_CLASS_BLIT));
    EXPECT_EQ(blit, listedPaths(MW_PLUGIN_CLASS_ANY));
    EXPECT_EQ(static_cast<int>(all.size() - blit.size()),
              mwPluginSearch((folder + "*.dll").c_str(), MW_PLUGIN_CLASS_ANY));
    EXPECT_EQ(all, listedPaths(MW_PLUGIN_CLASS_ANY));

    EXPECT_EQ(0, mwPluginSearch((folder + "nothing*").c_str(), MW_PLUGIN_CLASS_ANY));
    EXPECT_EQ(0, mwPluginSearch("no-such-folder\\*.dll", MW_PLUGIN_CLASS_ANY));
    EXPECT_EQ(all, listedPaths(MW_PLUGIN_CLASS_ANY));
}

TEST_F(PluginTest, LoadReportsEachContractFailureAndLeavesTheEntryAsItWas)
{
    const std::string path = copy("record", "plug.dll");
    const struct {
        const char *file;
        std::string message; // empty: no message
    } cases[] = {
        {"no_info", path + ", no mwGetPluginInfo entry point"},
        {"info_fails", path + ", mwGetPluginInfo failed"},
        {"bad_magic", path + ", mwPLUGIN_INFO magic id failed"},
        {"version2", "VERSION2, invalid plugin system version"},
        {"class4", "CLASS4, invalid plugin class"},
        {"class_any", "CLASSANY, invalid plugin class"},
        // The name fills all twelve characters of its field.
        {"no_class_info", "NO_CLASS_INF, no mwGetPluginClassInfo entry point"},
        {"no_init", "NO_INIT, no mwPluginInit entry point"},
        {"no_deinit", "NO_DEINIT, no mwPluginDeinit entry point"},
        {"null_init", "NULL_INIT, illegal driver function packet"},
        {"", ""}, // not a library at all
    };
    mwPLUGIN_ENTRY *entry = add(path);
    const mwPLUGIN_STATUS before = statusOf(entry);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        std::filesystem::remove(path);
        if (*c.file)
            copy(c.file, "plug.dll");
        else
            std::ofstream(path) << "MZ not really";
        mwLogOpen("load");
        EXPECT_EQ(0, mwPluginLoad(entry));
        EXPECT_EQ(c.message.empty() ? "load\n\n" : "load\n\n" + mwtest::kLogRuler + tagged(c.message), log());
        const mwPLUGIN_STATUS after = statusOf(entry);
        EXPECT_EQ(0, after.loaded);
        EXPECT_EQ(0, std::memcmp(&before, &after, sizeof before));
        EXPECT_EQ(nullptr, mwPluginGetInterface(entry, MW_PLUGIN_CLASS_BLIT));
        EXPECT_EQ(nullptr, GetModuleHandleA(path.c_str()));
    }
    // The entry survived every failure and loads once the file is sound again.
    copy("record", "plug.dll");
    EXPECT_EQ(1, mwPluginLoad(entry));
}

TEST_F(PluginTest, LoadAndUnloadKeepTheirCounts)
{
    const std::string path = fixturePath("class1");
    Recorder recorder(path);
    mwPLUGIN_ENTRY *entry = add(path);
    // Unloading what is not loaded calls nothing.
    EXPECT_EQ(0, mwPluginUnload(entry));
    EXPECT_EQ(0, recorder->deinits);

    EXPECT_EQ(1, mwPluginLoad(entry));
    EXPECT_EQ(1, statusOf(entry).loaded);
    EXPECT_EQ(1, recorder->inits);
    EXPECT_EQ(&mwMemAlloc, recorder->services.memAlloc);
    EXPECT_EQ(&mwDMemAlloc, recorder->services.dmemAlloc);
    EXPECT_EQ(&mwDMemFree, recorder->services.dmemFree);
    // The table is handed out only for the entry's own class.
    EXPECT_NE(nullptr, mwPluginGetInterface(entry, MW_PLUGIN_CLASS_AUX1));
    EXPECT_EQ(nullptr, mwPluginGetInterface(entry, MW_PLUGIN_CLASS_ANY));
    EXPECT_EQ(nullptr, mwPluginGetInterface(entry, MW_PLUGIN_CLASS_BLIT));

    EXPECT_EQ(1, mwPluginUnload(entry));
    EXPECT_EQ(0, mwPluginUnload(entry));
    EXPECT_EQ(1, recorder->deinits);
    EXPECT_EQ(nullptr, mwPluginGetInterface(entry, MW_PLUGIN_CLASS_AUX1));

    addFixture("class3");
    addFixture("null_init");
    EXPECT_EQ(2, mwPluginLoadAll(MW_PLUGIN_CLASS_ANY)); // null_init refuses
    EXPECT_EQ(1, mwPluginUnloadAll(MW_PLUGIN_CLASS_AUX3));
    EXPECT_EQ(1, mwPluginUnloadAll(MW_PLUGIN_CLASS_ANY));
}

TEST_F(PluginTest, OneUnloadFreesALibraryThatWasInitialisedTwice)
{
    // class1 accepts a second init; the library must not stay behind.
    const std::string path = fixturePath("class1");
    mwPLUGIN_ENTRY *entry = add(path);
    EXPECT_EQ(1, mwPluginLoad(entry));
    EXPECT_EQ(1, mwPluginLoad(entry));
    EXPECT_NE(nullptr, GetModuleHandleA(path.c_str()));
    EXPECT_EQ(1, mwPluginUnload(entry));
    EXPECT_EQ(nullptr, GetModuleHandleA(path.c_str()));
}

TEST_F(PluginTest, ClassZeroHandlersAreRegisteredOnceAndServeTheDisplayDriver)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe"); // empty registries
    MW_ISOLATED([this] {
        Recorder recorder(fixturePath("record"));
        mwPLUGIN_ENTRY *other = addFixture("class1");
        mwPLUGIN_ENTRY *driver = addFixture("record");
        EXPECT_EQ(1, mwPluginLoad(other));
        EXPECT_EQ(0, mwStatusCall(MW_STATUS_ACTIVE, 1)); // class 1 hooks nothing

        EXPECT_EQ(1, mwPluginLoad(driver));
        EXPECT_EQ(0, mwPluginLoad(driver)); // a display driver refuses a second init
        EXPECT_EQ(1, mwPluginUnload(driver));
        EXPECT_EQ(1, mwPluginLoad(driver));
        EXPECT_EQ(1, mwStatusCall(MW_STATUS_ACTIVE, 0));
        ASSERT_EQ(1, recorder->callCount);
        EXPECT_EQ(0, recorder->calls[0].slot);
        EXPECT_EQ(MW_STATUS_ACTIVE, recorder->calls[0].args[0].integer);
        EXPECT_EQ(0, recorder->calls[0].args[1].integer);

        // On a fatal report the display driver is deinitialised and dropped;
        // other classes stay listed and loaded.
        EXPECT_EQ(1, mwExitCall());
        EXPECT_EQ(2, recorder->deinits);
        EXPECT_EQ(nullptr, mwPluginFind(nullptr, MW_PLUGIN_CLASS_BLIT));
        EXPECT_EQ(other, mwPluginFind(nullptr, MW_PLUGIN_CLASS_ANY));
        EXPECT_EQ(1, statusOf(other).loaded);
    });
}

TEST_F(PluginTest, FindGetListAndClassInfo)
{
    mwPLUGIN_ENTRY *class1 = addFixture("class1");
    mwPLUGIN_ENTRY *record = addFixture("record");
    mwPLUGIN_ENTRY *other = addFixture("other");
    mwPLUGIN_ENTRY *nohw = addFixture("nohw");

    EXPECT_EQ(record, mwPluginFind(nullptr, MW_PLUGIN_CLASS_BLIT));
    EXPECT_EQ(record, mwPluginFind("", MW_PLUGIN_CLASS_BLIT));
    EXPECT_EQ(class1, mwPluginFind(nullptr, MW_PLUGIN_CLASS_ANY));
    EXPECT_EQ(other, mwPluginFind("oThEr", MW_PLUGIN_CLASS_ANY));
    EXPECT_EQ(nullptr, mwPluginFind("other", MW_PLUGIN_CLASS_AUX1));
    EXPECT_EQ(nullptr, mwPluginFind("RECORDS", MW_PLUGIN_CLASS_ANY));

    mwPLUGIN_LIST *list = mwPluginGetList(MW_PLUGIN_CLASS_BLIT);
    ASSERT_EQ(3, list->count);
    EXPECT_EQ((std::vector<mwPLUGIN_ENTRY *>{record, other, nohw}),
              std::vector<mwPLUGIN_ENTRY *>(list->entries, list->entries + list->count));
    mwPluginFreeList(list);
    list = mwPluginGetList(MW_PLUGIN_CLASS_AUX2);
    EXPECT_EQ(0, list->count);
    EXPECT_EQ(nullptr, list->entries);
    mwPluginFreeList(list);

    // Class info comes from the library whether or not it is loaded, and
    // only for the entry's own class.
    mwPLUGIN_CLASS_INFO info{};
    EXPECT_EQ(1, mwPluginGetClassInfo(other, MW_PLUGIN_CLASS_BLIT, &info));
    EXPECT_STREQ("OTHER", info.name);
    EXPECT_EQ(0x7FFu, info.caps);
    EXPECT_EQ(nullptr, GetModuleHandleA(fixturePath("other").c_str()));
    EXPECT_EQ(0, mwPluginGetClassInfo(other, MW_PLUGIN_CLASS_AUX1, &info));
    EXPECT_EQ(0, mwPluginGetClassInfo(other, MW_PLUGIN_CLASS_ANY, &info));
    EXPECT_EQ(0, mwPluginGetClassInfo(nohw, MW_PLUGIN_CLASS_BLIT, &info));
    EXPECT_EQ(1, mwPluginLoad(record));
    info = {};
    EXPECT_EQ(1, mwPluginGetClassInfo(record, MW_PLUGIN_CLASS_BLIT, &info));
    EXPECT_STREQ("RECORD", info.name);
}

TEST_F(PluginTest, PurgeKeepsLoadedEntriesAndRemovalFreesEveryBlock)
{
    mwPLUGIN_ENTRY *record = addFixture("record");
    addFixture("other");
    mwPLUGIN_ENTRY *class1 = addFixture("class1");
    EXPECT_EQ(1, mwPluginLoad(record));
    mwPluginPurge(MW_PLUGIN_CLASS_BLIT);
    EXPECT_EQ((std::set<std::string>{fixturePath("record"), fixturePath("class1")}),
              listedPaths(MW_PLUGIN_CLASS_ANY));
    mwPluginRemove(class1);
    mwPluginRemoveAll(MW_PLUGIN_CLASS_ANY);
    EXPECT_EQ(nullptr, GetModuleHandleA(fixturePath("record").c_str()));
    mwDMemData("test", 1);
    EXPECT_EQ(std::string::npos, log().find("Owner mwplugin")) << log();
}

TEST_F(PluginTest, MisuseIsReportedWithItsCode)
{
    mwPLUGIN_ENTRY *first = addFixture("record");
    mwPLUGIN_ENTRY *second = addFixture("class1");
    mwPLUGIN_ENTRY forged{};
    forged.magic = MW_PLUGIN_ENTRY_MAGIC;
    mwPLUGIN_LIST fakeList{};

    const struct {
        void (*misuse)(mwPLUGIN_ENTRY *first, mwPLUGIN_ENTRY *second, mwPLUGIN_ENTRY *forged,
                       mwPLUGIN_LIST *list);
        const char *report;
    } cases[] = {
        {[](auto, auto, auto forged, auto) { mwPluginRemove(forged); },
         "Error Code \\(6h\\) mwplugin:[0-9]+: mwPluginRemove: Specified plugin was not in the plugin list"},
        {[](auto, auto second, auto, auto) {
             second->magic = 0x12345678;
             mwPluginFind("none", MW_PLUGIN_CLASS_ANY);
         },
         "Error Code \\(7h\\) mwplugin:[0-9]+: mwPluginFind: The plugin entry chain has been corrputed"},
        {[](auto first, auto, auto, auto) {
             first->magic = 0;
             mwPluginLoad(first);
         },
         "Error Code \\(8h\\) mwplugin:[0-9]+: mwPluginLoad: Specified plugin handle does not exist"},
        {[](auto, auto, auto, auto) { mwPluginFind(nullptr, 4); },
         "Error Code \\(9h\\) mwplugin:[0-9]+: mwPluginFind: Specified plugin class does not exist"},
        {[](auto first, auto, auto, auto) { mwPluginGetStatus(first, nullptr); },
         "Error Code \\(0h\\) mwplugin:[0-9]+: mwPluginGetStatus: Invalid Parameter"},
        {[](auto, auto, auto, auto list) { mwPluginFreeList(list); },
         "\\(0h\\).*mwPluginFreeList: Invalid Parameter"},
        {[](auto, auto, auto, auto) { mwPluginAdd(nullptr, 0); }, "\\(0h\\).*mwPluginAdd: Invalid Parameter"},
    };
    for (const auto &c : cases)
        EXPECT_REPORT(c.misuse(first, second, &forged, &fakeList), c.report);
}
