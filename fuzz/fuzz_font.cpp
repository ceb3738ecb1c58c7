#include "fuzzsupport.h"
#include "mwbitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return fuzzReadFile(data, size, [](const char *path) {
        if (mwbFONT *font = mwbFontLoad(path))
            mwbFontFree(font);
    });
}
