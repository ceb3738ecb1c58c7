/*
 * framepace.h - frame pacing: on screen a frame is presented at most at the
 * display's refresh rate, and the time left over is slept instead of drawing
 * frames nobody sees. The demo clock is not touched: it follows real time.
 */
#ifndef FRAMEPACE_H
#define FRAMEPACE_H

#include <chrono>

#include "mwwin32.h"
#include "runopts.h"

/* Frames a second a run is capped at, 0 for no cap: --max-fps when given;
 * no cap headless (benchmarks run there); otherwise the refresh rate of
 * the display showing window (GetDeviceCaps VREFRESH), else
 * SST_SCREENREFRESH (1 to 1000), else 60. */
double frameCap(const RunOptions &options, bool headless, HWND window);

class FramePacer {
public:
    /* cap: frames a second, 0 or less for none. */
    explicit FramePacer(double cap);

    /* Returns when the next frame may be presented: one period after the
     * last one, or at once when the loop has fallen behind (it then starts
     * afresh from now rather than rushing to catch up). */
    void wait();

private:
    using Clock = std::chrono::steady_clock;
    Clock::duration period_{};
    Clock::time_point next_{};
};

#endif /* FRAMEPACE_H */
