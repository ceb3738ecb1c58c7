// Pads: the Linux joystick devices, and the virtual pads tests feed with the
// same event records through a socket (a socket, not a pipe, so a writer
// whose reader went away gets an error instead of SIGPIPE).
#include "joystick.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "handles.h"

namespace mwp {
namespace {

constexpr int kVirtualButtonsMax = 255;

std::string joystickPath(int slot) { return "/dev/input/js" + std::to_string(slot); }

void numberAxes(PadInfo &info)
{
    for (int axis = 0; axis < info.axes; axis++)
        info.axisCodes[axis] = static_cast<BYTE>(axis);
}

// What the joystick driver tells of an open device; false for a file that
// is not a joystick.
bool queryJoystick(int fd, PadInfo &info)
{
    uint8_t axes = 0, buttons = 0;
    if (ioctl(fd, JSIOCGAXES, &axes) < 0 || ioctl(fd, JSIOCGBUTTONS, &buttons) < 0)
        return false;
    info.axes = std::min<int>(axes, kPadAxesMax);
    info.buttons = buttons;
    char name[128] = {};
    info.name = ioctl(fd, JSIOCGNAME(sizeof name - 1), name) >= 0 ? name : "Joystick";
    if (ioctl(fd, JSIOCGVERSION, &info.version) < 0)
        info.version = 0;
    uint8_t map[ABS_CNT] = {};
    if (ioctl(fd, JSIOCGAXMAP, map) >= 0)
        std::copy_n(map, info.axes, info.axisCodes.begin());
    else
        numberAxes(info);
    return true;
}

int openJoystick(int slot, PadInfo &info)
{
    const int fd = open(joystickPath(slot).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (!queryJoystick(fd, info)) {
        close(fd);
        return -1;
    }
    return fd;
}

//---- Virtual pads ----------------------------------------------------------

struct VirtualPad {
    PadInfo info;
    std::vector<int16_t> axisValues;
    std::vector<int16_t> buttonValues;
    std::vector<int> writers; // one socket per open device
    bool plugged = true;
};

struct VirtualPads {
    std::mutex lock;
    std::vector<VirtualPad> pads;
};

VirtualPads &virtualPads() { return forever<VirtualPads>(); }

// Sends without waiting; false when the device's end is closed.
bool sendEvent(int writer, const js_event &event)
{
    const ssize_t sent = send(writer, &event, sizeof event, MSG_NOSIGNAL | MSG_DONTWAIT);
    // A full socket drops the event, as the joystick driver drops events a
    // reader leaves waiting too long.
    return sent == sizeof event || (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
}

js_event padEvent(int type, int number, int16_t value)
{
    js_event event{};
    event.type = static_cast<uint8_t>(type);
    event.number = static_cast<uint8_t>(number);
    event.value = value;
    return event;
}

// A new device of a virtual pad: a socket that starts with the present
// state, buttons first, as the joystick driver does.
int openVirtual(VirtualPad &pad)
{
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends) != 0)
        return -1;
    for (size_t i = 0; i < pad.buttonValues.size(); i++)
        sendEvent(ends[1],
                  padEvent(JS_EVENT_BUTTON | JS_EVENT_INIT, static_cast<int>(i), pad.buttonValues[i]));
    for (size_t i = 0; i < pad.axisValues.size(); i++)
        sendEvent(ends[1], padEvent(JS_EVENT_AXIS | JS_EVENT_INIT, static_cast<int>(i), pad.axisValues[i]));
    pad.writers.push_back(ends[1]);
    return ends[0];
}

} // namespace

PadStream::~PadStream() { close(fd_); }

bool PadStream::read(std::vector<js_event> &events)
{
    unsigned char buffer[64 * sizeof(js_event)];
    for (;;) {
        std::memcpy(buffer, partial_, partialBytes_);
        const ssize_t got = ::read(fd_, buffer + partialBytes_, sizeof buffer - partialBytes_);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        if (got <= 0)
            return false; // unplugged (ENODEV), or the virtual pad's end closed
        const size_t total = partialBytes_ + static_cast<size_t>(got);
        const size_t whole = total - total % sizeof(js_event);
        for (size_t at = 0; at < whole; at += sizeof(js_event)) {
            js_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            events.push_back(event);
        }
        partialBytes_ = total - whole;
        std::memcpy(partial_, buffer + whole, partialBytes_);
    }
}

std::vector<PadEntry> listPads()
{
    std::vector<PadEntry> pads;
    for (int slot = 0; slot < kJoystickDevices; slot++) {
        PadInfo info;
        const int fd = openJoystick(slot, info);
        if (fd < 0)
            continue;
        close(fd);
        pads.push_back({slot, "Joystick " + std::to_string(slot + 1), info, true});
    }
    VirtualPads &virtuals = virtualPads();
    std::lock_guard<std::mutex> hold(virtuals.lock);
    for (size_t i = 0; i < virtuals.pads.size(); i++)
        pads.push_back({kVirtualPadSlot + static_cast<int>(i), "Virtual pad " + std::to_string(i + 1),
                        virtuals.pads[i].info, virtuals.pads[i].plugged});
    return pads;
}

bool openPad(int slot, PadInfo &info, std::unique_ptr<PadStream> &stream)
{
    stream.reset();
    if (slot >= 0 && slot < kJoystickDevices) {
        const int fd = openJoystick(slot, info);
        if (fd < 0)
            return false;
        stream = std::make_unique<PadStream>(fd);
        return true;
    }
    VirtualPads &virtuals = virtualPads();
    std::lock_guard<std::mutex> hold(virtuals.lock);
    const size_t index = static_cast<size_t>(slot - kVirtualPadSlot);
    if (slot < kVirtualPadSlot || index >= virtuals.pads.size())
        return false;
    VirtualPad &pad = virtuals.pads[index];
    info = pad.info;
    if (pad.plugged) {
        const int fd = openVirtual(pad);
        if (fd < 0)
            return false;
        stream = std::make_unique<PadStream>(fd);
    }
    return true;
}

} // namespace mwp

using namespace mwp;

int mwPlatformAddVirtualPad(const char *name, int axes, const BYTE *axisCodes, int buttons)
{
    if (axes < 0 || axes > kPadAxesMax || buttons < 0 || buttons > kVirtualButtonsMax)
        return -1;
    VirtualPads &virtuals = virtualPads();
    std::lock_guard<std::mutex> hold(virtuals.lock);
    if (virtuals.pads.size() >= MWP_VIRTUAL_PADS)
        return -1;
    VirtualPad pad;
    pad.info.name = name ? name : "Virtual pad";
    pad.info.axes = axes;
    pad.info.buttons = buttons;
    if (axisCodes)
        std::copy_n(axisCodes, axes, pad.info.axisCodes.begin());
    else
        numberAxes(pad.info);
    pad.axisValues.assign(static_cast<size_t>(axes), 0);
    pad.buttonValues.assign(static_cast<size_t>(buttons), 0);
    virtuals.pads.push_back(std::move(pad));
    return static_cast<int>(virtuals.pads.size()) - 1;
}

int mwPlatformSendPadEvent(int number, int type, int object, int value)
{
    VirtualPads &virtuals = virtualPads();
    std::lock_guard<std::mutex> hold(virtuals.lock);
    if (number < 0 || static_cast<size_t>(number) >= virtuals.pads.size())
        return 0;
    VirtualPad &pad = virtuals.pads[static_cast<size_t>(number)];
    std::vector<int16_t> *values = type == JS_EVENT_AXIS     ? &pad.axisValues
                                   : type == JS_EVENT_BUTTON ? &pad.buttonValues
                                                             : nullptr;
    if (!pad.plugged || !values || object < 0 || static_cast<size_t>(object) >= values->size())
        return 0;
    const auto stored = static_cast<int16_t>(std::clamp(value, -32768, 32767));
    (*values)[static_cast<size_t>(object)] = stored;
    const js_event event = padEvent(type, object, stored);
    std::erase_if(pad.writers, [&](int writer) {
        if (sendEvent(writer, event))
            return false;
        close(writer); // its device was released
        return true;
    });
    return 1;
}

int mwPlatformUnplugVirtualPad(int number)
{
    VirtualPads &virtuals = virtualPads();
    std::lock_guard<std::mutex> hold(virtuals.lock);
    if (number < 0 || static_cast<size_t>(number) >= virtuals.pads.size())
        return 0;
    VirtualPad &pad = virtuals.pads[static_cast<size_t>(number)];
    for (int writer : pad.writers)
        close(writer);
    pad.writers.clear();
    pad.plugged = false;
    return 1;
}
