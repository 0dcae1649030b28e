#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/plugin.h"
#include "framework/error_report.h"
#include "host/plugin_vst.h"

namespace {

std::vector<std::string> g_messages;

TEST(Adapter, NullCoreIsReportedAndFails) {
    const qv::MessageSink previous = qv::setMessageSink(
        [](const char* title, const char* text) { g_messages.push_back(std::string(title) + "|" + text); });
    const vst::audioMasterCallback host = [](vst::AEffect*, vst::VstInt32 op, vst::VstInt32, vst::VstIntPtr, void*,
                                             float) -> vst::VstIntPtr { return op == vst::audioMasterVersion ? 2400 : 0; };
    EXPECT_THROW(qv::PluginVST(host, nullptr, 1, 0), int);
    qv::setMessageSink(previous);
    EXPECT_EQ(g_messages, std::vector<std::string>{
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

}  // namespace
