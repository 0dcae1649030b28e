// The per-user preferences file: defaults when it is missing, broken or cannot be written, a
// read-only file still read, other keys kept, no temporary file left behind.
#include <cstdlib>
#include <fstream>

#include "editor/user_preferences.h"
#include "support/test_common.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

TEST(UserPreferences, DefaultsUnlessTheFileSaysOtherwiseAndNeverFatal) {
    const fs::path root = fs::temp_directory_path() / "qv-preferences-test", folder = root / "Quorvane";
    fs::remove_all(root);
#ifndef _WIN32
    setenv("XDG_CONFIG_HOME", root.c_str(), 1);  // the folder of the default preferences
    EXPECT_EQ(CUserPreferences::defaultFolder(), folder);
#endif
    CUserPreferences p(folder);
    p.noteNames = true;
    EXPECT_FALSE(p.load());  // missing
    EXPECT_FALSE(p.noteNames);
    const std::pair<std::string, bool> files[] = {
        {"note-names=1\r\n", true}, {"x=2\nnote-names=1", true},  {"note-names=yes\n", false},
        {"note-names\n", false},    {std::string("\0\xff=1", 4), false}, {std::string(5000, 'n') + "\nnote-names=1", true}};
    for (const auto& [text, on] : files) {
        fs::create_directories(folder);
        std::ofstream(p.file(), std::ios::binary) << text;
        EXPECT_TRUE(p.load());
        EXPECT_EQ(p.noteNames, on) << text.substr(0, 20);
    }
    // Saved over a read-only file (or refused, by the system's rules), keeping other keys.
    std::ofstream(p.file()) << "window=3\nnote-names=0\n";
    fs::permissions(p.file(), fs::perms::owner_read);
    p.noteNames = true;
    if (p.save()) {
        std::ifstream in(p.file());
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "window=3\nnote-names=1\n");
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator{}), 1);
    }
    EXPECT_TRUE(p.load());
    // A file where the folder should be: nothing is written, nothing read.
    std::ofstream(root / "blocked") << "x";
    CUserPreferences blocked(root / "blocked" / "Quorvane");
    EXPECT_FALSE(blocked.save());
    EXPECT_FALSE(blocked.load());
    fs::permissions(p.file(), fs::perms::owner_all);
    fs::remove_all(root);
}

}  // namespace
}  // namespace qv
