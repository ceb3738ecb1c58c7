// The library entry and the four exports: identity, board detection and the
// mode table, the environment set for the board, init and deinit.
#include "voodoo_support.h"

#include <cstring>

#include "mwwin32.h"

using namespace vdtest;

namespace {

void expectIdentity(const char *name, const char *description, int32_t magic, uint32_t expected)
{
    EXPECT_EQ(uint32_t(magic), expected);
    EXPECT_STREQ(name, "VOODOO");
    EXPECT_STREQ(description, "Voodoo Graphics/Rush Plugin Build 0217");
}

mwPLUGIN_CLASS_INFO classInfo(mwPLUGIN_ENTRY *entry)
{
    mwPLUGIN_CLASS_INFO info;
    std::memset(&info, 0xA5, sizeof info);
    EXPECT_EQ(1, mwPluginGetClassInfo(entry, MW_PLUGIN_CLASS_BLIT, &info));
    return info;
}

void expectClassInfo(const mwPLUGIN_CLASS_INFO &info)
{
    expectIdentity(info.name, info.description, int32_t(info.magic), MW_BLIT_CLASS_INFO_MAGIC);
    EXPECT_EQ(info.classVersion, 6);
    EXPECT_EQ(info.driverVersion, 1);
    EXPECT_EQ(info.caps, 0x7FFu);
    EXPECT_EQ(info.reserved, 1);
    EXPECT_EQ(info.textureUnits, 2);
    EXPECT_EQ(info.minWidth, 512);
    EXPECT_EQ(info.minHeight, 384);
    EXPECT_EQ(info.minFlags, 0x7FBu);
    EXPECT_EQ(info.maxWidth, 640);
    EXPECT_EQ(info.maxHeight, 480);
    EXPECT_EQ(info.maxFlags, 0x7FBu);
}

class VoodooEntry : public Voodoo {
protected:
    // Blocks in use on the engine heap whose owner file starts with prefix.
    int usedBlocks(const std::string &prefix)
    {
        mwLogOpen("heap");
        mwDMemData("voodoo_test", __LINE__);
        return countUsed(log(), "Owner " + prefix);
    }
    static int countUsed(const std::string &text, const std::string &owner)
    {
        int n = 0;
        for (size_t start = 0; start < text.size();) {
            size_t end = text.find('\n', start);
            end = end == std::string::npos ? text.size() : end;
            const std::string line = text.substr(start, end - start);
            n += line.rfind("USED", 0) == 0 && line.find(owner) != std::string::npos;
            start = end + 1;
        }
        return n;
    }
};

TEST_F(VoodooEntry, InfoAndClassInfoWithThePlugInInitialisedOrNot)
{
    mwPLUGIN_ENTRY *entry = add();
    mwPLUGIN_STATUS status{};
    mwPluginGetStatus(entry, &status);
    expectIdentity(status.info.name, status.info.description, int32_t(status.info.magic),
                   MW_PLUGIN_INFO_MAGIC);
    EXPECT_EQ(status.info.systemVersion, 1);
    EXPECT_EQ(status.info.pluginVersion, 1);
    EXPECT_EQ(status.info.pluginClass, MW_PLUGIN_CLASS_BLIT);
    EXPECT_STRNE(status.info.vendor, "");
    expectClassInfo(classInfo(entry));

    // Initialised and showing a picture: the query must leave the board running.
    ASSERT_TRUE(open());
    vd->fillRect(0, 0, 9, 9, 0, 1, 0);
    expectClassInfo(classInfo(entry_));
    EXPECT_EQ(pixel(5, 5), kGreen);
    vd->fillRect(0, 0, 9, 9, 0, 0, 1);
    EXPECT_EQ(pixel(5, 5), kBlue);
}

struct BoardCase {
    const char *megabytes;
    std::vector<mwBLIT_MODE> modes;
    uint32_t minFlags, maxFlags;
};

void PrintTo(const BoardCase &board, std::ostream *out) { *out << board.megabytes << " MB"; }

class VoodooModeTable : public Voodoo, public ::testing::WithParamInterface<BoardCase> {};

TEST_P(VoodooModeTable, FollowsTheFrameBufferSize)
{
    const BoardCase &board = GetParam();
    mwtest::setEnv("GLIDE2X_FBRAM", board.megabytes);
    const mwPLUGIN_CLASS_INFO info = classInfo(add());
    EXPECT_EQ(info.minWidth, 512);
    EXPECT_EQ(info.minHeight, 384);
    EXPECT_EQ(info.minFlags, board.minFlags);
    EXPECT_EQ(info.maxWidth, 640);
    EXPECT_EQ(info.maxHeight, 480);
    EXPECT_EQ(info.maxFlags, board.maxFlags);

    ASSERT_TRUE(load());
    const mwBLIT_MODE *list = vd->getModeList();
    std::vector<mwBLIT_MODE> listed;
    for (; list->width; ++list)
        listed.push_back(*list);
    ASSERT_EQ(listed.size(), board.modes.size());
    for (size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(listed[i].width, board.modes[i].width) << i;
        EXPECT_EQ(listed[i].height, board.modes[i].height) << i;
        EXPECT_EQ(listed[i].kind, MW_BLIT_KIND_LISTED) << i;
        EXPECT_EQ(listed[i].flags, board.modes[i].flags) << i;
    }
    // Every listed mode can be set on this board.
    for (const mwBLIT_MODE &mode : listed)
        EXPECT_EQ(1, vd->setMode(&mode, nullptr)) << mode.width << "x" << mode.height;
}

const std::vector<mwBLIT_MODE> kBothVariants = {
    {512, 384, MW_BLIT_KIND_LISTED, 0x7FB}, {512, 384, MW_BLIT_KIND_LISTED, 0x7FD},
    {640, 400, MW_BLIT_KIND_LISTED, 0x7FB}, {640, 400, MW_BLIT_KIND_LISTED, 0x7FD},
    {640, 480, MW_BLIT_KIND_LISTED, 0x7FB}, {640, 480, MW_BLIT_KIND_LISTED, 0x7FD}};

// 1 MB: 640x400 still fits two buffers (1,024,000 bytes), 640x480 only one.
INSTANTIATE_TEST_SUITE_P(Boards, VoodooModeTable,
                         ::testing::Values(BoardCase{"4", kBothVariants, 0x7FB, 0x7FB},
                                           BoardCase{"2", kBothVariants, 0x7FB, 0x7FB},
                                           BoardCase{"1",
                                                     {{512, 384, MW_BLIT_KIND_LISTED, 0x7F9},
                                                      {640, 400, MW_BLIT_KIND_LISTED, 0x7F9},
                                                      {640, 480, MW_BLIT_KIND_LISTED, 0x7F1}},
                                                     0x7F9,
                                                     0x7F1}),
                         [](const ::testing::TestParamInfo<BoardCase> &info) {
                             return std::string(info.param.megabytes) + "MB";
                         });

TEST_F(VoodooEntry, LoadingKeepsTheUsersGammaAndTurnsTheSplashOff)
{
    MW_ISOLATED([&] {
        mwtest::setEnv("SST_RGAMMA", "2.2");
        mwtest::setEnv("FX_GLIDE_NO_SPLASH", "0");
        for (const char *name : {"SST_GGAMMA", "SST_BGAMMA", "SST_SCREENREFRESH"})
            mwtest::setEnv(name, nullptr);
        add();
        EXPECT_STREQ(std::getenv("SST_RGAMMA"), "2.2");
        EXPECT_STREQ(std::getenv("FX_GLIDE_NO_SPLASH"), "1");
        EXPECT_STREQ(std::getenv("SST_GGAMMA"), "1.0");
        EXPECT_STREQ(std::getenv("SST_BGAMMA"), "1.0");
        EXPECT_STREQ(std::getenv("SST_SCREENREFRESH"), "60");
    });
}

TEST_F(VoodooEntry, InitRefusesASecondCallAndMissingServices)
{
    ASSERT_TRUE(open());
    EXPECT_EQ(0, mwPluginLoad(entry_));
    EXPECT_EQ(1, count(log(), "VOODOO, illegal driver function packet"));
    mwBLIT_MODE mode{};
    EXPECT_EQ(1, vd->getMode(&mode)) << "the first initialisation still serves";
    EXPECT_EQ(mode.width, 512);

    HMODULE module = LoadLibraryA(loggingPlugin().c_str());
    auto *init = reinterpret_cast<mwPLUGIN_INIT_FN *>(
        reinterpret_cast<void (*)(void)>(GetProcAddress(module, MW_PLUGIN_EXPORT_INIT)));
    ASSERT_NE(init, nullptr);
    unload();
    EXPECT_EQ(nullptr, init(nullptr));
    const mwPLUGIN_SERVICES noFree{mwMemAlloc, mwDMemAlloc, nullptr};
    EXPECT_EQ(nullptr, init(&noFree));
    const mwPLUGIN_SERVICES noAlloc{mwMemAlloc, nullptr, mwDMemFree};
    EXPECT_EQ(nullptr, init(&noAlloc));
    FreeLibrary(module);
}

TEST_F(VoodooEntry, OnlyTheLoggingBuildWritesTheReportLog)
{
    ASSERT_TRUE(load(deliveredPlugin()));
    vd->fillRect(0, 0, 3, 3, 1, 1, 1);
    unload();
    EXPECT_EQ(0, count(log(), "* VOODOO : "));

    mwPluginRemoveAll(MW_PLUGIN_CLASS_ANY);
    ASSERT_TRUE(open());
    vd->endScene();
    unload();
    const std::string text = log();
    EXPECT_EQ(1, count(text, "* VOODOO : Initialized voodoo card 0 type 1 \n"));
    EXPECT_EQ(1, count(text, "* VOODOO : Frame buffer : 4096.00k\n"));
    EXPECT_EQ(1, count(text, "* VOODOO : TMU 1        : 4096.00k\n"));
    EXPECT_EQ(1, count(text, "* VOODOO : TMU 0 Cache  : 0x0 - 0x400000\n"));
    EXPECT_EQ(1, count(text, "* VOODOO : Mode 3h, 512x384 double buffering with depth buffering\n"));
    EXPECT_EQ(1, count(text, "* VOODOO : Through-put\n"));
    // One frame after a full-screen clear: every pixel written once.
    EXPECT_EQ(1, count(text, "  Avg DC In            : 1\n"));
    EXPECT_EQ(1, count(text, "  Fifo free avg.       : 0 (of 30975)\n"));
    EXPECT_EQ(1, count(text, "* VOODOO : Deinitialized\n"));
}

TEST_F(VoodooEntry, EveryAllocationCarriesThePlugInsOwnerAndIsReturned)
{
    ASSERT_TRUE(open());
    mwBITMAP *source = picture(MW_IMAGE_RGB_565, 8, 8, [](int, int) { return kRed; });
    mwCARDBITMAP *card = vd->createBitmap(source, MW_BLIT_BITMAP_PRIVATE);
    mwbFONT *font = static_cast<mwbFONT *>(mwDMemAlloc("voodoo_test", __LINE__, sizeof(mwbFONT)));
    std::memset(font, 0, sizeof *font);
    for (mwbGLYPH &glyph : font->glyph)
        glyph.page = -1;
    font->pageCount = 1;
    font->pages = source;
    mwCARDFONT *cardFont = vd->createFont(font, MW_BLIT_BITMAP_PRIVATE);
    ASSERT_TRUE(card && cardFont);
    // The vertex cache; two card bitmaps with their copies; the font's
    // record, handle array and glyph table.
    EXPECT_EQ(usedBlocks("vd"), 8);
    for (const char *owner : {"vdrend", "vdbitmap", "vdfont"})
        EXPECT_GT(usedBlocks(owner), 0) << owner;

    EXPECT_EQ(1, vd->freeBitmap(card));
    EXPECT_EQ(1, vd->freeFont(cardFont));
    unload();
    EXPECT_EQ(usedBlocks("vd"), 0);
    mwDMemFree("voodoo_test", __LINE__, font);
    mwbFree(source);
}

} // namespace
