// Dynamic libraries and file enumeration.
#include <fstream>
#include <set>
#include <string>

#include "mwplatform.h"
#include "common_support.h"

namespace {

// Built next to this suite as fixtures/fixture.dll.
std::string fixtureFolder()
{
    std::string path = MARROW_FIXTURE_DIR;
    for (char &c : path)
        if (c == '/')
            c = '\\'; // as Windows code writes it
    return path;
}

TEST(Libraries, LoadFindAndFreeWithWindowsNames)
{
    HMODULE library = LoadLibraryA((fixtureFolder() + "\\fixture.dll").c_str());
    ASSERT_NE(nullptr, library);
    HMODULE again = LoadLibraryA((fixtureFolder() + "\\fixture").c_str()); // ".dll" is implied
    EXPECT_EQ(library, again);
    auto answer =
        reinterpret_cast<int (*)(void)>(reinterpret_cast<void *>(GetProcAddress(library, "fixtureAnswer")));
    ASSERT_NE(nullptr, answer);
    EXPECT_EQ(42, answer());
    EXPECT_EQ(nullptr, GetProcAddress(library, "missing"));
    EXPECT_EQ(DWORD{ERROR_PROC_NOT_FOUND}, GetLastError());
    EXPECT_EQ(nullptr, GetProcAddress(library, MAKEINTRESOURCEA(1))); // no ordinals
    EXPECT_EQ(library, GetModuleHandleA((fixtureFolder() + "\\fixture.dll").c_str()));

    EXPECT_TRUE(FreeLibrary(again));
    EXPECT_TRUE(FreeLibrary(library));
    EXPECT_FALSE(FreeLibrary(library));
    EXPECT_EQ(DWORD{ERROR_INVALID_HANDLE}, GetLastError());
    EXPECT_EQ(nullptr, GetProcAddress(library, "fixtureAnswer"));
    EXPECT_NE(nullptr, GetProcAddress(GetModuleHandleA(nullptr), "GetTickCount"));
}

TEST(Libraries, MissingAndBrokenLibrariesAreTold)
{
    mwtest::TempDir dir;
    EXPECT_EQ(nullptr, LoadLibraryA((dir.path().string() + "\\absent.dll").c_str()));
    EXPECT_EQ(DWORD{ERROR_MOD_NOT_FOUND}, GetLastError());
    std::ofstream(dir / "text.dll") << "not a library";
    EXPECT_EQ(nullptr, LoadLibraryA((dir.path().string() + "/text.dll").c_str()));
    EXPECT_EQ(DWORD{ERROR_BAD_FORMAT}, GetLastError());
    EXPECT_EQ(nullptr, LoadLibraryA(""));
    EXPECT_EQ(nullptr, GetModuleHandleA("absent.dll"));
}

class FindFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char *name : {"voodoo.dll", "GLIDE.DLL", "notes.txt", "readme", "x.dllx"})
            std::ofstream(dir_ / name) << name;
        std::filesystem::create_directory(dir_ / "sub.dll");
    }

    // Every name the pattern (relative to the folder) finds.
    std::set<std::string> find(const std::string &pattern, char separator = '\\')
    {
        std::set<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE search = FindFirstFileA((dir_.path().string() + separator + pattern).c_str(), &data);
        if (search == INVALID_HANDLE_VALUE)
            return names;
        do
            names.insert(data.cFileName);
        while (FindNextFileA(search, &data));
        EXPECT_EQ(DWORD{ERROR_NO_MORE_FILES}, GetLastError());
        EXPECT_TRUE(FindClose(search));
        EXPECT_FALSE(FindClose(search));
        return names;
    }

    mwtest::TempDir dir_;
};

TEST_F(FindFiles, PatternsMatchAsOnWindows)
{
    EXPECT_EQ((std::set<std::string>{"voodoo.dll", "GLIDE.DLL", "sub.dll"}), find("*.dll"));
    EXPECT_EQ((std::set<std::string>{"voodoo.dll", "GLIDE.DLL", "sub.dll"}), find("*.DLL", '/'));
    EXPECT_EQ((std::set<std::string>{"GLIDE.DLL"}), find("g?ide.*"));
    EXPECT_EQ((std::set<std::string>{"readme"}), find("read*.*")); // "*.*" takes names without a dot
    EXPECT_EQ((std::set<std::string>{".", "..", "voodoo.dll", "GLIDE.DLL", "notes.txt", "readme", "x.dllx",
                                     "sub.dll"}),
              find("*"));
    EXPECT_TRUE(find("*.exe").empty());
}

TEST_F(FindFiles, EntriesDescribeTheFiles)
{
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((dir_.path().string() + "\\voodoo.dll").c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    EXPECT_STREQ("voodoo.dll", data.cFileName);
    EXPECT_EQ(10u, data.nFileSizeLow);
    EXPECT_EQ(0u, data.nFileSizeHigh);
    EXPECT_EQ(0u, data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    // After 2000-01-01 in 100 ns steps since 1601.
    EXPECT_GT((uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime,
              125911584000000000ull);
    FindClose(search);
    search = FindFirstFileA((dir_.path().string() + "/sub.dll").c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    EXPECT_NE(0u, data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    FindClose(search);
}

TEST_F(FindFiles, FailuresSayWhatWasMissing)
{
    WIN32_FIND_DATAA data;
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA((dir_.path().string() + "\\*.exe").c_str(), &data));
    EXPECT_EQ(DWORD{ERROR_FILE_NOT_FOUND}, GetLastError());
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              FindFirstFileA((dir_.path().string() + "\\absent\\*.dll").c_str(), &data));
    EXPECT_EQ(DWORD{ERROR_PATH_NOT_FOUND}, GetLastError());
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA((dir_.path().string() + "\\").c_str(), &data));
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA(nullptr, &data));
    EXPECT_FALSE(FindNextFileA(INVALID_HANDLE_VALUE, &data));
    EXPECT_EQ(DWORD{ERROR_INVALID_HANDLE}, GetLastError());
}

} // namespace
