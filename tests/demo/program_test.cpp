// The program lumenfall as a user runs it: from its run folder or without
// its files, headless or in a window under Xvfb, ended by the stopping
// inputs, by signals or by its frame limit.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "common_support.h"
#include "xvfb_support.h"
#include "png_support.h"

#include "x11_support.h" // after GoogleTest, whose names Xlib's macros would take

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const fs::path kRunDir = MARROW_RUN_DIR;

// One run of the program with its output in files of a temporary folder.
class Program {
public:
    // Starts lumenfall in folder (the run folder when empty) with the
    // arguments; display: keep DISPLAY, else run without one; environment:
    // NAME=value settings added; program: another copy of lumenfall.
    Program(std::vector<std::string> args, const fs::path &folder, bool display = false,
            std::vector<std::string> environment = {}, const fs::path &program = kRunDir / "lumenfall")
        : out_(tmp_ / "stdout"), err_(tmp_ / "stderr")
    {
        pid_ = fork();
        if (pid_ == 0) {
            if (chdir((folder.empty() ? kRunDir : folder).c_str()) != 0)
                _exit(126);
            dup2(open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
            dup2(open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
            if (!display)
                unsetenv("DISPLAY");
            unsetenv("XSCREENSAVER_WINDOW");
            setenv("LD_LIBRARY_PATH", kRunDir.c_str(), 1); // voodoo.dll linked in from elsewhere
            for (std::string &setting : environment)
                putenv(setting.data());
            const std::string path = program.string();
            std::vector<char *> argv = {const_cast<char *>(path.c_str())};
            for (std::string &a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
    }
    ~Program()
    {
        if (pid_ > 0 && !finished_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    // The exit code once the program has ended within the time; -1 if it has
    // not, -2 if a signal ended it.
    int waitFor(std::chrono::milliseconds limit)
    {
        const auto giveUp = std::chrono::steady_clock::now() + limit;
        for (;;) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                finished_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
            }
            if (std::chrono::steady_clock::now() > giveUp)
                return -1;
            std::this_thread::sleep_for(5ms);
        }
    }
    void signal(int number) { kill(pid_, number); }
    std::string out() const { return mwtest::readFile(out_); }
    std::string err() const { return mwtest::readFile(err_); }

private:
    mwtest::TempDir tmp_;
    fs::path out_, err_;
    pid_t pid_ = -1;
    bool finished_ = false;
};

constexpr auto kSetUpTime = 30s; // two 60-retrace swaps and the light part's textures

TEST(Program, TheConfigureRequestShowsTheAboutTextAndEnds)
{
    for (const char *request : {"/c", "/C", "/config"}) {
        mwtest::TempDir empty; // nothing to load: the about box needs nothing
        Program run({request}, empty.path());
        ASSERT_EQ(run.waitFor(10s), 0) << request;
        EXPECT_NE(run.out().find("Edit POO.TGA if you want to change the picture (Black is an Occluder)\n"),
                  std::string::npos);
        EXPECT_EQ(run.err(), "");
    }
}

TEST(Program, HelpPrintsTheUsageAndAnUnknownOptionEndsWithItOnStandardError)
{
    mwtest::TempDir empty;
    Program help({"--help"}, empty.path());
    ASSERT_EQ(help.waitFor(10s), 0);
    EXPECT_EQ(help.out().rfind("usage: lumenfall [option]...\n", 0), 0u) << help.out();
    EXPECT_NE(help.out().find("\n  --max-fps N "), std::string::npos) << help.out();
    EXPECT_EQ(help.err(), "");

    Program unknown({"/s", "--no-such-option"}, empty.path());
    ASSERT_EQ(unknown.waitFor(10s), 2);
    EXPECT_EQ(unknown.err().rfind("lumenfall: unknown option --no-such-option\nusage: lumenfall", 0), 0u)
        << unknown.err();
    EXPECT_EQ(unknown.out(), "");
}

// A copy of the program in a folder of its own finds nothing beside it.
TEST(Program, MissingFilesEndItWithTheirMessages)
{
    mwtest::TempDir empty;
    const fs::path alone = empty / "lumenfall";
    fs::copy_file(kRunDir / "lumenfall", alone);
    Program noDriver({"--headless"}, empty.path(), false, {}, alone);
    EXPECT_EQ(noDriver.waitFor(kSetUpTime), 255);
    EXPECT_NE(noDriver.err().find("Voodoo device driver not found"), std::string::npos) << noDriver.err();

    fs::create_symlink(kRunDir / "voodoo.dll", empty / "voodoo.dll");
    Program noPicture({"--headless"}, empty.path(), false, {}, alone);
    EXPECT_EQ(noPicture.waitFor(kSetUpTime), 255);
    EXPECT_NE(noPicture.err().find("Cannot open POO.TGA"), std::string::npos) << noPicture.err();
    Program namedPicture({"--headless", "--picture", "elsewhere.tga"}, empty.path(), false, {}, alone);
    EXPECT_EQ(namedPicture.waitFor(kSetUpTime), 255);
    EXPECT_NE(namedPicture.err().find("Cannot open elsewhere.tga"), std::string::npos) << namedPicture.err();
}

// Started from any folder, the program finds the plug-in and the picture
// beside it (the run folder); one in the working directory comes first.
TEST(Program, DataFilesAreFoundInTheWorkingDirectoryThenBesideTheProgram)
{
    mwtest::TempDir elsewhere;
    Program beside({"--headless", "--frames", "2"}, elsewhere.path());
    EXPECT_EQ(beside.waitFor(kSetUpTime), 0) << beside.err();

    std::ofstream(elsewhere / "POO.TGA") << "not a Targa";
    Program first({"--headless", "--frames", "2"}, elsewhere.path());
    EXPECT_EQ(first.waitFor(kSetUpTime), 255);
    EXPECT_NE(first.err().find("Cannot read POO.TGA"), std::string::npos) << first.err();
}

TEST(Program, AHeadlessRunShowsThePictureItsOccludersAndBrightStreaks)
{
    mwtest::TempDir out;
    Program run(
        {"--headless", "--frames", "120", "--time", "4", "--fps", "--snapshot", (out / "out.png").string()},
        {});
    ASSERT_EQ(run.waitFor(120s), 0) << run.err();
    EXPECT_NE(run.out().find("120 frames in "), std::string::npos) << run.out();

    unsigned width = 0, height = 0;
    const std::vector<uint32_t> pixels = readPng((out / "out.png").string(), width, height);
    ASSERT_EQ(width, 512u);
    ASSERT_EQ(height, 384u);
    int black = 0, bright = 0, colourful = 0;
    for (uint32_t p : pixels) {
        const int r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
        const int hi = std::max({r, g, b}), lo = std::min({r, g, b});
        black += hi < 16;
        bright += lo > 200;                   // the additive glow whitens what it crosses
        colourful += hi > 96 && hi - lo > 64; // the picture's own colours
    }
    const int total = int(pixels.size());
    EXPECT_GT(black, total / 20) << "occluders and unlit areas";
    EXPECT_GT(bright, total / 200) << "streaks";
    EXPECT_GT(colourful, total / 10) << "picture";
}

// A white Targa of width x height, top row first; with bars, the middle
// fifth of its height holds black vertical bars, every other eighth of its width.
void writeBarsPicture(const fs::path &path, int width, int height, int depth, bool bars)
{
    std::ofstream file(path, std::ios::binary);
    const char header[18] = {0,
                             0,
                             2,
                             0,
                             0,
                             0,
                             0,
                             0,
                             0,
                             0,
                             0,
                             0,
                             char(width),
                             char(width >> 8),
                             char(height),
                             char(height >> 8),
                             char(depth),
                             0x20};
    file.write(header, sizeof header);
    const int bytes = depth / 8;
    std::vector<char> row(size_t(width) * bytes);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool black = bars && std::abs(y - height / 2) < height / 5 && x * 8 / width % 2 == 1;
            for (int b = 0; b < bytes; ++b)
                row[size_t(x) * bytes + b] = black && b < 3 ? 0 : char(0xFF); // opaque either way
        }
        file.write(row.data(), std::streamsize(row.size()));
    }
}

// Share of the snapshot that is black.
double blackShare(const fs::path &png)
{
    unsigned width = 0, height = 0;
    const std::vector<uint32_t> pixels = readPng(png.string(), width, height);
    int black = 0;
    for (uint32_t p : pixels)
        black += std::max({p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF}) < 16;
    return pixels.empty() ? 0.0 : double(black) / double(pixels.size());
}

// Pictures larger than the heap, of both depths: their black bars cut the
// rays short, so the lit fan has shadows that a plain white picture lacks.
TEST(Program, LargePicturesOfBothDepthsLightAndTheirBlackCastsShadows)
{
    mwtest::TempDir dir;
    for (const auto &[width, height, depth] : {std::tuple{1920, 1080, 24}, std::tuple{1024, 1024, 32}}) {
        double share[2];
        for (const bool bars : {false, true}) {
            const fs::path picture = dir / "picture.tga", snapshot = dir / "frame.png";
            writeBarsPicture(picture, width, height, depth, bars);
            Program run({"--headless", "--frames", "2", "--time", "30", "--picture", picture.string(),
                         "--snapshot", snapshot.string()},
                        dir.path());
            ASSERT_EQ(run.waitFor(kSetUpTime), 0) << depth << " bits: " << run.err();
            share[bars] = blackShare(snapshot);
        }
        EXPECT_GT(share[true], share[false] + 0.2)
            << depth << " bits: black " << share[false] << " without bars, " << share[true] << " with them";
    }
}

//---- In a window -------------------------------------------------------------

bool haveXdotool() { return std::system("command -v xdotool >/dev/null 2>&1") == 0; }

// The program's shown window, 0 when none is.
Window programWindow()
{
    FILE *search = popen("xdotool search --onlyvisible --name 'Zur Iror' 2>/dev/null", "r");
    unsigned long id = 0;
    if (search) {
        if (std::fscanf(search, "%lu", &id) != 1)
            id = 0;
        pclose(search);
    }
    return id;
}

// Waits for the program's window to be shown.
bool windowUp()
{
    return mwtest::eventually([] { return programWindow() != 0; });
}

// From the window's appearance past the two 60-retrace swaps and the light
// part's set-up, into the frame loop.
constexpr auto kSetUpPause = 5s;

class ProgramWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("MARROW_TEST_XVFB"))
            GTEST_SKIP() << "Xvfb is not installed";
        if (!haveXdotool())
            GTEST_SKIP() << "xdotool is not installed";
        // The server resets when its last client leaves and refuses
        // connections meanwhile: one connection held open keeps it up
        // between the runs.
        static Display *keepAlive = XOpenDisplay(nullptr);
        ASSERT_NE(keepAlive, nullptr);
    }
    // Runs the program in a window, lets it draw, sends the input; the exit
    // code within a second of it, or -1.
    int endWith(const std::string &input)
    {
        Program run({"--window"}, {}, true);
        EXPECT_TRUE(windowUp()) << run.err();
        std::this_thread::sleep_for(kSetUpPause);
        EXPECT_EQ(std::system(("xdotool " + input).c_str()), 0) << input;
        const int code = run.waitFor(1000ms);
        if (code == -1)
            run.signal(SIGTERM);
        return code;
    }
};

TEST_F(ProgramWindow, EscapeAMouseMoveOrAButtonEndsTheRun)
{
    EXPECT_EQ(endWith("key Escape"), 0);
    EXPECT_EQ(endWith("mousemove_relative -- 7 5 sleep 0.05 mousemove_relative -- 7 5"), 0);
    EXPECT_EQ(endWith("mousedown 1 sleep 0.2 mouseup 1"), 0);
}

// The window closed by the user at any moment of the run, while the main
// thread draws: the documented report and code, never a crash. With a fast
// virtual refresh the two 60-retrace swaps of the set-up take 60 ms, so most
// closes land in the frame loop.
TEST_F(ProgramWindow, ClosingTheWindowWhileItDrawsIsReportedAndNeverCrashes)
{
    Display *display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    std::minstd_rand random(20);
    for (int run = 0; run < 50; ++run) {
        Program program({"--window", "--max-fps", "0"}, {}, true, {"SST_SCREENREFRESH=1000"});
        Window window = 0;
        ASSERT_TRUE(mwtest::eventually([&] { return (window = programWindow()) != 0; })) << program.err();
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 400));
        mwtest::sendDeleteWindow(display, window);
        ASSERT_EQ(program.waitFor(10s), 255) << "run " << run << ": " << program.err();
        EXPECT_EQ(program.err(), "Error: Event pump closed\n\n") << "run " << run;
    }
    XCloseDisplay(display);
}

// The frame rate printed at the end of a run on screen.
double reportedRate(const std::string &out)
{
    const size_t at = out.find("s: ");
    return at == std::string::npos ? -1.0 : std::atof(out.c_str() + at + 3);
}

// On screen frames are capped at the display's refresh rate: Xvfb's modes
// carry none, so SST_SCREENREFRESH gives it; --max-fps 0 lifts the cap.
TEST_F(ProgramWindow, FramesOnScreenAreCappedAtTheRefreshRate)
{
    Program capped({"--window", "--seconds", "2", "--fps"}, {}, true, {"SST_SCREENREFRESH=30"});
    ASSERT_EQ(capped.waitFor(30s), 0) << capped.err();
    EXPECT_GT(reportedRate(capped.out()), 25.0) << capped.out();
    EXPECT_LE(reportedRate(capped.out()), 30.0 * 1.05) << capped.out();

    Program free({"--window", "--seconds", "2", "--fps", "--max-fps", "0"}, {}, true,
                 {"SST_SCREENREFRESH=30"});
    ASSERT_EQ(free.waitFor(30s), 0) << free.err();
    EXPECT_GT(reportedRate(free.out()), 30.0 * 1.05) << free.out();
}

TEST_F(ProgramWindow, SpaceDoesNotEndItButSigtermDoes)
{
    Program run({"--window"}, {}, true);
    ASSERT_TRUE(windowUp()) << run.err();
    std::this_thread::sleep_for(kSetUpPause);
    ASSERT_EQ(std::system("xdotool key space"), 0);
    EXPECT_EQ(run.waitFor(1000ms), -1);
    run.signal(SIGTERM);
    EXPECT_EQ(run.waitFor(5s), 0);
}

} // namespace
