/*
 * mwregistry.h - the shape shared by the status and exit registries
 * (internal): a fixed table of entries called by priority, 255 first, in
 * registration order within a priority.
 */
#ifndef MW_KERNEL_MWREGISTRY_H
#define MW_KERNEL_MWREGISTRY_H

#include <cstdint>

#include "mwkernel.h"

/* What tells the two registries apart in their reports. */
struct mwREGISTRY_TEXTS {
    uint32_t magic;
    const char *owner; /* source blamed for a bad argument */
    int line;
    const char *registerName;
    const char *tooMany;          /* mwFatal format, with the table size */
    const char *onceConflict;     /* mwFatal format, with the function */
    const char *priorityConflict; /* mwFatal format, with the function */
    const char *invalidEntry;     /* log format: index, function, priority */
};

template <typename Function>
class mwRegistry {
public:
    constexpr explicit mwRegistry(const mwREGISTRY_TEXTS &texts) : texts_(texts) {}

    void add(Function function, int priority, int flags)
    {
        if (!function || priority < 1 || priority > 255)
            mwError(texts_.owner, texts_.line, texts_.registerName, MW_ERR_INVALID_PARAMETER);
        if (count_ == MW_REGISTRY_ENTRIES)
            mwFatal(texts_.tooMany, MW_REGISTRY_ENTRIES);
        const uint32_t once = static_cast<uint32_t>(flags) & 1u;
        for (int i = 0; i < count_; ++i) {
            const Entry &entry = entries_[i];
            if (entry.function != function)
                continue;
            if ((entry.flags & 1u) != once)
                mwFatal(texts_.onceConflict, address(function));
            if (once && entry.priority != static_cast<uint32_t>(priority))
                mwFatal(texts_.priorityConflict, address(function));
            if (once)
                return;
            break;
        }
        entries_[count_++] = {texts_.magic, function, static_cast<uint32_t>(priority),
                              static_cast<uint32_t>(flags)};
    }

    /* Calls every valid entry through invoke(function) and returns the number
     * of calls. A consuming call spends each entry and empties the table. */
    template <typename Invoke>
    int call(Invoke invoke, bool consume)
    {
        int calls = 0;
        for (uint32_t priority = 255; priority >= 1; --priority) {
            for (int i = 0; i < count_; ++i) {
                Entry &entry = entries_[i];
                if (entry.priority != priority)
                    continue;
                if (entry.magic != texts_.magic) {
                    mwLogPrintf(texts_.invalidEntry, i, address(entry.function),
                                static_cast<int>(entry.priority));
                    continue;
                }
                // Spent before the call: a report from inside the function
                // runs the registry again, and must not call it a second time.
                if (consume)
                    entry.magic = 0;
                invoke(entry.function);
                ++calls;
            }
        }
        if (consume)
            count_ = 0;
        return calls;
    }

private:
    struct Entry {
        uint32_t magic;
        Function function;
        uint32_t priority;
        uint32_t flags;
    };

    static void *address(Function function) { return reinterpret_cast<void *>(function); }

    const mwREGISTRY_TEXTS &texts_;
    Entry entries_[MW_REGISTRY_ENTRIES]{};
    int count_ = 0;
};

#endif
