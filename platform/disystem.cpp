// The system mouse and keyboard: both read the key and pointer events of the
// window they co-operate with. Whichever is read first takes the window's
// waiting events and hands each to every acquired device of that window.
#include "didevice.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace mwp {
namespace {

constexpr BYTE kDown = 0x80;
constexpr int kMouseButtons = 4;

class SystemDevice;

// Every mouse and keyboard alive; guarded by inputLock.
std::vector<SystemDevice *> &systemDevices()
{
    static auto *devices = new std::vector<SystemDevice *>;
    return *devices;
}

void drain(HWND window);

class SystemDevice : public Device {
public:
    explicit SystemDevice(const DIDATAFORMAT &format) : Device(format) { systemDevices().push_back(this); }
    ~SystemDevice() override { std::erase(systemDevices(), this); }

    // One event of the device's window while it is acquired.
    virtual void take(const MWP_INPUT_EVENT &event) = 0;

protected:
    bool needsWindow() const override { return true; }
    bool polled() const override { return false; }
    void collect() override { drain(window()); }

    HRESULT begin() override
    {
        drain(window()); // what came before acquisition is not this device's
        clear();
        return DI_OK;
    }
    virtual void clear() = 0;
};

void drain(HWND window)
{
    auto &devices = systemDevices();
    for (SystemDevice *device : devices)
        if (device->window() == window)
            device->checkFocus();
    MWP_INPUT_EVENT events[64];
    int count;
    while ((count = mwPlatformReadInput(window, events, static_cast<int>(std::size(events)))) > 0)
        for (int i = 0; i < count; i++)
            for (SystemDevice *device : devices)
                if (device->window() == window && device->acquired())
                    device->take(events[i]);
}

LONG saturate(int64_t value) { return static_cast<LONG>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX)); }

class Mouse final : public SystemDevice {
public:
    Mouse() : SystemDevice(c_dfDIMouse) {}

    void take(const MWP_INPUT_EVENT &event) override
    {
        switch (event.type) {
        case MWP_INPUT_MOTION:
            move(DIMOFS_X, x_, event.dx, event.time);
            move(DIMOFS_Y, y_, event.dy, event.time);
            break;
        case MWP_INPUT_WHEEL: move(DIMOFS_Z, z_, event.wheel, event.time); break;
        case MWP_INPUT_BUTTON_DOWN:
        case MWP_INPUT_BUTTON_UP:
            if (event.button >= 0 && event.button < kMouseButtons) {
                const BYTE value = event.type == MWP_INPUT_BUTTON_DOWN ? kDown : 0;
                if (buttons_[event.button] != value) {
                    buttons_[event.button] = value;
                    record(DIMOFS_BUTTON0 + event.button, value, event.time);
                }
            }
            break;
        }
    }

protected:
    void describe(DIDEVCAPS &caps) const override
    {
        caps.dwFlags = DIDC_ATTACHED;
        caps.dwDevType = DIDEVTYPE_MOUSE | DIDEVTYPEMOUSE_TRADITIONAL << 8;
        caps.dwAxes = 3;
        caps.dwButtons = kMouseButtons;
    }

    void readState(void *data) override
    {
        DIMOUSESTATE state{saturate(x_), saturate(y_), saturate(z_), {}};
        std::memcpy(state.rgbButtons, buttons_, sizeof buttons_);
        std::memcpy(data, &state, sizeof state);
        x_ = y_ = z_ = 0;
    }

    void clear() override
    {
        x_ = y_ = z_ = 0;
        std::memset(buttons_, 0, sizeof buttons_);
    }

private:
    void move(DWORD offset, int64_t &axis, int32_t distance, DWORD time)
    {
        if (distance == 0)
            return;
        axis += distance;
        record(offset, static_cast<DWORD>(distance), time);
    }

    // Movement since the last state read, wide enough never to wrap.
    int64_t x_ = 0, y_ = 0, z_ = 0;
    BYTE buttons_[kMouseButtons] = {};
};

class Keyboard final : public SystemDevice {
public:
    Keyboard() : SystemDevice(c_dfDIKeyboard) {}

    void take(const MWP_INPUT_EVENT &event) override
    {
        if (event.type != MWP_INPUT_KEY_DOWN && event.type != MWP_INPUT_KEY_UP)
            return;
        const BYTE scan = scanCodeOf(event.keycode);
        const BYTE value = event.type == MWP_INPUT_KEY_DOWN ? kDown : 0;
        if (scan == 0 || keys_[scan] == value)
            return;
        keys_[scan] = value;
        record(scan, value, event.time);
    }

protected:
    void describe(DIDEVCAPS &caps) const override
    {
        caps.dwFlags = DIDC_ATTACHED;
        caps.dwDevType = DIDEVTYPE_KEYBOARD | DIDEVTYPEKEYBOARD_PCENH << 8;
        caps.dwButtons = keyboardKeys();
    }

    void readState(void *data) override { std::memcpy(data, keys_, sizeof keys_); }
    void clear() override { std::memset(keys_, 0, sizeof keys_); }

private:
    BYTE keys_[256] = {};
};

} // namespace

Device *makeMouse() { return new Mouse; }

Device *makeKeyboard() { return new Keyboard; }

} // namespace mwp
