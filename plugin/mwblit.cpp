// Blit library: choosing the display driver, binding its packet into the 57
// driver globals, and choosing the screen mode.
#include "mwblit.h"

#include <span>

#include "mwblit_internal.h"
#include "mwnames.h"
#include "mwplugin.h"

// NULL until mwBlitSelect binds a packet.
#define MW_BLIT_DEFINE(slot, Global, field, result, args) mwBLIT_##Global##_FN *mwBlit##Global = nullptr;
MW_BLIT_SLOTS(MW_BLIT_DEFINE)
#undef MW_BLIT_DEFINE

namespace {

constexpr char kTag[] = "MWBLIT";

struct Weight {
    uint32_t bit;
    int points;
};

// Filtering drivers start at 10, or 20 with a depth buffer as well.
constexpr Weight kFilteredWeights[] = {
    {0x008, 9}, {0x010, 8}, {0x020, 7}, {0x040, 6}, {0x400, 5},
    {0x080, 4}, {0x004, 3}, {0x100, 2}, {0x200, 1},
};
// Point-sampling drivers start at 0.
constexpr Weight kPointWeights[] = {
    {0x008, 10}, {0x010, 9}, {0x020, 8}, {0x040, 7}, {0x080, 6},
    {0x004, 3},  {0x100, 2}, {0x400, 2}, {0x200, 2}, {0x002, 1},
};

} // namespace

int mwBlitCapsScore(uint32_t caps)
{
    const bool filtered = caps & MW_BLIT_FLAG_FILTER;
    int score = !filtered ? 0 : (caps & MW_BLIT_FLAG_DEPTH) ? 20 : 10;
    const std::span<const Weight> weights =
        filtered ? std::span<const Weight>(kFilteredWeights) : kPointWeights;
    for (const Weight &weight : weights)
        if (caps & weight.bit)
            score += weight.points;
    return score;
}

mwPLUGIN_ENTRY *mwBlitFindDevice(uint32_t required, const char *name)
{
    mwPLUGIN_LIST *list = mwPluginGetList(MW_PLUGIN_CLASS_BLIT);
    mwPLUGIN_ENTRY *chosen = nullptr;
    if (name && *name) {
        // A named device is that device or none: its caps must be exactly
        // the ones required.
        mwLogTagged(kTag, "Finding device \"%s\"\n", name);
        for (int i = 0; i < list->count && !chosen; ++i) {
            mwPLUGIN_CLASS_INFO info{};
            if (mwPluginGetClassInfo(list->entries[i], MW_PLUGIN_CLASS_BLIT, &info) &&
                mwSameName(info.name, name, sizeof info.name) && (required == 0 || info.caps == required))
                chosen = list->entries[i];
        }
    } else {
        int best = -1;
        for (int i = 0; i < list->count; ++i) {
            mwPLUGIN_CLASS_INFO info{};
            if (!mwPluginGetClassInfo(list->entries[i], MW_PLUGIN_CLASS_BLIT, &info) ||
                (info.caps & required) != required)
                continue;
            // Strictly better only: on equal scores the earlier entry stays.
            const int score = mwBlitCapsScore(info.caps);
            if (score > best) {
                best = score;
                chosen = list->entries[i];
            }
        }
    }
    mwPluginFreeList(list);
    return chosen;
}

void mwBlitSelect(mwPLUGIN_ENTRY *entry)
{
    const auto *packet =
        static_cast<const mwDRIVER_PACKET *>(mwPluginGetInterface(entry, MW_PLUGIN_CLASS_BLIT));
    if (!packet)
        mwFatal("mwBlitSelect: Cannot access blit plugin interface");
#define MW_BLIT_BIND(slot, Global, field, result, args) mwBlit##Global = packet->field;
    MW_BLIT_SLOTS(MW_BLIT_BIND)
#undef MW_BLIT_BIND
}

int mwBlitSetClosestMode(int width, int height, int kind)
{
    // Before a driver is bound there is no mode to choose.
    if (!mwBlitGetModeList || !mwBlitSetMode)
        return 0;
    const mwBLIT_MODE *mode = mwBlitGetModeList();
    if (!mode)
        return 0;
    // Differences are compared as unsigned 32-bit numbers, so the best of
    // 0 by 0 that the search starts from is beaten by any covering mode of a
    // positive request, and a request of 0 chooses nothing.
    const uint32_t wantWidth = static_cast<uint32_t>(width);
    const uint32_t wantHeight = static_cast<uint32_t>(height);
    uint32_t bestWidth = 0, bestHeight = 0;
    const mwBLIT_MODE *best = nullptr;
    for (; mode->width != 0; ++mode) {
        if (kind != MW_BLIT_KIND_ANY && mode->kind != kind)
            continue;
        const uint32_t modeWidth = static_cast<uint32_t>(mode->width);
        const uint32_t modeHeight = static_cast<uint32_t>(mode->height);
        if (mode->width >= width && mode->height >= height && modeWidth - wantWidth < bestWidth - wantWidth &&
            modeHeight - wantHeight < bestHeight - wantHeight) {
            best = mode;
            bestWidth = modeWidth;
            bestHeight = modeHeight;
        }
    }
    if (!best)
        return 0;
    const mwBLIT_MODE chosen = *best;
    mwLogTagged(kTag, "mwBlitSetClosestMode: %d,%d -> %d,%d\n", width, height, chosen.width, chosen.height);
    return mwBlitSetMode(&chosen, nullptr);
}
