// The programs' command line: one table of options, one parser, one usage.
#include "runopts.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

// What an option's value must be.
enum class Value {
    none,     // a flag
    count,    // a whole number from 1 on
    rate,     // a whole number from 0 to kMaxFpsLimit
    duration, // seconds above 0
    instant,  // seconds from 0 on
    file,     // a file name, not empty
    windowId, // an X11 window id, decimal or 0x hexadecimal, not 0
};

struct OptionSpec {
    RunOption option;
    const char *name;
    bool singleDash; // the screen saver hosts' spelling: -name as well as --name
    Value value;
    const char *valueName;
    const char *help;
};

constexpr OptionSpec kOptions[] = {
    {RunOption::help, "--help", false, Value::none, "", "print this list and end"},
    {RunOption::window, "--window", false, Value::none, "", "an ordinary window instead of the full screen"},
    {RunOption::headless, "--headless", false, Value::none, "", "draw off screen, without a display"},
    {RunOption::frames, "--frames", false, Value::count, "N", "stop after N frames"},
    {RunOption::seconds, "--seconds", false, Value::duration, "S", "stop after S seconds"},
    {RunOption::time, "--time", false, Value::instant, "S",
     "fixed demo clock: S seconds at the first frame, then 1/60 s a frame"},
    {RunOption::snapshot, "--snapshot", false, Value::file, "FILE.png", "save the last frame shown"},
    {RunOption::fps, "--fps", false, Value::none, "", "print the frame rate at the end"},
    {RunOption::maxFps, "--max-fps", false, Value::rate, "N",
     "at most N frames a second (0: no cap; default on screen: the display's refresh rate)"},
    {RunOption::picture, "--picture", false, Value::file, "FILE.tga", "light this Targa instead of POO.TGA"},
    {RunOption::mesh, "--mesh", false, Value::file, "FILE.3ds",
     "a 3D Studio mesh to place beside the sphere"},
    {RunOption::scene, "--scene", false, Value::file, "FILE.lws",
     "a LightWave scene for the camera and lights"},
    {RunOption::root, "--root", true, Value::none, "",
     "draw into the screen's root window (screen saver hosts)"},
    {RunOption::windowId, "--window-id", true, Value::windowId, "ID",
     "draw into the window ID (screen saver hosts; also XSCREENSAVER_WINDOW)"},
};

const OptionSpec &specOf(RunOption option)
{
    for (const OptionSpec &spec : kOptions)
        if (spec.option == option)
            return spec;
    std::abort(); // every option has its row
}

// The program's option spelt arg, or NULL.
const OptionSpec *find(const RunProgram &program, const char *arg)
{
    for (int i = 0; i < program.count; ++i) {
        const OptionSpec &spec = specOf(program.options[i]);
        if (std::strcmp(arg, spec.name) == 0 || (spec.singleDash && std::strcmp(arg, spec.name + 1) == 0))
            return &spec;
    }
    return nullptr;
}

bool parseWhole(const char *text, long low, long high, long &value)
{
    char *end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno || end == text || *end || v < low || v > high)
        return false;
    value = v;
    return true;
}

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

// The host conventions write window ids in decimal or as 0x hexadecimal.
bool parseWindowId(const char *text, unsigned long &id)
{
    if (!*text || *text == '-' || *text == '+')
        return false;
    char *end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(text, &end, 0);
    if (errno || *end || v == 0)
        return false;
    id = v;
    return true;
}

const char *valueRule(Value value)
{
    switch (value) {
    case Value::count: return "a whole number of frames, 1 or more";
    case Value::rate: return "a whole number from 0 to 1000";
    case Value::duration: return "a number of seconds above 0";
    case Value::instant: return "a number of seconds, 0 or more";
    case Value::file: return "a file name";
    case Value::windowId: return "a window number";
    case Value::none: break;
    }
    return "";
}

// Stores a valid value; false when it is not one.
bool store(const OptionSpec &spec, const char *value, RunOptions &o)
{
    switch (spec.option) {
    case RunOption::help: o.help = true; return true;
    case RunOption::window: o.window = true; return true;
    case RunOption::headless: o.headless = true; return true;
    case RunOption::fps: o.fps = true; return true;
    case RunOption::root: o.root = true; return true;
    case RunOption::frames: return parseWhole(value, 1, LONG_MAX, o.frames);
    case RunOption::maxFps: return parseWhole(value, 0, kMaxFpsLimit, o.maxFps);
    case RunOption::seconds: return parseSeconds(value, false, o.seconds);
    case RunOption::time: return o.fixedClock = parseSeconds(value, true, o.startTime);
    case RunOption::windowId: return parseWindowId(value, o.windowId);
    case RunOption::snapshot: o.snapshot = value; return *value != '\0';
    case RunOption::picture: o.picture = value; return *value != '\0';
    case RunOption::mesh: o.mesh = value; return *value != '\0';
    case RunOption::scene: o.scene = value; return *value != '\0';
    }
    return false;
}

constexpr RunOption kLumenfallOptions[] = {
    RunOption::window,  RunOption::headless, RunOption::frames,   RunOption::seconds,
    RunOption::time,    RunOption::snapshot, RunOption::fps,      RunOption::maxFps,
    RunOption::picture, RunOption::root,     RunOption::windowId, RunOption::help,
};

constexpr RunOption kExampleOptions[] = {
    RunOption::headless, RunOption::frames, RunOption::snapshot, RunOption::mesh,
    RunOption::scene,    RunOption::maxFps, RunOption::help,
};

} // namespace

const RunProgram kLumenfallProgram = {
    "lumenfall", kLumenfallOptions, int(std::size(kLumenfallOptions)),
    "  /c, /C, /config      show the about box and end (a first argument beginning with /c)\n"
    "  /s, /p N, ...        arguments without a leading '-' are passed over: the saver runs\n",
    true};

const RunProgram kExampleProgram = {"example", kExampleOptions, int(std::size(kExampleOptions)), "", false};

bool parseRunOptions(int argc, const char *const *argv, const RunProgram &program, RunOptions &options,
                     std::string &error)
{
    options = RunOptions{};
    error.clear();
    if (program.screenSaver && argc > 1 && argv[1] &&
        (std::strncmp(argv[1], "/c", 2) == 0 || std::strncmp(argv[1], "/C", 2) == 0)) {
        options.about = true;
        return true;
    }
    for (int i = 1; i < argc && argv[i]; ++i) {
        const char *arg = argv[i];
        if (arg[0] != '-' && program.screenSaver)
            continue; // the screen saver conventions' /s, /p 1234 and the like
        const OptionSpec *spec = find(program, arg);
        if (!spec) {
            error = std::string(arg[0] == '-' ? "unknown option " : "unknown argument ") + arg;
            return false;
        }
        const char *value = "";
        if (spec->value != Value::none) {
            if (i + 1 >= argc || !argv[i + 1]) {
                error = std::string(arg) + " needs " + valueRule(spec->value);
                return false;
            }
            value = argv[++i];
        }
        if (!store(*spec, value, options)) {
            error = std::string(arg) + " needs " + valueRule(spec->value) + ", not \"" + value + "\"";
            return false;
        }
    }
    return true;
}

void printUsage(std::FILE *stream, const RunProgram &program)
{
    std::fprintf(stream, "usage: %s [option]...\n", program.name);
    for (int i = 0; i < program.count; ++i) {
        const OptionSpec &spec = specOf(program.options[i]);
        const std::string name = std::string(spec.singleDash ? spec.name + 1 : spec.name) +
                                 (*spec.valueName ? std::string(" ") + spec.valueName : "");
        std::fprintf(stream, "  %-20s %s\n", name.c_str(), spec.help);
    }
    std::fputs(program.notes, stream);
}

float demoSeconds(const RunOptions &options, long frame, uint32_t startTick, uint32_t nowTick)
{
    if (options.fixedClock)
        return float(options.startTime + double(frame - 1) / 60.0);
    return float(uint32_t(nowTick - startTick)) * 0.001f;
}
