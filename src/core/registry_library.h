// The process-wide registry of analyzer instances as one instance sees it: the QuorvaneSys
// library loaded from a folder, its entry point DoXelData, and typed calls for each operation.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/dynamic_library.h"
#include "sys/xel_block.h"

namespace qv {

class CRegistryLibrary {
public:
    static constexpr std::uint32_t kCapacity = kXelRegistryCapacity;

    // "QuorvaneSys" with the platform's library extension.
    static std::string fileName();

    // Loads the library from folder (which ends with its separator) and accepts it only when it
    // exports DoXelData, reports version 0x20300 and capacity 16, and counts calls (enter,
    // leave, a bounded drain). False, with nothing loaded, otherwise.
    bool open(const std::string& folder);
    void close();
    bool isOpen() const { return proc != nullptr; }

    // The process-wide registry lock: blocks until free.
    void lock() const;
    void unlock() const;

    std::uint32_t count() const;
    void setCount(std::uint32_t count) const;
    bool inUse(std::uint32_t index) const;
    void setInUse(std::uint32_t index, bool used) const;
    void* object(std::uint32_t index) const;
    void setObject(std::uint32_t index, void* object) const;

    // A call into the object of a slot: enter() counts it and returns the object (null, and not
    // counted, when the slot holds none); leave() ends it. drain() waits up to timeout until no
    // counted call into the slot remains; false when calls are still in flight.
    void* enter(std::uint32_t index) const;
    void leave(std::uint32_t index) const;
    bool drain(std::uint32_t index, std::chrono::milliseconds timeout) const;

private:
    bool countsCalls() const;
    XelBlock call(std::uint32_t operation, std::uint32_t write, XelBlock block) const;

    platform::DynamicLibrary library;
    DoXelDataProc proc = nullptr;
};

// Holds the registry lock for a scope.
class CRegistryLockGuard {
public:
    explicit CRegistryLockGuard(const CRegistryLibrary& registry) : registry_(registry) { registry_.lock(); }
    ~CRegistryLockGuard() { registry_.unlock(); }
    CRegistryLockGuard(const CRegistryLockGuard&) = delete;
    CRegistryLockGuard& operator=(const CRegistryLockGuard&) = delete;

private:
    const CRegistryLibrary& registry_;
};

}  // namespace qv
