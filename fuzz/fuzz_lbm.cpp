#include "fuzzbitmap.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return fuzzReadFile(data, size, [](const char *name) {
        if (mwBITMAP *bitmap = mwbLBMLoad(name)) {
            fuzzCheckBitmap(*bitmap);
            mwbFree(bitmap);
        }
    });
}
