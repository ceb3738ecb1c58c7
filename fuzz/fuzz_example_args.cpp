// The example program's command line: any arguments parse without fault, an
// accepted line gives a usable frame count and a refused one says why.
#include <cstdio>
#include <cstdlib>

#include "exoptions.h"
#include "fuzzargs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzArguments arguments("example", data, size);
    ExampleOptions options;
    std::string error;
    const bool accepted = parseExampleOptions(arguments.argc(), arguments.argv(), options, error);
    if (accepted ? options.frames < 0 : error.empty()) {
        std::fprintf(stderr, "accepted %d with frames %ld, error \"%s\"\n", accepted, options.frames,
                     error.c_str());
        std::abort();
    }
    return 0;
}
