// Files the user keeps: the documents folder, folders made on the way, files created only where
// nothing is yet, and the local time their names carry. Paths are UTF-8 (wide at the Windows API).
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace qv::platform {

// Where per-user settings live, under which each program keeps a folder of its own. Linux:
// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config. Windows: the roaming
// application-data known folder. Empty when there is none.
std::filesystem::path userConfigFolder();

// A number that tells this process from others at the same moment (temporary file names).
unsigned long processId();

// The user's documents folder without a trailing separator; empty when none can be found.
// Linux: XDG_DOCUMENTS_DIR of $XDG_CONFIG_HOME/user-dirs.dirs (default ~/.config), else
// ~/Documents. Windows: the known Documents folder.
std::string documentsFolder();

// '/' or '\\'.
char pathSeparator();

// Makes the folder and any missing parents; false with a reason in words.
bool makeFolders(const std::string& path, std::string& reason);

enum class NewFile { kWritten, kExists, kFailed };

// Creates the file only when nothing is at path yet (so two writers never share one), writes
// the bytes and closes it. A file that could not be written whole is removed. On kFailed,
// reason says why in words.
NewFile writeNewFile(const std::string& path, const void* data, std::size_t size, std::string& reason);

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
LocalTime localTimeNow();

}  // namespace qv::platform
