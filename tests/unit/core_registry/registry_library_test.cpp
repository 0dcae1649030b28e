// The sibling library is accepted only when it is there, exports its entry point and reports
// the expected version and capacity.
#include "support/test_common.h"

#include <filesystem>

#include "core/registry_library.h"
#include "platform/dynamic_library.h"
#include "platform/module.h"

namespace {

namespace fs = std::filesystem;

std::string folderOf(const fs::path& dir) { return dir.string() + qv::platform::DynamicLibrary::separator(); }

fs::path scratch(const std::string& name) {
    const fs::path dir = fs::path(QV_TEST_OUT_DIR) / "core_registry" / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

TEST(RegistryLibrary, AcceptsOnlyTheBundledLibraryOfItsVersion) {
    qv::CRegistryLibrary library;
    // Beside this program, as beside the plug-in.
    ASSERT_TRUE(library.open(qv::platform::moduleFolder()) && library.isOpen());
    library.close();
    EXPECT_FALSE(library.open(folderOf(scratch("missing"))) || library.isOpen());

    // A library under the right name without the entry point: the plug-in itself.
    const fs::path foreign = scratch("foreign");
    fs::copy_file(QV_PLUGIN_PATH, foreign / qv::CRegistryLibrary::fileName());
    EXPECT_FALSE(library.open(folderOf(foreign)));

    // The entry point of another version.
    const fs::path stale = fs::path(QV_PLUGIN_DIR).parent_path() / "test-libs" / "stale";
    ASSERT_TRUE(fs::exists(stale / qv::CRegistryLibrary::fileName())) << stale;
    EXPECT_FALSE(library.open(folderOf(stale)) || library.isOpen());
    EXPECT_EQ(library.count(), 0u);  // calls without a library answer nothing
}

}  // namespace
