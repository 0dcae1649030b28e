#include "editor/user_preferences.h"

#include <atomic>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "platform/user_files.h"

namespace qv {

namespace {

constexpr const char* kNoteNames = "note-names";
constexpr std::size_t kMaxLines = 256;
constexpr std::size_t kMaxLine = 1024;

// The file's lines, at most kMaxLines of at most kMaxLine characters; false when unreadable.
bool readLines(const std::filesystem::path& path, std::vector<std::string>& lines) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string line;
    while (lines.size() < kMaxLines && std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() <= kMaxLine) lines.push_back(line);
    }
    return true;
}

bool isKey(const std::string& line, const char* key) {
    const std::string k(key);
    return line.size() > k.size() && line.compare(0, k.size(), k) == 0 && line[k.size()] == '=';
}

}  // namespace

std::filesystem::path CUserPreferences::defaultFolder() {
    const std::filesystem::path base = platform::userConfigFolder();
    return base.empty() ? base : base / "Quorvane";
}

CUserPreferences::CUserPreferences(std::filesystem::path where) : folder(std::move(where)) {}

std::filesystem::path CUserPreferences::file() const { return folder.empty() ? folder : folder / "preferences.txt"; }

bool CUserPreferences::load() {
    noteNames = false;
    std::vector<std::string> lines;
    if (folder.empty()) return false;
    try {
        if (!readLines(file(), lines)) return false;
    } catch (...) {
        return false;
    }
    for (const std::string& line : lines) {
        if (!isKey(line, kNoteNames)) continue;
        const std::string value = line.substr(std::string(kNoteNames).size() + 1);
        if (value == "1" || value == "0") noteNames = value == "1";
    }
    return true;
}

bool CUserPreferences::save() const {
    if (folder.empty()) return false;
    static std::atomic<unsigned> counter{0};
    std::filesystem::path temporary;
    try {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        // Lines of other keys (another build's) stay; ours is written anew.
        std::vector<std::string> lines;
        readLines(file(), lines);
        std::string text;
        for (const std::string& line : lines) {
            if (!line.empty() && !isKey(line, kNoteNames)) text += line + "\n";
        }
        text += std::string(kNoteNames) + "=" + (noteNames ? "1" : "0") + "\n";
        temporary = folder / ("preferences.txt." + std::to_string(platform::processId()) + "-" +
                              std::to_string(counter.fetch_add(1)) + ".tmp");
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out << text;
            out.flush();
            if (!out) throw std::system_error(std::make_error_code(std::errc::io_error));
        }
        std::filesystem::rename(temporary, file(), ec);
        if (!ec) return true;
    } catch (...) {
    }
    std::error_code ignored;
    if (!temporary.empty()) std::filesystem::remove(temporary, ignored);
    return false;
}

}  // namespace qv
