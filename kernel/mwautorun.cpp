// The CD-ROM AutoRun switch (mwautorun.h), through the registry calls of the
// platform's Win32.
#include "mwautorun.h"

#include <atomic>

#include "mwwin32.h"

namespace {

constexpr char kExplorerPolicy[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr char kAutoRunValue[] = "NoDriveTypeAutoRun";
constexpr DWORD kAutoRunCdRom = 0x20;
// What Windows assumes while the value is missing (unknown, network and
// removable drive types off); a value we cannot read is taken as this.
constexpr DWORD kAutoRunDefault = 0x91;

// Whether the bit was set before we set it; valid while switched.
bool wasOff = false;
std::atomic<bool> switched{false};

// Rewrites the CD-ROM bit; false when the key cannot be opened.
bool writeCdRomBit(bool off, bool *before)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kExplorerPolicy, 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS)
        return false;
    DWORD value = 0, type = REG_NONE, size = sizeof value;
    if (RegQueryValueExA(key, kAutoRunValue, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        value = kAutoRunDefault;
    if (before)
        *before = (value & kAutoRunCdRom) != 0;
    value = off ? value | kAutoRunCdRom : value & ~kAutoRunCdRom;
    RegSetValueExA(key, kAutoRunValue, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof value);
    RegCloseKey(key);
    return true;
}

} // namespace

void mwAutoRunOff(void)
{
    if (!switched && writeCdRomBit(true, &wasOff))
        switched = true;
}

void mwAutoRunRestore(void)
{
    if (switched.exchange(false))
        writeCdRomBit(wasOff, nullptr);
}
