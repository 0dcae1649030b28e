#include "platform/config_folder.h"

#include <windows.h>
#include <shlobj.h>

namespace qv::platform {

std::filesystem::path userConfigFolder() {
    // FOLDERID_RoamingAppData, spelled out so no GUID library is needed.
    static const GUID kRoamingAppData = {0x3EB685DB, 0x65F9, 0x4CF6, {0xA0, 0x3A, 0xE3, 0xEF, 0x65, 0x72, 0x9F, 0x3D}};
    PWSTR path = nullptr;
    std::filesystem::path folder;
    if (SUCCEEDED(SHGetKnownFolderPath(kRoamingAppData, 0, nullptr, &path)) && path) folder = path;
    CoTaskMemFree(path);
    return folder;
}

unsigned long processId() { return GetCurrentProcessId(); }

}  // namespace qv::platform
