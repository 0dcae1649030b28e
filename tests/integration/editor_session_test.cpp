// The editor end to end through `qvhost --editor`: on Linux in an X11 frame under a virtual X
// server of its own (xvfb-run), on Windows in an HWND frame. The screenshot must show the
// artwork exactly where the editor sits; many open/close cycles while audio runs in real time
// must end cleanly (the sanitizer builds turn leaks and races into a failing exit status); a
// frame destroyed before effEditClose must not crash. Bad parents fail cleanly in-process.
#include <gtest/gtest.h>

#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "test_support.h"
#include "vsthost/os.h"

namespace qv::vsthost {
namespace {

bool onWindows() { return std::string(os::libraryExtension()) == ".dll"; }

struct HostRun {
    int status = -1;
    std::string output;
};

// qvhost with the plug-in and the arguments; under xvfb-run on Linux.
HostRun qvhost(const std::string& name, std::vector<std::string> args) {
    args.insert(args.begin(), {os::nativePath(QV_QVHOST_PATH), test::pluginPath()});
    if (!onWindows()) args.insert(args.begin(), {"/usr/bin/xvfb-run", "-a", "-s", "-screen 0 1024x768x24"});
    const std::string log = test::scratchDir("editor/" + name) + "/output.txt";
    HostRun run{os::runProcess(args, log), {}};
    std::stringstream s;
    s << std::ifstream(log).rdbuf();
    run.output = s.str();
    return run;
}

struct Image {
    std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, top-down
    int width = 0, height = 0;
};

Image readPng(const std::string& path) {
    Image image;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return image;
    png.format = PNG_FORMAT_BGRA;
    image.pixels.resize(PNG_IMAGE_SIZE(png) / 4);
    if (!png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr)) return Image{};
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    return image;
}

class EditorThroughQvhost : public ::testing::Test {
protected:
    void SetUp() override {
        if (!onWindows() && !std::filesystem::exists("/usr/bin/xvfb-run")) GTEST_SKIP() << "xvfb-run is not installed";
    }
};

TEST_F(EditorThroughQvhost, ScreenshotShowsTheArtworkAtFullSizeInTheFrame) {
    const std::string shot = test::scratchDir("editor/shot-file") + "/editor.png";
    const HostRun run = qvhost("shot", {"--editor", "--editor-seconds", "0.2", "--screenshot", shot});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("editor: 752 x 563"), std::string::npos) << run.output;
    const Image got = readPng(os::nativePath(shot));
    const std::filesystem::path repo = std::filesystem::path(QV_TEST_DATA_DIR).parent_path().parent_path();
    const Image art = readPng(os::nativePath((repo / "resources/png/144_graph_frame.png").generic_string()));
    ASSERT_EQ(got.width * 10000 + got.height, 752 * 10000 + 563);
    ASSERT_EQ(art.width * 10000 + art.height, 650 * 10000 + 335);
    // The graph frame sits at the top left: its title strip (between the tabs and the readouts,
    // where no control draws) is in the shot where it is in the artwork.
    int wrong = 0;  // colour bytes more than 2 apart (the artwork is opaque)
    for (int y = 0; y < 20; ++y) {
        for (int x = 210; x < 460; ++x) {
            const std::uint32_t a = art.pixels[static_cast<std::size_t>(y * art.width + x)];
            const std::uint32_t g = got.pixels[static_cast<std::size_t>(y * got.width + x)];
            for (int shift = 0; shift < 24; shift += 8) {
                wrong += std::abs(static_cast<int>(a >> shift & 0xFF) - static_cast<int>(g >> shift & 0xFF)) > 2;
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(EditorThroughQvhost, ManyOpenCloseCyclesWhileAudioRunsAndAFrameDestroyedFirst) {
    // 200 where the sanitizer builds run; fewer under Wine, where each window costs far more.
    const std::string count = onWindows() ? "50" : "200";
    const HostRun cycles = qvhost("cycles", {"--editor", "--editor-cycles", count, "--signal", "pink", "--seconds", "0.5"});
    ASSERT_EQ(cycles.status, 0) << cycles.output;
    EXPECT_NE(cycles.output.find("editor opened: " + count + " times"), std::string::npos) << cycles.output;
    EXPECT_EQ(cycles.output.find("audio blocks while the editor ran: 0\n"), std::string::npos) << cycles.output;

    const HostRun first = qvhost("destroyed", {"--editor", "--editor-seconds", "0.1", "--destroy-frame-first"});
    ASSERT_EQ(first.status, 0) << first.output;
    EXPECT_NE(first.output.find("frame destroyed before effEditClose"), std::string::npos) << first.output;
}

TEST(EditorBadInput, BogusParentsFailCleanlyAndIdleOrCloseWithoutEditorAreHarmless) {
    test::Loaded loaded = test::load(test::pluginPath());
    ASSERT_TRUE(loaded) << loaded.error;
    HostedEffect& effect = *loaded.effect;
    effect.dispatch(vst::effEditIdle);
    effect.dispatch(vst::effEditClose);
    for (void* parent : {static_cast<void*>(nullptr), reinterpret_cast<void*>(std::uintptr_t{0x3FFFFFF1})}) {
        EXPECT_EQ(effect.dispatch(vst::effEditOpen, 0, 0, parent), 0);
        effect.dispatch(vst::effEditIdle);
        effect.dispatch(vst::effEditClose);
    }
}

}  // namespace
}  // namespace qv::vsthost
