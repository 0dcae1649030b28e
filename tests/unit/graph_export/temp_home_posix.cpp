// This executable's documents folder lies under a home of its own, never the user's.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace {

struct TempHome {
    std::string path;
    TempHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qv-home-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path = pattern;
        ::setenv("HOME", path.c_str(), 1);
        ::unsetenv("XDG_CONFIG_HOME");
    }
    ~TempHome() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
} tempHome;

}  // namespace
