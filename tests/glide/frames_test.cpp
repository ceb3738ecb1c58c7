// Whole frames of the screensaver, as the program saves them, are the same
// picture with every thread count and every span build.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "common_support.h"

namespace {

namespace fs = std::filesystem;

// The PNG file of the frame at demo time `time`, drawn with the given
// GLIDE2X_THREADS and GLIDE2X_SIMD; empty when the run failed.
std::string frameAt(const char *time, const char *threads, const char *spans)
{
    mwtest::TempDir out;
    const fs::path picture = out.path() / "frame.png";
    // A fast virtual refresh shortens the start-up's long swaps.
    const std::string command = std::string("cd '") + MARROW_RUN_DIR +
                                "' && env -u DISPLAY SST_SCREENREFRESH=1000 GLIDE2X_THREADS=" + threads +
                                " GLIDE2X_SIMD=" + spans + " ./lumenfall --headless --frames 2 --time " +
                                time + " --snapshot '" + picture.string() + "' > /dev/null";
    if (std::system(command.c_str()) != 0)
        return {};
    std::ifstream file(picture, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

class GlideFrames : public ::testing::TestWithParam<const char *> {};

TEST_P(GlideFrames, AreTheSameForEveryThreadCountAndSpanBuild)
{
    const std::string reference = frameAt(GetParam(), "1", "baseline");
    ASSERT_GT(reference.size(), 1000u);
    const struct {
        const char *threads, *spans;
    } runs[] = {{"1", "avx2"}, {"1", "best"}, {"2", "best"}, {"3", "avx2"}, {"16", "best"}};
    for (const auto &run : runs)
        EXPECT_TRUE(frameAt(GetParam(), run.threads, run.spans) == reference)
            << run.threads << " threads, " << run.spans;
}

INSTANTIATE_TEST_SUITE_P(DemoTimes, GlideFrames, ::testing::Values("0", "4.5", "100"));

} // namespace
