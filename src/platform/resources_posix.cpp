#include "platform/resources.h"
#include "platform/resources_embedded.h"

namespace qv::platform {

ResourceBytes findPngResource(std::int32_t id) {
    for (std::size_t i = 0; i < kEmbeddedPngResourceCount; ++i) {
        const EmbeddedResource& r = kEmbeddedPngResources[i];
        if (r.id == id) return {r.data, r.size};
    }
    return {};
}

}  // namespace qv::platform
