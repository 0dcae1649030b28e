// A registry library of an older version, under the registry's file name: instances must refuse
// it. It answers the version and capacity questions an instance asks first, and nothing else.
#include "sys/xel_block.h"

#if defined(_WIN32)
#define QV_STALE_EXPORT extern "C" __declspec(dllexport)
#else
#define QV_STALE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

QV_STALE_EXPORT qv::XelBlock DoXelData(std::uint32_t operation, std::uint32_t, qv::XelBlock block) {
    if (operation == qv::kXelVersion) block.version = 0x20200;
    if (operation == qv::kXelCapacity) block.capacity = qv::kXelRegistryCapacity;
    return block;
}
