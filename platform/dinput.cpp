// DirectInputCreateA and the DirectInput object: which devices there are
// and making them. The GUIDs and standard data formats live here too.
#include "didevice.h"

#include <cstdio>
#include <vector>

#include "joystick.h"

const GUID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID IID_IDirectInputA = {0x89521360, 0xAA8A, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID IID_IDirectInputDeviceA = {
    0x5944E680, 0xC92E, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID IID_IDirectInputDevice2A = {
    0x5944E682, 0xC92E, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_SysMouse = {0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_SysKeyboard = {0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_Joystick = {0x6F1D2B70, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// Property 1, as the property number is written in its place on Windows.
const GUID DIPROP_BUFFERSIZE = {0x00000001, 0x0000, 0x0000, {0, 0, 0, 0, 0, 0, 0, 0}};

const DIDATAFORMAT c_dfDIKeyboard = {
    sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_RELAXIS, 256, 0, nullptr};
const DIDATAFORMAT c_dfDIMouse = {
    sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_RELAXIS, sizeof(DIMOUSESTATE), 0, nullptr};
const DIDATAFORMAT c_dfDIJoystick = {
    sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_ABSAXIS, sizeof(DIJOYSTATE), 0, nullptr};

// The records' sizes are DirectInput's on every target.
static_assert(sizeof(DIDEVCAPS) == 44);
static_assert(sizeof(DIMOUSESTATE) == 16);
static_assert(sizeof(DIJOYSTATE) == 80);
static_assert(sizeof(DIDEVICEOBJECTDATA) == 16);
static_assert(sizeof(DIPROPDWORD) == 20);
static_assert(sizeof(GUID) == 16);
static_assert(sizeof(DIDEVICEINSTANCEA) == 580);

namespace mwp {
namespace {

constexpr DWORD kVersion3 = 0x0300;
constexpr DWORD kVersion5 = 0x0500;
constexpr DWORD kKnownEnumFlags = DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK;

// Pad slot n is GUID_Joystick with n in the last byte.
GUID padGuid(int slot)
{
    GUID guid = GUID_Joystick;
    guid.Data4[7] = static_cast<BYTE>(slot);
    return guid;
}

bool isPadGuid(REFGUID guid, int &slot)
{
    GUID base = guid;
    base.Data4[7] = 0;
    slot = guid.Data4[7];
    return base == GUID_Joystick;
}

DIDEVICEINSTANCEA instance(const GUID &id, const GUID &product, DWORD type, const char *instanceName,
                           const char *productName)
{
    DIDEVICEINSTANCEA device{};
    device.dwSize = sizeof device;
    device.guidInstance = id;
    device.guidProduct = product;
    device.dwDevType = type;
    std::snprintf(device.tszInstanceName, sizeof device.tszInstanceName, "%s", instanceName);
    std::snprintf(device.tszProductName, sizeof device.tszProductName, "%s", productName);
    return device;
}

struct Listed {
    DIDEVICEINSTANCEA instance;
    bool attached;
};

// Every device there is now: the mouse, the keyboard, then the pads.
std::vector<Listed> listDevices()
{
    std::vector<Listed> devices;
    devices.push_back({instance(GUID_SysMouse, GUID_SysMouse,
                                DIDEVTYPE_MOUSE | DIDEVTYPEMOUSE_TRADITIONAL << 8, "Mouse", "Mouse"),
                       true});
    devices.push_back({instance(GUID_SysKeyboard, GUID_SysKeyboard,
                                DIDEVTYPE_KEYBOARD | DIDEVTYPEKEYBOARD_PCENH << 8, "Keyboard", "Keyboard"),
                       true});
    for (const PadEntry &pad : listPads())
        devices.push_back(
            {instance(padGuid(pad.slot), GUID_Joystick, DIDEVTYPE_JOYSTICK | DIDEVTYPEJOYSTICK_GAMEPAD << 8,
                      pad.instanceName.c_str(), pad.info.name.c_str()),
             pad.attached});
    return devices;
}

class DirectInput final : public IDirectInputA {
public:
    HRESULT WINAPI QueryInterface(REFIID iid, LPVOID *object) override
    {
        if (!object)
            return DIERR_INVALIDPARAM;
        if (iid == IID_IUnknown || iid == IID_IDirectInputA) {
            AddRef();
            *object = static_cast<IDirectInputA *>(this);
            return DI_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    ULONG WINAPI AddRef() override { return ++references_; }

    ULONG WINAPI Release() override
    {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT WINAPI CreateDevice(REFGUID id, LPDIRECTINPUTDEVICEA *device, LPUNKNOWN outer) override
    {
        if (!device)
            return DIERR_INVALIDPARAM;
        *device = nullptr;
        if (outer)
            return DIERR_NOAGGREGATION;
        std::lock_guard<std::mutex> hold(inputLock());
        int slot = 0;
        Device *made = id == GUID_SysMouse      ? makeMouse()
                       : id == GUID_SysKeyboard ? makeKeyboard()
                       : isPadGuid(id, slot)    ? makePad(slot)
                                                : nullptr;
        if (!made)
            return DIERR_DEVICENOTREG;
        *device = made;
        return DI_OK;
    }

    HRESULT WINAPI EnumDevices(DWORD type, LPDIENUMDEVICESCALLBACKA callback, LPVOID context,
                               DWORD flags) override
    {
        if (!callback || type > DIDEVTYPE_JOYSTICK || (flags & ~kKnownEnumFlags) != 0)
            return DIERR_INVALIDPARAM;
        if (flags & DIEDFL_FORCEFEEDBACK)
            return DI_OK; // no device here pushes back
        // The list is taken first: the callback may well create devices.
        for (const Listed &device : listDevices()) {
            if (type != 0 && GET_DIDEVICE_TYPE(device.instance.dwDevType) != type)
                continue;
            if ((flags & DIEDFL_ATTACHEDONLY) && !device.attached)
                continue;
            if (callback(&device.instance, context) == DIENUM_STOP)
                break;
        }
        return DI_OK;
    }

private:
    std::atomic<ULONG> references_{1};
};

} // namespace
} // namespace mwp

using namespace mwp;

HRESULT WINAPI DirectInputCreateA(HINSTANCE, DWORD version, LPDIRECTINPUTA *directInput, LPUNKNOWN outer)
{
    if (!directInput)
        return DIERR_INVALIDPARAM;
    *directInput = nullptr;
    if (outer)
        return DIERR_NOAGGREGATION;
    if (version > kVersion5)
        return DIERR_OLDDIRECTINPUTVERSION;
    if (version != kVersion3 && version != kVersion5)
        return DIERR_BETADIRECTINPUTVERSION;
    *directInput = new DirectInput;
    return DI_OK;
}
