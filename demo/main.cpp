// Lumenfall: the screensaver's main program and demo sequencer. It starts
// the kernel, brings up the voodoo display plug-in, binds the stopping
// inputs, runs the light tracing part until one of them fires and takes
// everything down again in order.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "datafiles.h"
#include "framepace.h"
#include "lightprt.h"
#include "mwblit.h"
#include "mwcon.h"
#include "mwinput.h"
#include "mwkernel.h"
#include "mwhost.h"
#include "mwplugin.h"
#include "mwrender.h"
#include "mwwin32.h"
#include "runopts.h"
#include "snapshot.h"

namespace {

const char kApplicationName[] = "Zur Iror - Build: 1186";
constexpr int kBlockBytes = 0x600000;
constexpr int kDynamicBytes = 0x500000;
constexpr int kRayCount = 300;

//---- About box ---------------------------------------------------------------

// Every line after the first is indented by ten tabs and three blanks.
#define ABOUT_INDENT "\t\t\t\t\t\t\t\t\t\t   "
const char kAboutCaption[] = "Lumenfall by Zur Iror, 1998";
const char kAboutText[] =
    "Lumenfall - Light Tracing Screensaver\n" ABOUT_INDENT
    "Code: Zur Iror, on the Marrow engine\n" ABOUT_INDENT
    "Display: the voodoo plug-in on a Glide 2.x board\n" ABOUT_INDENT
    "POO.TGA and VOODOO.DLL must be in the local dir (in windows dir if installed)\n" ABOUT_INDENT
    "Edit POO.TGA if you want to change the picture (Black is an Occluder)\n";
#undef ABOUT_INDENT

void showAboutBox(void *owner)
{
    MSGBOXPARAMSA box{};
    box.cbSize = sizeof box;
    box.hwndOwner = static_cast<HWND>(owner);
    box.lpszText = kAboutText;
    box.lpszCaption = kAboutCaption;
    box.dwStyle = MB_OK;
    MessageBoxIndirectA(&box);
}

//---- Inputs ------------------------------------------------------------------

enum Action { I_NONE, I_QUIT, I_STEP, I_MOUSEX, I_MOUSEY, I_MOUSE1, I_MOUSE2, ACTION_COUNT };
int8_t actions[ACTION_COUNT];

struct Binding {
    int code;
    Action action;
    const char *inputName;
    const char *actionName;
};
const Binding kBindings[] = {
    {MWI_KEY_ESCAPE, I_QUIT, "MWI_KEY_ESCAPE", "I_QUIT"},
    {MWI_KEY_SPACE, I_STEP, "MWI_KEY_SPACE", "I_STEP"},
    {MWI_MOUSE_X_AXIS, I_MOUSEX, "MWI_MOUSE_X_AXIS", "I_MOUSEX"},
    {MWI_MOUSE_Y_AXIS, I_MOUSEY, "MWI_MOUSE_Y_AXIS", "I_MOUSEY"},
    {MWI_MOUSE_BUTTON1, I_MOUSE1, "MWI_MOUSE_BUTTON1", "I_MOUSE1"},
    {MWI_MOUSE_BUTTON2, I_MOUSE2, "MWI_MOUSE_BUTTON2", "I_MOUSE2"},
};

void demoBindInputs()
{
    mwLogTagged("INPUT", "Initialized default bindings\n");
    mwiSetActions(actions, ACTION_COUNT);
    for (const Binding &b : kBindings)
        if (!mwiBind(b.code, b.action))
            mwFatal("Cannot bind input %s to %s\n", b.inputName, b.actionName);
}

// Escape, a mouse move or either button; Space (I_STEP) does not stop.
bool userStopped()
{
    return actions[I_QUIT] || actions[I_MOUSEY] || actions[I_MOUSEX] || actions[I_MOUSE1] ||
           actions[I_MOUSE2];
}

// A tap shorter than a frame brings its press and its release in the same
// poll, which leaves the action at 0; the poll's key events still show it.
bool escapeTapped()
{
    int count = 0;
    const int32_t *events = mwiGetKeyEvents(&count);
    for (int i = 0; i < count; ++i)
        if (events[i] == (MWI_KEY_ESCAPE | MWI_KEY_PRESSED))
            return true;
    return false;
}

//---- Set-up and shutdown -------------------------------------------------------

mwrRENDERSTATE *renderState;

// Two signed 16-bit halves: major in the high half, minor in the low one.
int versionMajor(int32_t version) { return int16_t(uint32_t(version) >> 16); }
int versionMinor(int32_t version) { return int16_t(uint32_t(version) & 0xFFFF); }

void logPlugins()
{
    mwLogRuler();
    mwPLUGIN_LIST *list = mwPluginGetList(MW_PLUGIN_CLASS_ANY);
    for (int i = 0; i < list->count; ++i) {
        mwPLUGIN_STATUS status;
        if (!mwPluginGetStatus(list->entries[i], &status))
            continue;
        mwLogPrintf("%s, %s\nSystem v%d.%d, Plugin v%d.%d, %s\n", status.path, status.info.description,
                    versionMajor(status.info.systemVersion), versionMinor(status.info.systemVersion),
                    versionMajor(status.info.pluginVersion), versionMinor(status.info.pluginVersion),
                    status.loaded ? "loaded" : "not-loaded");
    }
    mwPluginFreeList(list);
    mwLogRuler();
}

void demoSetup()
{
    renderState = mwrInit();
    // The host, not the user, ends a run in a host's window (the Display
    // settings' preview gets no input at all: DirectInput takes top-level
    // windows only).
    if (!mwHostHasHostWindow())
        mwiInit();
    demoBindInputs();

    searchPlugins();
    mwPLUGIN_ENTRY *display = mwBlitFindDevice(0, "voodoo");
    if (!display)
        mwFatal("Voodoo device driver not found");
    mwPLUGIN_STATUS status;
    if (!mwPluginGetStatus(display, &status))
        mwFatal("Cannot get plugin status for display driver");
    if (!mwPluginLoad(display))
        mwFatal("Cannot initialize \"%s\"", status.info.description);
    mwBlitSelect(display);
    mwPluginLoadAll(MW_PLUGIN_CLASS_AUX1);
    mwPluginLoadAll(MW_PLUGIN_CLASS_AUX3);
    logPlugins();
    mwPluginPurge(MW_PLUGIN_CLASS_ANY);

    const mwBLIT_MODE mode = {512, 384, MW_BLIT_KIND_ANY, 0};
    if (!mwBlitSetMode(&mode, mwGetMainWindow()))
        mwFatal("Cannot set mode with \"%s\"", status.info.description);
    mwBlitSetRenderState(renderState);
    // Both buffers black, each held for 60 retraces.
    mwBlitClear(0, 0);
    mwBlitSwapBuffers(60);
    mwBlitClear(0, 0);
    mwBlitSwapBuffers(60);
    mwConInit();
}

void demoShutdown()
{
    mwConDeinit();
    mwiDeinit();
    mwrDeinit();
    mwPluginRemoveAll(MW_PLUGIN_CLASS_ANY);
}

//---- The run -----------------------------------------------------------------

struct RunResult {
    long frames = 0;
    double seconds = 0.0; // wall time of the frame loop
    bool snapshotFailed = false;
};

void showMessage(const char *text)
{
    mwConPrintf("%s", text);
    mwConDraw();
    mwBlitSwapBuffers(1);
}

// The last frame shown in the main window, as a PNG file.
bool saveSnapshot(const std::string &path)
{
    std::string error;
    if (saveFrameSnapshot(path, error))
        return true;
    std::fprintf(stderr, "lumenfall: cannot save the snapshot %s: %s\n", path.c_str(), error.c_str());
    return false;
}

RunResult demoRun(const RunOptions &options)
{
    showMessage("Setting up demo\n");
    lightPartSetup(kRayCount);
    showMessage("Starting...\n");

    RunResult result;
    const uint32_t start = mwGetTicks();
    const auto wallStart = std::chrono::steady_clock::now();
    const auto wallSeconds = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    };
    FramePacer pacer(frameCap(options, mwHostIsHeadless(), static_cast<HWND>(mwGetMainWindow())));
    bool tapped = false;
    while (!userStopped() && !tapped && !mwStopRequested()) {
        if (options.frames && result.frames >= options.frames)
            break;
        if (options.seconds > 0.0 && wallSeconds() >= options.seconds)
            break;
        mwiPoll();
        tapped = escapeTapped();
        ++result.frames;
        const float seconds = demoSeconds(options, result.frames, start, mwGetTicks());
        mwBlitBeginScene();
        mwBlitClear(0, 0);
        lightPartFrame(seconds * 18.0f);
        mwBlitEndScene();
        mwConDraw();
        pacer.wait();
        mwBlitSwapBuffers(0);
    }
    result.seconds = wallSeconds();
    // Before the messages below swap other buffers onto the screen.
    if (!options.snapshot.empty())
        result.snapshotFailed = !saveSnapshot(options.snapshot);

    showMessage("Freeing all resources\n");
    lightPartFree();
    mwConPrintf("Finished demo, freeing extra resources\n");
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    RunOptions options;
    std::string error;
    if (!parseRunOptions(argc, argv, kLumenfallProgram, options, error)) {
        std::fprintf(stderr, "lumenfall: %s\n", error.c_str());
        printUsage(stderr, kLumenfallProgram);
        return 2;
    }
    if (options.about) {
        showAboutBox(mwHostAboutOwner(argc, argv));
        return 0;
    }
    if (options.help) {
        printUsage(stdout, kLumenfallProgram);
        return 0;
    }
    if (options.headless) {
        mwHostSetMode(MW_HOST_HEADLESS);
    } else {
        if (mwHostUseScreenSaverHost(argc, argv, options.windowId, options.root) < 0) {
            std::fprintf(stderr, "lumenfall: the screen saver host's window is not a window number\n");
            return 2;
        }
        if (options.window)
            mwHostSetMode(MW_HOST_WINDOW);
    }

    if (!mwInit(kBlockBytes, kDynamicBytes, kApplicationName))
        return 0;
    demoSetup();
    lightPartSetPicture(options.picture.empty() ? findDataFile("POO.TGA").c_str() : options.picture.c_str());
    mwConPrintf("%s\n", kApplicationName);
    const RunResult result = demoRun(options);
    mwDMemData("main", 75);
    mwMemData("main", 76);
    demoShutdown();
    mwShutdown();

    if (options.fps)
        std::printf("%ld frames in %.2f s: %.1f frames per second\n", result.frames, result.seconds,
                    result.seconds > 0.0 ? double(result.frames) / result.seconds : 0.0);
    return result.snapshotFailed ? 1 : 0;
}
