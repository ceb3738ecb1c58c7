// The status registry: functions told when the application gains or loses
// the foreground. Entries stay until the process ends.
#include "mwregistry.h"

namespace {

constexpr mwREGISTRY_TEXTS kTexts = {
    0x4D575345u, // 'MWSE'
    "mwstatus",
    129,
    "mwStatusRegister",
    "mwStatusRegister: too many status functions, max is %d",
    "mwStatusRegister: conflicting entry,\nMW_STATUS_FLAG_ONCE flags don't match\nfunc %p",
    "mwStatusRegister: conflicting entry,\npriorities don't match for a MW_STATUS_FLAG_ONCE "
    "entry\nfunc %p",
    "mwStatusCall: entry %d is invalid (%p,%d)\n",
};

constinit mwRegistry<mwSTATUS_FUNC> registry{kTexts};

} // namespace

void mwStatusRegister(mwSTATUS_FUNC function, int priority, int flags)
{
    registry.add(function, priority, flags);
}

int mwStatusCall(int status, int value)
{
    return registry.call([&](mwSTATUS_FUNC function) { function(status, value); }, false);
}
