#include "fuzzsupport.h"
#include "mwscene.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return fuzzReadFile(data, size, [](const char *name) {
        mwsSCENE *scene = lwsLoad(name, nullptr);
        if (!scene)
            return;
        // Evaluating walks every motion the reader built.
        mwsSceneUpdate(scene->node);
        mwsNodeFree(scene->node);
    });
}
