// What every DirectInput device does: co-operation with a window,
// acquisition and its loss, state reads and the buffer of changes.
#include "didevice.h"

#include <algorithm>
#include <cstring>

#include "window.h"

namespace mwp {

namespace {

constexpr DWORD kCapsSizeDx3 = 24; // the first six fields only
constexpr DWORD kKnownCooperation =
    DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND;

// Orders the records of all devices as their events happened.
DWORD nextSequence()
{
    static DWORD sequence = 0;
    return ++sequence;
}

bool exactlyOne(DWORD flags, DWORD a, DWORD b) { return ((flags & a) != 0) != ((flags & b) != 0); }

} // namespace

std::mutex &inputLock()
{
    static auto *lock = new std::mutex; // devices may still be released while exit() runs
    return *lock;
}

HRESULT WINAPI Device::QueryInterface(REFIID iid, LPVOID *object)
{
    if (!object)
        return DIERR_INVALIDPARAM;
    if (iid == IID_IUnknown || iid == IID_IDirectInputDeviceA || iid == IID_IDirectInputDevice2A) {
        AddRef();
        *object = static_cast<IDirectInputDevice2A *>(this);
        return DI_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG WINAPI Device::AddRef() { return ++references_; }

ULONG WINAPI Device::Release()
{
    const ULONG left = --references_;
    if (left == 0) {
        std::lock_guard<std::mutex> hold(inputLock());
        delete this;
    }
    return left;
}

HRESULT WINAPI Device::GetCapabilities(LPDIDEVCAPS caps)
{
    if (!caps || (caps->dwSize != sizeof(DIDEVCAPS) && caps->dwSize != kCapsSizeDx3))
        return DIERR_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(inputLock());
    DIDEVCAPS full{};
    full.dwSize = caps->dwSize;
    describe(full);
    std::memcpy(caps, &full, caps->dwSize);
    return DI_OK;
}

HRESULT WINAPI Device::SetProperty(REFGUID property, LPCDIPROPHEADER header)
{
    if (!header || header->dwHeaderSize != sizeof(DIPROPHEADER))
        return DIERR_INVALIDPARAM;
    if (property != DIPROP_BUFFERSIZE)
        return DIERR_UNSUPPORTED;
    if (header->dwSize != sizeof(DIPROPDWORD) || header->dwHow != DIPH_DEVICE || header->dwObj != 0)
        return DIERR_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(inputLock());
    if (acquired_)
        return DIERR_ACQUIRED;
    const DWORD size = reinterpret_cast<const DIPROPDWORD *>(header)->dwData;
    bufferSize_ = std::min<DWORD>(size, MW_DI_BUFFER_MAX);
    buffer_.clear();
    overflowed_ = false;
    return DI_OK;
}

HRESULT WINAPI Device::Acquire()
{
    std::lock_guard<std::mutex> hold(inputLock());
    checkFocus();
    if (acquired_)
        return DI_NOEFFECT;
    if (!formatSet_ || (needsWindow() && !window_))
        return DIERR_INVALIDPARAM;
    bool focused = false;
    uint32_t losses = 0;
    if (window_ && !inputFocus(window_, focused, losses))
        return DIERR_INVALIDPARAM; // the window is gone
    if ((cooperation_ & DISCL_FOREGROUND) && !focused)
        return DIERR_OTHERAPPHASPRIO;
    if (HRESULT result = begin(); FAILED(result))
        return result;
    acquired_ = true;
    lost_ = false;
    focusLossesAtAcquire_ = losses;
    buffer_.clear();
    overflowed_ = false;
    return DI_OK;
}

HRESULT WINAPI Device::Unacquire()
{
    std::lock_guard<std::mutex> hold(inputLock());
    lost_ = false;
    if (!acquired_)
        return DI_NOEFFECT;
    acquired_ = false;
    return DI_OK;
}

HRESULT WINAPI Device::GetDeviceState(DWORD size, LPVOID data)
{
    if (!data || size != format_.dwDataSize)
        return DIERR_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(inputLock());
    if (HRESULT result = readable(); result != DI_OK)
        return result;
    readState(data);
    return DI_OK;
}

HRESULT WINAPI Device::GetDeviceData(DWORD recordSize, LPDIDEVICEOBJECTDATA records, LPDWORD count,
                                     DWORD flags)
{
    if (recordSize != sizeof(DIDEVICEOBJECTDATA) || !count || (flags & ~DWORD{DIGDD_PEEK}) != 0)
        return DIERR_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(inputLock());
    if (bufferSize_ == 0)
        return DIERR_NOTBUFFERED;
    if (HRESULT result = readable(); result != DI_OK)
        return result;
    const size_t taken = std::min<size_t>(*count, buffer_.size());
    if (records)
        std::copy_n(buffer_.begin(), taken, records);
    *count = static_cast<DWORD>(taken);
    const bool overflowed = overflowed_;
    if (!(flags & DIGDD_PEEK)) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(taken));
        overflowed_ = false;
    }
    return overflowed ? DI_BUFFEROVERFLOW : DI_OK;
}

HRESULT WINAPI Device::SetDataFormat(LPCDIDATAFORMAT format)
{
    if (!format)
        return DIERR_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(inputLock());
    if (acquired_)
        return DIERR_ACQUIRED;
    if (format != &format_)
        return DIERR_UNSUPPORTED;
    formatSet_ = true;
    return DI_OK;
}

HRESULT WINAPI Device::SetCooperativeLevel(HWND window, DWORD flags)
{
    if ((flags & ~kKnownCooperation) != 0 || !exactlyOne(flags, DISCL_EXCLUSIVE, DISCL_NONEXCLUSIVE) ||
        !exactlyOne(flags, DISCL_FOREGROUND, DISCL_BACKGROUND))
        return DIERR_INVALIDPARAM;
    // Nobody may keep the system mouse or keyboard from every other window.
    if ((flags & DISCL_EXCLUSIVE) && (flags & DISCL_BACKGROUND) && needsWindow())
        return DIERR_UNSUPPORTED;
    const bool windowNeeded = needsWindow() || (flags & DISCL_FOREGROUND);
    if ((windowNeeded || window) && !IsWindow(window))
        return DIERR_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(inputLock());
    if (acquired_)
        return DIERR_ACQUIRED;
    window_ = window;
    cooperation_ = flags;
    return DI_OK;
}

HRESULT WINAPI Device::Poll()
{
    std::lock_guard<std::mutex> hold(inputLock());
    if (HRESULT result = readable(); result != DI_OK)
        return result;
    return polled() ? DI_OK : DI_NOEFFECT;
}

void Device::checkFocus()
{
    if (!acquired_ || !window_)
        return;
    bool focused = false;
    uint32_t losses = 0;
    const bool windowThere = inputFocus(window_, focused, losses);
    if (!windowThere || ((cooperation_ & DISCL_FOREGROUND) && losses != focusLossesAtAcquire_))
        lose();
}

void Device::record(DWORD offset, DWORD data, DWORD time)
{
    if (!acquired_ || bufferSize_ == 0)
        return;
    if (buffer_.size() >= bufferSize_) {
        overflowed_ = true; // the newest are the ones dropped
        return;
    }
    buffer_.push_back({offset, data, time, nextSequence()});
}

void Device::lose()
{
    if (!acquired_)
        return;
    acquired_ = false;
    lost_ = true;
    buffer_.clear();
    overflowed_ = false;
}

HRESULT Device::readable()
{
    checkFocus();
    if (acquired_)
        collect();
    if (acquired_)
        return DI_OK;
    if (lost_) {
        lost_ = false;
        return DIERR_INPUTLOST;
    }
    return DIERR_NOTACQUIRED;
}

} // namespace mwp
