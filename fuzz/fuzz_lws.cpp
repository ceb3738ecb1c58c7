#include "fuzzsupport.h"
#include "mwscene.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return fuzzReadFile(data, size, [](const char *path) {
        mwsSCENE *scene = lwsLoad(path, nullptr);
        if (!scene)
            return;
        // Evaluating walks every motion the reader built.
        mwsSceneUpdate(scene->node);
        mwsNodeFree(scene->node);
    });
}
