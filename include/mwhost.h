/*
 * mwhost.h - how the program's main window meets the desktop it runs on:
 * full screen, an ordinary window, off screen, or inside a window of a
 * screen saver host. Win32 has no words for these choices, so each platform
 * has its own side: on POSIX the platform layer's X11 or headless back end,
 * on Windows the real desktop. Every call here comes before mwInit, which
 * makes the main window as chosen.
 *
 * Screen saver hosts, by platform:
 * - POSIX (XScreenSaver and the like): "-window-id ID" (read by the
 *   program's option parser) or the XSCREENSAVER_WINDOW variable name the
 *   host's window; "-root" names the screen's root window.
 * - Windows: "/p HWND" or "/p:HWND" (the Display settings' preview) name the
 *   window to draw into; the main window becomes a child filling its client
 *   area, the screen is left alone, and the run ends when that window goes.
 *   "/c:HWND" names the window that owns the about box.
 */
#ifndef MWHOST_H
#define MWHOST_H

#include "mwkernel.h"

MW_EXTERN_C_BEGIN

#define MW_HOST_FULL_SCREEN 0 /* the default: the main window covers the screen */
#define MW_HOST_WINDOW 1      /* an ordinary, movable window */
#define MW_HOST_HEADLESS 2    /* off screen: frames are drawn but not shown */

/* Chooses how the main window appears. Ignored once a host window was
 * named (mwHostUseScreenSaverHost). */
void mwHostSetMode(int mode);

/* 1 when the main window is (or will be) off screen: MW_HOST_HEADLESS, or
 * POSIX without a display. */
int mwHostIsHeadless(void);

/* Applies the platform's screen saver host conventions (see above): on
 * POSIX the host window the program's options named (windowId, 0 for none;
 * root for -root), on Windows "/p" among the arguments. Returns 1 when a
 * host window was named, 0 when none was, -1 when what names it is not a
 * window. */
int mwHostUseScreenSaverHost(int argc, char **argv, unsigned long windowId, int root);

/* 1 when the main window draws into a host's window (the host, not the
 * user, ends the run). */
int mwHostHasHostWindow(void);

/* The window that owns the about box (a Win32 HWND): the one named by
 * "/c:HWND" on Windows, else NULL. */
void *mwHostAboutOwner(int argc, char **argv);

MW_EXTERN_C_END

#endif /* MWHOST_H */
