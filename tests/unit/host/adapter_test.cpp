// The host adapter: a failed construction, pass-through, and channels from the file name.
#include "core/plugin.h"
#include "core/setting_ids.h"
#include "host/channel_config.h"
#include "host/plugin_vst.h"
#include "support/test_common.h"

namespace {

const vst::audioMasterCallback host = [](vst::AEffect*, vst::VstInt32 op, vst::VstInt32, vst::VstIntPtr, void*,
                                         float) -> vst::VstIntPtr { return op == vst::audioMasterVersion ? 2400 : 0; };

TEST(Adapter, NullCoreIsReportedAndFails) {
    qvtest::MessageCapture capture;
    EXPECT_THROW(qv::PluginVST(host, nullptr, 1, 0), int);
    EXPECT_EQ(capture.messages, std::vector<std::string>{
                              "Nolvatek|Not enough memory. PluginVST::PluginVST - Please contact Nolvatek technical support."});
}

// Block sizes up to INT32_MAX allocate nothing (an unread scratch buffer once took frames ×
// outputs floats: 256 GiB here, a box and a throw when it failed); a message the core holds
// back is shown by a GUI call of the host, never by one from the audio thread.
TEST(Adapter, AnyBlockSizeAndPendingMessagesWaitForAGuiCall) {
    qvtest::MessageCapture capture;
    auto core = std::make_unique<qv::CPlugin>(0, 32, 32);
    qv::CPlugin* plugin = core.get();
    qv::PluginVST adapter(host, std::move(core), 1, 0);
    vst::AEffect* e = adapter.getAeffect();
    for (vst::VstIntPtr frames : {65537, 1 << 24, 0x7FFFFFFF}) e->dispatcher(e, vst::effSetBlockSize, 0, frames, nullptr, 0);
    EXPECT_TRUE(capture.messages.empty());
    std::vector<float> in(32 * 64, 0.5f), out(32 * 64, 9.0f);
    std::vector<float*> ins, outs;
    for (int c = 0; c < 32; ++c) ins.push_back(&in[c * 64]), outs.push_back(&out[c * 64]);
    e->processReplacing(e, ins.data(), outs.data(), 64);
    EXPECT_EQ(out, in);

    plugin->spectrumAverager().setAllocator([](std::size_t) -> void* { return nullptr; });
    plugin->setParameter(qv::settingid::kAnalysisView, 1.0f, 0, false, true);  // FFT view
    plugin->setParameter(qv::settingid::kAverageOn, 1.0f, 0, false, true);     // fails: queued
    e->dispatcher(e, vst::effProcessEvents, 0, 0, nullptr, 0);
    EXPECT_TRUE(capture.messages.empty());
    char vendor[64];
    e->dispatcher(e, vst::effGetVendorString, 0, 0, vendor, 0);
    EXPECT_EQ(capture.messages, std::vector<std::string>{
                                    "Quorvane - An Error occured|Unable to allocate memory to enable average mode."});
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
        {"C:\\Plugins\\Quorvane_4294967298in_2out.dll", -1, -1},   // beyond int: out of range, not 2
        {"C:\\Plugins\\Quorvane_1in_-4294967295out.dll", -1, -1},
        {"C:\\Plugins\\Quorvane_00000000000000000002in_2out.dll", 2, 2},
        {"C:\\\xC5\x81\xC3\xB3" "d\xC5\xBA\\Quorvane_6in_6out.dll", 6, 6},  // a UTF-8 folder name
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
    // Counted in characters, not bytes: 1000 two-byte characters and the name make 1022.
    std::string wide;
    for (int i = 0; i < 1000; ++i) wide += "\xD0\x9C";
    EXPECT_EQ(qv::parseChannelConfig(wide + "\\Quorvane_1in_1out.dll", ".dll").inputs, 1);
    EXPECT_EQ(qv::parseChannelConfig(wide + "\xD0\x9C\\Quorvane_1in_1out.dll", ".dll").inputs, -1);
}

}  // namespace
