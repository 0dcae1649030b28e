#include "host/channel_config.h"

namespace qv {
std::string_view libraryExtension() { return ".so"; }
}  // namespace qv
