/*
 * runopts.h - the program's command line and its demo clock.
 *
 * The screensaver convention comes first: a first argument beginning with
 * "/c" or "/C" asks for the about box; every other command line runs the
 * saver, and arguments the program does not know (/s, /p 1234, c, the
 * screensaver hosts' -root and -window-id ID) are passed over. The options
 * below are all optional:
 *   --window           an ordinary window instead of full screen
 *   --headless         draw off screen, without a display
 *   --frames N         stop after N frames
 *   --seconds S        stop after S seconds
 *   --snapshot FILE    write the last frame shown as a PNG picture
 *   --fps              print the frame rate at the end
 *   --time S           fixed demo clock: S seconds at the first frame, then
 *                      exactly 1/60 s per frame
 */
#ifndef RUNOPTS_H
#define RUNOPTS_H

#include <stdint.h>

#include <string>

struct RunOptions {
    bool about = false; // the configure request: show the about box and end
    bool window = false;
    bool headless = false;
    bool fps = false;
    long frames = 0;      // 0: no limit
    double seconds = 0.0; // 0: no limit
    std::string snapshot; // empty: none
    bool fixedClock = false;
    double startTime = 0.0; // seconds at the first frame with a fixed clock
};

/* Reads argv into options. Returns false with a message in error for an
 * option of ours whose value is missing or not a number in range. */
bool parseRunOptions(int argc, char **argv, RunOptions &options, std::string &error);

/* Demo seconds at frame (1 for the first): with a fixed clock
 * startTime + (frame - 1) / 60, otherwise the ticks since startTick as an
 * unsigned 32-bit difference (so a wrap of the counter does no harm) x 0.001. */
float demoSeconds(const RunOptions &options, long frame, uint32_t startTick, uint32_t nowTick);

#endif /* RUNOPTS_H */
