// The texture cache: first fit by address, 8-byte alignment, the 2 MB rule
// and least-recently-used eviction, per texture unit.
#include "vdcache.h"

#include "vdlog.h"
#include "vdstate.h"

namespace {

constexpr uint32_t kAlign = 8;
constexpr uint32_t kBoundaryStep = 0x200000; // no texture straddles this line above the start

struct Unit {
    int32_t accesses;
    int32_t misses;
    uint32_t start;    // lowest usable address, rounded up to kAlign
    uint32_t end;      // one past the highest usable address
    uint32_t boundary; // start + 2 MB
    vdCACHE_ENTRY sentinel;
};

Unit units[VD_MAX_TMUS];

// 64-bit address arithmetic: a candidate moved to the boundary may lie
// beyond the end of a small unit.
int64_t aligned(int64_t address) { return (address + kAlign - 1) & ~int64_t(kAlign - 1); }

// A texture that would cross the 2 MB line starts on it instead.
int64_t clearOfBoundary(const Unit &unit, int64_t candidate, uint32_t size)
{
    if (candidate < unit.boundary && candidate + size > unit.boundary)
        return unit.boundary;
    return candidate;
}

void linkAddress(vdCACHE_ENTRY *entry, vdCACHE_ENTRY *before)
{
    entry->next = before;
    entry->prev = before->prev;
    before->prev->next = entry;
    before->prev = entry;
}

// The sentinel's older neighbour is the most recent use.
void linkMostRecent(Unit &unit, vdCACHE_ENTRY *entry)
{
    vdCACHE_ENTRY *sentinel = &unit.sentinel;
    entry->newer = sentinel;
    entry->older = sentinel->older;
    sentinel->older->newer = entry;
    sentinel->older = entry;
}

void unlinkUse(vdCACHE_ENTRY *entry)
{
    entry->older->newer = entry->newer;
    entry->newer->older = entry->older;
}

bool empty(const Unit &unit) { return unit.sentinel.next == &unit.sentinel; }

// First fit by address; on success the entry sits in both chains.
bool place(Unit &unit, vdCACHE_ENTRY *entry)
{
    const uint32_t size = entry->size;
    int64_t candidate = unit.start;
    vdCACHE_ENTRY *sentinel = &unit.sentinel;
    vdCACHE_ENTRY *before = sentinel;
    for (vdCACHE_ENTRY *resident = sentinel->next; resident != sentinel; resident = resident->next) {
        candidate = clearOfBoundary(unit, aligned(candidate), size);
        if (candidate + size <= resident->address) {
            before = resident;
            break;
        }
        candidate = int64_t(resident->address) + resident->size;
    }
    if (before == sentinel) {
        candidate = clearOfBoundary(unit, aligned(candidate), size);
        if (candidate + size > unit.end)
            return false;
    }
    entry->address = uint32_t(candidate);
    linkAddress(entry, before);
    linkMostRecent(unit, entry);
    return true;
}

void unitReport(int index)
{
    const Unit &unit = units[index];
    vdLogTagged("Cache for TMU %d\n", index);
    vdLogPrintf("  Accesses  : %d\n  Misses    : %d\n", unit.accesses, unit.misses);
    if (unit.accesses == 0)
        vdLogPrintf("  Miss rate : N/A\n");
    else
        vdLogPrintf("  Miss rate : %.2f%%\n", double(unit.misses) / unit.accesses * 100.0);
    for (const vdCACHE_ENTRY *e = unit.sentinel.next; e != &unit.sentinel; e = e->next)
        vdLogPrintf("    0x%X : size %d\n", e->address, int(e->size));
}

} // namespace

void vdCacheInit(void)
{
    for (int i = 0; i < VD_MAX_TMUS; ++i) {
        Unit &unit = units[i];
        unit = Unit{};
        vdCACHE_ENTRY *sentinel = &unit.sentinel;
        sentinel->next = sentinel->prev = sentinel->older = sentinel->newer = sentinel;
        if (i >= vdState.tmuCount)
            continue;
        unit.start = (grTexMinAddress(i) + kAlign - 1) & ~(kAlign - 1);
        unit.end = grTexMaxAddress(i);
        unit.boundary = unit.start + kBoundaryStep;
        vdLogTagged("TMU %d Cache  : 0x%x - 0x%x\n", i, unit.start, unit.end);
    }
}

int vdCacheSelect(int index, vdCACHE_ENTRY *entry)
{
    if (index < 0 || index >= vdState.tmuCount || !entry)
        return 0;
    Unit &unit = units[index];
    unit.accesses += 1;
    if (entry->resident && entry->unit == index) {
        grTexSource(index, entry->address, GR_MIPMAPLEVELMASK_BOTH, &entry->info);
        unlinkUse(entry);
        linkMostRecent(unit, entry);
        return 1;
    }
    if (entry->resident)
        vdCacheFree(entry);
    unit.misses += 1;
    if (entry->size > uint32_t(vdState.tmuBytes[index])) {
        vdLogTagged("vdCacheSelect: Texture will not fit in memory\n");
        return 0;
    }
    while (!place(unit, entry)) {
        // An empty unit that still has no room (start rounding, the 2 MB
        // line) never will: stop instead of evicting from nothing.
        if (empty(unit)) {
            vdLogTagged("vdCacheSelect: Texture will not fit in memory\n");
            return 0;
        }
        vdCacheFree(unit.sentinel.newer);
    }
    entry->unit = index;
    entry->resident = 1;
    grTexDownloadMipMap(index, entry->address, GR_MIPMAPLEVELMASK_BOTH, &entry->info);
    grTexSource(index, entry->address, GR_MIPMAPLEVELMASK_BOTH, &entry->info);
    return 1;
}

void vdCacheFree(vdCACHE_ENTRY *entry)
{
    if (!entry->resident || !entry->older || !entry->newer) {
        vdLogTagged("vdCacheFree: entry not linked into cache chain\n");
        return;
    }
    entry->resident = 0;
    entry->prev->next = entry->next;
    entry->next->prev = entry->prev;
    unlinkUse(entry);
    entry->next = entry->prev = entry->older = entry->newer = nullptr;
}

void vdCacheReport(void)
{
    for (int i = 0; i < vdState.tmuCount; ++i)
        unitReport(i);
    vdLogRuler();
}

void vdCacheShutdown(void)
{
    for (Unit &unit : units) {
        vdCACHE_ENTRY *sentinel = &unit.sentinel;
        while (sentinel->next && sentinel->next != sentinel)
            vdCacheFree(sentinel->next);
    }
}
