// A program's command line (FUZZ_PROGRAM: kLumenfallProgram or
// kExampleProgram): any arguments parse without fault, an accepted line gives
// usable limits and a refused one says why.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "fuzzargs.h"
#include "runopts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzArguments arguments(FUZZ_PROGRAM.name, data, size);
    RunOptions options;
    std::string error;
    const bool accepted = parseRunOptions(arguments.argc(), arguments.argv(), FUZZ_PROGRAM, options, error);
    const bool usable = options.frames >= 0 && std::isfinite(options.seconds) && options.seconds >= 0.0 &&
                        std::isfinite(options.startTime) && options.startTime >= 0.0 &&
                        options.maxFps >= -1 && options.maxFps <= kMaxFpsLimit;
    if (accepted ? !usable : error.empty()) {
        std::fprintf(stderr, "accepted %d with frames %ld, seconds %g, time %g, max fps %ld, error \"%s\"\n",
                     accepted, options.frames, options.seconds, options.startTime, options.maxFps,
                     error.c_str());
        std::abort();
    }
    return 0;
}
