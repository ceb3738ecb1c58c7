// File access: round trips, size, end of file, existence and the fatal open.
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include "mwkernel.h"
#include "report_support.h"
#include "common_support.h"

namespace {

class Files : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_.enter();
        FILE *out = mwFileOpen("test", 1, "DATA.BIN", MW_FILE_WRITE);
        EXPECT_EQ(10, mwFileWrite("test", 2, out, "0123456789", 10));
        mwFileClose("test", 3, out);
    }

private:
    mwtest::TempDir dir_;
};

} // namespace

TEST_F(Files, SizeLeavesThePositionAlone)
{
    FILE *in = mwFileOpen("test", 1, "DATA.BIN", MW_FILE_READ);
    char buffer[4] = {};
    EXPECT_EQ(4, mwFileRead("test", 2, in, buffer, 4));
    EXPECT_EQ(10, mwFileSize("test", 3, in));
    EXPECT_EQ(2, mwFileRead("test", 4, in, buffer, 2));
    EXPECT_EQ("45", std::string(buffer, 2));
    mwFileClose("test", 5, in);
}

TEST_F(Files, ReadAtTheEndReturnsZeroAndSetsEndOfFile)
{
    FILE *in = mwFileOpen("test", 1, "DATA.BIN", MW_FILE_READ);
    char buffer[16];
    EXPECT_EQ(10, mwFileRead("test", 2, in, buffer, 10));
    EXPECT_EQ(0, mwFileEof("test", 3, in));
    EXPECT_EQ(0, mwFileRead("test", 4, in, buffer, 1));
    EXPECT_NE(0, mwFileEof("test", 5, in));
    // A short read at the end counts only the bytes there were.
    EXPECT_EQ(7, mwFileSeek("test", 6, in, 7, 0));
    EXPECT_EQ(3, mwFileRead("test", 7, in, buffer, 16));
    mwFileClose("test", 8, in);
}

TEST_F(Files, SeekReturnsThePositionFromEachOrigin)
{
    FILE *io = mwFileOpen("test", 1, "DATA.BIN", MW_FILE_READWRITE);
    EXPECT_EQ(3, mwFileSeek("test", 2, io, 3, 0));
    EXPECT_EQ(5, mwFileSeek("test", 3, io, 2, 1));
    EXPECT_EQ(8, mwFileSeek("test", 4, io, -2, 2));
    EXPECT_EQ(2, mwFileWrite("test", 5, io, "xy", 2));
    EXPECT_EQ(10, mwFileSize("test", 6, io));
    mwFileClose("test", 7, io);

    FILE *in = mwFileOpen("test", 8, "DATA.BIN", MW_FILE_READ);
    char buffer[10];
    EXPECT_EQ(10, mwFileRead("test", 9, in, buffer, 10));
    EXPECT_EQ("01234567xy", std::string(buffer, 10));
    mwFileClose("test", 10, in);
}

TEST_F(Files, ExistsOnlyForReadableRegularFiles)
{
    std::filesystem::create_directory("FOLDER");
    EXPECT_EQ(1, mwFileExists("test", 1, "DATA.BIN"));
    EXPECT_EQ(0, mwFileExists("test", 2, "MISSING.TGA"));
    EXPECT_EQ(0, mwFileExists("test", 3, "FOLDER"));
    EXPECT_EQ(0, mwFileExists("test", 4, nullptr));
}

// A pipe named like a data file must neither count as a file nor be opened:
// reading it would wait for a writer. The test holds the pipe open for
// writing itself, so a reader that opens it anyway sees no end instead of
// hanging the test.
#ifndef _WIN32 // a named pipe in the file system is a POSIX thing
TEST_F(Files, NamedPipesAreNoFiles)
{
    ASSERT_EQ(0, mkfifo("POO.TGA", 0600));
    const int writer = open("POO.TGA", O_RDWR);
    ASSERT_GE(writer, 0);
    EXPECT_EQ(0, mwFileExists("test", 1, "POO.TGA"));
    EXPECT_REPORT(mwFileOpen("mwtga", 1, "POO.TGA", MW_FILE_READ), "^Error: Cannot open POO.TGA\n\n$");
    close(writer);
}
#endif

TEST_F(Files, OpeningWhatCannotBeOpenedIsFatal)
{
    std::filesystem::create_directory("FOLDER");
    EXPECT_REPORT(mwFileOpen("mwtga", 1, "POO.TGA", MW_FILE_READ), "^Error: Cannot open POO.TGA\n\n$");
    EXPECT_REPORT(mwFileOpen("mwtga", 1, "FOLDER", MW_FILE_READ), "^Error: Cannot open FOLDER\n\n$");
    EXPECT_REPORT(mwFileOpen("mwtga", 1, "NEW.BIN", MW_FILE_READWRITE), "^Error: Cannot open NEW.BIN\n\n$");
    EXPECT_REPORT(mwFileOpen("mwtga", 2, "DATA.BIN", 7),
                  "^Error Code \\(0h\\) mwtga:2: mwFileOpen: Invalid Parameter\n$");
}
