// The exit registry: functions run once by a fatal report, just before the
// error box. A call empties the registry.
#include "mwregistry.h"

namespace {

constexpr mwREGISTRY_TEXTS kTexts = {
    0x4D574545u, // 'MWEE'
    "mwexit",
    134,
    "mwExitRegister",
    "mwExitRegister: too many exit functions, max is %d",
    "mwExitRegister: conflicting entry,\nMW_EXIT_FLAG_ONCE flags don't match\nfunc %p",
    "mwExitRegister: conflicting entry,\npriorities don't match for a MW_EXIT_FLAG_ONCE "
    "entry\nfunc %p",
    "mwExitCall: entry %d is invalid (%p,%d)\n",
};

constinit mwRegistry<mwEXIT_FUNC> registry{kTexts};

} // namespace

void mwExitRegister(mwEXIT_FUNC function, int priority, int flags)
{
    registry.add(function, priority, flags);
}

int mwExitCall(void)
{
    return registry.call([](mwEXIT_FUNC function) { function(); }, true);
}
