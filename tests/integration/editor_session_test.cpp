// The editor end to end through `qvhost --editor` (X11 under xvfb-run, or an HWND frame): open/
// close cycles while audio runs and a frame destroyed before effEditClose end cleanly (the
// sanitizer builds turn leaks and races into a failing exit status).
#include <fstream>
#include <iterator>

#include "support/test_common.h"
#include "test_support.h"

namespace qv::vsthost {
namespace {

bool onWindows() { return std::string(os::libraryExtension()) == ".dll"; }

struct HostRun { int status; std::string output; };

// qvhost with the plug-in and the arguments; under xvfb-run on Linux.
HostRun qvhost(const std::string& name, std::vector<std::string> args) {
    args.insert(args.begin(), {os::nativePath(QV_QVHOST_PATH), test::pluginPath()});
    if (!onWindows()) args.insert(args.begin(), {"/usr/bin/xvfb-run", "-a", "-s", "-screen 0 1024x768x24"});
    const std::string log = test::scratchDir("editor/" + name) + "/output.txt";
    const int status = os::runProcess(args, log);
    std::ifstream in(log);
    return {status, std::string(std::istreambuf_iterator<char>(in), {})};
}

TEST(EditorThroughQvhost, ManyOpenCloseCyclesWhileAudioRunsAndAFrameDestroyedFirst) {
    if (!onWindows() && !std::filesystem::exists("/usr/bin/xvfb-run")) GTEST_SKIP() << "xvfb-run is not installed";
    // 200 where the sanitizer builds run; fewer under Wine, where each window costs far more.
    const std::string count = onWindows() ? "50" : "200";
    const HostRun cycles = qvhost("cycles", {"--editor", "--editor-cycles", count, "--signal", "pink", "--seconds", "0.5"});
    ASSERT_EQ(cycles.status, 0) << cycles.output;
    EXPECT_NE(cycles.output.find("editor opened: " + count + " times"), std::string::npos) << cycles.output;
    EXPECT_EQ(cycles.output.find("audio blocks while the editor ran: 0\n"), std::string::npos) << cycles.output;
    EXPECT_NE(cycles.output.find("editor: 752 x 563"), std::string::npos) << cycles.output;

    const HostRun first = qvhost("destroyed", {"--editor", "--editor-seconds", "0.1", "--destroy-frame-first"});
    ASSERT_EQ(first.status, 0) << first.output;
    EXPECT_NE(first.output.find("frame destroyed before effEditClose"), std::string::npos) << first.output;
}

}  // namespace
}  // namespace qv::vsthost
