/*
 * mwhostwnd.h - the main window as the host side chose it (internal; the
 * public choices are in mwhost.h). One implementation per platform:
 * mwhost_posix.cpp, mwhost_win32.cpp.
 */
#ifndef MW_KERNEL_MWHOSTWND_H
#define MW_KERNEL_MWHOSTWND_H

#include "mwwin32.h"

/* Makes the main window of the calling thread (the event thread) with the
 * kernel's class and title and shows it unless it is off screen. The
 * documented style is WS_POPUP | WS_BORDER | WS_SYSMENU at CW_USEDEFAULT;
 * a side may place it otherwise. Returns the window, or NULL. */
HWND mwHostOpenMainWindow(const char *className, const char *title, HINSTANCE instance);

#endif
