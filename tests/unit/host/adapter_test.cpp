#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/plugin.h"
#include "framework/error_report.h"
#include "host/plugin_vst.h"
#include "test_host.h"

using namespace qvtest;

namespace {

std::vector<std::string> g_messages;

TEST(Adapter, NullCoreIsReportedAndFails) {
    const qv::MessageSink previous = qv::setMessageSink(
        [](const char* title, const char* text) { g_messages.push_back(std::string(title) + "|" + text); });
    EXPECT_THROW(qv::PluginVST(&TestHost::callback, nullptr, 1, 0), int);
    qv::setMessageSink(previous);
    EXPECT_EQ(g_messages, std::vector<std::string>{
                              "Nolvatek|Not enough memory. PluginVST::PluginVST - Please contact Nolvatek technical support."});
}

TEST(PassThrough, SingleInputReachesEveryOutputAndMissingInputsAreSilenced) {
    std::vector<float> mono(64, 0.25f), a(64, 9.0f), b(64, 9.0f), c(64, 9.0f);
    float* in1[1] = {mono.data()};
    float* outs[3] = {a.data(), b.data(), c.data()};
    qv::passThrough<float>(in1, outs, 1, 3, 64);
    EXPECT_EQ(a[63], 0.25f);
    EXPECT_EQ(b[0], 0.25f);
    EXPECT_EQ(c[10], 0.25f);
    std::vector<float> x(64, 1.0f), y(64, 2.0f);
    float* in2[2] = {x.data(), y.data()};
    qv::passThrough<float>(in2, outs, 2, 3, 64);
    EXPECT_EQ(a[5], 1.0f);
    EXPECT_EQ(b[5], 2.0f);
    EXPECT_EQ(c[5], 0.0f);
}

TEST(CopyToHost, TruncatesToTheHostSizeAndTerminates) {
    char buffer[32];
    std::memset(buffer, 'x', sizeof(buffer));
    qv::copyToHost(buffer, "a program name far longer than twenty-four", vst::kVstMaxProgNameLen);
    EXPECT_EQ(std::strlen(buffer), 23u);
    EXPECT_EQ(buffer[24], 'x');
    qv::copyToHost(buffer, nullptr, 8);
    EXPECT_STREQ(buffer, "");
}

}  // namespace
