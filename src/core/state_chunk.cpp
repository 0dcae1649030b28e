#include "core/state_chunk.h"

#include <cstring>

namespace qv {

void StateChunk::fillHeader() {
    format = kFormat;
    size = kSize;
    std::memcpy(tag, kTag, sizeof(tag));
    version = kVersion;
}

bool StateChunk::isValid(const void* data, std::int32_t bytes) {
    if (data == nullptr || bytes < static_cast<std::int32_t>(kSize)) return false;
    StateChunk header;
    std::memcpy(&header, data, 16);
    return header.format == kFormat && header.size >= kSize && std::memcmp(header.tag, kTag, 4) == 0 &&
           header.version == kVersion;
}

}  // namespace qv
