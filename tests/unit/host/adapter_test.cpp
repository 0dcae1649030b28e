// The host adapter: a failed construction, pass-through, and channels from the file name.
#include "core/plugin.h"
#include "host/channel_config.h"
#include "host/plugin_vst.h"
#include "support/test_common.h"

namespace {

TEST(Adapter, NullCoreIsReportedAndFails) {
    qvtest::MessageCapture capture;
    const vst::audioMasterCallback host = [](vst::AEffect*, vst::VstInt32 op, vst::VstInt32, vst::VstIntPtr, void*,
                                             float) -> vst::VstIntPtr { return op == vst::audioMasterVersion ? 2400 : 0; };
    EXPECT_THROW(qv::PluginVST(host, nullptr, 1, 0), int);
    EXPECT_EQ(capture.messages, std::vector<std::string>{
                              "Nolvatek|Not enough memory. PluginVST::PluginVST - Please contact Nolvatek technical support."});
}

TEST(PassThrough, SingleInputReachesEveryOutputAndMissingInputsAreSilenced) {
    std::vector<float> x(64, 0.25f), y(64, 2.0f), a(64, 9.0f), b(64, 9.0f), c(64, 9.0f);
    float* ins[2] = {x.data(), y.data()};
    float* outs[3] = {a.data(), b.data(), c.data()};
    qv::passThrough<float>(ins, outs, 1, 3, 64);
    EXPECT_EQ(std::tuple(a[63], b[0], c[10]), std::tuple(0.25f, 0.25f, 0.25f));
    qv::passThrough<float>(ins, outs, 2, 3, 64);
    EXPECT_EQ(std::tuple(a[5], b[5], c[5], c[63]), std::tuple(0.25f, 2.0f, 0.0f, 0.0f));
}

TEST(CopyToHost, TruncatesToTheHostSizeAndTerminates) {
    char buffer[32] = "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx";
    qv::copyToHost(buffer, "a program name far longer than twenty-four", vst::kVstMaxProgNameLen);
    EXPECT_EQ(std::pair(std::strlen(buffer), buffer[24]), std::pair(std::size_t{23}, 'x'));
    qv::copyToHost(buffer, nullptr, 8);
    EXPECT_STREQ(buffer, "");
}

TEST(ChannelConfig, FileNameSetsChannels) {
    const struct { const char* path; int inputs, outputs; } cases[] = {
        {"C:\\Plugins\\Quorvane.dll", -1, -1},
        {"C:\\Plugins\\Quorvane_1in_1out.dll", 1, 1},
        {"C:\\Plugins\\Quorvane_1in_2out.dll", 1, 2},
        {"C:\\Plugins\\Quorvane_8in_8out_x64.dll", 8, 8},
        {"C:\\Plugins\\Quorvane_2in_1out.dll", -1, -1},   // input neither 1 nor the output count
        {"C:\\Plugins\\Quorvane_40in_40out.dll", -1, -1}, // above 32
        {"C:\\Plugins\\Quorvane_0in_0out.dll", -1, -1},   // below 1
        {"C:\\Plugins\\Quorvane_32in_32out.dll", 32, 32},
        {"C:\\Plugins\\Quorvane_ 4in_ +4out.dll", 4, 4},  // sscanf skips blanks and takes a sign
        {"C:\\Plugins\\Quorvane_xin_2out.dll", -1, -1},
        {"C:\\Plugins\\Quorvane_2in_2.dll", -1, -1},      // no "out"
        {"C:\\Plugins\\Quorvane_2in_2out", -1, -1},       // no extension after the prefix
        {"C:\\Plugins\\quorvane_1in_1out.dll", -1, -1},   // case-sensitive
        {"C:\\Quorvane_1in_1out.dll\\Quorvane.dll", 1, 1},  // the folder holds the only prefix
        {"C:\\Quorvane_1in_1out\\Quorvane_4in_4out.dll", 4, 4},
    };
    for (const auto& c : cases) {
        const auto config = qv::parseChannelConfig(c.path, ".dll");
        EXPECT_EQ(std::pair(config.inputs, config.outputs), std::pair(c.inputs, c.outputs)) << c.path;
    }
    EXPECT_EQ(qv::parseChannelConfig("/usr/lib/vst/Quorvane_1in_1out.so", ".so").inputs, 1);
    // A path of 1023 characters or more is treated as empty.
    const std::string longPath = std::string(1002, 'a') + "Quorvane_1in_1out.dll";
    EXPECT_EQ(qv::parseChannelConfig(longPath, ".dll").inputs, -1);
    EXPECT_EQ(qv::parseChannelConfig(longPath.substr(1), ".dll").inputs, 1);
}

}  // namespace
