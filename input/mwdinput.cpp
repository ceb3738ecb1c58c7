// The input library: DirectInput devices read into the application's action
// bytes through the binding table.
#include "mwinput.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <iterator>

#include "mwdinput5.h"

namespace {

const char kOwner[] = "mwdinput";

//---- Names -------------------------------------------------------------------

struct CodeName {
    const char *name;
    int code;
};

// clang-format off: the names are laid out as a table
#define CODE_NAME(code)                                                                                      \
    {                                                                                                        \
#code, code                                                                                          \
    }
#define PAD_CODE_NAMES(p)                                                                                    \
    CODE_NAME(MWI_PAD##p##_X_AXIS), CODE_NAME(MWI_PAD##p##_Y_AXIS), CODE_NAME(MWI_PAD##p##_Z_AXIS),          \
        CODE_NAME(MWI_PAD##p##_POV_UP), CODE_NAME(MWI_PAD##p##_POV_DOWN), CODE_NAME(MWI_PAD##p##_POV_LEFT),  \
        CODE_NAME(MWI_PAD##p##_POV_RIGHT), CODE_NAME(MWI_PAD##p##_BUTTON1), CODE_NAME(MWI_PAD##p##_BUTTON2), \
        CODE_NAME(MWI_PAD##p##_BUTTON3), CODE_NAME(MWI_PAD##p##_BUTTON4), CODE_NAME(MWI_PAD##p##_BUTTON5),   \
        CODE_NAME(MWI_PAD##p##_BUTTON6), CODE_NAME(MWI_PAD##p##_BUTTON7), CODE_NAME(MWI_PAD##p##_BUTTON8),   \
        CODE_NAME(MWI_PAD##p##_BUTTON9), CODE_NAME(MWI_PAD##p##_BUTTON10)

const CodeName kNames[] = {
    CODE_NAME(MWI_NONE),
    CODE_NAME(MWI_KEY_ESCAPE),
    CODE_NAME(MWI_KEY_1),
    CODE_NAME(MWI_KEY_2),
    CODE_NAME(MWI_KEY_3),
    CODE_NAME(MWI_KEY_4),
    CODE_NAME(MWI_KEY_5),
    CODE_NAME(MWI_KEY_6),
    CODE_NAME(MWI_KEY_7),
    CODE_NAME(MWI_KEY_8),
    CODE_NAME(MWI_KEY_9),
    CODE_NAME(MWI_KEY_0),
    CODE_NAME(MWI_KEY_MINUS),
    CODE_NAME(MWI_KEY_EQUALS),
    CODE_NAME(MWI_KEY_BACK),
    CODE_NAME(MWI_KEY_TAB),
    CODE_NAME(MWI_KEY_Q),
    CODE_NAME(MWI_KEY_W),
    CODE_NAME(MWI_KEY_E),
    CODE_NAME(MWI_KEY_R),
    CODE_NAME(MWI_KEY_T),
    CODE_NAME(MWI_KEY_Y),
    CODE_NAME(MWI_KEY_U),
    CODE_NAME(MWI_KEY_I),
    CODE_NAME(MWI_KEY_O),
    CODE_NAME(MWI_KEY_P),
    CODE_NAME(MWI_KEY_LBRACKET),
    CODE_NAME(MWI_KEY_RBRACKET),
    CODE_NAME(MWI_KEY_RETURN),
    CODE_NAME(MWI_KEY_LCONTROL),
    CODE_NAME(MWI_KEY_A),
    CODE_NAME(MWI_KEY_S),
    CODE_NAME(MWI_KEY_D),
    CODE_NAME(MWI_KEY_F),
    CODE_NAME(MWI_KEY_G),
    CODE_NAME(MWI_KEY_H),
    CODE_NAME(MWI_KEY_J),
    CODE_NAME(MWI_KEY_K),
    CODE_NAME(MWI_KEY_L),
    CODE_NAME(MWI_KEY_SEMICOLON),
    CODE_NAME(MWI_KEY_APOSTROPHE),
    CODE_NAME(MWI_KEY_GRAVE),
    CODE_NAME(MWI_KEY_LSHIFT),
    CODE_NAME(MWI_KEY_BACKSLASH),
    CODE_NAME(MWI_KEY_Z),
    CODE_NAME(MWI_KEY_X),
    CODE_NAME(MWI_KEY_C),
    CODE_NAME(MWI_KEY_V),
    CODE_NAME(MWI_KEY_B),
    CODE_NAME(MWI_KEY_N),
    CODE_NAME(MWI_KEY_M),
    CODE_NAME(MWI_KEY_COMMA),
    CODE_NAME(MWI_KEY_PERIOD),
    CODE_NAME(MWI_KEY_SLASH),
    CODE_NAME(MWI_KEY_RSHIFT),
    CODE_NAME(MWI_KEY_MULTIPLY),
    CODE_NAME(MWI_KEY_LMENU),
    CODE_NAME(MWI_KEY_SPACE),
    CODE_NAME(MWI_KEY_CAPITAL),
    CODE_NAME(MWI_KEY_F1),
    CODE_NAME(MWI_KEY_F2),
    CODE_NAME(MWI_KEY_F3),
    CODE_NAME(MWI_KEY_F4),
    CODE_NAME(MWI_KEY_F5),
    CODE_NAME(MWI_KEY_F6),
    CODE_NAME(MWI_KEY_F7),
    CODE_NAME(MWI_KEY_F8),
    CODE_NAME(MWI_KEY_F9),
    CODE_NAME(MWI_KEY_F10),
    CODE_NAME(MWI_KEY_NUMLOCK),
    CODE_NAME(MWI_KEY_SCROLL),
    CODE_NAME(MWI_KEY_NUMPAD7),
    CODE_NAME(MWI_KEY_NUMPAD8),
    CODE_NAME(MWI_KEY_NUMPAD9),
    CODE_NAME(MWI_KEY_SUBTRACT),
    CODE_NAME(MWI_KEY_NUMPAD4),
    CODE_NAME(MWI_KEY_NUMPAD5),
    CODE_NAME(MWI_KEY_NUMPAD6),
    CODE_NAME(MWI_KEY_ADD),
    CODE_NAME(MWI_KEY_NUMPAD1),
    CODE_NAME(MWI_KEY_NUMPAD2),
    CODE_NAME(MWI_KEY_NUMPAD3),
    CODE_NAME(MWI_KEY_NUMPAD0),
    CODE_NAME(MWI_KEY_DECIMAL),
    CODE_NAME(MWI_KEY_F11),
    CODE_NAME(MWI_KEY_F12),
    CODE_NAME(MWI_KEY_F13),
    CODE_NAME(MWI_KEY_F14),
    CODE_NAME(MWI_KEY_F15),
    CODE_NAME(MWI_KEY_KANA),
    CODE_NAME(MWI_KEY_CONVERT),
    CODE_NAME(MWI_KEY_NOCONVERT),
    CODE_NAME(MWI_KEY_YEN),
    CODE_NAME(MWI_KEY_NUMPADEQUALS),
    CODE_NAME(MWI_KEY_CIRCUMFLEX),
    CODE_NAME(MWI_KEY_AT),
    CODE_NAME(MWI_KEY_COLON),
    CODE_NAME(MWI_KEY_UNDERLINE),
    CODE_NAME(MWI_KEY_KANJI),
    CODE_NAME(MWI_KEY_STOP),
    CODE_NAME(MWI_KEY_AX),
    CODE_NAME(MWI_KEY_UNLABELED),
    CODE_NAME(MWI_KEY_NUMPADENTER),
    CODE_NAME(MWI_KEY_RCONTROL),
    CODE_NAME(MWI_KEY_NUMPADCOMMA),
    CODE_NAME(MWI_KEY_DIVIDE),
    CODE_NAME(MWI_KEY_SYSRQ),
    CODE_NAME(MWI_KEY_RMENU),
    CODE_NAME(MWI_KEY_HOME),
    CODE_NAME(MWI_KEY_UP),
    CODE_NAME(MWI_KEY_PRIOR),
    CODE_NAME(MWI_KEY_LEFT),
    CODE_NAME(MWI_KEY_RIGHT),
    CODE_NAME(MWI_KEY_END),
    CODE_NAME(MWI_KEY_DOWN),
    CODE_NAME(MWI_KEY_NEXT),
    CODE_NAME(MWI_KEY_INSERT),
    CODE_NAME(MWI_KEY_DELETE),
    CODE_NAME(MWI_KEY_LWIN),
    CODE_NAME(MWI_KEY_RWIN),
    CODE_NAME(MWI_KEY_APPS),
    CODE_NAME(MWI_MOUSE_X_AXIS),
    CODE_NAME(MWI_MOUSE_Y_AXIS),
    CODE_NAME(MWI_MOUSE_Z_AXIS),
    CODE_NAME(MWI_MOUSE_BUTTON1),
    CODE_NAME(MWI_MOUSE_BUTTON2),
    CODE_NAME(MWI_MOUSE_BUTTON3),
    CODE_NAME(MWI_MOUSE_BUTTON4),
    PAD_CODE_NAMES(1),
    PAD_CODE_NAMES(2),
    PAD_CODE_NAMES(3),
    PAD_CODE_NAMES(4),
};
// clang-format on
static_assert(std::size(kNames) == MWI_NAMES);
#undef PAD_CODE_NAMES
#undef CODE_NAME

//---- State -------------------------------------------------------------------

constexpr int kPads = 4;
constexpr int kPadCodes = MWI_PAD2_X_AXIS - MWI_PAD1_X_AXIS;
constexpr int kKeyCodes = 256;
constexpr int8_t kKeyDown = 127;
constexpr BYTE kPressed = 0x80;

struct InputDevice {
    LPDIRECTINPUTDEVICE2A device; // NULL: empty slot
    int kind;                     // MWI_DEVICE_
    DIDEVCAPS caps;
    char instanceName[64];
    char productName[64];
    int acquired;
    int pad; // 0.. in enumeration order of the pads; 0 for mouse and keyboard
};

InputDevice devices[MWI_DEVICES];
int deviceCount = 0;
int padCount = 0;
bool keyboardFound = false;

int bindings[MWI_CODES]; // action index of every input code
int8_t *actions = nullptr;
int actionCount = 0;

DIDEVICEOBJECTDATA keyData[MWI_KEY_EVENTS]; // the keyboard records of the last poll
int keyEventCount = 0;
int32_t keyEvents[MWI_KEY_EVENTS];
std::bitset<kKeyCodes> keysHeld; // so a keyboard that goes away can let them go

//---- Writing actions ---------------------------------------------------------

void writeAction(int code, int8_t value)
{
    // A binding made for a larger array than the one installed now is not
    // written.
    const int action = bindings[code];
    if (actions && action < actionCount)
        actions[action] = value;
}

int8_t lowByte(LONG value) { return static_cast<int8_t>(static_cast<uint8_t>(value & 0xFF)); }

int8_t buttonByte(BYTE value) { return static_cast<int8_t>(value); }

// 0..65535 to -128..127.
int8_t axisByte(LONG value) { return lowByte((value - 0x8000) >> 8); }

int padBase(int pad) { return MWI_PAD1_X_AXIS + kPadCodes * pad; }

void writeKey(int scan, bool down)
{
    keysHeld[static_cast<size_t>(scan)] = down;
    writeAction(scan, down ? kKeyDown : 0);
}

// Up, down, left, right from the first hat: each direction is pressed
// within 45 degrees of it, so diagonals press two.
void writePov(int pad, DWORD pov)
{
    const bool centred = (pov & 0xFFFF) == 0xFFFF;
    const DWORD angle = pov % 36000;
    const bool up = !centred && (angle >= 31500 || angle <= 4500);
    const bool right = !centred && angle >= 4500 && angle <= 13500;
    const bool down = !centred && angle >= 13500 && angle <= 22500;
    const bool left = !centred && angle >= 22500 && angle <= 31500;
    const int base = padBase(pad);
    writeAction(base + MWI_PAD1_POV_UP - MWI_PAD1_X_AXIS, up ? buttonByte(kPressed) : 0);
    writeAction(base + MWI_PAD1_POV_DOWN - MWI_PAD1_X_AXIS, down ? buttonByte(kPressed) : 0);
    writeAction(base + MWI_PAD1_POV_LEFT - MWI_PAD1_X_AXIS, left ? buttonByte(kPressed) : 0);
    writeAction(base + MWI_PAD1_POV_RIGHT - MWI_PAD1_X_AXIS, right ? buttonByte(kPressed) : 0);
}

// A device that cannot be read reads as untouched.
void writeAtRest(const InputDevice &device)
{
    switch (device.kind) {
    case MWI_DEVICE_MOUSE:
        for (int code = MWI_MOUSE_X_AXIS; code <= MWI_MOUSE_BUTTON4; code++)
            writeAction(code, 0);
        break;
    case MWI_DEVICE_KEYBOARD:
        for (int scan = 0; scan < kKeyCodes; scan++)
            if (keysHeld[static_cast<size_t>(scan)])
                writeKey(scan, false);
        break;
    case MWI_DEVICE_PAD:
        if (device.pad < kPads)
            for (int code = padBase(device.pad); code < padBase(device.pad + 1); code++)
                writeAction(code, 0);
        break;
    }
}

//---- Reading devices ---------------------------------------------------------

void acquireOne(InputDevice &device)
{
    if (device.device)
        device.acquired = SUCCEEDED(device.device->Acquire()) ? 1 : 0;
}

void refreshOne(InputDevice &device)
{
    if (!device.device)
        return;
    device.caps.dwSize = sizeof device.caps;
    device.device->GetCapabilities(&device.caps);
}

void readFailed(InputDevice &device, HRESULT result)
{
    writeAtRest(device);
    if (result == DIERR_INPUTLOST) {
        acquireOne(device);
        return;
    }
    device.acquired = 0;
    mwLogPrintf("DI ERROR! cannot poll/read device %s\n", device.productName);
}

// Polls and reads the state record; false (handled) when that failed.
bool readState(InputDevice &device, DWORD size, void *state)
{
    HRESULT result = device.device->Poll();
    if (SUCCEEDED(result))
        result = device.device->GetDeviceState(size, state);
    if (FAILED(result))
        readFailed(device, result);
    return SUCCEEDED(result);
}

void readMouse(InputDevice &device)
{
    DIMOUSESTATE state;
    if (!readState(device, sizeof state, &state))
        return;
    writeAction(MWI_MOUSE_X_AXIS, lowByte(state.lX));
    writeAction(MWI_MOUSE_Y_AXIS, lowByte(state.lY));
    writeAction(MWI_MOUSE_Z_AXIS, lowByte(state.lZ));
    for (int button = 0; button < 4; button++)
        writeAction(MWI_MOUSE_BUTTON1 + button, buttonByte(state.rgbButtons[button]));
}

// After an overflow the buffer missed changes: the key state tells which
// keys are really down.
void resyncKeys(InputDevice &device)
{
    BYTE keys[kKeyCodes];
    if (FAILED(device.device->GetDeviceState(sizeof keys, keys)))
        return;
    for (int scan = 0; scan < kKeyCodes; scan++) {
        const bool down = (keys[scan] & kPressed) != 0;
        if (down != keysHeld[static_cast<size_t>(scan)])
            writeKey(scan, down);
    }
}

void readKeyboard(InputDevice &device)
{
    DWORD count = MWI_KEY_EVENTS;
    const HRESULT result = device.device->GetDeviceData(sizeof keyData[0], keyData, &count, 0);
    if (FAILED(result)) {
        readFailed(device, result);
        return;
    }
    keyEventCount = static_cast<int>(std::min<DWORD>(count, MWI_KEY_EVENTS));
    for (int i = 0; i < keyEventCount; i++)
        if (keyData[i].dwOfs < kKeyCodes)
            writeKey(static_cast<int>(keyData[i].dwOfs), (keyData[i].dwData & kPressed) != 0);
    if (result == DI_BUFFEROVERFLOW)
        resyncKeys(device);
}

void readPad(InputDevice &device)
{
    DIJOYSTATE state;
    if (!readState(device, sizeof state, &state) || device.pad >= kPads)
        return; // a fifth pad is read to keep it acquired, but has no codes
    const int base = padBase(device.pad);
    writeAction(base, axisByte(state.lX));
    writeAction(base + 1, axisByte(state.lY));
    writeAction(base + 2, axisByte(state.lZ));
    writePov(device.pad, state.rgdwPOV[0]);
    for (int button = 0; button < 10; button++)
        writeAction(base + MWI_PAD1_BUTTON1 - MWI_PAD1_X_AXIS + button, buttonByte(state.rgbButtons[button]));
}

//---- Opening devices ---------------------------------------------------------

void releaseDevices()
{
    for (InputDevice &device : devices) {
        if (device.device) {
            device.device->Unacquire();
            device.device->Release();
        }
        device = InputDevice{};
    }
    deviceCount = 0;
    padCount = 0;
    keyEventCount = 0;
    keysHeld.reset();
}

bool setUp(LPDIRECTINPUTDEVICE2A device, int kind)
{
    const HWND window = static_cast<HWND>(mwGetMainWindow());
    switch (kind) {
    case MWI_DEVICE_MOUSE:
        return SUCCEEDED(device->SetDataFormat(&c_dfDIMouse)) &&
               SUCCEEDED(device->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_FOREGROUND));
    case MWI_DEVICE_KEYBOARD: {
        DIPROPDWORD bufferSize{};
        bufferSize.diph.dwSize = sizeof bufferSize;
        bufferSize.diph.dwHeaderSize = sizeof bufferSize.diph;
        bufferSize.diph.dwHow = DIPH_DEVICE;
        bufferSize.dwData = MWI_KEY_EVENTS;
        return SUCCEEDED(device->SetDataFormat(&c_dfDIKeyboard)) &&
               SUCCEEDED(device->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND)) &&
               SUCCEEDED(device->SetProperty(DIPROP_BUFFERSIZE, &bufferSize.diph));
    }
    default:
        return SUCCEEDED(device->SetDataFormat(&c_dfDIJoystick)) &&
               SUCCEEDED(device->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_FOREGROUND));
    }
}

// Cut to 63 characters; the source need not be terminated within them.
void copyName(char (&to)[64], const char *from)
{
    const size_t length = strnlen(from, sizeof to - 1);
    std::memcpy(to, from, length);
    to[length] = '\0';
}

int kindOf(DWORD deviceType)
{
    switch (GET_DIDEVICE_TYPE(deviceType)) {
    case DIDEVTYPE_MOUSE: return MWI_DEVICE_MOUSE;
    case DIDEVTYPE_KEYBOARD: return MWI_DEVICE_KEYBOARD;
    case DIDEVTYPE_JOYSTICK: return MWI_DEVICE_PAD;
    }
    return 0;
}

BOOL CALLBACK openDevice(LPCDIDEVICEINSTANCEA instance, LPVOID context)
{
    if (deviceCount >= MWI_DEVICES)
        return DIENUM_STOP;
    const int kind = kindOf(instance->dwDevType);
    if (kind == 0)
        return DIENUM_CONTINUE;
    auto *directInput = static_cast<LPDIRECTINPUTA>(context);
    LPDIRECTINPUTDEVICEA first = nullptr;
    if (FAILED(directInput->CreateDevice(instance->guidInstance, &first, nullptr)))
        return DIENUM_CONTINUE;
    LPDIRECTINPUTDEVICE2A device = nullptr;
    const HRESULT asked =
        first->QueryInterface(IID_IDirectInputDevice2A, reinterpret_cast<LPVOID *>(&device));
    first->Release();
    if (FAILED(asked))
        return DIENUM_CONTINUE;

    InputDevice entry{};
    entry.device = device;
    entry.kind = kind;
    entry.pad = kind == MWI_DEVICE_PAD ? padCount : 0;
    copyName(entry.instanceName, instance->tszInstanceName);
    copyName(entry.productName, instance->tszProductName);
    entry.caps.dwSize = sizeof entry.caps;
    if (!setUp(device, kind) || FAILED(device->GetCapabilities(&entry.caps)) ||
        !(entry.caps.dwFlags & DIDC_ATTACHED)) {
        device->Release();
        return DIENUM_CONTINUE;
    }
    // Only a keyboard that is kept counts as found.
    if (kind == MWI_DEVICE_KEYBOARD)
        keyboardFound = true;
    if (kind == MWI_DEVICE_PAD)
        padCount++;
    devices[deviceCount++] = entry;
    return deviceCount >= MWI_DEVICES ? DIENUM_STOP : DIENUM_CONTINUE;
}

template <typename Action>
void forDevices(const char *function, int device, Action action)
{
    if (device == -1) {
        for (InputDevice &each : devices)
            action(each);
    } else if (device >= 0 && device < MWI_DEVICES) {
        action(devices[device]);
    } else {
        mwError(kOwner, __LINE__, function, MW_ERR_INVALID_PARAMETER);
    }
}

} // namespace

//---- Public functions --------------------------------------------------------

int mwiCodeFromName(const char *name)
{
    if (!name)
        return MWI_NONE;
    for (const CodeName &entry : kNames)
        if (std::strcmp(entry.name, name) == 0)
            return entry.code;
    return MWI_NONE;
}

const char *mwiNameFromCode(int code)
{
    for (const CodeName &entry : kNames)
        if (entry.code == code)
            return entry.name;
    return "MWI_NONE";
}

const char *mwiErrorString(int32_t result)
{
    switch (result) {
    case DIERR_BETADIRECTINPUTVERSION: return "Beta DirectInput Version";
    case DIERR_INVALIDPARAM: return "Invalid Parameter";
    case DIERR_NOTINITIALIZED: return "Not initialized";
    case DIERR_OLDDIRECTINPUTVERSION: return "Old DirectInput Version";
    case DIERR_OUTOFMEMORY: return "Out of memory";
    }
    return "Unknow DirectInput Error";
}

void diGetDevices(IDirectInputA *directInput)
{
    if (!directInput)
        mwError(kOwner, __LINE__, "diGetDevices", MW_ERR_INVALID_PARAMETER);
    releaseDevices();
    const HRESULT result = directInput->EnumDevices(0, openDevice, directInput, DIEDFL_ALLDEVICES);
    if (FAILED(result))
        mwFatal("diGetDevices - %s\n", mwiErrorString(result));
}

void mwiInit(void)
{
    keyboardFound = false;
    LPDIRECTINPUTA directInput = nullptr;
    const HRESULT result = DirectInputCreateA(GetModuleHandleA(nullptr), 0x0500, &directInput, nullptr);
    if (FAILED(result))
        mwFatal("mwiInit - %s\n", mwiErrorString(result));
    mwExitRegister(mwiDeinit, 255, MW_EXIT_FLAG_ONCE);
    diGetDevices(directInput);
    mwiAcquire(-1);
    directInput->Release();
    actions = nullptr;
    actionCount = 0;
    keyEventCount = 0;
    if (!keyboardFound)
        mwFatal("mwiInit: cannot aquire keyboard");
}

void mwiDeinit(void) { releaseDevices(); }

void mwiSetActions(int8_t *array, int count)
{
    const bool none = !array || count < 1;
    actions = none ? nullptr : array;
    actionCount = none ? 0 : count;
}

int mwiBind(int code, int action)
{
    if (!actions || code < 0 || code >= MWI_CODES || action < 0 || action >= actionCount)
        return 0;
    bindings[code] = action;
    return 1;
}

void mwiPoll(void)
{
    keyEventCount = 0; // stays so when the keyboard is not read
    for (InputDevice &device : devices) {
        if (!device.device)
            continue;
        if (!device.acquired)
            acquireOne(device);
        if (!device.acquired)
            continue;
        switch (device.kind) {
        case MWI_DEVICE_MOUSE: readMouse(device); break;
        case MWI_DEVICE_KEYBOARD: readKeyboard(device); break;
        case MWI_DEVICE_PAD: readPad(device); break;
        }
    }
}

const int32_t *mwiGetKeyEvents(int *count)
{
    for (int i = 0; i < keyEventCount; i++)
        keyEvents[i] =
            static_cast<int32_t>(keyData[i].dwOfs) | ((keyData[i].dwData & kPressed) ? MWI_KEY_PRESSED : 0);
    if (count)
        *count = keyEventCount;
    return keyEventCount > 0 ? keyEvents : nullptr;
}

void mwiAcquire(int device) { forDevices("mwiAcquire", device, acquireOne); }

void mwiRefreshCaps(int device) { forDevices("mwiRefreshCaps", device, refreshOne); }

void mwiReport(void)
{
    mwiRefreshCaps(-1);
    mwLogRuler();
    mwLogTagged("MWIN", "Input Devices\n");
    for (int i = 0; i < MWI_DEVICES; i++) {
        const InputDevice &device = devices[i];
        if (!device.device) {
            mwLogPrintf("%d: NULL\n", i);
            continue;
        }
        const DIDEVCAPS &caps = device.caps;
        mwLogPrintf("%-2d - %s (%s)\n", i, device.instanceName, device.productName);
        mwLogPrintf("      Attached : %s       Acquired : %s\n",
                    (caps.dwFlags & DIDC_ATTACHED) ? "YES" : "NO", device.acquired ? "YES" : "NO ");
        mwLogPrintf("      Axes     : %3d       Buttons  : %3d\n", static_cast<int>(caps.dwAxes),
                    static_cast<int>(caps.dwButtons));
        mwLogPrintf("      POV Hats : %3d\n", static_cast<int>(caps.dwPOVs));
        mwLogPrintf("      Firmware : %3d.%3d\n", static_cast<int>(caps.dwFirmwareRevision >> 16),
                    static_cast<int>(caps.dwFirmwareRevision & 0xFFFF));
        mwLogPrintf("      Hardware : %3d.%3d\n", static_cast<int>(caps.dwHardwareRevision >> 16),
                    static_cast<int>(caps.dwHardwareRevision & 0xFFFF));
    }
    mwLogPrintf("\n");
}
