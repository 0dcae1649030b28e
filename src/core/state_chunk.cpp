#include "core/state_chunk.h"

#include <cstring>

namespace qv {

void StateChunk::clear() {
    std::memset(static_cast<void*>(this), 0, sizeof(*this));
    fillHeader();
}

void StateChunk::fillHeader() {
    format = kFormat;
    size = kSize;
    std::memcpy(tag, kTag, sizeof(tag));
    version = kVersion;
}

bool StateChunk::isValid(const void* data, std::int32_t bytes) {
    if (data == nullptr || bytes < static_cast<std::int32_t>(kSize)) return false;
    struct {
        std::uint32_t format, size;
        char tag[4];
        std::uint32_t version;
    } header;
    std::memcpy(&header, data, sizeof(header));
    return header.format == kFormat && header.size >= kSize && std::memcmp(header.tag, kTag, 4) == 0 &&
           header.version == kVersion;
}

}  // namespace qv
