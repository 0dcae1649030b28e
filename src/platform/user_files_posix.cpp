#include "platform/user_files.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string_view>

namespace qv::platform {

namespace {

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir) return found->pw_dir;
    return {};
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// The value of a user-dirs.dirs line in the shell syntax the file uses: "..." with backslash
// escapes, '...', or bare; $HOME or ${HOME} at the start stands for the home folder. Empty
// for anything that does not give an absolute path.
std::string dirsValue(std::string_view raw, const std::string& home) {
    std::string value;
    if (!raw.empty() && raw.front() == '"') {
        std::size_t k = 1;
        for (; k < raw.size() && raw[k] != '"'; ++k) {
            if (raw[k] == '\\' && k + 1 < raw.size()) ++k;
            value += raw[k];
        }
        if (k >= raw.size()) return {};  // unterminated
    } else if (!raw.empty() && raw.front() == '\'') {
        const std::size_t end = raw.find('\'', 1);
        if (end == std::string_view::npos) return {};
        value = raw.substr(1, end - 1);
    } else {
        value = raw;
    }
    for (std::string_view var : {"${HOME}", "$HOME"}) {
        if (value.compare(0, var.size(), var) == 0 && (value.size() == var.size() || value[var.size()] == '/')) {
            if (home.empty()) return {};
            value = home + value.substr(var.size());
            break;
        }
    }
    while (value.size() > 1 && value.back() == '/') value.pop_back();
    return !value.empty() && value.front() == '/' ? value : std::string{};
}

std::string errnoReason(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT: return "the disk is full";
        case EACCES:
        case EPERM: return "no permission to write there";
        case EROFS: return "the disk is read-only";
        case ENOTDIR:
        case EEXIST: return "a file stands where a folder should be";
        default: return std::strerror(error);
    }
}

}  // namespace

std::filesystem::path userConfigFolder() {
    // The base-directory rule: a relative XDG_CONFIG_HOME is ignored.
    if (const char* c = std::getenv("XDG_CONFIG_HOME"); c && c[0] == '/') return c;
    const std::string home = homeFolder();
    return home.empty() ? std::filesystem::path{} : std::filesystem::path(home) / ".config";
}

unsigned long processId() { return static_cast<unsigned long>(getpid()); }

std::string documentsFolder() {
    const std::string home = homeFolder();
    const std::string config = userConfigFolder().string();
    if (!config.empty()) {
        std::ifstream dirs(config + "/user-dirs.dirs");
        std::string line;
        std::string found;
        while (std::getline(dirs, line)) {
            const std::string_view l = trim(line);
            constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR";
            if (l.substr(0, kKey.size()) != kKey) continue;
            const std::string_view rest = trim(l.substr(kKey.size()));
            if (rest.empty() || rest.front() != '=') continue;
            found = dirsValue(trim(rest.substr(1)), home);  // the last assignment holds, as in a shell
        }
        // A documents folder set to the home folder itself means "none" to the XDG tools.
        if (!found.empty() && found != home) return found;
    }
    return home.empty() ? std::string{} : home + "/Documents";
}

char pathSeparator() { return '/'; }

bool makeFolders(const std::string& path, std::string& reason) {
    if (path.empty()) {
        reason = "no folder";
        return false;
    }
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/') continue;
        const std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), 0777) == 0 || errno == EEXIST) {
            struct stat st {};
            if (::stat(part.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
            reason = errnoReason(ENOTDIR);
            return false;
        }
        reason = errnoReason(errno);
        return false;
    }
    return true;
}

NewFile writeNewFile(const std::string& path, const void* data, std::size_t size, std::string& reason) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST) return NewFile::kExists;
        reason = errnoReason(errno);
        return NewFile::kFailed;
    }
    const auto* p = static_cast<const char*>(data);
    int error = 0;
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    // No fsync: it would hold the GUI thread for the disk; a deferred write error shows at close.
    if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
    if (error == 0) return NewFile::kWritten;
    ::unlink(path.c_str());
    reason = errnoReason(error);
    return NewFile::kFailed;
}

LocalTime localTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    if (!localtime_r(&now, &t)) return {};
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

}  // namespace qv::platform
