/*
 * exoptions.h - the example program's command line.
 *
 *   --headless         draw off screen, without a display
 *   --frames N         stop after N frames (headless: 1 unless given;
 *                      in a window: until Escape unless given)
 *   --snapshot FILE    save the last frame shown as a PNG picture
 *   --mesh FILE        a 3D Studio mesh to place beside the sphere
 *   --scene FILE       a LightWave scene for the camera and the lights
 *   --help             print this list and end
 */
#ifndef EXOPTIONS_H
#define EXOPTIONS_H

#include <string>

struct ExampleOptions {
    bool help = false;
    bool headless = false;
    long frames = 0; // 0: the default above
    std::string snapshot, mesh, scene;
};

extern const char kExampleUsage[];

/* Reads argv into options. Returns false with a message in error for an
 * unknown argument, a missing value or a frame count that is not a number
 * from 1 on. */
bool parseExampleOptions(int argc, char **argv, ExampleOptions &options, std::string &error);

#endif /* EXOPTIONS_H */
