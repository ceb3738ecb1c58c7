// The program's command line and its demo clock.
#include "runopts.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

bool parseCount(const char *text, long &value)
{
    char *end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno || end == text || *end || v < 1)
        return false;
    value = v;
    return true;
}

// Seconds: finite and not negative; zero only where it is allowed.
bool parseSeconds(const char *text, bool zeroAllowed, double &value)
{
    char *end = nullptr;
    errno = 0;
    const double v = std::strtod(text, &end);
    if (errno || end == text || *end || !std::isfinite(v) || v < 0.0 || (v == 0.0 && !zeroAllowed))
        return false;
    value = v;
    return true;
}

} // namespace

bool parseRunOptions(int argc, char **argv, RunOptions &options, std::string &error)
{
    options = RunOptions{};
    if (argc > 1 && (std::strncmp(argv[1], "/c", 2) == 0 || std::strncmp(argv[1], "/C", 2) == 0)) {
        options.about = true;
        return true;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char *value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool valid = true;
        if (arg == "--window") {
            options.window = true;
        } else if (arg == "--headless") {
            options.headless = true;
        } else if (arg == "--fps") {
            options.fps = true;
        } else if (arg == "--frames") {
            valid = value && parseCount(value, options.frames);
            error = "--frames needs a whole number of frames, 1 or more";
            ++i;
        } else if (arg == "--seconds") {
            valid = value && parseSeconds(value, false, options.seconds);
            error = "--seconds needs a number of seconds above 0";
            ++i;
        } else if (arg == "--time") {
            valid = value && parseSeconds(value, true, options.startTime);
            options.fixedClock = true;
            error = "--time needs a number of seconds, 0 or more";
            ++i;
        } else if (arg == "--snapshot") {
            valid = value && *value;
            if (valid)
                options.snapshot = value;
            error = "--snapshot needs a file name";
            ++i;
        }
        if (!valid)
            return false;
    }
    error.clear();
    return true;
}

float demoSeconds(const RunOptions &options, long frame, uint32_t startTick, uint32_t nowTick)
{
    if (options.fixedClock)
        return float(options.startTime + double(frame - 1) / 60.0);
    return float(uint32_t(nowTick - startTick)) * 0.001f;
}
