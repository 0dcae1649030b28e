// One object per key in the process, made on first use and shared by every holder of the
// returned pointer; it goes when the last holder lets go. Made under a lock by the thread that
// asks (never a measuring or audio thread: making allocates). Each call site keeps its own set.
#pragma once

#include <map>
#include <memory>
#include <mutex>

namespace qv {

template <typename T, typename Key, typename Make>
std::shared_ptr<T> processShared(const Key& key, Make make) {
    static std::mutex lock;
    static std::map<Key, std::weak_ptr<T>> objects;
    std::lock_guard<std::mutex> guard(lock);
    std::weak_ptr<T>& entry = objects[key];
    std::shared_ptr<T> object = entry.lock();
    if (!object) {
        object = make();
        entry = object;
    }
    return object;
}

}  // namespace qv
