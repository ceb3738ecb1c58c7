// Internal to the render library: the render state and the helpers its
// sources share.
#ifndef MWRINTERN_H
#define MWRINTERN_H

#include <cstddef>

#include "mwrender.h"

namespace mwr {

// The record made by mwrInit; NULL before.
extern mwrRENDERSTATE *state;

// The render state, or a fatal report naming `function` before mwrInit.
mwrRENDERSTATE &requireState(const char *function);

// Ends the program with an invalid-parameter report when record is NULL.
void requireRecord(const void *record, const char *owner, int line, const char *function);

// count records of `size` bytes from the dynamic heap under owner and line;
// a count below 1 is an invalid parameter.
void *allocRecords(const char *owner, int line, const char *function, int count, std::size_t size);

// The Alloc of a record kind: count records, each set up by `defaults`.
template <typename Record, typename Defaults>
Record *allocRecords(const char *owner, int line, const char *function, int count, Defaults defaults)
{
    auto *records = static_cast<Record *>(allocRecords(owner, line, function, count, sizeof(Record)));
    for (int i = 0; i < count; ++i)
        defaults(records[i]);
    return records;
}

// Free and Copy of the record kinds: NULL is an invalid parameter.
void freeRecords(void *records, const char *owner, int line, const char *function);
void copyRecord(void *dst, const void *src, std::size_t size, const char *owner, int line,
                const char *function);

// modelView and eye from the model matrix and the camera copy.
void updateDerived();

// The ambient term and every active slot for the material copy under the
// current model matrix.
void prepareLights();

// Empties the matrix stack (its storage is kept).
void resetStack();

void cameraDefaults(mwrCAMERA &camera);
void materialDefaults(mwrMATERIAL &material);

} // namespace mwr

#endif // MWRINTERN_H
