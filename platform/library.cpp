// Dynamic libraries over dlopen: LoadLibraryA, GetProcAddress, FreeLibrary
// and GetModuleHandleA, with Windows' names and search order.
#include "mwwin32.h"

#include <dlfcn.h>
#include <limits.h>
#include <mutex>
#include <string>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {

// Modules handed out, with the number of LoadLibraryA calls not yet freed;
// the program itself stays for good. Anything else is not a module.
struct Modules {
    std::mutex lock;
    std::unordered_map<void *, long> loads;
};

Modules &modules()
{
    static auto *table = new Modules;
    return *table;
}

constexpr long kPermanent = -1;

// Windows' spelling of a library name on POSIX: '/' separators, and ".dll"
// when the name has no extension (a trailing '.' says "none").
std::string libraryPath(const char *name)
{
    std::string path = name;
    for (char &c : path)
        if (c == '\\')
            c = '/';
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == path.size() - 1)
        path.pop_back();
    else if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        path += ".dll";
    return path;
}

std::string programDirectory()
{
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return ".";
    std::string path(buffer, static_cast<size_t>(length));
    return path.substr(0, path.rfind('/'));
}

void remember(void *handle, long loads)
{
    Modules &table = modules();
    std::lock_guard<std::mutex> hold(table.lock);
    long &count = table.loads[handle];
    if (count != kPermanent)
        count = loads == kPermanent ? kPermanent : count + loads;
}

bool known(void *handle)
{
    Modules &table = modules();
    std::lock_guard<std::mutex> hold(table.lock);
    return table.loads.count(handle) != 0;
}

} // namespace

HMODULE WINAPI LoadLibraryA(LPCSTR fileName)
{
    if (!fileName || !*fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::string path = libraryPath(fileName);
    std::vector<std::string> candidates;
    if (path.find('/') != std::string::npos)
        candidates = {path};
    else
        candidates = {programDirectory() + "/" + path, "./" + path, path};
    bool exists = false;
    for (const std::string &candidate : candidates) {
        if (void *handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            remember(handle, 1);
            return static_cast<HMODULE>(handle);
        }
        exists = exists || access(candidate.c_str(), F_OK) == 0;
    }
    // A file that is there but will not load is not a library for us.
    SetLastError(exists ? ERROR_BAD_FORMAT : ERROR_MOD_NOT_FOUND);
    return nullptr;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName)
{
    if (!known(module) || !procName || IS_INTRESOURCE(procName)) {
        SetLastError(known(module) ? ERROR_PROC_NOT_FOUND : ERROR_INVALID_HANDLE);
        return nullptr;
    }
    void *symbol = dlsym(module, procName);
    if (!symbol) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL WINAPI FreeLibrary(HMODULE module)
{
    Modules &table = modules();
    {
        std::lock_guard<std::mutex> hold(table.lock);
        auto it = table.loads.find(module);
        if (it == table.loads.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        if (it->second == kPermanent)
            return TRUE;
        if (--it->second == 0)
            table.loads.erase(it);
    }
    dlclose(module);
    return TRUE;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName)
{
    if (!moduleName) {
        void *program = dlopen(nullptr, RTLD_NOW);
        remember(program, kPermanent);
        return static_cast<HMODULE>(program);
    }
    // Only a module already in the process, and no reference is kept.
    void *handle = dlopen(libraryPath(moduleName).c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    if (!handle || !known(handle)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return static_cast<HMODULE>(handle);
}
