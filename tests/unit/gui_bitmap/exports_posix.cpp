#include <dlfcn.h>

#include "support/test_common.h"

#include "gui/blend_kernels.h"

namespace {

TEST(Exports, PluginLibraryExportsBothKernelsByPlainName) {
    void* lib = dlopen(QV_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    using Kernel = void (*)(qv::SSEBlendParams*);
    const auto image = reinterpret_cast<Kernel>(dlsym(lib, "SSEPLAlphaBlend"));
    const auto constant = reinterpret_cast<Kernel>(dlsym(lib, "SSEPLAlphaBlendConstantSrc"));
    ASSERT_TRUE(image && constant);
    // The exported code computes what the linked-in code computes.
    std::vector<std::uint32_t> src(12, 0x80402010u), a(12, 0xFFFFFFFFu), b(12, 0xFFFFFFFFu);
    qv::SSEBlendParams p{5, 2, 1, 1, 200, 0x10203040u, 77, 0, a.data(), src.data()};
    image(&p);
    constant(&p);
    p.destination = b.data();
    SSEPLAlphaBlend(&p);
    SSEPLAlphaBlendConstantSrc(&p);
    EXPECT_EQ(a, b);
    EXPECT_TRUE(a[0] != 0xFFFFFFFFu && a[5] == 0xFFFFFFFFu);  // a blended pixel and a skipped one
    dlclose(lib);
}

}  // namespace
