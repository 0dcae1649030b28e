// The per-user preferences file: defaults when it is missing, broken or cannot be written, a
// read-only file still read, other keys kept, and no temporary file left behind.
#include <cstdlib>
#include <fstream>

#include "editor/user_preferences.h"
#include "support/test_common.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

struct Preferences : ::testing::Test {
    void SetUp() override {
        root = fs::temp_directory_path() / ("qv-preferences-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override {
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(root);
    }
    void write(const std::string& text) {
        fs::create_directories(root / "Quorvane");
        std::ofstream(root / "Quorvane" / "preferences.txt", std::ios::binary) << text;
    }
    CUserPreferences at() const { return CUserPreferences(root / "Quorvane"); }
    fs::path root;
};

TEST_F(Preferences, MissingOrBrokenFilesGiveTheDefaultsAndGoodLinesCount) {
    CUserPreferences p = at();
    p.noteNames = true;
    EXPECT_FALSE(p.load());
    EXPECT_FALSE(p.noteNames);
    const std::pair<std::string, bool> files[] = {
        {"note-names=1\n", true},          {"note-names=1\r\n", true},      {"x=2\nnote-names=1", true},
        {"note-names=yes\n", false},       {"note-names\n", false},         {"note-names = 1\n", false},
        {std::string("\0\xff\xfe=1", 5), false}, {std::string(100000, 'n') + "\nnote-names=1\n", true},
        {"", false},
    };
    for (const auto& [text, on] : files) {
        write(text);
        EXPECT_TRUE(p.load());
        EXPECT_EQ(p.noteNames, on) << text.substr(0, 40);
    }
}

TEST_F(Preferences, SavedAtomicallyKeepingOtherKeys) {
    write("window=3\nnote-names=0\n");
    CUserPreferences p = at();
    p.noteNames = true;
    ASSERT_TRUE(p.save());
    std::ifstream in(p.file());
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "window=3\nnote-names=1\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(root / "Quorvane"), fs::directory_iterator{}), 1);
    CUserPreferences again = at();
    ASSERT_TRUE(again.load());
    EXPECT_TRUE(again.noteNames);
}

TEST_F(Preferences, ReadOnlyOrUnwritablePlacesAreNeverFatal) {
    write("note-names=1\n");
    fs::permissions(root / "Quorvane" / "preferences.txt", fs::perms::owner_read);
    CUserPreferences p = at();
    EXPECT_TRUE(p.load());
    EXPECT_TRUE(p.noteNames);
    p.save();  // refused or not, by the system's rules: only that it returns
    // A file where the folder should be: nothing can be written there.
    std::ofstream(root / "blocked") << "x";
    CUserPreferences blocked(root / "blocked" / "Quorvane");
    blocked.noteNames = true;
    EXPECT_FALSE(blocked.save());
    EXPECT_FALSE(blocked.load());
    EXPECT_FALSE(CUserPreferences(fs::path()).save());
}

#ifndef _WIN32
TEST_F(Preferences, TheFolderFollowsXdgConfigHome) {
    const char* before = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = before ? before : "";
    setenv("XDG_CONFIG_HOME", root.c_str(), 1);
    EXPECT_EQ(CUserPreferences::defaultFolder(), root / "Quorvane");
    CUserPreferences p;
    p.noteNames = true;
    EXPECT_TRUE(p.save());
    EXPECT_TRUE(fs::exists(root / "Quorvane" / "preferences.txt"));
    setenv("XDG_CONFIG_HOME", "relative/dir", 1);  // ignored, as the base-directory rule says
    EXPECT_EQ(CUserPreferences::defaultFolder(), fs::path(std::getenv("HOME")) / ".config" / "Quorvane");
    before ? setenv("XDG_CONFIG_HOME", saved.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
}
#endif

}  // namespace
}  // namespace qv
