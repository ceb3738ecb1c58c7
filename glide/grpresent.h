// grpresent.h - showing the front buffer in the window given at open.
// Internal; the one place the board meets the platform layer.
#pragma once

#include <cstdint>

namespace gr {

// Shows width x height 565 pixels (rows stride pixels apart, top row first)
// in the window (a platform HWND), scaled to its client area with the 4:3
// picture kept. Does nothing without a window.
void presentFrame(uint32_t window, const uint16_t *pixels, int width, int height, int stride);

} // namespace gr
