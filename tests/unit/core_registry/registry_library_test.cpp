// The sibling library is accepted only when it is there, exports its entry point, reports the
// expected version and capacity, and counts the calls into its slots.
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

    // Earlier builds: another version, and the current version without counted calls (every
    // post through it would fail and every later instance would be refused).
    for (const char* kind : {"stale", "uncounted"}) {
        const fs::path earlier = fs::path(QV_PLUGIN_DIR).parent_path() / "test-libs" / kind;
        ASSERT_TRUE(fs::exists(earlier / qv::CRegistryLibrary::fileName())) << earlier;
        EXPECT_FALSE(library.open(folderOf(earlier)) || library.isOpen()) << kind;
    }
    EXPECT_EQ(library.count(), 0u);  // calls without a library answer nothing

    // Only full paths: a bare name or a relative folder would be looked up in the search order.
    qv::platform::DynamicLibrary bare;
    EXPECT_FALSE(bare.open(qv::CRegistryLibrary::fileName()) || bare.open(std::string(".") + qv::platform::DynamicLibrary::separator() + qv::CRegistryLibrary::fileName()));
    EXPECT_TRUE(bare.open(qv::platform::moduleFolder() + qv::CRegistryLibrary::fileName()));
}

}  // namespace
