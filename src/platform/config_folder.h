// Where per-user settings of this user live: the folder of the window system's convention, under
// which each program keeps a folder of its own.
#pragma once

#include <filesystem>

namespace qv::platform {

// Linux: $XDG_CONFIG_HOME when it is an absolute path, else ~/.config. Windows: the roaming
// application-data known folder. Empty when there is none.
std::filesystem::path userConfigFolder();

// A number that tells this process from others at the same moment (temporary file names).
unsigned long processId();

}  // namespace qv::platform
