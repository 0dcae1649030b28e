// The value block exchanged with the process-wide instance registry (the QuorvaneSys library),
// and the operation numbers of its one entry point DoXelData(operation, write, block).
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv {

struct XelBlock {
    std::uint32_t zero;       // always 0
    std::uint32_t index;      // registry index (operations 3, 4, 7, 8, 9)
    std::uint32_t version;    // operation 0
    std::uint32_t capacity;   // operation 1
    std::uint32_t count;      // operation 2; the limit of operation 9
    std::uint8_t inUse;       // operation 3; the answer of operation 9
    std::uint8_t padding[3];
    void* object;             // operations 4 and 7
};
static_assert(sizeof(XelBlock) == 32);
static_assert(offsetof(XelBlock, index) == 4 && offsetof(XelBlock, version) == 8);
static_assert(offsetof(XelBlock, capacity) == 12 && offsetof(XelBlock, count) == 16);
static_assert(offsetof(XelBlock, inUse) == 20 && offsetof(XelBlock, object) == 24);

enum XelOperation : std::uint32_t {
    kXelVersion = 0,   // read: version at 8
    kXelCapacity = 1,  // read: capacity at 12
    kXelCount = 2,     // read or write the instance count at 16
    kXelInUse = 3,     // read or write the in-use flag at 20 of the slot at 4
    kXelObject = 4,    // read or write the object reference at 24 of the slot at 4
    kXelLock = 6,      // write: acquire the registry lock (blocks); read: release it
    // Calls into a registered object are counted per slot, so that a leaving instance can wait
    // until no call reaches it any more.
    kXelEnter = 7,     // read: count a call into the slot at 4 and return its object (null: none, not counted)
    kXelLeave = 8,     // read: the call into the slot at 4 has returned
    // read: wait until no counted call into the slot at 4 remains, at most count (at 16)
    // milliseconds when it is not 0; inUse (at 20) then is 1 when calls are still in flight
    // (a library that always waits to the end leaves it 0).
    kXelDrain = 9,
};

constexpr std::uint32_t kXelRegistryVersion = 0x20300;
constexpr std::uint32_t kXelRegistryCapacity = 16;

using DoXelDataProc = XelBlock (*)(std::uint32_t operation, std::uint32_t write, XelBlock block);

}  // namespace qv
