// The documents folder on Windows: the known Documents folder, an absolute path that exists.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/user_files.h"

namespace qv::test {
namespace {

TEST(DocumentsFolder, KnownFolderExists) {
    const std::string folder = platform::documentsFolder();
    ASSERT_GE(folder.size(), 3u);
    EXPECT_EQ(folder.substr(1, 2), ":\\") << folder;
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(std::u8string(folder.begin(), folder.end())))) << folder;
}

}  // namespace
}  // namespace qv::test
