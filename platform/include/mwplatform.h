/*
 * mwplatform.h - what the platform layer offers beyond Win32: choosing how
 * windows appear, reading back presented frames, and the window's input
 * events for the input layer.
 *
 * Window back ends: X11 serves when DISPLAY is set, unless headless was
 * asked for (MARROW_HEADLESS=1 or mwPlatformSetHeadless) or the platform was
 * built without X11; otherwise windows are off-screen surfaces in memory.
 * Under X11 a top-level window fills the screen unless a window was asked
 * for (MARROW_WINDOWED=1 or mwPlatformSetWindowed), or it draws into a
 * screen saver host's window (mwPlatformSetHostWindow).
 */
#ifndef MWPLATFORM_H
#define MWPLATFORM_H

#include "mwwin32.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifndef MWP_API
#define MWP_API __attribute__((visibility("default")))
#endif

/*---- Back end and window placement ---------------------------------------*/

/* Asks for (1) or against (0) the headless back end. The back end is chosen
 * once, when the first window is made or mwPlatformIsHeadless is called;
 * returns 1, or 0 when it was already chosen (nothing changes then). */
MWP_API int mwPlatformSetHeadless(int on);

/* 1 when windows are off-screen surfaces; chooses the back end if needed. */
MWP_API int mwPlatformIsHeadless(void);

/* X11: 1 makes later top-level windows ordinary windows of their requested
 * size instead of full screen (as MARROW_WINDOWED=1 does). */
MWP_API void mwPlatformSetWindowed(int on);

/* X11: the next top-level window draws into this existing window instead of
 * making its own (the host's window keeps its size and is not destroyed by
 * DestroyWindow). MWP_HOST_ROOT: the screen's root window; 0: none. */
#define MWP_HOST_ROOT (~0ul)
MWP_API void mwPlatformSetHostWindow(unsigned long window);

/* Applies the screen saver host conventions, as the program's command line
 * gave them: a window id (-window-id ID; 0 for none) wins; else the
 * XSCREENSAVER_WINDOW variable (decimal or 0x hexadecimal); else root
 * nonzero (-root) asks for the root window. Returns 1 when a host window was
 * set, 0 when none was named, -1 for a variable that is not a number. */
MWP_API int mwPlatformUseScreenSaverHost(unsigned long windowId, int root);

/* The X11 window id of a window, or 0 (headless, or not a window). */
MWP_API unsigned long mwPlatformNativeWindow(HWND window);

/*---- Presented pictures --------------------------------------------------*/
/* Pixels are 32-bit 0x00RRGGBB, rows top-down without padding. Both calls
 * set *width and *height (when given) and copy only when pixels is non-NULL
 * and holds capacity >= width * height pixels. They return 1 when a picture
 * was copied or only sizes were asked for, 0 for an invalid window, no
 * picture yet, or too little room. */

/* A window whose frames are shown on demand: instead of presenting every
 * frame, a program may name a function that presents the latest one (with
 * StretchDIBits) and is called, on the reading thread, before either call
 * below reads the window. A null source removes it. Returns 1, or 0 for an
 * invalid window. */
typedef void (*MWP_FRAME_SOURCE)(void *context);
MWP_API int mwPlatformSetFrameSource(HWND window, MWP_FRAME_SOURCE source, void *context);

/* The source rectangle of the window's last StretchDIBits, unscaled: what
 * the program drew (snapshots). */
MWP_API int mwPlatformReadFrame(HWND window, uint32_t *pixels, size_t capacity, int *width, int *height);

/* The window's client area as shown: scaled frames, black bars, the class
 * background where nothing was drawn. */
MWP_API int mwPlatformReadWindow(HWND window, uint32_t *pixels, size_t capacity, int *width, int *height);

/*---- Window events (tests) -----------------------------------------------*/

#define MWP_WINDOW_FOCUS_IN 1  /* WM_ACTIVATE (WA_ACTIVE), WM_SETFOCUS */
#define MWP_WINDOW_FOCUS_OUT 2 /* WM_ACTIVATE (WA_INACTIVE), WM_KILLFOCUS */
#define MWP_WINDOW_CLOSE 3     /* WM_CLOSE, as a window manager's close request */
#define MWP_WINDOW_EXPOSE 4    /* the window needs painting: WM_PAINT */
#define MWP_WINDOW_GONE 5      /* taken away by its host: destroyed on its thread without WM_CLOSE */

/* Delivers an event as the window system would. From another thread it
 * returns once the window's thread, pumping in GetMessageA, has handled the
 * messages posted for it (or has ended); from the window's own thread they
 * are only queued. An expose only marks the window for WM_PAINT. A focus
 * change the window already has sends nothing. Returns 1, or 0 for an
 * invalid window or event. */
MWP_API int mwPlatformInjectWindowEvent(HWND window, int event);

/* What DefWindowProcA did for the system (screen saver start, display
 * power, the beep for an unhandled Alt+key), counted since start. */
#define MWP_ACTION_SCREENSAVE 0
#define MWP_ACTION_MONITOR_POWER 1
#define MWP_ACTION_BEEP 2
MWP_API unsigned mwPlatformSystemActionCount(int action);

/* Sets the tick counter so that GetTickCount reads `now` at this moment and
 * counts on from there (crossing the 32-bit wrap on purpose). */
MWP_API void mwPlatformSetTicks(DWORD now);

/*---- Input events (the input layer) --------------------------------------*/
/* Each window keeps the key and pointer events it received in a queue of
 * MWP_INPUT_QUEUE events; when it is full the oldest are dropped. Key
 * repeats are not events: a key is pressed once until it is released. */

#define MWP_INPUT_QUEUE 256

#define MWP_INPUT_KEY_DOWN 1
#define MWP_INPUT_KEY_UP 2
#define MWP_INPUT_MOTION 3      /* dx, dy */
#define MWP_INPUT_BUTTON_DOWN 4 /* button */
#define MWP_INPUT_BUTTON_UP 5   /* button */
#define MWP_INPUT_WHEEL 6       /* wheel */

#define MWP_WHEEL_DELTA 120 /* wheel units per notch */

typedef struct MWP_INPUT_EVENT {
    int32_t type;     /* MWP_INPUT_ */
    uint32_t time;    /* GetTickCount when it arrived */
    uint32_t keycode; /* keys: X11 key code = Linux evdev key number + 8 (Escape 9, A 38) */
    uint32_t keysym;  /* keys: X11 key symbol of the unshifted key (Escape 0xFF1B, a 0x61) */
    int32_t dx, dy;   /* motion: pixels moved since the previous event, right and down positive */
    int32_t button;   /* buttons: 0 left, 1 right, 2 middle, 3 and 4 side (back, forward) */
    int32_t wheel;    /* wheel: MWP_WHEEL_DELTA per notch, positive away from the user */
} MWP_INPUT_EVENT;

/* Moves up to max events of the window, oldest first, into events; returns
 * how many (0 for an invalid window). */
MWP_API int mwPlatformReadInput(HWND window, MWP_INPUT_EVENT *events, int max);

/* Queues an event as if the window system had delivered it (time is set
 * when 0; key repeats are dropped as for real keys). Returns 1, or 0 for an
 * invalid window or type. */
MWP_API int mwPlatformInjectInput(HWND window, const MWP_INPUT_EVENT *event);

#ifdef __cplusplus
}
#endif

#endif /* MWPLATFORM_H */
