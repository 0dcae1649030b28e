#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/plugin.h"
#include "framework/error_report.h"
#include "host/create_effect.h"
#include "host/plugin_vst.h"
#include "test_host.h"

using namespace qvtest;

namespace {

std::vector<std::string> g_messages;
void captureMessage(const char* title, const char* text) { g_messages.push_back(std::string(title) + "|" + text); }

struct AdapterTest : ::testing::Test {
    qv::MessageSink previous = qv::setMessageSink(&captureMessage);
    void SetUp() override {
        TestHost::clear();
        g_messages.clear();
    }
    void TearDown() override { qv::setMessageSink(previous); }
};

TEST_F(AdapterTest, IdentityOfTheDefaultConfiguration) {
    vst::AEffect* e = qv::createEffectInstance(&TestHost::callback);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->magic, vst::kEffectMagic);
    EXPECT_EQ(e->uniqueID, 0x6A377034);
    EXPECT_EQ(e->flags, 561);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->numPrograms, 1);
    EXPECT_EQ(e->numParams, 0);
    EXPECT_EQ(e->version, 1);
    EXPECT_FLOAT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(text(e, vst::effGetEffectName), "Quorvane_2in_2out");
    EXPECT_EQ(text(e, vst::effGetProductString), "Quorvane_2in_2out");
    EXPECT_EQ(text(e, vst::effGetVendorString), "Nolvatek");
    EXPECT_EQ(dispatch(e, vst::effGetVendorVersion), 2300);
    EXPECT_EQ(dispatch(e, vst::effGetVstVersion), 2400);
    EXPECT_EQ(dispatch(e, vst::effGetPlugCategory), 1);
    EXPECT_EQ(dispatch(e, vst::effIdentify, 7, 99), 0x4E764566);
    EXPECT_EQ(dispatch(e, vst::effGetTailSize), 0);
    EXPECT_EQ(dispatch(e, vst::effCanDo, 0, 0, const_cast<char*>("bypass")), 0);
    EXPECT_EQ(dispatch(e, vst::effCanDo, 0, 0, const_cast<char*>("receiveVstMidiEvent")), 0);
    EXPECT_EQ(dispatch(e, vst::effSetBypass, 0, 1), 0);

    // One program, "default"; index 1 does not exist and setting it changes nothing.
    EXPECT_EQ(text(e, vst::effGetProgramName), "default");
    char name[64] = {};
    EXPECT_EQ(dispatch(e, vst::effGetProgramNameIndexed, 0, 0, name), 1);
    EXPECT_STREQ(name, "default");
    EXPECT_EQ(dispatch(e, vst::effGetProgramNameIndexed, 1, 0, name), 0);
    dispatch(e, vst::effSetProgram, 0, 1);
    dispatch(e, vst::effSetProgram, 0, -1);
    EXPECT_EQ(dispatch(e, vst::effGetProgram), 0);

    // The chunk: 2756 bytes that start with format 1, the size, the tag and the version.
    void* chunk = nullptr;
    ASSERT_EQ(dispatch(e, vst::effGetChunk, 0, 0, &chunk), 2756);
    const unsigned char expected[16] = {1, 0, 0, 0, 0xC4, 0x0A, 0, 0, 's', 'L', 'e', 'X', 0x00, 0x03, 0x02, 0x00};
    EXPECT_EQ(std::memcmp(chunk, expected, 16), 0);

    // The editor rectangle exists before any window.
    vst::ERect* rect = nullptr;
    EXPECT_EQ(dispatch(e, vst::effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 563);
    EXPECT_EQ(rect->right, 752);
    EXPECT_EQ(dispatch(e, vst::effEditKeyDown, 'a', 1, nullptr, 0), 0);
    dispatch(e, vst::effEditClose);  // close without open is harmless

    EXPECT_EQ(dispatch(e, vst::effClose), 1);
    EXPECT_TRUE(g_messages.empty());
}

TEST_F(AdapterTest, RefusesHostsThatGiveNoVersion) {
    TestHost::version = 0;
    EXPECT_EQ(qv::createEffectInstance(&TestHost::callback), nullptr);
    EXPECT_EQ(qv::createEffectInstance(nullptr), nullptr);
    EXPECT_TRUE(g_messages.empty());
    EXPECT_EQ(TestHost::count(vst::audioMasterVersion), 1);
}

TEST_F(AdapterTest, EveryOpcodeWithNullPointersIsHarmless) {
    vst::AEffect* e = qv::createEffectInstance(&TestHost::callback);
    ASSERT_NE(e, nullptr);
    std::vector<int> opcodes;
    for (int op = 0; op <= 100; ++op) opcodes.push_back(op);
    for (int op : {-1, 101, 1000, 65536, -2147483647}) opcodes.push_back(op);
    for (int op : opcodes) {
        if (op == vst::effClose || op == vst::effEditOpen) continue;
        dispatch(e, op, 0, 0, nullptr, 0.0f);
        dispatch(e, op, -1, -1, nullptr, -1.0f);
        dispatch(e, op, 1 << 30, 1 << 30, nullptr, 1e30f);
    }
    // With a generous buffer every text opcode terminates within its VST size.
    for (int op : {vst::effGetProgramName, vst::effGetParamLabel, vst::effGetParamDisplay, vst::effGetParamName,
                   vst::effGetEffectName, vst::effGetVendorString, vst::effGetProductString}) {
        char buffer[256];
        std::memset(buffer, 'x', sizeof(buffer));
        dispatch(e, op, 0, 0, buffer);
        EXPECT_LT(std::strlen(buffer), 64u) << op;
    }
    EXPECT_EQ(e->getParameter(e, 0), 0.0f);
    e->setParameter(e, 5, 1.0f);
    EXPECT_EQ(dispatch(e, vst::effClose), 1);
}

TEST_F(AdapterTest, BlockSizesAndPassThrough) {
    vst::AEffect* e = qv::createEffectInstance(&TestHost::callback);
    ASSERT_NE(e, nullptr);
    dispatch(e, vst::effSetSampleRate, 0, 0, nullptr, 48000.0f);
    for (int frames : {0, 1, 65536, 65537}) {
        dispatch(e, vst::effSetBlockSize, 0, frames);
        dispatch(e, vst::effMainsChanged, 0, 1);
        std::vector<float> left(static_cast<size_t>(frames) + 1), right(left.size()), outL(left.size(), 9.0f),
            outR(left.size(), 9.0f);
        for (size_t i = 0; i < left.size(); ++i) {
            left[i] = static_cast<float>(i % 97) / 97.0f - 0.5f;
            right[i] = -left[i];
        }
        float* in[2] = {left.data(), right.data()};
        float* out[2] = {outL.data(), outR.data()};
        e->processReplacing(e, in, out, frames);
        for (int i = 0; i < frames; ++i) {
            ASSERT_EQ(outL[static_cast<size_t>(i)], left[static_cast<size_t>(i)]);
            ASSERT_EQ(outR[static_cast<size_t>(i)], right[static_cast<size_t>(i)]);
        }
        EXPECT_EQ(outL[static_cast<size_t>(frames)], 9.0f);  // nothing written past the block
        e->processReplacing(e, in, in, frames);              // in place
        dispatch(e, vst::effMainsChanged, 0, 0);
    }
    EXPECT_TRUE(g_messages.empty());
    dispatch(e, vst::effClose);
}

TEST_F(AdapterTest, NullCoreIsReportedAndFails) {
    EXPECT_THROW(qv::PluginVST(&TestHost::callback, nullptr, 1, 0), int);
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(g_messages[0], "Nolvatek|Not enough memory. PluginVST::PluginVST - Please contact Nolvatek technical support.");
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
