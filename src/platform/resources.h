// The library's own resources: images of type "PNG" under numeric identifiers, compiled into the
// library (a resource script on Windows, an embedded table elsewhere).
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv::platform {

struct ResourceBytes {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;

    bool empty() const { return data == nullptr || size == 0; }
};

// The bytes of the "PNG" resource `id` in this library; empty when there is none. The bytes stay
// valid as long as the library is loaded.
ResourceBytes findPngResource(std::int32_t id);

}  // namespace qv::platform
