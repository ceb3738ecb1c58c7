// The registry file's text, read and written.
#include "regtext.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace mwp {

bool regSameName(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

RegKey *regFindKey(std::vector<RegKey> &keys, const std::string &path)
{
    for (RegKey &key : keys)
        if (regSameName(key.path, path))
            return &key;
    return nullptr;
}

RegKey &regKeyAt(std::vector<RegKey> &keys, const std::string &path)
{
    if (RegKey *key = regFindKey(keys, path))
        return *key;
    keys.push_back({path, {}});
    return keys.back();
}

RegValue *regFindValue(RegKey &key, const std::string &name)
{
    for (RegValue &value : key.values)
        if (regSameName(value.name, name))
            return &value;
    return nullptr;
}

void regPutValue(RegKey &key, RegValue value)
{
    if (RegValue *same = regFindValue(key, value.name))
        *same = std::move(value);
    else
        key.values.push_back(std::move(value));
}

//---- Reading the file --------------------------------------------------------

namespace {

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
bool readValue(const std::string &line, RegValue &value)
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

} // namespace

std::vector<RegKey> regParse(const std::string &text)
{
    std::vector<RegKey> keys;
    std::istringstream in(text);
    std::string line, pending;
    RegKey *current = nullptr;
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
            current = &regKeyAt(keys, line.substr(1, line.size() - 2));
            continue;
        }
        RegValue value;
        if (current && (line[0] == '"' || line[0] == '@') && readValue(line, value))
            regPutValue(*current, std::move(value));
    }
    return keys;
}

//---- Writing the file --------------------------------------------------------

namespace {

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

std::string formatValue(const RegValue &value)
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

} // namespace

std::string regFormat(const std::vector<RegKey> &keys)
{
    std::string text = "REGEDIT4\n";
    for (const RegKey &key : keys) {
        text += "\n[" + key.path + "]\n";
        for (const RegValue &value : key.values)
            text += formatValue(value) + '\n';
    }
    return text;
}

} // namespace mwp
