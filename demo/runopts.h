/*
 * runopts.h - the command line of the programs of this tree (lumenfall and
 * the example), read by one parser from one table of options. Each program
 * names the options it takes; its usage lists exactly those, one a line.
 *
 * lumenfall keeps the Windows screen saver convention first: a first
 * argument beginning with "/c" or "/C" asks for the about box and nothing
 * else is read. Arguments that do not begin with '-' (/s, /p 1234, c) are
 * passed over, so every such command line runs the saver. An argument that
 * begins with '-' and is not one of the program's options is an error.
 */
#ifndef RUNOPTS_H
#define RUNOPTS_H

#include <stdint.h>

#include <cstdio>
#include <string>

enum class RunOption {
    help,     // --help: print the usage and end
    window,   // --window
    headless, // --headless
    frames,   // --frames N
    seconds,  // --seconds S
    time,     // --time S
    snapshot, // --snapshot FILE.png
    fps,      // --fps
    maxFps,   // --max-fps N
    picture,  // --picture FILE.tga
    mesh,     // --mesh FILE.3ds
    scene,    // --scene FILE.lws
    root,     // -root (also --root): a screen saver host's root window
    windowId, // -window-id ID (also --window-id): a host's window, decimal or 0x hex
};

/* A program: its name, the options it takes in the order its usage lists
 * them, and notes (may be empty) that follow the list as they stand. A
 * screen saver keeps the convention above; other programs refuse every
 * argument that is not one of their options. */
struct RunProgram {
    const char *name;
    const RunOption *options;
    int count;
    const char *notes;
    bool screenSaver;
};
extern const RunProgram kLumenfallProgram;
extern const RunProgram kExampleProgram;

struct RunOptions {
    bool about = false; // the configure request: show the about box and end
    bool help = false;
    bool window = false;
    bool headless = false;
    bool fps = false;
    long frames = 0;      // 0: no limit
    double seconds = 0.0; // 0: no limit
    std::string snapshot; // empty: none
    bool fixedClock = false;
    double startTime = 0.0; // seconds at the first frame with a fixed clock
    long maxFps = -1;       // -1: not given; 0: no cap
    std::string picture, mesh, scene;
    bool root = false;
    unsigned long windowId = 0; // 0: none given
};

/* The largest frame cap --max-fps takes. */
constexpr long kMaxFpsLimit = 1000;

/* Reads argv into options (reset first). Returns false with a message in
 * error for an option the program does not take, or one whose value is
 * missing or out of range. */
bool parseRunOptions(int argc, const char *const *argv, const RunProgram &program, RunOptions &options,
                     std::string &error);

/* "usage: NAME [option]..." and one line per option of the program. */
void printUsage(std::FILE *stream, const RunProgram &program);

/* Demo seconds at frame (1 for the first): with a fixed clock
 * startTime + (frame - 1) / 60, otherwise the ticks since startTick as an
 * unsigned 32-bit difference (so a wrap of the counter does no harm) x 0.001. */
float demoSeconds(const RunOptions &options, long frame, uint32_t startTick, uint32_t nowTick);

#endif /* RUNOPTS_H */
