// The kernel on the real Win32 (Windows, under Wine in CI): the main window
// of each run mode made by mwInit and taken down by mwShutdown, the AutoRun
// bit kept in the real registry, and a run inside the Display settings'
// preview whose frames reach the preview's window and which ends with it,
// the display plug-in and its board loaded and unloaded as DLLs.
#include <windows.h>

#include <string>
#include <thread>

#include "common_support.h"
#include "mwblit.h"
#include "mwhost.h"
#include "mwkernel.h"
#include "mwplugin.h"
#include "report_support.h"
#include "win32_capture.h"

namespace {

constexpr int kBlockBytes = 1 << 22;
constexpr int kDynamicBytes = 1 << 21;

HWND mainWindow() { return static_cast<HWND>(mwGetMainWindow()); }

std::string titleOf(HWND window)
{
    char title[256] = "";
    GetWindowTextA(window, title, sizeof title);
    return title;
}

TEST(WindowsKernel, EachRunModeMakesItsWindowAndShutdownTakesItDown)
{
    MW_ISOLATED([] {
        mwInit(kBlockBytes, kDynamicBytes, "Lumenfall");
        const HWND window = mainWindow();
        ASSERT_TRUE(IsWindow(window));
        EXPECT_EQ("Lumenfall", titleOf(window));
        EXPECT_NE(GetCurrentThreadId(), GetWindowThreadProcessId(window, nullptr)); // the event thread's
        // The saver covers the screen, above everything.
        RECT rect{};
        GetWindowRect(window, &rect);
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), rect.right - rect.left);
        EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), rect.bottom - rect.top);
        EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
        mwShutdown();
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(nullptr, mwGetMainWindow());
    });
    MW_ISOLATED([] {
        mwHostSetMode(MW_HOST_WINDOW);
        mwInit(kBlockBytes, kDynamicBytes, "Lumenfall");
        RECT client{};
        GetClientRect(mainWindow(), &client);
        EXPECT_TRUE(IsWindowVisible(mainWindow()));
        EXPECT_EQ(640, client.right);
        EXPECT_EQ(480, client.bottom);
        EXPECT_TRUE(GetWindowLongA(mainWindow(), GWL_STYLE) & WS_CAPTION);
        mwShutdown();
    });
    MW_ISOLATED([] {
        mwHostSetMode(MW_HOST_HEADLESS);
        mwInit(kBlockBytes, kDynamicBytes, "Lumenfall");
        EXPECT_TRUE(IsWindow(mainWindow()));
        EXPECT_FALSE(IsWindowVisible(mainWindow()));
        mwShutdown();
    });
}

//---- AutoRun ------------------------------------------------------------------

const char kPolicy[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

// The NoDriveTypeAutoRun value; -1 when there is none.
long long autoRun()
{
    DWORD value = 0, size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, kPolicy, "NoDriveTypeAutoRun", RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS)
        return -1;
    return value;
}

void setAutoRun(long long value)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CURRENT_USER, kPolicy, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    const DWORD word = DWORD(value);
    if (value < 0)
        RegDeleteValueA(key, "NoDriveTypeAutoRun");
    else
        RegSetValueExA(key, "NoDriveTypeAutoRun", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&word),
                       sizeof word);
    RegCloseKey(key);
}

TEST(WindowsKernel, TheAutoRunBitIsSetWhileUpAndPutBackAsItWasInTheRegistry)
{
    const long long before = autoRun();
    for (long long start : {0x95, 0xB5}) {
        setAutoRun(start);
        MW_ISOLATED([start] {
            mwHostSetMode(MW_HOST_HEADLESS);
            mwInit(kBlockBytes, kDynamicBytes, "Lumenfall");
            EXPECT_EQ(start | 0x20, autoRun());
            mwShutdown();
            EXPECT_EQ(start, autoRun());
        });
        EXPECT_EQ(start, autoRun());
    }
    // A report puts it back too, before the process ends.
    setAutoRun(0x95);
    EXPECT_EXIT(
        {
            mwHostSetMode(MW_HOST_HEADLESS);
            mwInit(kBlockBytes, kDynamicBytes, "Lumenfall");
            mwFatal("stop");
        },
        ::testing::ExitedWithCode(mwtest::kFatalExit), "stop");
    EXPECT_EQ(0x95, autoRun());
    setAutoRun(before);
}

//---- The preview --------------------------------------------------------------

// Plays the Display settings: a window of its own thread, which serves its
// messages (Windows sends the host's thread messages when the program makes
// its child) until the window is destroyed.
class PreviewHost {
public:
    PreviewHost()
        : thread_([this] {
              window_ = mwtest::screenWindow(40, 40, 320, 240);
              ready_ = true;
              MSG message;
              while (GetMessageA(&message, nullptr, 0, 0) > 0) {
                  if (message.message == kClose)
                      DestroyWindow(window_);
                  DispatchMessageA(&message);
                  if (!IsWindow(window_))
                      break;
              }
          })
    {
        while (!ready_)
            Sleep(1);
        threadId_ = GetWindowThreadProcessId(window_, nullptr);
    }
    ~PreviewHost()
    {
        close();
        thread_.join();
    }
    HWND window() const { return window_; }
    void close() { PostThreadMessageA(threadId_, kClose, 0, 0); }

private:
    static constexpr UINT kClose = WM_APP;
    HWND window_ = nullptr;
    DWORD threadId_ = 0;
    std::atomic<bool> ready_{false};
    std::thread thread_;
};

TEST(WindowsPreview, TheFramesReachThePreviewWindowAndItsEndEndsTheRun)
{
    MW_ISOLATED(([] {
        mwtest::TempDir folder;
        folder.enter();
        PreviewHost host;
        std::string handle = std::to_string(reinterpret_cast<uintptr_t>(host.window()));
        char program[] = "lumenfall", flag[] = "/p";
        char *argv[] = {program, flag, handle.data(), nullptr};
        ASSERT_EQ(1, mwHostUseScreenSaverHost(3, argv, 0, 0));
        mwInit(kBlockBytes, kDynamicBytes, "Lumenfall");
        const HWND child = mainWindow();
        EXPECT_EQ(host.window(), GetParent(child));
        RECT client{};
        GetClientRect(child, &client);
        EXPECT_EQ(320, client.right);
        EXPECT_EQ(240, client.bottom);

        ASSERT_EQ(1, mwPluginAdd(VOODOO_PLUGIN, MW_PLUGIN_CLASS_BLIT));
        mwPLUGIN_ENTRY *display = mwBlitFindDevice(0, "voodoo");
        ASSERT_NE(nullptr, display);
        ASSERT_EQ(1, mwPluginLoad(display));
        mwBlitSelect(display);
        const mwBLIT_MODE mode = {512, 384, MW_BLIT_KIND_ANY, 0};
        ASSERT_EQ(1, mwBlitSetMode(&mode, child));
        mwBlitClear(0xFF000000u, 0); // red: the plug-in packs colours as 0xRRGGBBAA
        mwBlitSwapBuffers(0);
        // What the host's window shows: the frame, scaled to the whole preview.
        mwtest::Capture shot;
        EXPECT_TRUE(mwtest::eventually([&] {
            shot = mwtest::capture(host.window());
            return shot.width == 320 && shot.at(0, 0) == 0xFF0000 && shot.at(319, 239) == 0xFF0000 &&
                   shot.at(160, 120) == 0xFF0000;
        }));

        host.close();
        EXPECT_TRUE(mwtest::eventually([] { return mwStopRequested() == 1; }));
        // Removing the plug-in unloads it and the board it loaded.
        EXPECT_NE(nullptr, GetModuleHandleA("voodoo.dll"));
        EXPECT_NE(nullptr, GetModuleHandleA("glide2x.dll"));
        mwPluginRemoveAll(MW_PLUGIN_CLASS_ANY);
        EXPECT_EQ(nullptr, GetModuleHandleA("voodoo.dll"));
        EXPECT_EQ(nullptr, GetModuleHandleA("glide2x.dll"));
        mwShutdown();
    }));
}

} // namespace
