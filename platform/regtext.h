// The text of the registry file: the REGEDIT4 form ([key] lines, then
// "name"=dword:xxxxxxxx, "name"="text" or "name"=hex:xx,xx lines), read into
// keys and written back. Reading takes hostile text: malformed lines are
// passed over, and what is read is written back so that it reads the same.
#ifndef MWP_REGTEXT_H
#define MWP_REGTEXT_H

#include <string>
#include <vector>

#include "mwwin32.h"

namespace mwp {

struct RegValue {
    std::string name; // "" is the key's default value ("@")
    DWORD type;
    std::vector<BYTE> data;
};

struct RegKey {
    std::string path; // "HKEY_CURRENT_USER\Software\..."
    std::vector<RegValue> values;
};

// Names of keys and values compare without regard to letter case.
bool regSameName(const std::string &a, const std::string &b);
RegKey *regFindKey(std::vector<RegKey> &keys, const std::string &path);
// The key of that path, added empty when there is none.
RegKey &regKeyAt(std::vector<RegKey> &keys, const std::string &path);
RegValue *regFindValue(RegKey &key, const std::string &name);
// Sets a value, replacing one of the same name.
void regPutValue(RegKey &key, RegValue value);

// Every key of the text; a key named twice gets the values of both places.
std::vector<RegKey> regParse(const std::string &text);
std::string regFormat(const std::vector<RegKey> &keys);

} // namespace mwp

#endif
