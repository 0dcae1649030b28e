#include "platform/resources.h"

#include <windows.h>

#include "platform/module.h"

namespace qv::platform {

ResourceBytes findPngResource(std::int32_t id) {
    if (id < 0 || id > 0xFFFF) return {};
    const auto module = static_cast<HMODULE>(moduleHandle());
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), "PNG");
    if (info == nullptr) return {};
    HGLOBAL handle = LoadResource(module, info);
    if (handle == nullptr) return {};
    const void* bytes = LockResource(handle);
    const DWORD size = SizeofResource(module, info);
    if (bytes == nullptr || size == 0) return {};
    return {static_cast<const std::uint8_t*>(bytes), size};
}

}  // namespace qv::platform
