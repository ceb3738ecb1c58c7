// The command line, the demo clock and the snapshot file.
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common_support.h"
#include "png_support.h"
#include "runopts.h"
#include "snapshot.h"

namespace {

bool parse(std::initializer_list<const char *> args, RunOptions &options, std::string &error,
           const RunProgram &program = kLumenfallProgram)
{
    std::vector<const char *> argv = {program.name};
    argv.insert(argv.end(), args.begin(), args.end());
    return parseRunOptions(int(argv.size()), argv.data(), program, options, error);
}

TEST(RunOptions, OnlyAFirstArgumentBeginningWithSlashCAsksForTheAboutBox)
{
    RunOptions o;
    std::string error;
    for (auto args : {std::initializer_list<const char *>{"/c"}, {"/C"}, {"/config"}, {"/Cxyz", "--bogus"}}) {
        ASSERT_TRUE(parse(args, o, error));
        EXPECT_TRUE(o.about) << *args.begin();
    }
    for (auto args :
         {std::initializer_list<const char *>{}, {"/s"}, {"/p", "1234"}, {"c"}, {"--fps", "/c"}}) {
        ASSERT_TRUE(parse(args, o, error));
        EXPECT_FALSE(o.about);
    }
    EXPECT_FALSE(parse({"/c"}, o, error, kExampleProgram)) << "the convention is the screen saver's";
    EXPECT_EQ(error, "unknown argument /c");
}

TEST(RunOptions, OptionsTakeTheirValues)
{
    RunOptions o;
    std::string error;
    ASSERT_TRUE(
        parse({"/s", "--window", "--headless", "--frames", "120", "--seconds", "2.5", "--snapshot", "out.png",
               "--fps", "--time", "0", "--max-fps", "0", "--picture", "p.tga", "-root", "-window-id", "0x2a"},
              o, error));
    EXPECT_TRUE(o.window && o.headless && o.fps && o.fixedClock && o.root);
    EXPECT_EQ(o.frames, 120);
    EXPECT_DOUBLE_EQ(o.seconds, 2.5);
    EXPECT_EQ(o.snapshot, "out.png");
    EXPECT_DOUBLE_EQ(o.startTime, 0.0);
    EXPECT_EQ(o.maxFps, 0);
    EXPECT_EQ(o.picture, "p.tga");
    EXPECT_EQ(o.windowId, 42u);
    ASSERT_TRUE(parse({"--window-id", "77", "--root"}, o, error)); // the hosts' double-dash spelling
    EXPECT_EQ(o.windowId, 77u);
    EXPECT_TRUE(o.root);
    EXPECT_EQ(o.maxFps, -1) << "not given";

    for (auto args : {std::initializer_list<const char *>{"--frames"},
                      {"--frames", "0"},
                      {"--frames", "12x"},
                      {"--seconds", "0"},
                      {"--seconds", "nan"},
                      {"--time", "-1"},
                      {"--snapshot", ""},
                      {"--max-fps", "-1"},
                      {"--max-fps", "1001"},
                      {"-window-id", "0"},
                      {"-window-id", "-5"},
                      {"--bogus"},
                      {"-fps"},
                      {"--mesh", "m.3ds"}}) {
        EXPECT_FALSE(parse(args, o, error)) << *args.begin();
        EXPECT_NE(error.find(*args.begin()), std::string::npos) << error;
    }
}

TEST(RunOptions, TheUsageListsEachOptionOfTheProgramOnOneLine)
{
    for (const RunProgram *program : {&kLumenfallProgram, &kExampleProgram}) {
        mwtest::TempDir dir;
        const std::string path = (dir / "usage").string();
        std::FILE *stream = std::fopen(path.c_str(), "w");
        ASSERT_NE(stream, nullptr);
        printUsage(stream, *program);
        std::fclose(stream);
        const std::string usage = mwtest::readFile(path);
        EXPECT_EQ(usage.rfind(std::string("usage: ") + program->name + " [option]...\n", 0), 0u) << usage;
        const bool screenSaver = program == &kLumenfallProgram;
        for (const char *option : {"--help ", "--headless ", "--frames N ", "--max-fps N "})
            EXPECT_NE(usage.find(option), std::string::npos) << option;
        for (const char *option : {"--window ", "--picture FILE.tga ", "-root ", "-window-id ID ", "/c"})
            EXPECT_EQ(usage.find(option) != std::string::npos, screenSaver) << option;
        EXPECT_EQ(usage.find("--mesh FILE.3ds ") != std::string::npos, !screenSaver);
    }
}

TEST(RunOptions, TheDemoClockIsFixedPerFrameOrFollowsTheTicksAcrossTheirWrap)
{
    RunOptions fixed;
    fixed.fixedClock = true;
    fixed.startTime = 3.0;
    EXPECT_FLOAT_EQ(demoSeconds(fixed, 1, 0, 999999), 3.0f);
    EXPECT_FLOAT_EQ(demoSeconds(fixed, 61, 0, 0), 4.0f);
    EXPECT_FLOAT_EQ(demoSeconds(fixed, 121, 0, 0) * 18.0f, 90.0f);

    const RunOptions wall;
    EXPECT_FLOAT_EQ(demoSeconds(wall, 7, 1000, 3500), 2.5f);
    EXPECT_FLOAT_EQ(demoSeconds(wall, 7, 0xFFFFFF00u, 0x100u), 0.512f);
}

TEST(Snapshot, WritesAnRgbPngThatReadsBack)
{
    mwtest::TempDir dir;
    const std::string path = (dir / "frame.png").string();
    const std::vector<uint32_t> pixels = {0x00FF0000, 0x0000FF00, 0x000000FF,
                                          0x00123456, 0x00000000, 0x00FFFFFF};
    std::string error;
    ASSERT_TRUE(writeSnapshotPng(path, pixels.data(), 3, 2, error)) << error;

    unsigned width = 0, height = 0;
    EXPECT_EQ(readPng(path, width, height), pixels);
    EXPECT_EQ(width, 3u);
    EXPECT_EQ(height, 2u);

    EXPECT_FALSE(writeSnapshotPng((dir / "no/such/folder.png").string(), pixels.data(), 3, 2, error));
    EXPECT_FALSE(error.empty());
}

} // namespace
