// Game pads: the joystick device's events turned into DIJOYSTATE. Each of
// the pad's axes goes where its Linux axis code says: X, Y, Z and the three
// rotations to their fields, throttle, rudder, wheel, gas and brake to the
// two sliders, hat axis pairs to POV values.
#include "didevice.h"

#include <algorithm>
#include <cstring>

#include "joystick.h"

namespace mwp {
namespace {

constexpr BYTE kDown = 0x80;
constexpr DWORD kCentred = 0xFFFFFFFFu;
constexpr LONG kAxisCentre = 32768;
constexpr int kSliders = 2;
constexpr int kHats = 4;
constexpr int kButtons = 32;

// Where one axis of the pad goes.
struct AxisTarget {
    enum Kind { none, axis, hat } kind = none;
    LONG *field = nullptr; // axis: its field of the state
    DWORD offset = 0;      // axis: DIJOFS_ of the field
    int pov = 0;           // hat: which POV
    bool vertical = false;
};

constexpr LONG DIJOYSTATE::*kAxisFields[] = {&DIJOYSTATE::lX,  &DIJOYSTATE::lY,  &DIJOYSTATE::lZ,
                                             &DIJOYSTATE::lRx, &DIJOYSTATE::lRy, &DIJOYSTATE::lRz};

// Hundredths of a degree clockwise from up for a hat's two axes (each -1,
// 0 or 1, up and left negative).
DWORD povOf(int x, int y)
{
    static constexpr DWORD kAngles[3][3] = {{31500, 0, 4500}, {27000, kCentred, 9000}, {22500, 18000, 13500}};
    return kAngles[y + 1][x + 1];
}

int sign(int value) { return (value > 0) - (value < 0); }

class Pad final : public Device {
public:
    Pad(const PadInfo &info, std::unique_ptr<PadStream> stream)
        : Device(c_dfDIJoystick), info_(info), stream_(std::move(stream))
    {
        layOut();
    }

protected:
    bool needsWindow() const override { return false; }
    bool polled() const override { return true; }

    void describe(DIDEVCAPS &caps) const override
    {
        caps.dwFlags = (stream_ ? DIDC_ATTACHED : 0) | DIDC_POLLEDDEVICE;
        caps.dwDevType = DIDEVTYPE_JOYSTICK | DIDEVTYPEJOYSTICK_GAMEPAD << 8;
        caps.dwAxes = axes_;
        caps.dwButtons = static_cast<DWORD>(std::min(info_.buttons, kButtons));
        caps.dwPOVs = povs_;
        caps.dwFirmwareRevision = (info_.version >> 16 & 0xFF) << 16 | (info_.version >> 8 & 0xFF);
    }

    void collect() override
    {
        if (!stream_) {
            lose();
            return;
        }
        std::vector<js_event> events;
        const bool there = stream_->read(events);
        for (const js_event &event : events)
            apply(event);
        if (!there) {
            stream_.reset();
            lose();
        }
    }

    HRESULT begin() override
    {
        collect(); // not acquired yet: brings the state up to date unrecorded
        return stream_ ? DI_OK : DIERR_NOTFOUND;
    }

    void readState(void *data) override { std::memcpy(data, &state_, sizeof state_); }

private:
    void layOut();
    void apply(const js_event &event);

    PadInfo info_;
    std::unique_ptr<PadStream> stream_;
    std::vector<AxisTarget> targets_; // by the pad's axis number
    DWORD axes_ = 0, povs_ = 0;
    int hatAxes_[kHats][2] = {}; // x, y of each POV: -1, 0, 1
    DIJOYSTATE state_{};
};

void Pad::layOut()
{
    std::fill(std::begin(state_.rgdwPOV), std::end(state_.rgdwPOV), kCentred);
    targets_.resize(static_cast<size_t>(info_.axes));
    bool fieldTaken[std::size(kAxisFields)] = {};
    int sliders = 0;
    int povOfHat[kHats];
    std::fill(std::begin(povOfHat), std::end(povOfHat), -1);
    for (size_t i = 0; i < targets_.size(); i++) {
        const int code = info_.axisCodes[i];
        AxisTarget &target = targets_[i];
        if (code >= ABS_X && code <= ABS_RZ && !fieldTaken[code]) {
            fieldTaken[code] = true;
            target = {AxisTarget::axis, &(state_.*kAxisFields[code]),
                      static_cast<DWORD>(DIJOFS_X + 4 * code)};
        } else if (code >= ABS_THROTTLE && code <= ABS_BRAKE && sliders < kSliders) {
            target = {AxisTarget::axis, &state_.rglSlider[sliders],
                      static_cast<DWORD>(DIJOFS_SLIDER(sliders))};
            sliders++;
        } else if (code >= ABS_HAT0X && code <= ABS_HAT3Y) {
            // POVs are numbered in the order the hats first appear.
            const int hat = (code - ABS_HAT0X) / 2;
            if (povOfHat[hat] < 0)
                povOfHat[hat] = static_cast<int>(povs_++);
            target = {AxisTarget::hat, nullptr, 0, povOfHat[hat], (code - ABS_HAT0X) % 2 == 1};
        }
        if (target.kind == AxisTarget::axis) {
            axes_++;
            *target.field = kAxisCentre;
        }
    }
}

void Pad::apply(const js_event &event)
{
    const DWORD now = GetTickCount();
    const int type = event.type & ~JS_EVENT_INIT;
    if (type == JS_EVENT_BUTTON && event.number < kButtons) {
        const BYTE value = event.value ? kDown : 0;
        if (state_.rgbButtons[event.number] != value) {
            state_.rgbButtons[event.number] = value;
            record(DIJOFS_BUTTON(event.number), value, now);
        }
    } else if (type == JS_EVENT_AXIS && event.number < targets_.size()) {
        const AxisTarget &target = targets_[event.number];
        if (target.kind == AxisTarget::axis) {
            const LONG value = std::clamp<LONG>(event.value + kAxisCentre, 0, 65535);
            if (*target.field != value) {
                *target.field = value;
                record(target.offset, static_cast<DWORD>(value), now);
            }
        } else if (target.kind == AxisTarget::hat) {
            int *hat = hatAxes_[target.pov];
            hat[target.vertical] = sign(event.value);
            const DWORD pov = povOf(hat[0], hat[1]);
            if (state_.rgdwPOV[target.pov] != pov) {
                state_.rgdwPOV[target.pov] = pov;
                record(DIJOFS_POV(target.pov), pov, now);
            }
        }
    }
}

} // namespace

Device *makePad(int slot)
{
    PadInfo info;
    std::unique_ptr<PadStream> stream;
    if (!openPad(slot, info, stream))
        return nullptr;
    return new Pad(info, std::move(stream));
}

} // namespace mwp
