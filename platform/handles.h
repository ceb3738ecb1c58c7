// Handles given out by the platform: small tagged numbers, never pointers,
// so a stale or made-up handle is found missing instead of dereferenced.
#ifndef MWP_HANDLES_H
#define MWP_HANDLES_H

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace mwp {

// Object kinds; the tag keeps one kind's handles apart from another's.
enum class HandleKind : uintptr_t { window = 1, thread = 2, search = 3, key = 4 };

template <typename T>
class HandleTable {
public:
    explicit HandleTable(HandleKind kind) : base_(static_cast<uintptr_t>(kind) << 24) {}

    uintptr_t add(std::shared_ptr<T> object)
    {
        std::lock_guard<std::mutex> hold(lock_);
        // Values step by 4 so the low bits stay free (a window's drawing
        // context is its handle with bit 1 set); they are not reused until
        // the counter wraps.
        uintptr_t handle;
        do {
            next_ = (next_ + 1) & 0x3FFFFF;
            handle = base_ + (next_ << 2);
        } while (next_ == 0 || objects_.count(handle) != 0);
        objects_.emplace(handle, std::move(object));
        return handle;
    }

    std::shared_ptr<T> find(uintptr_t handle) const
    {
        std::lock_guard<std::mutex> hold(lock_);
        auto it = objects_.find(handle);
        return it == objects_.end() ? nullptr : it->second;
    }

    std::shared_ptr<T> remove(uintptr_t handle)
    {
        std::lock_guard<std::mutex> hold(lock_);
        auto it = objects_.find(handle);
        if (it == objects_.end())
            return nullptr;
        std::shared_ptr<T> object = std::move(it->second);
        objects_.erase(it);
        return object;
    }

    std::vector<std::shared_ptr<T>> all() const
    {
        std::lock_guard<std::mutex> hold(lock_);
        std::vector<std::shared_ptr<T>> objects;
        objects.reserve(objects_.size());
        for (const auto &entry : objects_)
            objects.push_back(entry.second);
        return objects;
    }

private:
    mutable std::mutex lock_;
    std::unordered_map<uintptr_t, std::shared_ptr<T>> objects_;
    uintptr_t base_;
    uintptr_t next_ = 0;
};

// Process-wide objects are made once and never destroyed: a thread may still
// use them while another one runs exit().
template <typename T>
T &forever()
{
    static T *object = new T();
    return *object;
}

} // namespace mwp

#endif
