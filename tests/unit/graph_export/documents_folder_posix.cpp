// The documents folder on Linux: XDG_DOCUMENTS_DIR of user-dirs.dirs in the XDG config folder,
// in the shell syntax the file uses, else ~/Documents.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "platform/user_files.h"

namespace qv::test {
namespace {

TEST(DocumentsFolder, FromUserDirsElseHomeDocuments) {
    const std::string saved = std::getenv("HOME");
    const std::string home = saved + "/resolve";
    const std::string other = saved + "/elsewhere";
    std::filesystem::create_directories(home + "/.config");
    std::filesystem::create_directories(other);
    ::setenv("HOME", home.c_str(), 1);
    // File text (none: no file), XDG_CONFIG_HOME (empty: unset), expected folder.
    const struct { const char* dirs; std::string config, expected; } cases[] = {
        {nullptr, "", home + "/Documents"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n", "", home + "/Docs"},
        {"# comment\nXDG_MUSIC_DIR=\"$HOME/M\"\n  XDG_DOCUMENTS_DIR = \"/srv/my docs/\"\r\n", "", "/srv/my docs"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/A\"\nXDG_DOCUMENTS_DIR=\"${HOME}/B\"\n", "", home + "/B"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/Dok \\\"x\\\"\"\n", "", home + "/Dok \"x\""},
        {"XDG_DOCUMENTS_DIR=$HOME/bare\n", "", home + "/bare"},
        {"XDG_DOCUMENTS_DIR='/quoted'\n", "", "/quoted"},
        {"XDG_DOCUMENTS_DIR=\"$HOME\"\n", "", home + "/Documents"},
        {"XDG_DOCUMENTS_DIR=\"relative/d\"\n", "", home + "/Documents"},
        {"XDG_DOCUMENTS_DIR=\"$HOMEWORK/d\"\n", "", home + "/Documents"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/open\n", "", home + "/Documents"},
        {"XDG_DOCUMENTS_DIR_OLD=\"/old\"\n", "", home + "/Documents"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/Other\"\n", other, home + "/Other"},
    };
    for (const auto& c : cases) {
        const std::string config = c.config.empty() ? home + "/.config" : c.config;
        std::filesystem::remove(home + "/.config/user-dirs.dirs");
        std::filesystem::remove(other + "/user-dirs.dirs");
        if (c.dirs) std::ofstream(config + "/user-dirs.dirs") << c.dirs;
        if (c.config.empty()) ::unsetenv("XDG_CONFIG_HOME");
        else ::setenv("XDG_CONFIG_HOME", c.config.c_str(), 1);
        EXPECT_EQ(platform::documentsFolder(), c.expected) << (c.dirs ? c.dirs : "(no file)");
    }
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", saved.c_str(), 1);
}

}  // namespace
}  // namespace qv::test
