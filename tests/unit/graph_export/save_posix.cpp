// Linux: the documents folder is XDG_DOCUMENTS_DIR of user-dirs.dirs in the XDG config folder,
// in the shell syntax the file uses, else ~/Documents; saves land in its Quorvane folder. This
// executable runs under a temporary home of its own, never the user's.
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "editor/graph_export.h"
#include "platform/user_files.h"
#include "unit/display/display_fixture.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

struct TempHome {
    std::string path;
    TempHome() {
        std::string pattern = (fs::temp_directory_path() / "qv-home-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path = pattern;
        ::setenv("HOME", path.c_str(), 1);
        ::unsetenv("XDG_CONFIG_HOME");
    }
    ~TempHome() {
        std::error_code ec;
        if (!path.empty()) fs::remove_all(path, ec);
    }
} tempHome;

TEST(DocumentsFolder, FromUserDirsElseHomeDocuments) {
    const std::string home = tempHome.path + "/resolve", other = tempHome.path + "/elsewhere";
    fs::create_directories(home + "/.config"), fs::create_directories(other);
    ::setenv("HOME", home.c_str(), 1);
    // File text (null: no file), XDG_CONFIG_HOME (empty: unset), the folder.
    const struct { const char* dirs; std::string config, expected; } cases[] = {
        {nullptr, "", home + "/Documents"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n", "", home + "/Docs"},
        {"# c\nXDG_MUSIC_DIR=\"$HOME/M\"\n  XDG_DOCUMENTS_DIR = \"/srv/my docs/\"\r\n", "", "/srv/my docs"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/A\"\nXDG_DOCUMENTS_DIR=\"${HOME}/B\"\n", "", home + "/B"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/Dok \\\"x\\\"\"\n", "", home + "/Dok \"x\""},
        {"XDG_DOCUMENTS_DIR='/quoted'\n", "", "/quoted"}, {"XDG_DOCUMENTS_DIR=$HOME/bare\n", "", home + "/bare"},
        {"XDG_DOCUMENTS_DIR=\"$HOME\"\n", "", home + "/Documents"},
        {"XDG_DOCUMENTS_DIR=\"relative/d\"\n", "", home + "/Documents"},
        {"XDG_DOCUMENTS_DIR=\"$HOMEWORK/d\"\n", "", home + "/Documents"},
        {"XDG_DOCUMENTS_DIR_OLD=\"/old\"\n", "", home + "/Documents"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/Other\"\n", other, home + "/Other"},
    };
    for (const auto& c : cases) {
        fs::remove(home + "/.config/user-dirs.dirs"), fs::remove(other + "/user-dirs.dirs");
        if (c.dirs) std::ofstream((c.config.empty() ? home + "/.config" : c.config) + "/user-dirs.dirs") << c.dirs;
        if (c.config.empty()) ::unsetenv("XDG_CONFIG_HOME");
        else ::setenv("XDG_CONFIG_HOME", c.config.c_str(), 1);
        EXPECT_EQ(platform::documentsFolder(), c.expected) << (c.dirs ? c.dirs : "(no file)");
    }
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", tempHome.path.c_str(), 1);
}

using SaveGraph = DisplayTest;

TEST_F(SaveGraph, PictureAndDataGoToQuorvaneInDocuments) {
    owner.bands = {bandRecord(0, 1, -30.0f, -20.0f)};
    frame();
    for (const auto& [message, extension] : {std::pair{saveDisplayPicture(*display, "Pic/ture"), ".png"},
                                             std::pair{saveDisplayData(*display, "Pic/ture"), ".csv"}}) {
        ASSERT_EQ(message.rfind("Saved ", 0), 0u) << message;
        const fs::path path = message.substr(6);
        EXPECT_EQ(path.parent_path(), fs::path(tempHome.path) / "Documents" / "Quorvane");
        // Pic_ture-yyyy-mm-dd-hhmmss.ext
        EXPECT_EQ(path.filename().string().size(), 9 + 17 + 4) << path;
        EXPECT_EQ(path.filename().string().rfind("Pic_ture-20", 0), 0u) << path;
        EXPECT_EQ(path.extension(), extension);
        EXPECT_GT(fs::file_size(path), 100u);
    }
}

}  // namespace
}  // namespace qv::test
