// The example program's command line.
#include "exoptions.h"

#include <cerrno>
#include <cstdlib>

const char kExampleUsage[] =
    "usage: example [--headless] [--frames N] [--snapshot FILE.png] [--mesh FILE.3ds]\n"
    "               [--scene FILE.lws]\n";

bool parseExampleOptions(int argc, char **argv, ExampleOptions &options, std::string &error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            options.help = true;
            continue;
        }
        if (arg == "--headless") {
            options.headless = true;
            continue;
        }
        std::string *text = arg == "--snapshot" ? &options.snapshot
                            : arg == "--mesh"   ? &options.mesh
                            : arg == "--scene"  ? &options.scene
                                                : nullptr;
        if (!text && arg != "--frames") {
            error = "unknown argument " + arg;
            return false;
        }
        if (i + 1 >= argc || argv[i + 1][0] == '\0') {
            error = arg + " needs a value";
            return false;
        }
        const char *value = argv[++i];
        if (text) {
            *text = value;
            continue;
        }
        char *end = nullptr;
        errno = 0;
        const long frames = std::strtol(value, &end, 10);
        if (*end != '\0' || errno == ERANGE || frames < 1) {
            error = std::string("--frames needs a whole number from 1 on, not ") + value;
            return false;
        }
        options.frames = frames;
    }
    return true;
}
