// voodoo_support.h - for the plug-in suites (programs set up with
// marrow_voodoo_suite): the real plug-in loaded through the plug-in manager
// in a test folder of its own (where MARROW.TXT is written), and pictures to
// draw.
#ifndef MW_TESTS_SUPPORT_VOODOO_SUPPORT_H
#define MW_TESTS_SUPPORT_VOODOO_SUPPORT_H

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "glide.h"
#include "mwbitmap.h"
#include "mwblit.h"
#include "mwhost.h"
#include "mwplugin.h"
#include "common_support.h"

namespace vdtest {

// Windows are off-screen surfaces, whatever the test's environment.
inline const bool kHeadless = (mwHostSetMode(MW_HOST_HEADLESS), true);

// The logging build, and the delivered one in the run folder.
inline std::string loggingPlugin() { return VOODOO_LOG_PLUGIN; }
inline std::string deliveredPlugin() { return VOODOO_PLUGIN; }

// The flags of a double-buffered mode with a depth buffer and point
// sampling, so that texels reach the screen unblended.
constexpr uint32_t kPointSampled = 0x7FA;

// Colours whose channels are all 0 or full: they pass the board's dither
// unchanged, so expected pixels are exact.
constexpr uint16_t kPure[8] = {0x0000, 0xF800, 0x07E0, 0x001F, 0xFFE0, 0xF81F, 0x07FF, 0xFFFF};
constexpr uint16_t kRed = 0xF800, kGreen = 0x07E0, kBlue = 0x001F, kBlack = 0x0000;

// A picture of pure colours where every texel differs from its neighbours.
inline uint16_t pattern(int x, int y) { return kPure[(x + 3 * y) % 8]; }

inline int count(const std::string &text, const std::string &what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// A 16-bit picture, pixel (x, y) = texel(x, y).
inline mwBITMAP *picture(int type, int width, int height, const std::function<uint16_t(int, int)> &texel)
{
    mwBITMAP *bitmap = mwbCreate(type, width, height);
    auto *pixels = reinterpret_cast<uint16_t *>(bitmap->data);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[y * width + x] = texel(x, y);
    return bitmap;
}

class Voodoo : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(mwHostIsHeadless());
        for (const char *name : {"GLIDE2X_FBRAM", "GLIDE2X_TMUS", "GLIDE2X_TMURAM"})
            mwtest::setEnv(name, nullptr);
        dir_.enter();
        mwLogOpen("voodoo tests");
    }
    void TearDown() override { mwPluginRemoveAll(MW_PLUGIN_CLASS_ANY); }

    mwPLUGIN_ENTRY *add(const std::string &path = loggingPlugin())
    {
        EXPECT_EQ(1, mwPluginAdd(path.c_str(), MW_PLUGIN_CLASS_BLIT)) << path;
        return mwPluginFind("voodoo", MW_PLUGIN_CLASS_BLIT);
    }
    // Loads (initialises) the plug-in, listed already or now, and takes its packet.
    const mwDRIVER_PACKET *load(const std::string &path = loggingPlugin())
    {
        entry_ = mwPluginFind("voodoo", MW_PLUGIN_CLASS_BLIT);
        if (!entry_)
            entry_ = add(path);
        EXPECT_EQ(1, mwPluginLoad(entry_));
        vd = static_cast<const mwDRIVER_PACKET *>(mwPluginGetInterface(entry_, MW_PLUGIN_CLASS_BLIT));
        return vd;
    }
    // Loads it and sets a 512 x 384 mode, cleared to black.
    const mwDRIVER_PACKET *open(uint32_t flags = kPointSampled, void *window = nullptr)
    {
        if (!load())
            return nullptr;
        const mwBLIT_MODE mode{512, 384, MW_BLIT_KIND_ANY, flags};
        EXPECT_EQ(1, vd->setMode(&mode, window));
        return vd;
    }
    // Deinitialises it: the cache and statistics reports go to the log. The
    // packet is gone with the library.
    void unload()
    {
        EXPECT_EQ(1, mwPluginUnload(entry_));
        vd = nullptr;
    }

    std::string log() const { return mwtest::readFile("MARROW.TXT"); }

    // The drawing buffer, read through the packet into a bitmap the bitmap
    // library frees.
    std::vector<uint16_t> read(int x, int y, int width, int height) const
    {
        mwBITMAP *bitmap = mwbCreate(MW_IMAGE_UNKNOWN, width, height);
        EXPECT_EQ(1, vd->readRegion(x, y, bitmap));
        EXPECT_EQ(MW_IMAGE_RGB_565, bitmap->type);
        EXPECT_EQ(width * height * 2, bitmap->size);
        const auto *pixels = reinterpret_cast<const uint16_t *>(bitmap->data);
        std::vector<uint16_t> result(pixels, pixels + size_t(width) * height);
        mwbFree(bitmap);
        return result;
    }
    uint16_t pixel(int x, int y) const { return read(x, y, 1, 1)[0]; }

    mwtest::TempDir dir_;
    mwPLUGIN_ENTRY *entry_ = nullptr;
    const mwDRIVER_PACKET *vd = nullptr;
};

} // namespace vdtest

#endif
