// Game pads as Linux joystick devices (/dev/input/js0 to js3) and as the
// virtual pads tests add (internal). Both speak the joystick device's event
// records, so one reader serves them.
#ifndef MWP_JOYSTICK_H
#define MWP_JOYSTICK_H

#include "mwdinput5.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

#include <linux/joystick.h>

namespace mwp {

constexpr int kJoystickDevices = 4;  // slots 0..3: /dev/input/js0..3
constexpr int kVirtualPadSlot = 16;  // slots 16..: the virtual pads
constexpr int kPadAxesMax = ABS_CNT; // axes a pad may have

// What a pad is, as the joystick device tells it.
struct PadInfo {
    std::string name;
    int axes = 0;
    int buttons = 0;
    std::array<BYTE, kPadAxesMax> axisCodes{}; // Linux ABS_ code of each axis
    uint32_t version = 0;                      // driver version, 0xMMmmpp
};

// A pad there is now, in enumeration order.
struct PadEntry {
    int slot;
    std::string instanceName;
    PadInfo info;
    bool attached;
};
std::vector<PadEntry> listPads();

// The events of one open pad, until it goes.
class PadStream {
public:
    explicit PadStream(int fd) : fd_(fd) {}
    ~PadStream();
    PadStream(const PadStream &) = delete;
    PadStream &operator=(const PadStream &) = delete;

    // Appends the events waiting; false once the pad is gone (after the
    // events it sent before going).
    bool read(std::vector<js_event> &events);

private:
    int fd_;
    unsigned char partial_[sizeof(js_event)] = {}; // a record read in part
    size_t partialBytes_ = 0;
};

// Opens the pad of a slot: false when there is none; a pad that is known
// but not attached leaves stream empty.
bool openPad(int slot, PadInfo &info, std::unique_ptr<PadStream> &stream);

} // namespace mwp

#endif
