// The registry over a text file: the file named by MARROW_REGISTRY, in the
// REGEDIT4 form ([key] lines, then "name"=dword:xxxxxxxx, "name"="text" or
// "name"=hex:xx,xx lines). Every call reads the file; every change rewrites
// it whole through a temporary file, so a reader never sees half of it.
// Without the variable no key opens and nothing is read or written.
#include "handles.h"
#include "mwwin32.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

struct Value {
    std::string name; // "" is the key's default value ("@")
    DWORD type;
    std::vector<BYTE> data;
};

struct Key {
    std::string path; // "HKEY_CURRENT_USER\Software\..."
    std::vector<Value> values;
};

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

bool sameText(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

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

Key *findKey(std::vector<Key> &keys, const std::string &path)
{
    for (Key &key : keys)
        if (sameText(key.path, path))
            return &key;
    return nullptr;
}

// The key of that path, added empty when there is none.
Key &keyAt(std::vector<Key> &keys, const std::string &path)
{
    if (Key *key = findKey(keys, path))
        return *key;
    keys.push_back({path, {}});
    return keys.back();
}

Value *findValue(Key &key, const std::string &name)
{
    for (Value &value : key.values)
        if (sameText(value.name, name))
            return &value;
    return nullptr;
}

// Sets a value, replacing one of the same name.
void putValue(Key &key, Value value)
{
    if (Value *same = findValue(key, value.name))
        *same = std::move(value);
    else
        key.values.push_back(std::move(value));
}

//---- Reading the file --------------------------------------------------------

// Reads a quoted string starting at text[at] == '"'; at ends after the
// closing quote. False when it is not closed.
bool readQuoted(const std::string &text, size_t &at, std::string &out)
{
    out.clear();
    for (at++; at < text.size(); at++) {
        char c = text[at];
        if (c == '"') {
            at++;
            return true;
        }
        if (c == '\\' && at + 1 < text.size())
            c = text[++at];
        out += c;
    }
    return false;
}

bool readHexBytes(const std::string &text, std::vector<BYTE> &out)
{
    out.clear();
    std::istringstream list(text);
    std::string item;
    while (std::getline(list, item, ',')) {
        item.erase(std::remove_if(item.begin(), item.end(), [](unsigned char c) { return std::isspace(c); }),
                   item.end());
        if (item.empty() && list.eof())
            break;
        if (item.size() < 1 || item.size() > 2 ||
            !std::all_of(item.begin(), item.end(), [](unsigned char c) { return std::isxdigit(c); }))
            return false;
        out.push_back(static_cast<BYTE>(std::strtoul(item.c_str(), nullptr, 16)));
    }
    return true;
}

// One value line: "name"=... or @=... Malformed lines are passed over.
bool readValue(const std::string &line, Value &value)
{
    size_t at = 0;
    if (line[0] == '@') {
        value.name.clear();
        at = 1;
    } else if (!readQuoted(line, at, value.name)) {
        return false;
    }
    if (at >= line.size() || line[at] != '=')
        return false;
    const std::string data = line.substr(at + 1);
    if (data.size() >= 1 && data[0] == '"') {
        std::string text;
        size_t end = 0;
        if (!readQuoted(data, end, text))
            return false;
        value.type = REG_SZ;
        value.data.assign(text.begin(), text.end());
        value.data.push_back(0);
        return true;
    }
    if (data.rfind("dword:", 0) == 0) {
        const std::string digits = data.substr(6);
        if (digits.empty() || digits.size() > 8 ||
            !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isxdigit(c); }))
            return false;
        const DWORD number = static_cast<DWORD>(std::strtoul(digits.c_str(), nullptr, 16));
        value.type = REG_DWORD;
        value.data.resize(4);
        std::memcpy(value.data.data(), &number, 4);
        return true;
    }
    if (data.rfind("hex:", 0) == 0) {
        value.type = REG_BINARY;
        return readHexBytes(data.substr(4), value.data);
    }
    if (data.rfind("hex(", 0) == 0) {
        const size_t close = data.find("):");
        if (close == std::string::npos || close <= 4 || close > 12)
            return false;
        const std::string type = data.substr(4, close - 4);
        if (!std::all_of(type.begin(), type.end(), [](unsigned char c) { return std::isxdigit(c); }))
            return false;
        value.type = static_cast<DWORD>(std::strtoul(type.c_str(), nullptr, 16));
        return readHexBytes(data.substr(close + 2), value.data);
    }
    return false;
}

// Reads every key; false with errno when the file cannot be read.
bool load(const char *file, std::vector<Key> &keys)
{
    keys.clear();
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        if (errno == 0)
            errno = EIO;
        return false;
    }
    std::string line, pending;
    Key *current = nullptr;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        // Long hex lists continue on the next line after a backslash.
        if (!line.empty() && line.back() == '\\' &&
            (!pending.empty() || line.find("=hex") != std::string::npos)) {
            line.pop_back();
            pending += line;
            continue;
        }
        if (!pending.empty()) {
            const size_t start = line.find_first_not_of(" \t");
            line = pending + (start == std::string::npos ? "" : line.substr(start));
            pending.clear();
        }
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            current = nullptr;
            if (line.back() != ']' || line.size() < 3 || line[1] == '-')
                continue; // "[-key]" deletes a key in .reg files: nothing to keep
            // A key may be named again further down: its values join it.
            current = &keyAt(keys, line.substr(1, line.size() - 2));
            continue;
        }
        Value value;
        if (current && (line[0] == '"' || line[0] == '@') && readValue(line, value))
            putValue(*current, std::move(value));
    }
    return true;
}

//---- Writing the file --------------------------------------------------------

std::string quoted(const std::string &text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

// A text that fits a "..." line: printable, one terminating NUL at the end.
bool plainText(const std::vector<BYTE> &data)
{
    return !data.empty() && data.back() == 0 &&
           std::all_of(data.begin(), data.end() - 1, [](BYTE c) { return c >= 0x20 && c != 0x7F; });
}

std::string formatValue(const Value &value)
{
    std::string line = value.name.empty() ? "@" : quoted(value.name);
    line += '=';
    char number[16];
    if (value.type == REG_DWORD && value.data.size() == 4) {
        DWORD dword;
        std::memcpy(&dword, value.data.data(), 4);
        std::snprintf(number, sizeof number, "dword:%08x", dword);
        return line + number;
    }
    if (value.type == REG_SZ && plainText(value.data))
        return line + quoted(std::string(value.data.begin(), value.data.end() - 1));
    if (value.type == REG_BINARY) {
        line += "hex:";
    } else {
        std::snprintf(number, sizeof number, "hex(%x):", value.type);
        line += number;
    }
    for (size_t i = 0; i < value.data.size(); i++) {
        std::snprintf(number, sizeof number, i ? ",%02x" : "%02x", value.data[i]);
        line += number;
    }
    return line;
}

// Writes every key through a temporary file; an error code on failure.
LSTATUS save(const char *file, const std::vector<Key> &keys)
{
    std::string text = "REGEDIT4\n";
    for (const Key &key : keys) {
        text += "\n[" + key.path + "]\n";
        for (const Value &value : key.values)
            text += formatValue(value) + '\n';
    }
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
    std::vector<Key> keys;
    if (!load(file, keys))
        return errno == ENOENT ? ERROR_FILE_NOT_FOUND : errno;
    if (!findKey(keys, path) && !(sub.empty() && rootName(key)))
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
    std::vector<Key> keys;
    if (!load(file, keys))
        return errno == ENOENT ? ERROR_FILE_NOT_FOUND : errno;
    Key *found = findKey(keys, open.path);
    const Value *value = found ? findValue(*found, valueName ? valueName : "") : nullptr;
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
    std::vector<Key> keys;
    if (!load(file, keys) && errno != ENOENT)
        return errno;
    putValue(keyAt(keys, open.path),
             {valueName ? valueName : "", type, std::vector<BYTE>(data, data + size)});
    return save(file, keys);
}

LSTATUS WINAPI RegCloseKey(HKEY key)
{
    if (rootName(key))
        return ERROR_SUCCESS;
    return openKeys().remove(reinterpret_cast<uintptr_t>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
