// What an instance publishes in the registry: a plain C record with the instance's address and
// the two functions through which other instances reach it. Instances of different copies of
// the plug-in library (separate modules with their own code) meet only through this record and
// the message records, never through each other's C++ classes, so its layout is fixed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/instance_messages.h"

namespace qv {

extern "C" {
// Hands a record to the instance; returns 1 when it was taken, 0 when it was ignored. Never
// throws.
typedef std::int32_t (*InstancePortCall)(void* instance, InstanceMessage* record);
}

struct InstancePort {
    static constexpr std::uint32_t kVersion = 1;

    std::uint32_t size;      // sizeof(InstancePort); later versions may only grow
    std::uint32_t version;   // kVersion
    void* instance;          // passed back to the calls
    InstancePortCall receiveMessage;  // a posted record (types 2, 3, 4, 5, 8, 32)
    InstancePortCall answerQuery;     // a query filled in place (types 1, 6, 32)
};
static_assert(sizeof(InstancePort) == 32);
static_assert(offsetof(InstancePort, version) == 4 && offsetof(InstancePort, instance) == 8);
static_assert(offsetof(InstancePort, receiveMessage) == 16 && offsetof(InstancePort, answerQuery) == 24);

// Whether a port found in the registry can be called by this version.
inline bool isUsablePort(const InstancePort* port) {
    return port && port->size >= sizeof(InstancePort) && port->version == InstancePort::kVersion &&
           port->receiveMessage && port->answerQuery;
}

}  // namespace qv
