#include "platform/message_box.h"

#include <cstdio>

namespace qv::platform {
void showMessageBox(const char* title, const char* text) {
    std::fprintf(stderr, "%s: %s\n", title, text);
    std::fflush(stderr);
}
}  // namespace qv::platform
