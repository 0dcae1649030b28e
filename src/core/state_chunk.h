// The state record handed to the host as the instance's chunk: a 16-byte header and the
// analyzer's settings. Little-endian; floats as their IEEE bit patterns.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv {

struct StateChunk {
    static constexpr std::uint32_t kFormat = 1;
    static constexpr std::uint32_t kSize = 2756;
    static constexpr std::uint32_t kVersion = 0x00020300;
    static constexpr char kTag[4] = {'s', 'L', 'e', 'X'};

    std::uint32_t format;
    std::uint32_t size;
    char tag[4];
    std::uint32_t version;
    std::uint8_t settings[2740];

    // Writes the header; the settings stay as they are.
    void fillHeader();
    // Whether data of size bytes starts with a header this version reads.
    static bool isValid(const void* data, std::int32_t size);
};

static_assert(sizeof(StateChunk) == 2756);
static_assert(offsetof(StateChunk, size) == 4 && offsetof(StateChunk, tag) == 8);
static_assert(offsetof(StateChunk, version) == 12 && offsetof(StateChunk, settings) == 16);

}  // namespace qv
