// Frame pacing: the cap a run gets, and sleeping to it.
#include "framepace.h"

#include <cstdlib>
#include <thread>

namespace {

constexpr double kDefaultRefresh = 60.0;

double displayRefresh(HWND window)
{
    if (HDC dc = GetDC(window)) {
        const int rate = GetDeviceCaps(dc, VREFRESH);
        ReleaseDC(window, dc);
        if (rate > 1) // Windows says 0 or 1 for "the hardware's default"
            return rate;
    }
    char value[16];
    const DWORD length = GetEnvironmentVariableA("SST_SCREENREFRESH", value, sizeof value);
    if (length > 0 && length < sizeof value) {
        char *end = nullptr;
        const long rate = std::strtol(value, &end, 10);
        if (*end == '\0' && rate >= 1 && rate <= 1000)
            return double(rate);
    }
    return kDefaultRefresh;
}

} // namespace

double frameCap(const RunOptions &options, bool headless, HWND window)
{
    if (options.maxFps >= 0)
        return double(options.maxFps);
    if (headless)
        return 0.0;
    return displayRefresh(window);
}

FramePacer::FramePacer(double cap)
{
    if (cap > 0.0)
        period_ = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / cap));
}

void FramePacer::wait()
{
    if (period_ == Clock::duration::zero())
        return;
    const Clock::time_point now = Clock::now();
    if (next_ > now)
        std::this_thread::sleep_until(next_);
    next_ = next_ + period_ > now ? next_ + period_ : now + period_;
}
