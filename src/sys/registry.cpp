// QuorvaneSys: the one registry of analyzer instances per process. Every copy of the plug-in
// library loads this library from its own folder, so all of them share these statics.
#include <array>
#include <atomic>
#include <chrono>
#include <mutex>

#include "platform/spin_wait.h"
#include "sys/xel_block.h"

namespace {

struct Registry {
    std::mutex lock;
    std::atomic<std::uint32_t> count{0};
    std::array<std::atomic<std::uint8_t>, qv::kXelRegistryCapacity> inUse{};
    std::array<std::atomic<void*>, qv::kXelRegistryCapacity> objects{};
    std::array<std::atomic<std::uint32_t>, qv::kXelRegistryCapacity> calls{};
};

Registry& registry() {
    static Registry instance;
    return instance;
}

}  // namespace

#if defined(_WIN32)
#define QV_SYS_EXPORT extern "C" __declspec(dllexport)
#else
#define QV_SYS_EXPORT extern "C" __attribute__((visibility("default")))
#endif

QV_SYS_EXPORT qv::XelBlock DoXelData(std::uint32_t operation, std::uint32_t write, qv::XelBlock block) {
    Registry& r = registry();
    const bool validIndex = block.index < qv::kXelRegistryCapacity;
    const std::uint32_t i = validIndex ? block.index : 0;
    switch (operation) {
        case qv::kXelVersion: block.version = qv::kXelRegistryVersion; break;
        case qv::kXelCapacity: block.capacity = qv::kXelRegistryCapacity; break;
        case qv::kXelCount:
            if (write) {
                r.count.store(block.count);
            } else {
                block.count = r.count.load();
            }
            break;
        case qv::kXelInUse:
            if (!validIndex) break;
            if (write) {
                r.inUse[i].store(block.inUse ? 1 : 0);
            } else {
                block.inUse = r.inUse[i].load();
            }
            break;
        case qv::kXelObject:
            if (!validIndex) break;
            if (write) {
                r.objects[i].store(block.object);
            } else {
                block.object = r.objects[i].load();
            }
            break;
        case qv::kXelLock:
            if (write) {
                r.lock.lock();
            } else {
                r.lock.unlock();
            }
            break;
        case qv::kXelEnter:
            block.object = nullptr;
            if (!validIndex) break;
            // Count first, then look: a leaving instance clears its object before it drains.
            r.calls[i].fetch_add(1);
            block.object = r.objects[i].load();
            if (!block.object) r.calls[i].fetch_sub(1);
            break;
        case qv::kXelLeave:
            if (validIndex) r.calls[i].fetch_sub(1);
            break;
        case qv::kXelDrain: {
            if (!validIndex) break;
            // A count of 0 (callers built before the limit) waits without one.
            using std::chrono::milliseconds;
            const milliseconds limit = block.count != 0 ? milliseconds(block.count) : milliseconds::max();
            block.inUse = qv::platform::spinUntil([&] { return r.calls[i].load() == 0; }, limit) ? 0 : 1;
            break;
        }
        default: break;
    }
    return block;
}
