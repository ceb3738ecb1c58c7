// The devices of the DirectInput layer (internal): what every device does
// (co-operation, acquisition, buffered records) and what each kind adds.
#ifndef MWP_DIDEVICE_H
#define MWP_DIDEVICE_H

#include "mwdinput5.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>

namespace mwp {

// Held by every device call: the mouse and keyboard of one window share its
// events, so reading one feeds the other.
std::mutex &inputLock();

class Device : public IDirectInputDevice2A {
public:
    HRESULT WINAPI QueryInterface(REFIID iid, LPVOID *object) override;
    ULONG WINAPI AddRef() override;
    ULONG WINAPI Release() override;
    HRESULT WINAPI GetCapabilities(LPDIDEVCAPS caps) override;
    HRESULT WINAPI SetProperty(REFGUID property, LPCDIPROPHEADER header) override;
    HRESULT WINAPI Acquire() override;
    HRESULT WINAPI Unacquire() override;
    HRESULT WINAPI GetDeviceState(DWORD size, LPVOID data) override;
    HRESULT WINAPI GetDeviceData(DWORD recordSize, LPDIDEVICEOBJECTDATA records, LPDWORD count,
                                 DWORD flags) override;
    HRESULT WINAPI SetDataFormat(LPCDIDATAFORMAT format) override;
    HRESULT WINAPI SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT WINAPI Poll() override;

    // The following are called with inputLock held.
    HWND window() const { return window_; }
    bool acquired() const { return acquired_; }
    // A foreground device whose window lost the focus since it was acquired
    // loses its input.
    void checkFocus();

protected:
    explicit Device(const DIDATAFORMAT &format) : format_(format) {}
    virtual ~Device() = default;

    // What a kind of device adds (all called with inputLock held):
    // Reads its events from its window; the mouse and keyboard do.
    virtual bool needsWindow() const = 0;
    // Poll brings in its data.
    virtual bool polled() const = 0;
    virtual void describe(DIDEVCAPS &caps) const = 0;
    // Takes in what arrived; while acquired it is recorded. May lose().
    virtual void collect() = 0;
    // Acquisition begins: state as it is now, nothing recorded yet.
    virtual HRESULT begin() = 0;
    // Copies the state record (format size); relative axes start again at 0.
    virtual void readState(void *data) = 0;

    // A change of one object (DIMOFS_, DIJOFS_, scan code) while acquired,
    // kept when the device is buffered.
    void record(DWORD offset, DWORD data, DWORD time);
    // Acquisition ends without the program asking for it; the next read
    // reports DIERR_INPUTLOST.
    void lose();

private:
    HRESULT readable();

    std::atomic<ULONG> references_{1};
    const DIDATAFORMAT &format_;
    bool formatSet_ = false;
    HWND window_ = nullptr;
    DWORD cooperation_ = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
    bool acquired_ = false;
    bool lost_ = false;
    uint32_t focusLossesAtAcquire_ = 0;
    DWORD bufferSize_ = 0;
    std::deque<DIDEVICEOBJECTDATA> buffer_;
    bool overflowed_ = false;
};

// CreateDevice's makers; NULL when the device cannot be opened.
Device *makeMouse();
Device *makeKeyboard();
Device *makePad(int slot);

// The keyboard's scan code (DIK_) of an X11 key code, 0 for keys it does
// not report; and how many keys it reports.
BYTE scanCodeOf(uint32_t keycode);
DWORD keyboardKeys();

} // namespace mwp

#endif
