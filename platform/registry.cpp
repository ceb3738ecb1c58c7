// The registry over a text file: the file named by MARROW_REGISTRY, in the
// REGEDIT4 form of regtext.h. Every call reads the file; every change rewrites
// it whole through a temporary file, so a reader never sees half of it.
// Without the variable no key opens and nothing is read or written.
#include "handles.h"
#include "mwwin32.h"
#include "regtext.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

using mwp::regFindKey;
using mwp::regFindValue;
using mwp::RegKey;
using mwp::regKeyAt;
using mwp::regPutValue;
using mwp::RegValue;

struct OpenKey {
    std::string path;
    REGSAM access;
};

mwp::HandleTable<OpenKey> &openKeys()
{
    static auto *table = new mwp::HandleTable<OpenKey>(mwp::HandleKind::key);
    return *table;
}

// Calls of this process take turns on the file.
std::mutex fileLock;

const char *rootName(HKEY key)
{
    if (key == HKEY_CLASSES_ROOT)
        return "HKEY_CLASSES_ROOT";
    if (key == HKEY_CURRENT_USER)
        return "HKEY_CURRENT_USER";
    if (key == HKEY_LOCAL_MACHINE)
        return "HKEY_LOCAL_MACHINE";
    if (key == HKEY_USERS)
        return "HKEY_USERS";
    return nullptr;
}

// Path and access of a root or an open key; false for anything else.
bool resolve(HKEY key, OpenKey &out)
{
    if (const char *root = rootName(key)) {
        out = {root, KEY_ALL_ACCESS};
        return true;
    }
    auto open = openKeys().find(reinterpret_cast<uintptr_t>(key));
    if (!open)
        return false;
    out = *open;
    return true;
}

const char *registryFile()
{
    const char *file = std::getenv("MARROW_REGISTRY");
    return file && *file ? file : nullptr;
}

// Reads every key; false with errno when the file cannot be read.
bool load(const char *file, std::vector<RegKey> &keys)
{
    keys.clear();
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        if (errno == 0)
            errno = EIO;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    keys = mwp::regParse(text.str());
    return true;
}

// Writes every key through a temporary file; an error code on failure.
LSTATUS save(const char *file, const std::vector<RegKey> &keys)
{
    const std::string text = mwp::regFormat(keys);
    const std::string temporary = std::string(file) + ".tmp" + std::to_string(getpid());
    std::FILE *out = std::fopen(temporary.c_str(), "wb");
    if (!out)
        return errno;
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    const bool closed = std::fclose(out) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), file) != 0) {
        const LSTATUS error = errno ? errno : EIO;
        std::remove(temporary.c_str());
        return error;
    }
    return ERROR_SUCCESS;
}

// The checks of a value call before it reads the file, in the order Windows
// makes them: the handle, the arguments, the key's access right, the file.
LSTATUS checkValueCall(HKEY key, bool argumentsValid, REGSAM right, OpenKey &open, const char *&file)
{
    if (!resolve(key, open))
        return ERROR_INVALID_HANDLE;
    if (!argumentsValid)
        return ERROR_INVALID_PARAMETER;
    if (!(open.access & right))
        return ERROR_ACCESS_DENIED;
    file = registryFile();
    return file ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

} // namespace

LSTATUS WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM access, PHKEY result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    OpenKey base;
    if (!resolve(key, base))
        return ERROR_INVALID_HANDLE;
    const char *file = registryFile();
    if (!file)
        return ERROR_FILE_NOT_FOUND;

    std::string path = base.path;
    std::string sub = subKey ? subKey : "";
    while (!sub.empty() && sub.back() == '\\')
        sub.pop_back();
    if (!sub.empty() && sub[0] == '\\')
        return ERROR_INVALID_PARAMETER; // Windows refuses a leading backslash too
    if (!sub.empty())
        path += "\\" + sub;

    std::lock_guard<std::mutex> hold(fileLock);
    std::vector<RegKey> keys;
    if (!load(file, keys))
        return errno == ENOENT ? ERROR_FILE_NOT_FOUND : errno;
    if (!regFindKey(keys, path) && !(sub.empty() && rootName(key)))
        return ERROR_FILE_NOT_FOUND;
    *result = reinterpret_cast<HKEY>(openKeys().add(std::make_shared<OpenKey>(OpenKey{path, access})));
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                LPDWORD size)
{
    OpenKey open;
    const char *file = nullptr;
    if (LSTATUS refused = checkValueCall(key, !reserved && !(data && !size), KEY_QUERY_VALUE, open, file))
        return refused;

    std::lock_guard<std::mutex> hold(fileLock);
    std::vector<RegKey> keys;
    if (!load(file, keys))
        return errno == ENOENT ? ERROR_FILE_NOT_FOUND : errno;
    RegKey *found = regFindKey(keys, open.path);
    const RegValue *value = found ? regFindValue(*found, valueName ? valueName : "") : nullptr;
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = value->type;
    const DWORD needed = static_cast<DWORD>(value->data.size());
    if (data && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data)
        std::copy(value->data.begin(), value->data.end(), data);
    if (size)
        *size = needed;
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE *data,
                              DWORD size)
{
    const bool valid = !reserved && (data || !size) && (type != REG_DWORD || size == 4) &&
                       (type == REG_SZ || type == REG_BINARY || type == REG_DWORD || type == REG_NONE);
    OpenKey open;
    const char *file = nullptr;
    if (LSTATUS refused = checkValueCall(key, valid, KEY_SET_VALUE, open, file))
        return refused;

    std::lock_guard<std::mutex> hold(fileLock);
    std::vector<RegKey> keys;
    if (!load(file, keys) && errno != ENOENT)
        return errno;
    regPutValue(regKeyAt(keys, open.path),
                {valueName ? valueName : "", type, std::vector<BYTE>(data, data + size)});
    return save(file, keys);
}

LSTATUS WINAPI RegCloseKey(HKEY key)
{
    if (rootName(key))
        return ERROR_SUCCESS;
    return openKeys().remove(reinterpret_cast<uintptr_t>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
