// The plug-in's library entry and its four exports: Glide start-up and
// shutdown, board detection and the driver function packet.
#include "mwplugin.h"
#include "vdcache.h"
#include "vdlog.h"
#include "vdmode.h"
#include "vdrend.h"
#include "vdslots.h"
#include "vdstate.h"
#include "vdstats.h"

#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

const char kName[] = "VOODOO";
const char kDescription[] = "Voodoo Graphics/Rush Plugin Build 0217";
const char kVendor[] = "Lumenfall";
constexpr int32_t kPluginVersion = 1;
constexpr int32_t kClassVersion = 6;
constexpr int32_t kDriverVersion = 1;

mwDRIVER_PACKET packet = {
#define VD_PACKET_SLOT(slot, Global, field, result, args) vd##Global,
    MW_BLIT_SLOTS(VD_PACKET_SLOT)
#undef VD_PACKET_SLOT
};

void setEnvironment(const char *name, const char *value, bool replace)
{
    if (!replace && std::getenv(name))
        return;
#if defined(_WIN32)
    _putenv_s(name, value);
#else
    setenv(name, value, 1);
#endif
}

// Before Glide starts: no splash screen, and neutral gamma and a 60 Hz
// refresh unless the user chose otherwise.
void processAttach(void)
{
    setEnvironment("FX_GLIDE_NO_SPLASH", "1", true);
    setEnvironment("SST_RGAMMA", "1.0", false);
    setEnvironment("SST_GGAMMA", "1.0", false);
    setEnvironment("SST_BGAMMA", "1.0", false);
    setEnvironment("SST_SCREENREFRESH", "60", false);
}

void processDetach(void) { grGlideShutdown(); }

// Asks Glide for board 0; Glide is left shut down unless keepRunning.
bool queryHardware(GrHwConfiguration &hardware, int &megabytes, int &tmus, bool keepRunning)
{
    grGlideInit();
    const bool found =
        grSstQueryHardware(&hardware) && hardware.num_sst >= 1 && vdBoardRead(&hardware, &megabytes, &tmus);
    if (!found || !keepRunning)
        grGlideShutdown();
    return found;
}

template <size_t N>
void copyText(char (&to)[N], const char *from)
{
    std::strncpy(to, from, N - 1);
    to[N - 1] = '\0';
}

// Both info records name the plug-in alike.
template <typename Info>
void copyNames(Info &info)
{
    copyText(info.name, kName);
    copyText(info.description, kDescription);
    copyText(info.vendor, kVendor);
}

} // namespace

vdSTATE vdState;

int vdBoardRead(const GrHwConfiguration *hardware, int *frameBufferMegabytes, int *tmuCount)
{
    const auto &board = hardware->SSTs[0];
    switch (board.type) {
    case GR_SSTTYPE_VOODOO:
    case GR_SSTTYPE_Voodoo2:
        *frameBufferMegabytes = board.sstBoard.VoodooConfig.fbRam;
        *tmuCount = board.sstBoard.VoodooConfig.nTexelfx;
        break;
    case GR_SSTTYPE_SST96:
        *frameBufferMegabytes = board.sstBoard.SST96Config.fbRam;
        *tmuCount = board.sstBoard.SST96Config.nTexelfx;
        break;
    default: return 0;
    }
    // Units beyond those the plug-in handles are left unused.
    if (*tmuCount > VD_MAX_TMUS)
        *tmuCount = VD_MAX_TMUS;
    return *frameBufferMegabytes > 0 && *tmuCount >= 0;
}

#if defined(_WIN32)
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        processAttach();
    else if (reason == DLL_PROCESS_DETACH)
        processDetach();
    return TRUE;
}
#else
__attribute__((constructor)) static void vdLibraryLoad(void) { processAttach(); }
__attribute__((destructor)) static void vdLibraryUnload(void) { processDetach(); }
#endif

extern "C" {

MW_PLUGIN_EXPORT int32_t _mwGetPluginInfo(mwPLUGIN_INFO *info)
{
    if (!info)
        return 0;
    info->magic = MW_PLUGIN_INFO_MAGIC;
    info->systemVersion = MW_PLUGIN_SYSTEM_VERSION;
    info->pluginVersion = kPluginVersion;
    copyNames(*info);
    info->pluginClass = MW_PLUGIN_CLASS_BLIT;
    return 1;
}

MW_PLUGIN_EXPORT int32_t _mwGetPluginClassInfo(void *buffer)
{
    if (!buffer)
        return 0;
    // A running plug-in answers from the board it holds: starting Glide
    // again would reset it, and shutting it down would close the display.
    int megabytes = 0, tmus = 0;
    if (vdState.initialised) {
        vdBoardRead(&vdState.hardware, &megabytes, &tmus);
    } else {
        GrHwConfiguration hardware;
        if (!queryHardware(hardware, megabytes, tmus, false))
            return 0;
    }
    int smallest = 0, largest = 0;
    vdModeTableBuild(megabytes << 20, &smallest, &largest);

    auto *info = static_cast<mwPLUGIN_CLASS_INFO *>(buffer);
    std::memset(info, 0, sizeof *info);
    info->magic = MW_BLIT_CLASS_INFO_MAGIC;
    info->classVersion = kClassVersion;
    info->driverVersion = kDriverVersion;
    copyNames(*info);
    info->caps = MW_BLIT_CAPS_ALL;
    info->reserved = 1;
    info->textureUnits = tmus;
    info->minWidth = vdModeTable[smallest].width;
    info->minHeight = vdModeTable[smallest].height;
    info->minFlags = vdModeTable[smallest].flags;
    info->maxWidth = vdModeTable[largest].width;
    info->maxHeight = vdModeTable[largest].height;
    info->maxFlags = vdModeTable[largest].flags;
    return 1;
}

MW_PLUGIN_EXPORT void *_mwPluginInit(const mwPLUGIN_SERVICES *services)
{
    if (vdState.initialised || !services || !services->dmemAlloc || !services->dmemFree)
        return nullptr;
    vdState = vdSTATE{};
    vdState.heapAlloc = services->dmemAlloc;
    vdState.heapFree = services->dmemFree;
    int megabytes = 0;
    if (!queryHardware(vdState.hardware, megabytes, vdState.tmuCount, true)) {
        vdState = vdSTATE{};
        return nullptr;
    }
    vdState.boardIndex = 0;
    vdState.boardType = vdState.hardware.SSTs[0].type;
    vdState.frameBufferBytes = megabytes << 20;
    vdLogTagged("Initialized voodoo card %d type %d \n", vdState.boardIndex, vdState.boardType);
    vdLogTagged("Frame buffer : %.2fk\n", vdState.frameBufferBytes / 1024.0);
    for (int unit = 0; unit < vdState.tmuCount; ++unit) {
        vdState.tmuBytes[unit] = int32_t(grTexMaxAddress(unit) - grTexMinAddress(unit));
        vdState.tmuMask |= uint8_t(1u << unit);
        vdLogTagged("TMU %d        : %.2fk\n", unit, vdState.tmuBytes[unit] / 1024.0);
    }
    int smallest = 0, largest = 0;
    vdModeTableBuild(vdState.frameBufferBytes, &smallest, &largest);
    vdCacheInit();
    if (!vdRendInit()) {
        grGlideShutdown();
        vdState = vdSTATE{};
        return nullptr;
    }
    vdStatsReset();
    vdState.initialised = 1;
    return &packet;
}

MW_PLUGIN_EXPORT int32_t _mwPluginDeinit(void)
{
    if (!vdState.initialised)
        return 0;
    vdCacheReport();
    vdCacheShutdown();
    vdState.tmuMask = 0;
    vdState.initialised = 0;
    grGlideShutdown();
    vdRendDeinit();
    vdStatsReport();
    vdState.currentMode = mwBLIT_MODE{};
    vdLogTagged("Deinitialized\n");
    return 1;
}

} // extern "C"
