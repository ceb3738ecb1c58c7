// The AutoRun switch: the CD-ROM bit of the Explorer policy in the registry
// file, set while the kernel is up and put back as it was by mwShutdown and
// by a report.
#include <cstdlib>
#include <fstream>
#include <string>

#include "kernel_init_support.h"

using namespace inittest;

namespace {

const std::string kKey =
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer]";

class AutoRun : public ::testing::Test {
protected:
    std::string file() const { return (dir_ / "registry.reg").string(); }
    void write(const std::string &text) const { std::ofstream(file(), std::ios::binary) << text; }

    // Runs mwInit and mwShutdown in a child with MARROW_REGISTRY set to
    // `registry` (unset for ""), checking the file while running and after.
    void run(const std::string &registry, const std::string &running, const std::string &after)
    {
        const std::string path = file();
        MW_ISOLATED([&] {
            mwtest::TempDir cwd;
            cwd.enter();
            mwtest::setEnv("MARROW_REGISTRY", registry.empty() ? nullptr : registry.c_str());
            mwInit(kBlockBytes, kDynamicBytes, "Lumenfall");
            EXPECT_EQ(running, mwtest::readFile(path));
            mwShutdown();
            EXPECT_EQ(after, mwtest::readFile(path));
            EXPECT_TRUE(std::filesystem::is_empty(cwd.path())); // nothing else is written
        });
    }

    static std::string policy(const char *value)
    {
        return "REGEDIT4\n\n" + kKey + "\n\"NoDriveTypeAutoRun\"=dword:" + value + "\n";
    }

    mwtest::TempDir dir_;
};

TEST_F(AutoRun, TheCdRomBitIsSetWhileRunningAndPutBackAsItWasAfter)
{
    ASSERT_TRUE(configured);
    write(policy("00000095"));
    run(file(), policy("000000b5"), policy("00000095"));
    // A user who had CD AutoRun off keeps it off.
    write(policy("000000b5"));
    run(file(), policy("000000b5"), policy("000000b5"));
}

TEST_F(AutoRun, AReportPutsTheBitBackToo)
{
    write(policy("00000095"));
    const std::string path = file();
    EXPECT_EXIT(
        {
            mwtest::setEnv("MARROW_REGISTRY", path.c_str());
            mwInit(kBlockBytes, kDynamicBytes, "Lumenfall");
            mwFatal("stop");
        },
        ::testing::ExitedWithCode(255), "Error: stop");
    EXPECT_EQ(policy("00000095"), mwtest::readFile(path));
}

TEST_F(AutoRun, AValueThatCannotBeReadStartsFromTheSystemDefault)
{
    write(kKey + "\n\"NoDriveTypeAutoRun\"=\"not a number\"\n");
    run(file(), policy("000000b1"), policy("00000091"));
}

TEST_F(AutoRun, NothingIsWrittenWithoutTheKeyOrTheVariable)
{
    const std::string other = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Other]\n\"Value\"=dword:00000001\n";
    write(other);
    run(file(), other, other);
    std::filesystem::remove(file());
    run(file(), "", ""); // a registry file that is not there is not made
    run("", "", "");
    EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
}

} // namespace
