// X11 key codes to keyboard scan codes. X servers on Linux number keys as
// the kernel does plus 8, and the kernel's numbers for the main block are
// the PC scan codes themselves; the rest (the keys the PC keyboard sends
// with an 0xE0 prefix, and the Japanese and extra function keys) need a
// table. Keys without a DIK_ name are not reported.
#include "didevice.h"

#include <array>

#include <linux/input-event-codes.h>

namespace mwp {
namespace {

constexpr uint32_t kX11Offset = 8;

struct KeyPair {
    uint16_t kernel;
    BYTE scan;
};

constexpr KeyPair kOtherKeys[] = {
    {KEY_F11, DIK_F11},
    {KEY_F12, DIK_F12},
    {KEY_F13, DIK_F13},
    {KEY_F14, DIK_F14},
    {KEY_F15, DIK_F15},
    {KEY_KATAKANAHIRAGANA, DIK_KANA},
    {KEY_HENKAN, DIK_CONVERT},
    {KEY_MUHENKAN, DIK_NOCONVERT},
    {KEY_YEN, DIK_YEN},
    {KEY_KPEQUAL, DIK_NUMPADEQUALS},
    {KEY_KPCOMMA, DIK_NUMPADCOMMA},
    {KEY_KPENTER, DIK_NUMPADENTER},
    {KEY_RIGHTCTRL, DIK_RCONTROL},
    {KEY_KPSLASH, DIK_DIVIDE},
    {KEY_SYSRQ, DIK_SYSRQ},
    {KEY_RIGHTALT, DIK_RMENU},
    {KEY_HOME, DIK_HOME},
    {KEY_UP, DIK_UP},
    {KEY_PAGEUP, DIK_PRIOR},
    {KEY_LEFT, DIK_LEFT},
    {KEY_RIGHT, DIK_RIGHT},
    {KEY_END, DIK_END},
    {KEY_DOWN, DIK_DOWN},
    {KEY_PAGEDOWN, DIK_NEXT},
    {KEY_INSERT, DIK_INSERT},
    {KEY_DELETE, DIK_DELETE},
    {KEY_LEFTMETA, DIK_LWIN},
    {KEY_RIGHTMETA, DIK_RWIN},
    {KEY_COMPOSE, DIK_APPS},
};

struct KeyMap {
    std::array<BYTE, 256> scan{}; // by X11 key code
    DWORD keys = 0;

    KeyMap()
    {
        for (uint32_t code = KEY_ESC; code <= KEY_KPDOT; code++)
            set(code, static_cast<BYTE>(code));
        for (const KeyPair &pair : kOtherKeys)
            set(pair.kernel, pair.scan);
    }

    void set(uint32_t kernelCode, BYTE scanCode)
    {
        scan[kernelCode + kX11Offset] = scanCode;
        keys++;
    }
};

const KeyMap &keyMap()
{
    static const KeyMap map;
    return map;
}

} // namespace

BYTE scanCodeOf(uint32_t keycode) { return keycode < keyMap().scan.size() ? keyMap().scan[keycode] : 0; }

DWORD keyboardKeys() { return keyMap().keys; }

} // namespace mwp
