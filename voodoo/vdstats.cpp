// Frame statistics: pending swaps, pixel through-put from the board's
// counters, and how full the command FIFO ran.
#include "vdstats.h"

#include "vdlog.h"
#include "vdstate.h"

namespace {

constexpr uint32_t kCounterMask = 0xFFFFFF; // the board's counters are 24 bits wide and wrap
constexpr uint32_t kFifoReserve = 0x8700;   // memory FIFO entries the board keeps to itself
constexpr int kFifoUsable = 0x78FF;         // 0xFFFF - kFifoReserve

struct Statistics {
    int64_t frames;
    int64_t pendingSum;
    int64_t pixelsIn, pixelsOut, pixelsClear;
    int64_t fifoFreeSum;
    int64_t fifoSamples;
    GrSstPerfStats_t last; // the counters at the previous frame
};

Statistics stats;

int64_t delta(FxU32 now, FxU32 before) { return (now - before) & kCounterMask; }

} // namespace

void vdStatsReset(void)
{
    stats = Statistics{};
    grSstPerfStats(&stats.last);
}

void vdStatsEndFrame(void)
{
    stats.frames += 1;
    stats.pendingSum += grBufferNumPending();
    GrSstPerfStats_t now{};
    grSstPerfStats(&now);
    const int64_t in = delta(now.pixelsIn, stats.last.pixelsIn);
    const int64_t fails = delta(now.chromaFail, stats.last.chromaFail) +
                          delta(now.zFuncFail, stats.last.zFuncFail) +
                          delta(now.aFuncFail, stats.last.aFuncFail);
    const int64_t out = delta(now.pixelsOut, stats.last.pixelsOut);
    stats.pixelsIn += in;
    stats.pixelsOut += in - fails;
    // What was written without entering the pipeline: the clears.
    stats.pixelsClear += fails + out - in;
    stats.last = now;
}

void vdStatsFifoSample(void)
{
    stats.fifoFreeSum += int64_t((grSstStatus() >> 12) & 0xFFFF) - kFifoReserve;
    stats.fifoSamples += 1;
}

void vdStatsReport(void)
{
    const double frames = double(stats.frames ? stats.frames : 1);
    const double samples = double(stats.fifoSamples ? stats.fifoSamples : 1);
    const double screen = double(vdState.currentMode.width) * vdState.currentMode.height * frames;
    // Without a mode there was no screen to fill: report the averages as 0.
    const double screenPixels = screen > 0 ? screen : 1.0;
    const double avg = double(stats.pixelsClear + stats.pixelsIn) / frames;

    vdLogTagged("Through-put\n");
    vdLogPrintf("  Total Bandwidth avg. : %g pixels\n  Total Bandwidth@60hz : %g Mpixels\n"
                "  Total Bandwidth@30hz : %g Mpixels\n\n",
                avg, avg * 60 * 0.000001, avg * 30 * 0.000001);
    vdLogTagged("Frame averages\n");
    vdLogPrintf("  Pending              : %g\n  Pixels Clear         : %g\n"
                "  Pixels In            : %g\n  Pixels Out           : %g\n"
                "  Pixels Fail          : %g\n",
                double(stats.pendingSum) / frames, double(stats.pixelsClear) / frames,
                double(stats.pixelsIn) / frames, double(stats.pixelsOut) / frames,
                double(stats.pixelsIn - stats.pixelsOut) / frames);
    vdLogPrintf("  Avg DC In            : %g\n  Avg DC Out           : %g\n",
                double(stats.pixelsClear + stats.pixelsIn) / screenPixels,
                double(stats.pixelsClear + stats.pixelsOut) / screenPixels);
    const double fifoFree = double(stats.fifoFreeSum) / samples;
    vdLogTagged("FIFO usage\n");
    vdLogPrintf("  Fifo free avg.       : %g (of %d)\n  Fifo starve          : %.2f%%\n\n", fifoFree,
                kFifoUsable, fifoFree * 0.0032284099);
}
