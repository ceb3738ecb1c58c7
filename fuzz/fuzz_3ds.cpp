#include "fuzzsupport.h"
#include "mwrender.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return fuzzReadFile(data, size, [](const char *name) {
        mwrMESH *mesh = mw3dsLoad(name);
        if (!mesh)
            return;
        // Every face must index the vertex array: read each corner once.
        volatile float sink = 0.0f;
        for (int f = 0; f < mesh->faceCount; ++f)
            for (int k = 0; k < 3; ++k)
                sink = sink + mesh->vertices[mesh->faces[f][k]].nx;
        mwrMeshFree(mesh);
    });
}
