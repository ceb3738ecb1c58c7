#include "fuzzsupport.h"
#include "mwbitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return fuzzReadFile(data, size, [](const char *path) {
        if (mwBITMAP *bitmap = mwbTGALoad(path))
            mwbFree(bitmap);
    });
}
