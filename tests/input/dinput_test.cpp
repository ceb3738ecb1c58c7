// The DirectInput layer: the devices there are, co-operation and
// acquisition, losing the focus, state and buffered records, pads.
#include <cstring>
#include <vector>

#include <linux/input-event-codes.h>
#include <linux/joystick.h>

#include "input_support.h"
#include "mwplatform.h"
#include "window_support.h"

using namespace inputtest;

namespace {

const bool headless = useHeadless();

// A window of the calling thread, shown, so it has the focus.
HWND focusedWindow()
{
    HWND window = mwtest::plainWindow(64, 48);
    ShowWindow(window, SW_SHOW);
    return window;
}

// Releases an interface at the end of the scope.
template <typename T>
struct Held {
    T *object = nullptr;
    ~Held()
    {
        if (object)
            object->Release();
    }
    T *operator->() const { return object; }
};

DIPROPDWORD bufferSize(DWORD records)
{
    DIPROPDWORD property{};
    property.diph.dwSize = sizeof property;
    property.diph.dwHeaderSize = sizeof property.diph;
    property.diph.dwHow = DIPH_DEVICE;
    property.dwData = records;
    return property;
}

LPDIRECTINPUTDEVICE2A createDevice(REFGUID id)
{
    Held<IDirectInputA> directInput;
    EXPECT_EQ(DI_OK, DirectInputCreateA(nullptr, 0x0500, &directInput.object, nullptr));
    LPDIRECTINPUTDEVICEA first = nullptr;
    EXPECT_EQ(DI_OK, directInput->CreateDevice(id, &first, nullptr));
    LPDIRECTINPUTDEVICE2A device = nullptr;
    if (first) {
        EXPECT_EQ(DI_OK,
                  first->QueryInterface(IID_IDirectInputDevice2A, reinterpret_cast<LPVOID *>(&device)));
        first->Release();
    }
    return device;
}

// A device set up for reading: its format, its window, a buffer if asked.
LPDIRECTINPUTDEVICE2A openDevice(REFGUID id, const DIDATAFORMAT &format, HWND window, DWORD cooperation,
                                 DWORD records = 0)
{
    LPDIRECTINPUTDEVICE2A device = createDevice(id);
    if (!device)
        return nullptr;
    EXPECT_EQ(DI_OK, device->SetDataFormat(&format));
    EXPECT_EQ(DI_OK, device->SetCooperativeLevel(window, cooperation));
    if (records) {
        const DIPROPDWORD property = bufferSize(records);
        EXPECT_EQ(DI_OK, device->SetProperty(DIPROP_BUFFERSIZE, &property.diph));
    }
    return device;
}

std::vector<DIDEVICEINSTANCEA> enumerate(DWORD type = 0, DWORD flags = DIEDFL_ALLDEVICES)
{
    Held<IDirectInputA> directInput;
    EXPECT_EQ(DI_OK, DirectInputCreateA(nullptr, 0x0500, &directInput.object, nullptr));
    std::vector<DIDEVICEINSTANCEA> found;
    EXPECT_EQ(DI_OK, directInput->EnumDevices(
                         type,
                         [](LPCDIDEVICEINSTANCEA instance, LPVOID list) -> BOOL {
                             static_cast<std::vector<DIDEVICEINSTANCEA> *>(list)->push_back(*instance);
                             return DIENUM_CONTINUE;
                         },
                         &found, flags));
    return found;
}

std::vector<DIDEVICEOBJECTDATA> takeRecords(LPDIRECTINPUTDEVICE2A device, HRESULT expected = DI_OK)
{
    std::vector<DIDEVICEOBJECTDATA> records(64);
    DWORD count = static_cast<DWORD>(records.size());
    EXPECT_EQ(expected, device->GetDeviceData(sizeof records[0], records.data(), &count, 0));
    records.resize(count);
    return records;
}

TEST(DirectInput, VersionsAggregationAndInterfaces)
{
    LPDIRECTINPUTA directInput = nullptr;
    EXPECT_EQ(DIERR_INVALIDPARAM, DirectInputCreateA(nullptr, 0x0500, nullptr, nullptr));
    EXPECT_EQ(DIERR_OLDDIRECTINPUTVERSION, DirectInputCreateA(nullptr, 0x0600, &directInput, nullptr));
    EXPECT_EQ(DIERR_BETADIRECTINPUTVERSION, DirectInputCreateA(nullptr, 0x0400, &directInput, nullptr));
    EXPECT_EQ(nullptr, directInput);
    ASSERT_EQ(DI_OK, DirectInputCreateA(nullptr, 0x0300, &directInput, nullptr));
    LPDIRECTINPUTA other = nullptr;
    EXPECT_EQ(DIERR_NOAGGREGATION, DirectInputCreateA(nullptr, 0x0500, &other, directInput));

    LPVOID same = nullptr;
    ASSERT_EQ(DI_OK, directInput->QueryInterface(IID_IDirectInputA, &same));
    EXPECT_EQ(static_cast<LPVOID>(directInput), same);
    EXPECT_EQ(1u, directInput->Release()); // the reference QueryInterface took

    LPDIRECTINPUTDEVICEA device = nullptr;
    EXPECT_EQ(DIERR_NOAGGREGATION, directInput->CreateDevice(GUID_SysMouse, &device, directInput));
    EXPECT_EQ(DIERR_DEVICENOTREG, directInput->CreateDevice(IID_IDirectInputA, &device, nullptr));
    GUID noPad = GUID_Joystick;
    noPad.Data4[7] = 200;
    EXPECT_EQ(DIERR_DEVICENOTREG, directInput->CreateDevice(noPad, &device, nullptr));
    EXPECT_EQ(nullptr, device);
    ASSERT_EQ(DI_OK, directInput->CreateDevice(GUID_SysKeyboard, &device, nullptr));
    EXPECT_EQ(0u, directInput->Release()); // devices outlive the interface
    EXPECT_EQ(E_NOINTERFACE, device->QueryInterface(IID_IDirectInputA, &same));
    EXPECT_EQ(nullptr, same);
    EXPECT_EQ(0u, device->Release());
}

TEST(DirectInput, TheMouseAndKeyboardComeFirstAndTheFiltersHold)
{
    const auto all = enumerate();
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(sizeof(DIDEVICEINSTANCEA), all[0].dwSize);
    EXPECT_EQ(GUID_SysMouse, all[0].guidInstance);
    EXPECT_EQ(DIDEVTYPE_MOUSE, GET_DIDEVICE_TYPE(all[0].dwDevType));
    EXPECT_STREQ("Mouse", all[0].tszProductName);
    EXPECT_EQ(GUID_SysKeyboard, all[1].guidInstance);
    EXPECT_EQ(DIDEVTYPE_KEYBOARD, GET_DIDEVICE_TYPE(all[1].dwDevType));
    EXPECT_STREQ("Keyboard", all[1].tszInstanceName);

    const auto keyboards = enumerate(DIDEVTYPE_KEYBOARD);
    ASSERT_EQ(1u, keyboards.size());
    EXPECT_EQ(GUID_SysKeyboard, keyboards[0].guidInstance);
    EXPECT_TRUE(enumerate(0, DIEDFL_FORCEFEEDBACK).empty());

    Held<IDirectInputA> directInput;
    ASSERT_EQ(DI_OK, DirectInputCreateA(nullptr, 0x0500, &directInput.object, nullptr));
    int calls = 0;
    EXPECT_EQ(DI_OK, directInput->EnumDevices(
                         0,
                         [](LPCDIDEVICEINSTANCEA, LPVOID count) -> BOOL {
                             ++*static_cast<int *>(count);
                             return DIENUM_STOP;
                         },
                         &calls, 0));
    EXPECT_EQ(1, calls);
    const auto ignore = [](LPCDIDEVICEINSTANCEA, LPVOID) -> BOOL { return DIENUM_CONTINUE; };
    EXPECT_EQ(DIERR_INVALIDPARAM, directInput->EnumDevices(0, nullptr, nullptr, 0));
    EXPECT_EQ(DIERR_INVALIDPARAM, directInput->EnumDevices(5, ignore, nullptr, 0));
    EXPECT_EQ(DIERR_INVALIDPARAM, directInput->EnumDevices(0, ignore, nullptr, 2));
}

TEST(DirectInput, CooperationFormatsAndAcquisitionFollowTheRules)
{
    const HWND window = focusedWindow();
    Held<IDirectInputDevice2A> keyboard{createDevice(GUID_SysKeyboard)};
    ASSERT_NE(nullptr, keyboard.object);
    EXPECT_EQ(DIERR_INVALIDPARAM, keyboard->Acquire()); // no format yet
    EXPECT_EQ(DIERR_INVALIDPARAM, keyboard->SetDataFormat(nullptr));
    EXPECT_EQ(DIERR_UNSUPPORTED, keyboard->SetDataFormat(&c_dfDIMouse));
    EXPECT_EQ(DI_OK, keyboard->SetDataFormat(&c_dfDIKeyboard));
    EXPECT_EQ(DIERR_INVALIDPARAM, keyboard->Acquire()); // no window yet

    EXPECT_EQ(DIERR_INVALIDPARAM, keyboard->SetCooperativeLevel(window, DISCL_FOREGROUND));
    EXPECT_EQ(DIERR_INVALIDPARAM,
              keyboard->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND));
    EXPECT_EQ(DIERR_INVALIDPARAM,
              keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | 0x10));
    EXPECT_EQ(DIERR_INVALIDPARAM,
              keyboard->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND));
    EXPECT_EQ(DIERR_UNSUPPORTED, keyboard->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_BACKGROUND));
    EXPECT_EQ(DI_OK, keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND));

    BYTE keys[256];
    EXPECT_EQ(DIERR_NOTACQUIRED, keyboard->GetDeviceState(sizeof keys, keys));
    EXPECT_EQ(DIERR_NOTACQUIRED, keyboard->Poll());
    EXPECT_EQ(DI_OK, keyboard->Acquire());
    EXPECT_EQ(DI_NOEFFECT, keyboard->Acquire());
    EXPECT_EQ(DIERR_ACQUIRED, keyboard->SetDataFormat(&c_dfDIKeyboard));
    EXPECT_EQ(DIERR_ACQUIRED, keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND));
    const DIPROPDWORD property = bufferSize(8);
    EXPECT_EQ(DIERR_ACQUIRED, keyboard->SetProperty(DIPROP_BUFFERSIZE, &property.diph));
    EXPECT_EQ(DIERR_INVALIDPARAM, keyboard->GetDeviceState(sizeof keys - 1, keys));
    EXPECT_EQ(DI_NOEFFECT, keyboard->Poll()); // the keyboard needs no polling
    DWORD count = 1;
    DIDEVICEOBJECTDATA record;
    EXPECT_EQ(DIERR_NOTBUFFERED, keyboard->GetDeviceData(sizeof record, &record, &count, 0));
    EXPECT_EQ(DIERR_INVALIDPARAM, keyboard->GetDeviceData(sizeof record - 4, &record, &count, 0));
    EXPECT_EQ(DI_OK, keyboard->Unacquire());
    EXPECT_EQ(DIERR_NOTACQUIRED, keyboard->GetDeviceState(sizeof keys, keys));

    DIPROPDWORD badProperty = bufferSize(8);
    badProperty.diph.dwHeaderSize = 12;
    EXPECT_EQ(DIERR_INVALIDPARAM, keyboard->SetProperty(DIPROP_BUFFERSIZE, &badProperty.diph));
    badProperty = bufferSize(8);
    badProperty.diph.dwHow = DIPH_BYOFFSET;
    EXPECT_EQ(DIERR_INVALIDPARAM, keyboard->SetProperty(DIPROP_BUFFERSIZE, &badProperty.diph));
    EXPECT_EQ(DIERR_UNSUPPORTED, keyboard->SetProperty(GUID_SysMouse, &property.diph));

    // The short, older capabilities record gets its six fields and no more.
    DIDEVCAPS caps;
    std::memset(&caps, 0x5A, sizeof caps);
    caps.dwSize = 24;
    ASSERT_EQ(DI_OK, keyboard->GetCapabilities(&caps));
    EXPECT_EQ(DWORD{DIDC_ATTACHED}, caps.dwFlags);
    EXPECT_EQ(DWORD{DIDEVTYPE_KEYBOARD | DIDEVTYPEKEYBOARD_PCENH << 8}, caps.dwDevType);
    EXPECT_EQ(112u, caps.dwButtons); // every key with a scan code name that a PC keyboard has
    EXPECT_EQ(0x5A5A5A5Au, caps.dwFFSamplePeriod);

    DestroyWindow(window);
    EXPECT_EQ(DIERR_INVALIDPARAM, keyboard->Acquire()); // its window is gone
}

TEST(DirectInput, ForegroundDevicesLoseTheirInputWithTheFocus)
{
    const HWND window = focusedWindow();
    Held<IDirectInputDevice2A> keyboard{
        openDevice(GUID_SysKeyboard, c_dfDIKeyboard, window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND, 8)};
    Held<IDirectInputDevice2A> mouse{
        openDevice(GUID_SysMouse, c_dfDIMouse, window, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND)};
    ASSERT_EQ(DI_OK, keyboard->Acquire());
    ASSERT_EQ(DI_OK, mouse->Acquire());

    press(window, kKeyA);
    // Gone and back before the next read: the loss still counts.
    mwPlatformInjectWindowEvent(window, MWP_WINDOW_FOCUS_OUT);
    mwPlatformInjectWindowEvent(window, MWP_WINDOW_FOCUS_IN);
    DWORD count = 8;
    DIDEVICEOBJECTDATA records[8];
    EXPECT_EQ(DIERR_INPUTLOST, keyboard->GetDeviceData(sizeof records[0], records, &count, 0));
    EXPECT_EQ(DIERR_NOTACQUIRED, keyboard->GetDeviceData(sizeof records[0], records, &count, 0));
    DIMOUSESTATE state;
    EXPECT_EQ(DI_OK, mouse->GetDeviceState(sizeof state, &state)); // a background device keeps its input

    mwPlatformInjectWindowEvent(window, MWP_WINDOW_FOCUS_OUT);
    EXPECT_EQ(DIERR_OTHERAPPHASPRIO, keyboard->Acquire());
    mwPlatformInjectWindowEvent(window, MWP_WINDOW_FOCUS_IN);
    ASSERT_EQ(DI_OK, keyboard->Acquire());
    EXPECT_TRUE(takeRecords(keyboard.object).empty()); // the press before the loss went with it
    press(window, kKeyA);
    const auto after = takeRecords(keyboard.object);
    ASSERT_EQ(1u, after.size());
    EXPECT_EQ(DWORD{DIK_A}, after[0].dwOfs);
    DestroyWindow(window);
}

TEST(DirectInput, TheMouseCountsMovesAndTheWheelAndKeepsFourButtons)
{
    const HWND window = focusedWindow();
    Held<IDirectInputDevice2A> mouse{
        openDevice(GUID_SysMouse, c_dfDIMouse, window, DISCL_EXCLUSIVE | DISCL_FOREGROUND, 16)};
    send(window, motionEvent(100, 100)); // before acquisition: not the device's
    ASSERT_EQ(DI_OK, mouse->Acquire());
    send(window, motionEvent(3, -2));
    send(window, motionEvent(4, 0));
    send(window, wheelEvent(MWP_WHEEL_DELTA));
    send(window, wheelEvent(-2 * MWP_WHEEL_DELTA));
    send(window, buttonEvent(MWP_INPUT_BUTTON_DOWN, 0));
    send(window, buttonEvent(MWP_INPUT_BUTTON_DOWN, 3));
    send(window, buttonEvent(MWP_INPUT_BUTTON_DOWN, 4)); // a fifth button has no place
    send(window, buttonEvent(MWP_INPUT_BUTTON_UP, 0));

    DIMOUSESTATE state;
    ASSERT_EQ(DI_OK, mouse->GetDeviceState(sizeof state, &state));
    EXPECT_EQ(7, state.lX);
    EXPECT_EQ(-2, state.lY);
    EXPECT_EQ(-MWP_WHEEL_DELTA, state.lZ);
    EXPECT_EQ((std::vector<BYTE>{0, 0, 0, 0x80}), std::vector<BYTE>(state.rgbButtons, state.rgbButtons + 4));
    ASSERT_EQ(DI_OK, mouse->GetDeviceState(sizeof state, &state));
    EXPECT_EQ(0, state.lX); // moves count from the last read
    EXPECT_EQ(0, state.lZ);
    EXPECT_EQ(0x80, state.rgbButtons[3]);

    const auto records = takeRecords(mouse.object);
    const std::vector<std::pair<DWORD, DWORD>> expected = {{DIMOFS_X, 3},
                                                           {DIMOFS_Y, static_cast<DWORD>(-2)},
                                                           {DIMOFS_X, 4},
                                                           {DIMOFS_Z, 120},
                                                           {DIMOFS_Z, static_cast<DWORD>(-240)},
                                                           {DIMOFS_BUTTON0, 0x80},
                                                           {DIMOFS_BUTTON3, 0x80},
                                                           {DIMOFS_BUTTON0, 0}};
    ASSERT_EQ(expected.size(), records.size());
    for (size_t i = 0; i < records.size(); i++) {
        EXPECT_EQ(expected[i], std::make_pair(records[i].dwOfs, records[i].dwData)) << "record " << i;
        if (i > 0) {
            EXPECT_GT(records[i].dwSequence, records[i - 1].dwSequence);
        }
    }
    DestroyWindow(window);
}

TEST(DirectInput, AFullKeyboardBufferKeepsTheOldestAndTheStateStaysTrue)
{
    const HWND window = focusedWindow();
    Held<IDirectInputDevice2A> keyboard{
        openDevice(GUID_SysKeyboard, c_dfDIKeyboard, window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND, 4)};
    ASSERT_EQ(DI_OK, keyboard->Acquire());
    press(window, kKeyA);
    press(window, kUp);
    release(window, kKeyA);
    press(window, kEscape);
    release(window, kUp); // a fifth record: no room
    press(window, 92);    // a key without a scan code name: not reported

    DIDEVICEOBJECTDATA records[8];
    DWORD count = 8;
    ASSERT_EQ(DI_BUFFEROVERFLOW, keyboard->GetDeviceData(sizeof records[0], records, &count, DIGDD_PEEK));
    ASSERT_EQ(4u, count);
    const std::pair<DWORD, DWORD> expected[] = {
        {DIK_A, 0x80}, {DIK_UP, 0x80}, {DIK_A, 0}, {DIK_ESCAPE, 0x80}};
    for (DWORD i = 0; i < count; i++)
        EXPECT_EQ(expected[i], std::make_pair(records[i].dwOfs, records[i].dwData)) << "record " << i;

    BYTE keys[256];
    ASSERT_EQ(DI_OK, keyboard->GetDeviceState(sizeof keys, keys));
    EXPECT_EQ(0, keys[DIK_A]);
    EXPECT_EQ(0, keys[DIK_UP]);
    EXPECT_EQ(0x80, keys[DIK_ESCAPE]);

    count = INFINITE; // no room given: the records are dropped
    EXPECT_EQ(DI_BUFFEROVERFLOW, keyboard->GetDeviceData(sizeof records[0], nullptr, &count, 0));
    EXPECT_EQ(4u, count);
    EXPECT_TRUE(takeRecords(keyboard.object, DI_OK).empty());
    DestroyWindow(window);
}

TEST(DirectInput, KeyCodesBecomeTheScanCodesOfTheirKeys)
{
    // X11 key code (Linux key number + 8) and the scan code it must give.
    const std::pair<uint32_t, DWORD> keys[] = {
        {KEY_ESC + 8, DIK_ESCAPE},
        {KEY_1 + 8, DIK_1},
        {KEY_A + 8, DIK_A},
        {KEY_SPACE + 8, DIK_SPACE},
        {KEY_KPDOT + 8, DIK_DECIMAL},
        {KEY_F11 + 8, DIK_F11},
        {KEY_F12 + 8, DIK_F12},
        {KEY_F13 + 8, DIK_F13},
        {KEY_F15 + 8, DIK_F15},
        {KEY_KATAKANAHIRAGANA + 8, DIK_KANA},
        {KEY_HENKAN + 8, DIK_CONVERT},
        {KEY_MUHENKAN + 8, DIK_NOCONVERT},
        {KEY_YEN + 8, DIK_YEN},
        {KEY_KPEQUAL + 8, DIK_NUMPADEQUALS},
        {KEY_KPCOMMA + 8, DIK_NUMPADCOMMA},
        {KEY_KPENTER + 8, DIK_NUMPADENTER},
        {KEY_RIGHTCTRL + 8, DIK_RCONTROL},
        {KEY_KPSLASH + 8, DIK_DIVIDE},
        {KEY_SYSRQ + 8, DIK_SYSRQ},
        {KEY_RIGHTALT + 8, DIK_RMENU},
        {KEY_HOME + 8, DIK_HOME},
        {KEY_UP + 8, DIK_UP},
        {KEY_PAGEUP + 8, DIK_PRIOR},
        {KEY_LEFT + 8, DIK_LEFT},
        {KEY_RIGHT + 8, DIK_RIGHT},
        {KEY_END + 8, DIK_END},
        {KEY_DOWN + 8, DIK_DOWN},
        {KEY_PAGEDOWN + 8, DIK_NEXT},
        {KEY_INSERT + 8, DIK_INSERT},
        {KEY_DELETE + 8, DIK_DELETE},
        {KEY_LEFTMETA + 8, DIK_LWIN},
        {KEY_RIGHTMETA + 8, DIK_RWIN},
        {KEY_COMPOSE + 8, DIK_APPS},
    };
    const HWND window = focusedWindow();
    Held<IDirectInputDevice2A> keyboard{
        openDevice(GUID_SysKeyboard, c_dfDIKeyboard, window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND, 64)};
    ASSERT_EQ(DI_OK, keyboard->Acquire());
    for (const auto &[keycode, scan] : keys) {
        press(window, keycode);
        release(window, keycode);
        const auto records = takeRecords(keyboard.object);
        ASSERT_EQ(2u, records.size()) << "key code " << keycode;
        EXPECT_EQ(scan, records[0].dwOfs) << "key code " << keycode;
        EXPECT_EQ(0x80u, records[0].dwData);
        EXPECT_EQ(0u, records[1].dwData);
    }
    press(window, KEY_PAUSE + 8); // no scan code name in this version
    press(window, 5);             // below the X11 range
    EXPECT_TRUE(takeRecords(keyboard.object).empty());
    DestroyWindow(window);
}

TEST(DirectInputPads, AxesHatsAndButtonsFollowTheJoystickEvents)
{
    MW_ISOLATED(([] {
        const BYTE codes[] = {ABS_X, ABS_Y, ABS_Z, ABS_THROTTLE, ABS_HAT0X, ABS_HAT0Y, ABS_MISC};
        const int pad = mwPlatformAddVirtualPad("Test pad", 7, codes, 12);
        ASSERT_GE(pad, 0);
        const auto pads = enumerate(DIDEVTYPE_JOYSTICK);
        ASSERT_FALSE(pads.empty());
        const DIDEVICEINSTANCEA instance = pads.back();
        EXPECT_STREQ("Test pad", instance.tszProductName);
        EXPECT_STREQ("Virtual pad 1", instance.tszInstanceName);
        EXPECT_EQ(GUID_Joystick, instance.guidProduct);

        Held<IDirectInputDevice2A> device{
            openDevice(instance.guidInstance, c_dfDIJoystick, nullptr, DISCL_EXCLUSIVE | DISCL_BACKGROUND)};
        DIDEVCAPS caps{};
        caps.dwSize = sizeof caps;
        ASSERT_EQ(DI_OK, device->GetCapabilities(&caps));
        EXPECT_EQ(DWORD{DIDC_ATTACHED | DIDC_POLLEDDEVICE}, caps.dwFlags);
        EXPECT_EQ(4u, caps.dwAxes); // X, Y, Z and a slider; the last axis has no place
        EXPECT_EQ(1u, caps.dwPOVs);
        EXPECT_EQ(12u, caps.dwButtons);

        ASSERT_EQ(DI_OK, device->Acquire());
        DIJOYSTATE state;
        ASSERT_EQ(DI_OK, device->Poll());
        ASSERT_EQ(DI_OK, device->GetDeviceState(sizeof state, &state));
        EXPECT_EQ(32768, state.lX); // centred until moved
        EXPECT_EQ(32768, state.rglSlider[0]);
        EXPECT_EQ(0, state.lRx); // not there
        EXPECT_EQ(0xFFFFFFFFu, state.rgdwPOV[0]);

        // Axis values -32768..32767 become 0..65535; hats, in hundredths of
        // a degree from up.
        struct Step {
            int type, number, value;
            LONG DIJOYSTATE::*axis;
            LONG axisValue;
            DWORD pov;
        };
        const Step steps[] = {
            {JS_EVENT_AXIS, 0, -32768, &DIJOYSTATE::lX, 0, 0xFFFFFFFFu},
            {JS_EVENT_AXIS, 1, 32767, &DIJOYSTATE::lY, 65535, 0xFFFFFFFFu},
            {JS_EVENT_AXIS, 3, 100, &DIJOYSTATE::lZ, 32768, 0xFFFFFFFFu},
            {JS_EVENT_AXIS, 5, -32767, &DIJOYSTATE::lX, 0, 0},      // up
            {JS_EVENT_AXIS, 4, 32767, &DIJOYSTATE::lX, 0, 4500},    // up and right
            {JS_EVENT_AXIS, 5, 0, &DIJOYSTATE::lX, 0, 9000},        // right
            {JS_EVENT_AXIS, 5, 20000, &DIJOYSTATE::lX, 0, 13500},   // down and right
            {JS_EVENT_AXIS, 4, -1, &DIJOYSTATE::lX, 0, 22500},      // down and left
            {JS_EVENT_AXIS, 5, 0, &DIJOYSTATE::lX, 0, 27000},       // left
            {JS_EVENT_AXIS, 4, 0, &DIJOYSTATE::lX, 0, 0xFFFFFFFFu}, // centred
        };
        for (const Step &step : steps) {
            ASSERT_EQ(1, mwPlatformSendPadEvent(pad, step.type, step.number, step.value));
            ASSERT_EQ(DI_OK, device->Poll());
            ASSERT_EQ(DI_OK, device->GetDeviceState(sizeof state, &state));
            EXPECT_EQ(step.axisValue, state.*step.axis) << "axis " << step.number << " at " << step.value;
            EXPECT_EQ(step.pov, state.rgdwPOV[0]) << "axis " << step.number << " at " << step.value;
        }
        EXPECT_EQ(32868, state.rglSlider[0]);
        ASSERT_EQ(1, mwPlatformSendPadEvent(pad, JS_EVENT_BUTTON, 11, 1));
        ASSERT_EQ(DI_OK, device->GetDeviceState(sizeof state, &state));
        EXPECT_EQ(0x80, state.rgbButtons[11]);
        EXPECT_EQ(0, state.rgbButtons[0]);

        // A device opened later starts with the pad as it is.
        Held<IDirectInputDevice2A> later{openDevice(instance.guidInstance, c_dfDIJoystick, nullptr,
                                                    DISCL_NONEXCLUSIVE | DISCL_BACKGROUND)};
        ASSERT_EQ(DI_OK, later->Acquire());
        DIJOYSTATE laterState;
        ASSERT_EQ(DI_OK, later->GetDeviceState(sizeof laterState, &laterState));
        EXPECT_EQ(0, std::memcmp(&state, &laterState, sizeof state));
    }));
}

TEST(DirectInputPads, AnUnpluggedPadIsLostAndShownDetached)
{
    MW_ISOLATED(([] {
        const int pad = mwPlatformAddVirtualPad("Going", 2, nullptr, 2);
        const GUID id = enumerate(DIDEVTYPE_JOYSTICK).back().guidInstance;
        Held<IDirectInputDevice2A> device{
            openDevice(id, c_dfDIJoystick, nullptr, DISCL_EXCLUSIVE | DISCL_BACKGROUND)};
        ASSERT_EQ(DI_OK, device->Acquire());
        ASSERT_EQ(1, mwPlatformUnplugVirtualPad(pad));
        EXPECT_EQ(0, mwPlatformSendPadEvent(pad, JS_EVENT_BUTTON, 0, 1));
        EXPECT_EQ(DIERR_INPUTLOST, device->Poll());
        EXPECT_EQ(DIERR_NOTACQUIRED, device->Poll());
        EXPECT_EQ(DIERR_NOTFOUND, device->Acquire());
        DIDEVCAPS caps{};
        caps.dwSize = sizeof caps;
        ASSERT_EQ(DI_OK, device->GetCapabilities(&caps));
        EXPECT_EQ(0u, caps.dwFlags & DIDC_ATTACHED);

        const auto all = enumerate(DIDEVTYPE_JOYSTICK);
        ASSERT_FALSE(all.empty());
        EXPECT_STREQ("Going", all.back().tszProductName);
        for (const DIDEVICEINSTANCEA &attached : enumerate(DIDEVTYPE_JOYSTICK, DIEDFL_ATTACHEDONLY))
            EXPECT_STRNE("Going", attached.tszProductName);
    }));
}

} // namespace
