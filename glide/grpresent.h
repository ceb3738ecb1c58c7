// grpresent.h - showing swapped frames in the window given at open.
// Internal; the one place the board meets the window system.
//
// Frames are shown off the drawing thread: a presenting thread converts and
// scales each swapped front buffer into the window while the next frame is
// drawn. A window that is only read back (an off-screen window) is shown
// nothing until its picture is read.
#pragma once

#include <cstdint>

#include "mwwin32.h"

namespace gr {

// Frames go to the window of this handle (0: none, the frame stays readable
// through grLfbReadRegion) from now on.
void presentOpen(uint32_t handle);
// Shows a frame still held back, then stops presenting.
void presentClose();

// The front buffer after a swap: width x height 565 pixels, rows stride
// pixels apart, top row first. The board leaves it untouched until
// presentRelease returns.
void presentFrame(const uint16_t *pixels, int width, int height, int stride);

// Returns once the frame last handed over may be written: before anything
// draws into the front buffer.
void presentRelease();

//---- The platform side (one file per platform)

// The window of a handle as the board's callers pass it: 32 bits, however
// wide the platform's HWND.
HWND windowOf(uint32_t handle);

// Asks the window system to call show(context) before the window's picture
// is read, instead of having every frame shown; false where every frame is
// to be shown (a window on screen). A null show undoes it.
bool showOnDemand(HWND window, void (*show)(void *), void *context);

// The part of a client area of clientWidth x clientHeight that a frame of
// frameWidth x frameHeight is stretched into, so that it keeps its shape,
// centred between black bars. Where the window system's StretchDIBits keeps
// the shape itself (the POSIX platform) that is the whole client area; else
// the bars are painted on dc here.
RECT pictureArea(HDC dc, int clientWidth, int clientHeight, int frameWidth, int frameHeight);

} // namespace gr
