// The example program as a user runs it: the pictures it saves show a lit
// sphere, the loaded mesh beside it, and the camera and lights of a scene
// file; bad input ends it with a message; in a window Escape ends it.
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../demo/png_support.h"
#include "common_support.h"
#include "xvfb_support.h"

namespace fs = std::filesystem;

namespace {

const fs::path kRunDir = MARROW_RUN_DIR;
const fs::path kExamples = fs::path(MARROW_SOURCE_DIR) / "examples";

std::string quoted(const std::string &text) { return "'" + text + "'"; }

struct Outcome {
    int code = -1;
    std::string err;
};

// Runs the program (the run folder's unless another is given) in a scratch
// folder without a display; its exit code and standard error.
Outcome example(const std::vector<std::string> &args, const fs::path &program = kRunDir / "example")
{
    mwtest::TempDir out;
    std::string command = "cd " + quoted(out.path()) + " && LD_LIBRARY_PATH=" + quoted(kRunDir) +
                          " DISPLAY= timeout 60 " + quoted(program);
    for (const std::string &a : args)
        command.append(1, ' ').append(quoted(a));
    const int status = std::system((command + " 2>err").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, mwtest::readFile(out / "err")};
}

// The example's OBJ turned into a 3D Studio file by assimp.
fs::path torus(const mwtest::TempDir &dir)
{
    const fs::path mesh = dir / "torus.3ds";
    const std::string command =
        "assimp export " + quoted(kExamples / "torus.obj") + " " + quoted(mesh) + " >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << "assimp (assimp-utils) must be installed";
    return mesh;
}

// What is drawn in columns x0 .. x1 - 1 of a picture: every pixel but those
// of the colour at the top left, the cleared background.
struct Shape {
    struct Pixel {
        int x, y;
        uint32_t rgb;
    };
    std::vector<Pixel> pixels;
    int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;

    Shape(const fs::path &png, int x0, int x1)
    {
        unsigned width = 0, height = 0;
        const std::vector<uint32_t> picture = readPng(png.string(), width, height);
        EXPECT_EQ(width * height, 512u * 384u) << png;
        for (int y = 0; y < int(height); ++y)
            for (int x = x0; x < x1; ++x)
                if (const uint32_t rgb = picture[size_t(y) * width + size_t(x)]; rgb != picture[0]) {
                    pixels.push_back({x, y, rgb});
                    left = std::min(left, x), right = std::max(right, x);
                    top = std::min(top, y), bottom = std::max(bottom, y);
                }
    }
    double width() const { return right - left + 1; }
    double height() const { return bottom - top + 1; }
    // The mean of a channel (16 red, 8 green, 0 blue) over a part of the box,
    // in fractions of its width and height.
    double mean(int shift, double fx0, double fx1, double fy0, double fy1) const
    {
        double sum = 0, n = 0;
        for (const Pixel &p : pixels) {
            const double fx = (p.x - left) / width(), fy = (p.y - top) / height();
            if (fx >= fx0 && fx < fx1 && fy >= fy0 && fy < fy1)
                sum += p.rgb >> shift & 0xFF, ++n;
        }
        return n ? sum / n : 0;
    }
    // The 95th percentile of brightness less the 5th.
    int brightnessRange() const
    {
        std::vector<int> l;
        for (const Pixel &p : pixels)
            l.push_back(int(2 * (p.rgb >> 16 & 0xFF) + 5 * (p.rgb >> 8 & 0xFF) + (p.rgb & 0xFF)) / 8);
        std::sort(l.begin(), l.end());
        return l.empty() ? 0 : l[l.size() * 95 / 100] - l[l.size() * 5 / 100];
    }
};

// The sphere lies in the left half of the 512 x 384 picture, the mesh in the
// right half.
constexpr int kHalf = 256;

TEST(Example, DrawsALitSphereAndTheLoadedMeshBesideIt)
{
    mwtest::TempDir dir;
    const fs::path mesh = torus(dir);
    ASSERT_EQ(example({"--headless", "--frames", "3", "--mesh", mesh, "--snapshot", dir / "both.png"}).code,
              0);
    ASSERT_EQ(example({"--headless", "--snapshot", dir / "sphere.png"}).code, 0);
    unsigned width = 0, height = 0;
    EXPECT_EQ(readPng(dir / "both.png", width, height).at(0), 0x182442u) << "the cleared background";

    // A disc: as wide as high, filling about pi/4 of its box, lit from above
    // left by a warm light and from the right by a blue one, with a wide
    // range of brightness between.
    const Shape sphere(dir / "both.png", 0, kHalf);
    ASSERT_GT(sphere.pixels.size(), 5000u);
    EXPECT_NEAR(sphere.width() / sphere.height(), 1.0, 0.08);
    EXPECT_NEAR(sphere.pixels.size() / (sphere.width() * sphere.height()), 0.785, 0.05);
    EXPECT_GT(sphere.brightnessRange(), 100);
    EXPECT_GT(sphere.mean(8, 0.1, 0.5, 0.1, 0.5), sphere.mean(8, 0.5, 0.9, 0.5, 0.9) + 40)
        << "from above left";
    EXPECT_GT(sphere.mean(16, 0.2, 0.4, 0.2, 0.4), sphere.mean(0, 0.2, 0.4, 0.2, 0.4)) << "warm key light";
    EXPECT_GT(sphere.mean(0, 0.85, 1.0, 0.3, 0.7), sphere.mean(16, 0.85, 1.0, 0.3, 0.7) + 60)
        << "blue fill light";

    // The mesh: a shaded shape of its own on the right, wider than high (a
    // ring seen from above its plane); without it the right half is empty.
    const Shape ring(dir / "both.png", kHalf, 512);
    EXPECT_GT(ring.pixels.size(), 5000u);
    EXPECT_GT(ring.width(), 1.5 * ring.height());
    EXPECT_GT(ring.brightnessRange(), 100);
    EXPECT_TRUE(Shape(dir / "sphere.png", kHalf, 512).pixels.empty());
}

TEST(Example, TakesItsCameraAndLightsFromALightWaveScene)
{
    mwtest::TempDir dir;
    const fs::path scene = kExamples / "studio.lws";
    ASSERT_EQ(example({"--headless", "--snapshot", dir / "code.png"}).code, 0);
    ASSERT_EQ(example({"--headless", "--scene", scene, "--snapshot", dir / "first.png"}).code, 0);
    ASSERT_EQ(
        example({"--headless", "--scene", scene, "--frames", "121", "--snapshot", dir / "later.png"}).code,
        0);
    const Shape code(dir / "code.png", 0, kHalf), first(dir / "first.png", 0, kHalf),
        later(dir / "later.png", 0, kHalf);

    // The scene's camera stands farther off than the example's own.
    EXPECT_LT(first.width(), 0.9 * code.width());
    // Its orange lamp hangs from a null object that turns half round over
    // the first 60 scene frames (121 of ours): from the left of the sphere
    // to behind its right.
    EXPECT_LT(first.mean(8, 0.1, 0.4, 0.3, 0.7), 0.7 * first.mean(16, 0.1, 0.4, 0.3, 0.7)) << "orange";
    EXPECT_GT(first.mean(16, 0.05, 0.35, 0.3, 0.7), first.mean(16, 0.65, 0.95, 0.3, 0.7) + 40);
    EXPECT_GT(later.mean(16, 0.65, 0.95, 0.3, 0.7), later.mean(16, 0.05, 0.35, 0.3, 0.7) + 40);
}

TEST(Example, EndsWithAMessageOnInputItCannotUse)
{
    mwtest::TempDir dir;
    std::ofstream(dir / "text.3ds") << "not a 3D Studio file";
    std::ofstream(dir / "text.lws") << "not a scene";
    const struct {
        std::vector<std::string> args;
        int code;
        std::string message;
    } cases[] = {
        {{"--frames", "0"}, 2, "--frames needs a whole number of frames, 1 or more"},
        {{"--mesh"}, 2, "--mesh needs a file name"},
        {{"--window"}, 2, "unknown option --window\nusage: example [option]...\n"},
        {{"stray"}, 2, "unknown argument stray"},
        {{"--headless", "--mesh", dir / "missing.3ds"}, 255, "Cannot load the 3D Studio mesh"},
        {{"--headless", "--mesh", dir / "text.3ds"}, 255, "Cannot load the 3D Studio mesh"},
        {{"--headless", "--scene", dir / "text.lws"}, 255, "Cannot load the LightWave scene"},
        {{"--headless", "--snapshot", dir / "no/folder.png"}, 1, "cannot save"},
    };
    for (const auto &c : cases) {
        const Outcome run = example(c.args);
        EXPECT_EQ(run.code, c.code) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }

    // Without the plug-in beside it.
    fs::copy_file(kRunDir / "example", dir / "example");
    const Outcome alone = example({"--headless"}, dir / "example");
    EXPECT_EQ(alone.code, 255);
    EXPECT_NE(alone.err.find("Voodoo device driver not found"), std::string::npos) << alone.err;
}

TEST(Example, InAWindowEscapeEndsIt)
{
    REQUIRE_XVFB();
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xdotool is not installed";
    // Started in the background; once its window is up, Escape; its exit
    // code, 98 when it ended before, or 99 when it still runs two seconds
    // after.
    const std::string script =
        "cd " + quoted(kRunDir) +
        " && ./example & pid=$!; "
        "for i in $(seq 100); do xdotool search --onlyvisible --name 'Marrow example' >/dev/null && break; "
        "sleep 0.1; done; sleep 0.5; kill -0 $pid || exit 98; xdotool key Escape; "
        "for i in $(seq 20); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done; "
        "if kill -0 $pid 2>/dev/null; then kill $pid; wait $pid; exit 99; fi; wait $pid";
    const int status = std::system(script.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
