/*
 * common_support.h - helpers shared by the test suites.
 *
 * MW_ISOLATED(lambda): runs the lambda in a child process and expects it to
 *   end normally. Use it for scenarios that need fresh process state (an
 *   uninitialised heap, empty registries) or that end the process. Failures
 *   inside the child are written to its standard error and fail the test.
 *
 * mwtest::TempDir: a fresh folder under $MARROW_TEST_TMP (or /tmp), removed
 *   again at the end of its scope; enter() makes it the current directory
 *   until then.
 *
 * mwtest::setEnv: setenv and unsetenv on every platform.
 *
 * mwtest::readFile, mwtest::formatted and mwtest::kLogRuler: for comparing
 *   files and report logs with the text expected.
 */
#ifndef MW_TESTS_SUPPORT_COMMON_SUPPORT_H
#define MW_TESTS_SUPPORT_COMMON_SUPPORT_H

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include <gtest/gtest.h>
#include <stdlib.h>

namespace mwtest {

/* Ends a child process: 0 when no expectation failed, else 1 with the
 * failures on standard error, where the parent shows them. */
[[noreturn]] inline void finishChild()
{
    const ::testing::TestResult *result = ::testing::UnitTest::GetInstance()->current_test_info()->result();
    bool failed = false;
    for (int i = 0; i < result->total_part_count(); ++i) {
        const ::testing::TestPartResult &part = result->GetTestPartResult(i);
        if (!part.failed())
            continue;
        failed = true;
        std::fprintf(stderr, "%s:%d: %s\n", part.file_name() ? part.file_name() : "?", part.line_number(),
                     part.message());
    }
    std::exit(failed ? 1 : 0);
}

/* printf into a string (up to 255 characters). */
template <typename... Values>
std::string formatted(const char *format, Values... values)
{
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

/* Sets (or with NULL removes) an environment variable of this process, as
 * setenv and unsetenv do on POSIX. */
inline void setEnv(const char *name, const char *value)
{
#ifdef _WIN32
    _putenv_s(name, value ? value : ""); // an empty value removes it
#else
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

/* The folder name of the next TempDir of the running test. A death test's
 * child process on Windows runs the test again from its start rather than
 * going on from a copy of the parent (fork), so the names must come out the
 * same in both: they follow the test's name and a count within the test,
 * tagged with the first process of the family (inherited environment). */
inline std::string nextTempDirName()
{
    static const std::string family = [] {
        if (const char *tag = std::getenv("MWTEST_FAMILY"))
            return std::string(tag);
        const std::string tag = formatted("%lu", static_cast<unsigned long>(std::random_device{}()));
        setEnv("MWTEST_FAMILY", tag.c_str());
        return tag;
    }();
    static std::string test;
    static int count = 0;
    const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "static";
    for (char &c : name)
        if (c == '/')
            c = '_';
    if (name != test) {
        test = name;
        count = 0;
    }
    return "mwtest-" + family + "-" + name + "-" + std::to_string(count++);
}

/* 1 in the child process of a death test. */
inline bool inDeathTestChild() { return !GTEST_FLAG_GET(internal_run_death_test).empty(); }

class TempDir {
public:
    TempDir()
    {
        const char *root = std::getenv("MARROW_TEST_TMP");
        std::filesystem::path base = root && *root ? root : "/tmp";
        path_ = base / nextTempDirName();
        // The child of a death test takes over its parent's folder.
        if (!inDeathTestChild())
            std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir()
    {
        if (!previous_.empty())
            std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    void enter()
    {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    std::filesystem::path operator/(const std::string &name) const { return path_ / name; }
    const std::filesystem::path &path() const { return path_; }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

/* The whole file, or "" when it cannot be read. */
inline std::string readFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/* The line the report log puts between entries of different kinds. */
inline const std::string kLogRuler = std::string(78, '-') + "\n";

} // namespace mwtest

#define MW_ISOLATED(body)                                                                                    \
    EXPECT_EXIT(                                                                                             \
        {                                                                                                    \
            (body)();                                                                                        \
            ::mwtest::finishChild();                                                                         \
        },                                                                                                   \
        ::testing::ExitedWithCode(0), "")

#endif
