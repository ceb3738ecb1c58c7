/*
 * mwdinput5.h - the DirectInput 5 calls the input library makes, by their
 * DirectInput names.
 *
 * On Windows this is <dinput.h> (version 0x0500). Elsewhere the platform
 * library implements the subset below with the same names, records,
 * constants and error codes, so the input library calls DirectInput and
 * builds on both.
 *
 * Devices on POSIX:
 * - The system mouse and keyboard (GUID_SysMouse, GUID_SysKeyboard) are
 *   always there, with or without a display. They read the key and pointer
 *   events of the window given to SetCooperativeLevel (mwplatform.h): X11
 *   key codes become the keyboard's scan codes (DIK_ values), pointer moves
 *   are relative counts, the wheel is the Z axis (MWP_WHEEL_DELTA per notch)
 *   and the first four buttons are left, right, middle and back.
 * - Game pads are the Linux joystick devices /dev/input/js0 to js3 that can
 *   be opened, then the virtual pads added for tests (end of this file).
 *   Axes read 0..65535 (centre 32768), hats are POV values in hundredths of
 *   a degree clockwise from up (-1 when centred), buttons 0x80 when down.
 *
 * Differences from Windows a caller may notice (all deliberate):
 * - The interfaces are C++ classes; there are no C call macros, and
 *   QueryInterface knows only the interfaces declared here.
 * - SetDataFormat takes the standard format of the device's own kind only:
 *   c_dfDIMouse, c_dfDIKeyboard or c_dfDIJoystick (their object lists are
 *   not spelled out here); any other gives DIERR_UNSUPPORTED.
 * - The only property is DIPROP_BUFFERSIZE, for the whole device; at most
 *   MW_DI_BUFFER_MAX records are kept.
 * - Exclusive access keeps no other device out (only windows of this
 *   process deliver input anyway); as on Windows the mouse and keyboard
 *   refuse exclusive background access.
 * - A device with foreground co-operation loses its input whenever its
 *   window lost the focus, even when the focus came back before the next
 *   read. The mouse and keyboard need a window whatever the co-operation.
 * - A pad that is unplugged reports DIERR_INPUTLOST once and then cannot be
 *   acquired again (DIERR_NOTFOUND); GetCapabilities no longer shows it
 *   attached.
 */
#ifndef MWDINPUT5_H
#define MWDINPUT5_H

#ifdef _WIN32
#ifndef DIRECTINPUT_VERSION
#define DIRECTINPUT_VERSION 0x0500
#endif
#include "mwwin32.h"
#include <dinput.h>
#else

#include "mwplatform.h"

#ifndef __cplusplus
#error "mwdinput5.h declares the DirectInput interfaces as C++ classes"
#endif

#define DIRECTINPUT_VERSION 0x0500

/*---- COM basics ----------------------------------------------------------*/

typedef int32_t HRESULT;
typedef uint32_t ULONG;

typedef struct _GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
} GUID;
typedef GUID IID;
typedef const GUID &REFGUID;
typedef const IID &REFIID;

inline bool operator==(const GUID &a, const GUID &b)
{
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; i++)
        if (a.Data4[i] != b.Data4[i])
            return false;
    return true;
}
inline bool operator!=(const GUID &a, const GUID &b) { return !(a == b); }
#define IsEqualGUID(a, b) ((a) == (b))

extern "C" {

#define SUCCEEDED(hr) ((HRESULT)(hr) >= 0)
#define FAILED(hr) ((HRESULT)(hr) < 0)
#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOINTERFACE ((HRESULT)0x80004002u)

struct IUnknown {
    virtual HRESULT WINAPI QueryInterface(REFIID iid, LPVOID *object) = 0;
    virtual ULONG WINAPI AddRef() = 0;
    /* Frees the object when the last reference goes. */
    virtual ULONG WINAPI Release() = 0;
};
typedef IUnknown *LPUNKNOWN;

MWP_API extern const GUID IID_IUnknown;

/*---- Results -------------------------------------------------------------*/

#define DI_OK S_OK
#define DI_NOTATTACHED S_FALSE
#define DI_BUFFEROVERFLOW S_FALSE /* GetDeviceData: records were dropped */
#define DI_PROPNOEFFECT S_FALSE
#define DI_NOEFFECT S_FALSE /* Acquire of an acquired device, Poll of a device that needs none */
#define DI_POLLEDDEVICE ((HRESULT)0x00000002)

#define DIERR_OLDDIRECTINPUTVERSION ((HRESULT)0x8007047Eu)  /* a newer version is asked for */
#define DIERR_BETADIRECTINPUTVERSION ((HRESULT)0x80070481u) /* an unknown older version */
#define DIERR_BADDRIVERVER ((HRESULT)0x80070077u)
#define DIERR_DEVICENOTREG ((HRESULT)0x80040154u) /* no device with that GUID */
#define DIERR_NOTFOUND ((HRESULT)0x80070002u)
#define DIERR_OBJECTNOTFOUND ((HRESULT)0x80070002u)
#define DIERR_INVALIDPARAM ((HRESULT)0x80070057u)
#define DIERR_NOINTERFACE E_NOINTERFACE
#define DIERR_GENERIC ((HRESULT)0x80004005u)
#define DIERR_OUTOFMEMORY ((HRESULT)0x8007000Eu)
#define DIERR_UNSUPPORTED ((HRESULT)0x80004001u)
#define DIERR_NOTINITIALIZED ((HRESULT)0x80070015u)
#define DIERR_ALREADYINITIALIZED ((HRESULT)0x800704DFu)
#define DIERR_NOAGGREGATION ((HRESULT)0x80040110u)
#define DIERR_OTHERAPPHASPRIO ((HRESULT)0x80070005u) /* foreground device, window without focus */
#define DIERR_INPUTLOST ((HRESULT)0x8007001Eu)       /* acquisition was lost: acquire again */
#define DIERR_ACQUIRED ((HRESULT)0x800700AAu)        /* not while acquired */
#define DIERR_NOTACQUIRED ((HRESULT)0x8007000Cu)
#define DIERR_READONLY ((HRESULT)0x80070005u)
#define DIERR_HANDLEEXISTS ((HRESULT)0x80070005u)
#define DIERR_NOTBUFFERED ((HRESULT)0x80040207u) /* GetDeviceData without DIPROP_BUFFERSIZE */

/*---- Devices and their descriptions --------------------------------------*/

#define DIDEVTYPE_DEVICE 1
#define DIDEVTYPE_MOUSE 2
#define DIDEVTYPE_KEYBOARD 3
#define DIDEVTYPE_JOYSTICK 4
#define DIDEVTYPEMOUSE_TRADITIONAL 2
#define DIDEVTYPEKEYBOARD_PCENH 4
#define DIDEVTYPEJOYSTICK_GAMEPAD 4
#define GET_DIDEVICE_TYPE(devType) ((BYTE)(devType))
#define GET_DIDEVICE_SUBTYPE(devType) ((BYTE)((devType) >> 8))

/* Instance GUIDs of the system devices and product GUID of every pad (pad n
 * has GUID_Joystick with n in the last byte as its instance GUID). */
MWP_API extern const GUID GUID_SysMouse;
MWP_API extern const GUID GUID_SysKeyboard;
MWP_API extern const GUID GUID_Joystick;

typedef struct DIDEVICEINSTANCEA {
    DWORD dwSize; /* sizeof(DIDEVICEINSTANCEA) */
    GUID guidInstance;
    GUID guidProduct;
    DWORD dwDevType; /* DIDEVTYPE_ | subtype << 8 */
    CHAR tszInstanceName[MAX_PATH];
    CHAR tszProductName[MAX_PATH];
    GUID guidFFDriver; /* zero: no force feedback */
    WORD wUsagePage;   /* 0: not a HID device */
    WORD wUsage;
} DIDEVICEINSTANCEA, *LPDIDEVICEINSTANCEA;
typedef const DIDEVICEINSTANCEA *LPCDIDEVICEINSTANCEA;

#define DIDC_ATTACHED 0x00000001
#define DIDC_POLLEDDEVICE 0x00000002 /* Poll brings in new data (the pads) */
#define DIDC_EMULATED 0x00000004
#define DIDC_POLLEDDATAFORMAT 0x00000008

typedef struct DIDEVCAPS {
    DWORD dwSize; /* sizeof(DIDEVCAPS), or 24 for the first six fields only */
    DWORD dwFlags;
    DWORD dwDevType;
    DWORD dwAxes;
    DWORD dwButtons;
    DWORD dwPOVs;
    DWORD dwFFSamplePeriod;
    DWORD dwFFMinTimeResolution;
    DWORD dwFirmwareRevision; /* pads: the joystick driver's version, major << 16 | minor */
    DWORD dwHardwareRevision;
    DWORD dwFFDriverVersion;
} DIDEVCAPS, *LPDIDEVCAPS;

/*---- Data formats and state records --------------------------------------*/

#define DIDF_ABSAXIS 0x00000001
#define DIDF_RELAXIS 0x00000002

typedef struct _DIOBJECTDATAFORMAT {
    const GUID *pguid;
    DWORD dwOfs;
    DWORD dwType;
    DWORD dwFlags;
} DIOBJECTDATAFORMAT;

typedef struct _DIDATAFORMAT {
    DWORD dwSize;    /* sizeof(DIDATAFORMAT) */
    DWORD dwObjSize; /* sizeof(DIOBJECTDATAFORMAT) */
    DWORD dwFlags;   /* DIDF_ */
    DWORD dwDataSize;
    DWORD dwNumObjs;
    DIOBJECTDATAFORMAT *rgodf;
} DIDATAFORMAT, *LPDIDATAFORMAT;
typedef const DIDATAFORMAT *LPCDIDATAFORMAT;

/* 256 key bytes by scan code, 0x80 when down. */
MWP_API extern const DIDATAFORMAT c_dfDIKeyboard;
/* DIMOUSESTATE: movement since the last read. */
MWP_API extern const DIDATAFORMAT c_dfDIMouse;
/* DIJOYSTATE. */
MWP_API extern const DIDATAFORMAT c_dfDIJoystick;

typedef struct DIMOUSESTATE {
    LONG lX, lY, lZ;    /* counts moved since the last read; right, down, wheel away positive */
    BYTE rgbButtons[4]; /* 0x80 while down */
} DIMOUSESTATE, *LPDIMOUSESTATE;

typedef struct DIJOYSTATE {
    LONG lX, lY, lZ; /* 0..65535 */
    LONG lRx, lRy, lRz;
    LONG rglSlider[2];
    DWORD rgdwPOV[4];    /* hundredths of a degree clockwise from up; -1 centred */
    BYTE rgbButtons[32]; /* 0x80 while down */
} DIJOYSTATE, *LPDIJOYSTATE;

/* Offsets of buffered records (dwOfs of DIDEVICEOBJECTDATA). The keyboard's
 * offset is the scan code. */
#define DIMOFS_X 0
#define DIMOFS_Y 4
#define DIMOFS_Z 8
#define DIMOFS_BUTTON0 12
#define DIMOFS_BUTTON1 13
#define DIMOFS_BUTTON2 14
#define DIMOFS_BUTTON3 15
#define DIJOFS_X 0
#define DIJOFS_Y 4
#define DIJOFS_Z 8
#define DIJOFS_RX 12
#define DIJOFS_RY 16
#define DIJOFS_RZ 20
#define DIJOFS_SLIDER(n) (24 + (n)*4)
#define DIJOFS_POV(n) (32 + (n)*4)
#define DIJOFS_BUTTON(n) (48 + (n))

/* One buffered change: the new value of a key, button, POV or absolute
 * axis, or the distance a relative axis moved. */
typedef struct DIDEVICEOBJECTDATA {
    DWORD dwOfs;
    DWORD dwData;
    DWORD dwTimeStamp; /* GetTickCount when it happened */
    DWORD dwSequence;  /* rises across all devices, in the order of events */
} DIDEVICEOBJECTDATA, *LPDIDEVICEOBJECTDATA;

#define DIGDD_PEEK 0x00000001 /* GetDeviceData leaves the records in the buffer */

/*---- Properties and co-operation -----------------------------------------*/

typedef struct DIPROPHEADER {
    DWORD dwSize;       /* of the whole property record */
    DWORD dwHeaderSize; /* sizeof(DIPROPHEADER) */
    DWORD dwObj;
    DWORD dwHow; /* DIPH_ */
} DIPROPHEADER, *LPDIPROPHEADER;
typedef const DIPROPHEADER *LPCDIPROPHEADER;

typedef struct DIPROPDWORD {
    DIPROPHEADER diph;
    DWORD dwData;
} DIPROPDWORD, *LPDIPROPDWORD;

#define DIPH_DEVICE 0
#define DIPH_BYOFFSET 1
#define DIPH_BYID 2

/* Records GetDeviceData can return (DIPROPDWORD, DIPH_DEVICE); 0, the
 * start value, means no buffering. */
MWP_API extern const GUID DIPROP_BUFFERSIZE;
#define MW_DI_BUFFER_MAX 1024

#define DISCL_EXCLUSIVE 0x00000001
#define DISCL_NONEXCLUSIVE 0x00000002
#define DISCL_FOREGROUND 0x00000004
#define DISCL_BACKGROUND 0x00000008

/*---- Interfaces ----------------------------------------------------------*/

MWP_API extern const GUID IID_IDirectInputA;
MWP_API extern const GUID IID_IDirectInputDeviceA;
MWP_API extern const GUID IID_IDirectInputDevice2A;

struct IDirectInputDeviceA : IUnknown {
    virtual HRESULT WINAPI GetCapabilities(LPDIDEVCAPS caps) = 0;
    virtual HRESULT WINAPI SetProperty(REFGUID property, LPCDIPROPHEADER header) = 0;
    /* Needs a data format (and for the mouse and keyboard a window); a
     * foreground device needs its window to have the focus. DI_NOEFFECT
     * when already acquired. */
    virtual HRESULT WINAPI Acquire() = 0;
    virtual HRESULT WINAPI Unacquire() = 0;
    /* size must be the data format's size. */
    virtual HRESULT WINAPI GetDeviceState(DWORD size, LPVOID data) = 0;
    /* Moves up to *count buffered records, oldest first, into records (NULL:
     * drops them) and sets *count to how many. DI_BUFFEROVERFLOW when newer
     * records had to be dropped since the last call. */
    virtual HRESULT WINAPI GetDeviceData(DWORD recordSize, LPDIDEVICEOBJECTDATA records, LPDWORD count,
                                         DWORD flags) = 0;
    virtual HRESULT WINAPI SetDataFormat(LPCDIDATAFORMAT format) = 0;
    /* flags: one of DISCL_EXCLUSIVE and DISCL_NONEXCLUSIVE, one of
     * DISCL_FOREGROUND and DISCL_BACKGROUND. */
    virtual HRESULT WINAPI SetCooperativeLevel(HWND window, DWORD flags) = 0;
};
typedef IDirectInputDeviceA *LPDIRECTINPUTDEVICEA;

struct IDirectInputDevice2A : IDirectInputDeviceA {
    /* Brings in what a polled device (DIDC_POLLEDDEVICE) has to say; DI_OK
     * for those, DI_NOEFFECT for the others. */
    virtual HRESULT WINAPI Poll() = 0;
};
typedef IDirectInputDevice2A *LPDIRECTINPUTDEVICE2A;

#define DIEDFL_ALLDEVICES 0x00000000
#define DIEDFL_ATTACHEDONLY 0x00000001
#define DIEDFL_FORCEFEEDBACK 0x00000100
#define DIENUM_STOP 0
#define DIENUM_CONTINUE 1

typedef BOOL(CALLBACK *LPDIENUMDEVICESCALLBACKA)(LPCDIDEVICEINSTANCEA instance, LPVOID context);

struct IDirectInputA : IUnknown {
    virtual HRESULT WINAPI CreateDevice(REFGUID instance, LPDIRECTINPUTDEVICEA *device, LPUNKNOWN outer) = 0;
    /* devType 0 or a DIDEVTYPE_; the mouse, the keyboard, then the pads. */
    virtual HRESULT WINAPI EnumDevices(DWORD devType, LPDIENUMDEVICESCALLBACKA callback, LPVOID context,
                                       DWORD flags) = 0;
};
typedef IDirectInputA *LPDIRECTINPUTA;

/* version 0x0300 or 0x0500; devices stay usable after the interface is
 * released. */
MWP_API HRESULT WINAPI DirectInputCreateA(HINSTANCE instance, DWORD version, LPDIRECTINPUTA *directInput,
                                          LPUNKNOWN outer);

#define DirectInputCreate DirectInputCreateA
#define IDirectInput IDirectInputA
#define LPDIRECTINPUT LPDIRECTINPUTA
#define IDirectInputDevice IDirectInputDeviceA
#define LPDIRECTINPUTDEVICE LPDIRECTINPUTDEVICEA
#define IDirectInputDevice2 IDirectInputDevice2A
#define LPDIRECTINPUTDEVICE2 LPDIRECTINPUTDEVICE2A
#define IID_IDirectInput IID_IDirectInputA
#define IID_IDirectInputDevice IID_IDirectInputDeviceA
#define IID_IDirectInputDevice2 IID_IDirectInputDevice2A
#define DIDEVICEINSTANCE DIDEVICEINSTANCEA
#define LPCDIDEVICEINSTANCE LPCDIDEVICEINSTANCEA
#define LPDIENUMDEVICESCALLBACK LPDIENUMDEVICESCALLBACKA

/*---- Keyboard scan codes -------------------------------------------------*/

#define DIK_ESCAPE 0x01
#define DIK_1 0x02
#define DIK_2 0x03
#define DIK_3 0x04
#define DIK_4 0x05
#define DIK_5 0x06
#define DIK_6 0x07
#define DIK_7 0x08
#define DIK_8 0x09
#define DIK_9 0x0A
#define DIK_0 0x0B
#define DIK_MINUS 0x0C
#define DIK_EQUALS 0x0D
#define DIK_BACK 0x0E
#define DIK_TAB 0x0F
#define DIK_Q 0x10
#define DIK_W 0x11
#define DIK_E 0x12
#define DIK_R 0x13
#define DIK_T 0x14
#define DIK_Y 0x15
#define DIK_U 0x16
#define DIK_I 0x17
#define DIK_O 0x18
#define DIK_P 0x19
#define DIK_LBRACKET 0x1A
#define DIK_RBRACKET 0x1B
#define DIK_RETURN 0x1C
#define DIK_LCONTROL 0x1D
#define DIK_A 0x1E
#define DIK_S 0x1F
#define DIK_D 0x20
#define DIK_F 0x21
#define DIK_G 0x22
#define DIK_H 0x23
#define DIK_J 0x24
#define DIK_K 0x25
#define DIK_L 0x26
#define DIK_SEMICOLON 0x27
#define DIK_APOSTROPHE 0x28
#define DIK_GRAVE 0x29
#define DIK_LSHIFT 0x2A
#define DIK_BACKSLASH 0x2B
#define DIK_Z 0x2C
#define DIK_X 0x2D
#define DIK_C 0x2E
#define DIK_V 0x2F
#define DIK_B 0x30
#define DIK_N 0x31
#define DIK_M 0x32
#define DIK_COMMA 0x33
#define DIK_PERIOD 0x34
#define DIK_SLASH 0x35
#define DIK_RSHIFT 0x36
#define DIK_MULTIPLY 0x37
#define DIK_LMENU 0x38
#define DIK_SPACE 0x39
#define DIK_CAPITAL 0x3A
#define DIK_F1 0x3B
#define DIK_F2 0x3C
#define DIK_F3 0x3D
#define DIK_F4 0x3E
#define DIK_F5 0x3F
#define DIK_F6 0x40
#define DIK_F7 0x41
#define DIK_F8 0x42
#define DIK_F9 0x43
#define DIK_F10 0x44
#define DIK_NUMLOCK 0x45
#define DIK_SCROLL 0x46
#define DIK_NUMPAD7 0x47
#define DIK_NUMPAD8 0x48
#define DIK_NUMPAD9 0x49
#define DIK_SUBTRACT 0x4A
#define DIK_NUMPAD4 0x4B
#define DIK_NUMPAD5 0x4C
#define DIK_NUMPAD6 0x4D
#define DIK_ADD 0x4E
#define DIK_NUMPAD1 0x4F
#define DIK_NUMPAD2 0x50
#define DIK_NUMPAD3 0x51
#define DIK_NUMPAD0 0x52
#define DIK_DECIMAL 0x53
#define DIK_F11 0x57
#define DIK_F12 0x58
#define DIK_F13 0x64
#define DIK_F14 0x65
#define DIK_F15 0x66
#define DIK_KANA 0x70
#define DIK_CONVERT 0x79
#define DIK_NOCONVERT 0x7B
#define DIK_YEN 0x7D
#define DIK_NUMPADEQUALS 0x8D
#define DIK_CIRCUMFLEX 0x90
#define DIK_AT 0x91
#define DIK_COLON 0x92
#define DIK_UNDERLINE 0x93
#define DIK_KANJI 0x94
#define DIK_STOP 0x95
#define DIK_AX 0x96
#define DIK_UNLABELED 0x97
#define DIK_NUMPADENTER 0x9C
#define DIK_RCONTROL 0x9D
#define DIK_NUMPADCOMMA 0xB3
#define DIK_DIVIDE 0xB5
#define DIK_SYSRQ 0xB7
#define DIK_RMENU 0xB8
#define DIK_HOME 0xC7
#define DIK_UP 0xC8
#define DIK_PRIOR 0xC9
#define DIK_LEFT 0xCB
#define DIK_RIGHT 0xCD
#define DIK_END 0xCF
#define DIK_DOWN 0xD0
#define DIK_NEXT 0xD1
#define DIK_INSERT 0xD2
#define DIK_DELETE 0xD3
#define DIK_LWIN 0xDB
#define DIK_RWIN 0xDC
#define DIK_APPS 0xDD

/*---- Virtual pads (tests) ------------------------------------------------*/
/* Pads that EnumDevices reports after the joystick devices, fed with the
 * events a Linux joystick device sends (<linux/joystick.h>). Each device
 * made for one first receives its present state, as from a joystick device
 * just opened. They last until the process ends. */

#define MWP_VIRTUAL_PADS 8

/* axisCodes gives the Linux ABS_ code of each axis (as JSIOCGAXMAP does:
 * ABS_X, ABS_Y, ABS_Z, ABS_RX, ABS_RY, ABS_RZ; ABS_THROTTLE to ABS_BRAKE
 * become sliders; ABS_HAT0X to ABS_HAT3Y the POV hats); NULL numbers the
 * axes ABS_X, ABS_Y ... in order. At most 64 axes and 255 buttons. Returns
 * the pad's number, or -1 when all are taken or a count is out of range. */
MWP_API int mwPlatformAddVirtualPad(const char *name, int axes, const BYTE *axisCodes, int buttons);

/* type JS_EVENT_AXIS (2) or JS_EVENT_BUTTON (1); value -32768..32767 for
 * axes (beyond is clamped), nonzero for a button that is down. Returns 1, or 0 for an unknown pad, type or
 * number, or a pad that was unplugged. */
MWP_API int mwPlatformSendPadEvent(int pad, int type, int number, int value);

/* The pad's devices see it go, as when a joystick is pulled out; it is
 * then enumerated as not attached. Returns 1, or 0 for an unknown pad. */
MWP_API int mwPlatformUnplugVirtualPad(int pad);

} /* extern "C" */

#endif /* _WIN32 */
#endif /* MWDINPUT5_H */
