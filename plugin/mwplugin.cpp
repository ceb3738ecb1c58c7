// The plug-in manager: one list of plug-in files, the checks of the plug-in
// contract, loading and unloading, and the class-0 status and exit handlers.
#include <cctype>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>

#include "mwblit.h"
#include "mwnames.h"
#include "mwplugin_entry.h"

namespace {

constexpr char kOwner[] = "mwplugin";
constexpr char kTag[] = "MWPLUGIN";

//---- The list and its guard
// Only the main thread changes the list. The class-0 status handler walks it
// on the event thread, so the links, magics and the loaded state change only
// under listLock. The lock is never held while calling into a plug-in (its
// status slot may take locks of its own, its deinit may wait for the event
// thread) nor while reporting (the exit handler takes it again). A status
// call in flight counts in statusCalls; unloading first hides the entry and
// then waits for that count to reach 0, so no plug-in is called during or
// after its deinit.
std::mutex listLock;
std::condition_variable statusCallsDone;
mwPLUGIN_ENTRY *head = nullptr;
mwPLUGIN_ENTRY *tail = nullptr;
// Set on the thread that is inside a status slot: a report from there runs
// the exit handler, which must not wait for the call it is nested in.
thread_local bool insideStatusCall = false;

using Guard = std::unique_lock<std::mutex>;
// The line of the check's caller, blamed in reports. __builtin_LINE in a
// default argument is what std::source_location does, and also builds with
// compilers whose library lacks source_location.
struct Where {
    static constexpr Where current(int line = __builtin_LINE()) { return Where{line}; }
    constexpr int line() const { return line_; }
    int line_;
};

// Filled afresh before every init; plug-ins copy what they need.
mwPLUGIN_SERVICES services;

[[noreturn]] void fail(const char *function, int code, Where where)
{
    mwError(kOwner, where.line(), function, code);
}

[[noreturn]] void fail(Guard &guard, const char *function, int code, Where where)
{
    guard.unlock();
    fail(function, code, where);
}

void checkClass(int pluginClass, const char *function, Where where = Where::current())
{
    const bool valid =
        (pluginClass >= 0 && pluginClass <= MW_PLUGIN_CLASS_MAX) || pluginClass == MW_PLUGIN_CLASS_ANY;
    if (!valid)
        fail(function, MW_ERR_NO_PLUGIN_CLASS, where);
}

void checkHandle(const mwPLUGIN_ENTRY *entry, const char *function, Where where = Where::current())
{
    if (!entry || entry->magic != MW_PLUGIN_ENTRY_MAGIC)
        fail(function, MW_ERR_NO_PLUGIN_HANDLE, where);
}

void checkPointer(const void *pointer, const char *function, Where where = Where::current())
{
    if (!pointer)
        fail(function, MW_ERR_INVALID_PARAMETER, where);
}

// Every step of a walk checks the entry it reaches.
void checkLink(Guard &guard, const mwPLUGIN_ENTRY *entry, const char *function, Where where)
{
    if (entry->magic != MW_PLUGIN_ENTRY_MAGIC)
        fail(guard, function, MW_ERR_PLUGIN_CHAIN_CORRUPT, where);
}

bool ofClass(const mwPLUGIN_ENTRY *entry, int pluginClass)
{
    return pluginClass == MW_PLUGIN_CLASS_ANY || entry->info.pluginClass == pluginClass;
}

// The first entry, head to tail, for which test(entry) holds; NULL if none.
template <typename Test>
mwPLUGIN_ENTRY *firstWhere(Guard &guard, const char *function, Test test, Where where = Where::current())
{
    for (mwPLUGIN_ENTRY *entry = head; entry; entry = entry->next) {
        checkLink(guard, entry, function, where);
        if (test(entry))
            return entry;
    }
    return nullptr;
}

// Runs act(entry) on every entry of the class with the lock released; the
// next entry is read first, so act may remove the entry it is given.
template <typename Act>
void forClass(int pluginClass, const char *function, Act act, Where where = Where::current())
{
    checkClass(pluginClass, function, where);
    Guard guard(listLock);
    mwPLUGIN_ENTRY *entry = head;
    while (entry) {
        checkLink(guard, entry, function, where);
        mwPLUGIN_ENTRY *next = entry->next;
        if (ofClass(entry, pluginClass)) {
            guard.unlock();
            act(entry);
            guard.lock();
        }
        entry = next;
    }
}

void append(mwPLUGIN_ENTRY *entry)
{
    entry->prev = tail;
    entry->next = nullptr;
    (tail ? tail->next : head) = entry;
    tail = entry;
}

void unlink(mwPLUGIN_ENTRY *entry)
{
    (entry->prev ? entry->prev->next : head) = entry->next;
    (entry->next ? entry->next->prev : tail) = entry->prev;
    entry->next = entry->prev = nullptr;
}

bool isLoaded(const mwPLUGIN_ENTRY *entry)
{
    Guard guard(listLock);
    return entry->loaded != 0;
}

//---- Text helpers

// Paths name the same file without regard to case or to which separator
// they use (the loader takes '\\' and '/' alike).
bool samePath(const char *a, const char *b)
{
    auto fold = [](char c) {
        return c == '\\' ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    };
    for (size_t i = 0; i < MW_PLUGIN_PATH_MAX; ++i) {
        if (fold(a[i]) != fold(b[i]))
            return false;
        if (a[i] == 0)
            return true;
    }
    return true;
}

// A plug-in's name is not terminated when it fills all twelve characters.
struct Name {
    explicit Name(const mwPLUGIN_INFO &info) { std::memcpy(text, info.name, sizeof info.name); }
    char text[MW_PLUGIN_NAME_MAX + 1] = {};
};

//---- The library side of the contract

class Library {
public:
    explicit Library(const char *path) : module_(LoadLibraryA(path)) {}
    ~Library()
    {
        if (module_)
            FreeLibrary(module_);
    }
    Library(const Library &) = delete;
    Library &operator=(const Library &) = delete;

    explicit operator bool() const { return module_ != nullptr; }

    template <typename Function>
    Function *find(const char *name) const
    {
        // Through void (*)(void), the one function type any other converts
        // to without a warning.
        using Plain = void (*)(void);
        return reinterpret_cast<Function *>(reinterpret_cast<Plain>(GetProcAddress(module_, name)));
    }

    // The module stays loaded beyond this object.
    HMODULE keep()
    {
        HMODULE module = module_;
        module_ = nullptr;
        return module;
    }

private:
    HMODULE module_;
};

// Reads and checks the info record of a library that is loaded for a load or
// a class info query: the info entry point, or NULL after logging why. The
// path names the library until its own name is known.
mwPLUGIN_GET_INFO_FN *checkedInfo(const Library &library, const char *path, mwPLUGIN_INFO &info)
{
    auto *getInfo = library.find<mwPLUGIN_GET_INFO_FN>(MW_PLUGIN_EXPORT_GET_INFO);
    if (!getInfo) {
        mwLogTagged(kTag, "%s, no mwGetPluginInfo entry point\n", path);
        return nullptr;
    }
    info = mwPLUGIN_INFO{};
    if (!getInfo(&info)) {
        mwLogTagged(kTag, "%s, mwGetPluginInfo failed\n", path);
        return nullptr;
    }
    if (info.magic != MW_PLUGIN_INFO_MAGIC) {
        mwLogTagged(kTag, "%s, mwPLUGIN_INFO magic id failed\n", path);
        return nullptr;
    }
    if (info.systemVersion != MW_PLUGIN_SYSTEM_VERSION) {
        mwLogTagged(kTag, "%s, invalid plugin system version\n", Name(info).text);
        return nullptr;
    }
    if (info.pluginClass < 0 || info.pluginClass > MW_PLUGIN_CLASS_MAX) {
        mwLogTagged(kTag, "%s, invalid plugin class\n", Name(info).text);
        return nullptr;
    }
    return getInfo;
}

// The info record of a library that is only being listed: false when it
// cannot be loaded, lacks an export or gives no record. Nothing is logged.
bool listedInfo(const char *path, mwPLUGIN_INFO &info)
{
    Library library(path);
    if (!library)
        return false;
    auto *getInfo = library.find<mwPLUGIN_GET_INFO_FN>(MW_PLUGIN_EXPORT_GET_INFO);
    if (!getInfo || !library.find<mwPLUGIN_GET_CLASS_INFO_FN>(MW_PLUGIN_EXPORT_GET_CLASS_INFO) ||
        !library.find<mwPLUGIN_INIT_FN>(MW_PLUGIN_EXPORT_INIT) ||
        !library.find<mwPLUGIN_DEINIT_FN>(MW_PLUGIN_EXPORT_DEINIT))
        return false;
    info = mwPLUGIN_INFO{};
    return getInfo(&info) != 0;
}

//---- Taking entries out of service

// Hides a loaded entry from the status handler, waits for its status calls
// in flight, then deinitialises it and frees its library without the lock.
int unload(mwPLUGIN_ENTRY *entry)
{
    Guard guard(listLock);
    if (!entry->loaded)
        return 0;
    entry->loaded = 0;
    if (!insideStatusCall)
        statusCallsDone.wait(guard, [entry] { return entry->statusCalls == 0; });
    mwPLUGIN_DEINIT_FN *deinit = entry->deinit;
    HMODULE module = entry->module;
    entry->module = nullptr;
    entry->getInfo = nullptr;
    entry->getClassInfo = nullptr;
    entry->init = nullptr;
    entry->deinit = nullptr;
    entry->packet = nullptr;
    guard.unlock();

    deinit();
    FreeLibrary(module);
    return 1;
}

// Unloads, unlinks and frees a listed entry.
void discard(mwPLUGIN_ENTRY *entry)
{
    unload(entry);
    {
        Guard guard(listLock);
        unlink(entry);
        entry->magic = 0;
    }
    mwDMemFree(kOwner, __LINE__, entry);
}

//---- Class-0 handlers

// Passes a foreground change on to every loaded display driver.
void blitStatus(int status, int value)
{
    Guard guard(listLock);
    for (mwPLUGIN_ENTRY *entry = head; entry; entry = entry->next) {
        checkLink(guard, entry, "mwPluginStatus", Where::current());
        if (!entry->loaded || entry->info.pluginClass != MW_PLUGIN_CLASS_BLIT)
            continue;
        mwBLIT_Status_FN *statusSlot = static_cast<const mwDRIVER_PACKET *>(entry->packet)->status;
        ++entry->statusCalls;
        guard.unlock();
        insideStatusCall = true;
        statusSlot(status, value);
        insideStatusCall = false;
        guard.lock();
        // Unloading waits for this call, so the entry is still allocated and
        // its link is read under the lock. One that the exit handler took off
        // the list meanwhile has no next and ends the walk.
        if (--entry->statusCalls == 0)
            statusCallsDone.notify_all();
    }
}

// On a fatal report: display drivers hand the display back before the error
// box shows. Entries of other classes stay. A broken link ends the walk
// quietly: a report from here would replace the one being made.
void blitExit(void)
{
    for (;;) {
        mwPLUGIN_ENTRY *entry = nullptr;
        {
            Guard guard(listLock);
            for (mwPLUGIN_ENTRY *e = head; e && e->magic == MW_PLUGIN_ENTRY_MAGIC; e = e->next) {
                if (e->info.pluginClass == MW_PLUGIN_CLASS_BLIT) {
                    entry = e;
                    break;
                }
            }
            if (!entry)
                return;
            unlink(entry);
            entry->magic = 0;
        }
        unload(entry);
        mwDMemFree(kOwner, __LINE__, entry);
    }
}

// Splits a search pattern into its drive and directory (kept for the paths
// of the files found) and its name and extension, which default to "*" and
// ".dll".
struct SearchPattern {
    explicit SearchPattern(const char *pattern)
    {
        const std::string text = pattern;
        const size_t drive = text.size() >= 2 && text[1] == ':' ? 2 : 0;
        const size_t slash = text.find_last_of("\\/");
        const size_t nameStart = slash == std::string::npos || slash < drive ? drive : slash + 1;
        folder = text.substr(0, nameStart);
        std::string name = text.substr(nameStart);
        const size_t dot = name.rfind('.');
        std::string extension = dot == std::string::npos ? "" : name.substr(dot);
        name = name.substr(0, dot);
        whole = folder + (name.empty() ? "*" : name) + (extension.empty() ? ".dll" : extension);
    }
    std::string folder; // drive and directory, separator included
    std::string whole;  // what to enumerate
};

} // namespace

//---- Listing

int mwPluginSearch(const char *pattern, int pluginClass)
{
    checkClass(pluginClass, "mwPluginSearch");
    checkPointer(pattern, "mwPluginSearch");
    const SearchPattern search(pattern);
    WIN32_FIND_DATAA found;
    HANDLE enumeration = FindFirstFileA(search.whole.c_str(), &found);
    if (enumeration == INVALID_HANDLE_VALUE)
        return 0;
    int added = 0;
    do {
        added += mwPluginAdd((search.folder + found.cFileName).c_str(), pluginClass);
    } while (FindNextFileA(enumeration, &found));
    FindClose(enumeration);
    return added;
}

int mwPluginAdd(const char *path, int pluginClass)
{
    checkClass(pluginClass, "mwPluginAdd");
    checkPointer(path, "mwPluginAdd");
    char copy[MW_PLUGIN_PATH_MAX] = {};
    std::memcpy(copy, path, strnlen(path, sizeof copy - 1));
    {
        Guard guard(listLock);
        auto listed = [&copy](const mwPLUGIN_ENTRY *e) { return samePath(e->path, copy); };
        if (firstWhere(guard, "mwPluginAdd", listed))
            return 0;
    }

    mwPLUGIN_INFO info;
    if (!listedInfo(copy, info) || info.magic != MW_PLUGIN_INFO_MAGIC)
        return 0;
    if (pluginClass != MW_PLUGIN_CLASS_ANY && info.pluginClass != pluginClass)
        return 0;

    auto *entry = static_cast<mwPLUGIN_ENTRY *>(mwDMemAlloc(kOwner, __LINE__, sizeof(mwPLUGIN_ENTRY)));
    std::memset(entry, 0, sizeof *entry);
    entry->magic = MW_PLUGIN_ENTRY_MAGIC;
    std::memcpy(entry->path, copy, sizeof copy);
    entry->info = info;
    Guard guard(listLock);
    append(entry);
    return 1;
}

//---- Loading and unloading

int mwPluginLoad(mwPLUGIN_ENTRY *entry)
{
    checkHandle(entry, "mwPluginLoad");
    Library library(entry->path);
    if (!library)
        return 0;
    mwPLUGIN_INFO info;
    mwPLUGIN_GET_INFO_FN *getInfo = checkedInfo(library, entry->path, info);
    if (!getInfo)
        return 0;
    const Name name(info);
    auto *getClassInfo = library.find<mwPLUGIN_GET_CLASS_INFO_FN>(MW_PLUGIN_EXPORT_GET_CLASS_INFO);
    if (!getClassInfo) {
        mwLogTagged(kTag, "%s, no mwGetPluginClassInfo entry point\n", name.text);
        return 0;
    }
    auto *init = library.find<mwPLUGIN_INIT_FN>(MW_PLUGIN_EXPORT_INIT);
    if (!init) {
        mwLogTagged(kTag, "%s, no mwPluginInit entry point\n", name.text);
        return 0;
    }
    auto *deinit = library.find<mwPLUGIN_DEINIT_FN>(MW_PLUGIN_EXPORT_DEINIT);
    if (!deinit) {
        mwLogTagged(kTag, "%s, no mwPluginDeinit entry point\n", name.text);
        return 0;
    }
    services = {mwMemAlloc, mwDMemAlloc, mwDMemFree};
    void *packet = init(&services);
    if (!packet) {
        mwLogTagged(kTag, "%s, illegal driver function packet\n", name.text);
        return 0;
    }

    if (info.pluginClass == MW_PLUGIN_CLASS_BLIT) {
        mwExitRegister(blitExit, 255, MW_EXIT_FLAG_ONCE);
        mwStatusRegister(blitStatus, 255, MW_STATUS_FLAG_ONCE);
    }
    HMODULE earlier;
    {
        Guard guard(listLock);
        earlier = entry->loaded ? entry->module : nullptr;
        entry->module = library.keep();
        entry->getInfo = getInfo;
        entry->getClassInfo = getClassInfo;
        entry->init = init;
        entry->deinit = deinit;
        entry->packet = packet;
        entry->info = info;
        entry->loaded = 1;
    }
    // A plug-in that accepted a second init holds a second reference to its
    // library; one unload must still free it.
    if (earlier)
        FreeLibrary(earlier);
    return 1;
}

int mwPluginLoadAll(int pluginClass)
{
    int loaded = 0;
    forClass(pluginClass, "mwPluginLoadAll", [&loaded](mwPLUGIN_ENTRY *e) { loaded += mwPluginLoad(e); });
    return loaded;
}

int mwPluginUnload(mwPLUGIN_ENTRY *entry)
{
    checkHandle(entry, "mwPluginUnload");
    return unload(entry);
}

int mwPluginUnloadAll(int pluginClass)
{
    int unloaded = 0;
    forClass(pluginClass, "mwPluginUnloadAll", [&unloaded](mwPLUGIN_ENTRY *e) { unloaded += unload(e); });
    return unloaded;
}

//---- Removing

void mwPluginRemove(mwPLUGIN_ENTRY *entry)
{
    checkHandle(entry, "mwPluginRemove");
    {
        Guard guard(listLock);
        if (!firstWhere(guard, "mwPluginRemove", [entry](const mwPLUGIN_ENTRY *e) { return e == entry; }))
            fail(guard, "mwPluginRemove", MW_ERR_PLUGIN_NOT_IN_LIST, Where::current());
    }
    discard(entry);
}

void mwPluginRemoveAll(int pluginClass) { forClass(pluginClass, "mwPluginRemoveAll", discard); }

void mwPluginPurge(int pluginClass)
{
    forClass(pluginClass, "mwPluginPurge", [](mwPLUGIN_ENTRY *e) {
        if (!isLoaded(e))
            discard(e);
    });
}

//---- Queries

mwPLUGIN_ENTRY *mwPluginFind(const char *name, int pluginClass)
{
    checkClass(pluginClass, "mwPluginFind");
    const bool anyName = !name || !*name;
    Guard guard(listLock);
    return firstWhere(guard, "mwPluginFind", [&](const mwPLUGIN_ENTRY *e) {
        return ofClass(e, pluginClass) && (anyName || mwSameName(e->info.name, name, MW_PLUGIN_NAME_MAX));
    });
}

void *mwPluginGetInterface(mwPLUGIN_ENTRY *entry, int pluginClass)
{
    checkHandle(entry, "mwPluginGetInterface");
    checkClass(pluginClass, "mwPluginGetInterface");
    Guard guard(listLock);
    if (!entry->loaded || pluginClass != entry->info.pluginClass)
        return nullptr;
    return entry->packet;
}

int mwPluginGetStatus(mwPLUGIN_ENTRY *entry, mwPLUGIN_STATUS *status)
{
    checkHandle(entry, "mwPluginGetStatus");
    checkPointer(status, "mwPluginGetStatus");
    Guard guard(listLock);
    std::memcpy(status->path, entry->path, sizeof status->path);
    status->loaded = entry->loaded;
    status->info = entry->info;
    return 1;
}

int mwPluginGetClassInfo(mwPLUGIN_ENTRY *entry, int pluginClass, void *classInfo)
{
    checkHandle(entry, "mwPluginGetClassInfo");
    checkClass(pluginClass, "mwPluginGetClassInfo");
    checkPointer(classInfo, "mwPluginGetClassInfo");
    if (pluginClass != entry->info.pluginClass)
        return 0;
    if (isLoaded(entry)) {
        if (!entry->getClassInfo)
            mwFatal("mwPluginGetClassInfo: getClassInfo pointer is null on loaded plugin");
        return entry->getClassInfo(classInfo);
    }

    // Not loaded: the library is loaded just for the question.
    Library library(entry->path);
    if (!library)
        return 0;
    mwPLUGIN_INFO info;
    if (!checkedInfo(library, entry->path, info) || info.pluginClass != pluginClass)
        return 0;
    auto *getClassInfo = library.find<mwPLUGIN_GET_CLASS_INFO_FN>(MW_PLUGIN_EXPORT_GET_CLASS_INFO);
    if (!getClassInfo) {
        mwLogTagged(kTag, "%s, no mwGetPluginClassInfo entry point\n", Name(info).text);
        return 0;
    }
    return getClassInfo(classInfo);
}

mwPLUGIN_LIST *mwPluginGetList(int pluginClass)
{
    checkClass(pluginClass, "mwPluginGetList");
    int count = 0;
    {
        Guard guard(listLock);
        firstWhere(guard, "mwPluginGetList", [&](const mwPLUGIN_ENTRY *e) {
            count += ofClass(e, pluginClass);
            return false;
        });
    }
    // Header and array in one block: the array follows the header.
    const int bytes =
        static_cast<int>(sizeof(mwPLUGIN_LIST) + sizeof(mwPLUGIN_ENTRY *) * static_cast<size_t>(count));
    auto *list = static_cast<mwPLUGIN_LIST *>(mwDMemAlloc(kOwner, __LINE__, bytes));
    list->magic = MW_PLUGIN_LIST_MAGIC;
    list->entries = count ? reinterpret_cast<mwPLUGIN_ENTRY **>(list + 1) : nullptr;
    int filled = 0;
    Guard guard(listLock);
    firstWhere(guard, "mwPluginGetList", [&](mwPLUGIN_ENTRY *e) {
        if (ofClass(e, pluginClass) && filled < count)
            list->entries[filled++] = e;
        return false;
    });
    list->count = filled;
    return list;
}

void mwPluginFreeList(mwPLUGIN_LIST *list)
{
    if (!list || list->magic != MW_PLUGIN_LIST_MAGIC)
        fail("mwPluginFreeList", MW_ERR_INVALID_PARAMETER, Where::current());
    list->magic = 0;
    mwDMemFree(kOwner, __LINE__, list);
}
