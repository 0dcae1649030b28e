#include "platform/user_files.h"

#include <windows.h>
#include <shlobj.h>
#include <knownfolders.h>

#include <algorithm>

#include "platform/wide_text.h"

namespace qv::platform {

namespace {

std::string errorReason(DWORD error) {
    switch (error) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return "the disk is full";
        case ERROR_ACCESS_DENIED: return "no permission to write there";
        case ERROR_WRITE_PROTECT: return "the disk is read-only";
        case ERROR_PATH_NOT_FOUND:
        case ERROR_DIRECTORY: return "the folder could not be reached";
        default: break;
    }
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = n && text ? std::wstring(text, n) : L"error " + std::to_wstring(error);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.'))
        message.pop_back();
    return toUtf8(message);
}

bool isFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

std::filesystem::path userConfigFolder() {
    PWSTR path = nullptr;
    std::filesystem::path folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &path)) && path) folder = path;
    CoTaskMemFree(path);
    return folder;
}

unsigned long processId() { return GetCurrentProcessId(); }

std::string documentsFolder() {
    PWSTR path = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &path)) && path) folder = toUtf8(path);
    CoTaskMemFree(path);
    while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    return folder;
}

char pathSeparator() { return '\\'; }

bool makeFolders(const std::string& path, std::string& reason) {
    const std::wstring wide = fromUtf8(path);
    if (wide.empty()) {
        reason = "no folder";
        return false;
    }
    // Each parent in turn; a drive ("C:") or a share root is taken as there.
    for (std::size_t at = 1; at <= wide.size(); ++at) {
        if (at < wide.size() && wide[at] != L'\\' && wide[at] != L'/') continue;
        const std::wstring part = wide.substr(0, at);
        if (part.back() == L':' || part.back() == L'\\' || isFolder(part)) continue;
        if (CreateDirectoryW(part.c_str(), nullptr)) continue;
        const DWORD error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS && isFolder(part)) continue;
        // Below a share (\\server\share) the first parts cannot be made and need not be.
        if (part.rfind(L"\\\\", 0) == 0 && std::count(part.begin(), part.end(), L'\\') <= 3) continue;
        reason = error == ERROR_ALREADY_EXISTS ? "a file stands where a folder should be" : errorReason(error);
        return false;
    }
    return true;
}

NewFile writeNewFile(const std::string& path, const void* data, std::size_t size, std::string& reason) {
    const std::wstring wide = fromUtf8(path);
    HANDLE file = wide.empty() ? INVALID_HANDLE_VALUE
                               : CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = wide.empty() ? ERROR_INVALID_NAME : GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return NewFile::kExists;
        reason = errorReason(error);
        return NewFile::kFailed;
    }
    const auto* p = static_cast<const char*>(data);
    DWORD error = 0;
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(size > (1u << 30) ? (1u << 30) : size);
        DWORD written = 0;
        if (!WriteFile(file, p, chunk, &written, nullptr) || written == 0) {
            error = GetLastError();
            if (error == 0) error = ERROR_DISK_FULL;
            break;
        }
        p += written;
        size -= written;
    }
    if (!CloseHandle(file) && error == 0) error = GetLastError();
    if (error == 0) return NewFile::kWritten;
    DeleteFileW(wide.c_str());
    reason = errorReason(error);
    return NewFile::kFailed;
}

LocalTime localTimeNow() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

}  // namespace qv::platform
