// Registry libraries of earlier builds, under the registry's file name: instances must refuse
// them. QV_STALE_VERSION is the version each answers. Operations 0 to 6 work as in the real
// library; the counted calls (7 to 9) came later and hand the block back unchanged, as an
// earlier build does with an operation it does not know.
#include <array>
#include <mutex>

#include "sys/xel_block.h"

#if defined(_WIN32)
#define QV_STALE_EXPORT extern "C" __declspec(dllexport)
#else
#define QV_STALE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {
std::mutex lock;
std::uint32_t count = 0;
std::array<std::uint8_t, qv::kXelRegistryCapacity> inUse{};
std::array<void*, qv::kXelRegistryCapacity> objects{};
}  // namespace

QV_STALE_EXPORT qv::XelBlock DoXelData(std::uint32_t operation, std::uint32_t write, qv::XelBlock block) {
    const bool slot = block.index < qv::kXelRegistryCapacity;
    switch (operation) {
        case qv::kXelVersion: block.version = QV_STALE_VERSION; break;
        case qv::kXelCapacity: block.capacity = qv::kXelRegistryCapacity; break;
        case qv::kXelCount: write ? void(count = block.count) : void(block.count = count); break;
        case qv::kXelInUse:
            if (slot) write ? void(inUse[block.index] = block.inUse) : void(block.inUse = inUse[block.index]);
            break;
        case qv::kXelObject:
            if (slot) write ? void(objects[block.index] = block.object) : void(block.object = objects[block.index]);
            break;
        case qv::kXelLock: write ? lock.lock() : lock.unlock(); break;
        default: break;
    }
    return block;
}
