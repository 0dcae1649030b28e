#include "platform/config_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace qv::platform {

std::filesystem::path userConfigFolder() {
    // The base-directory rule: a relative XDG_CONFIG_HOME is ignored.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* user = getpwuid(getuid());
        home = user ? user->pw_dir : nullptr;
    }
    if (!home || *home != '/') return {};
    return std::filesystem::path(home) / ".config";
}

unsigned long processId() { return static_cast<unsigned long>(getpid()); }

}  // namespace qv::platform
