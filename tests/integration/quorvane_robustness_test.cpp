// Bad input from a host gets a clear answer and never a crash (a missing or old host, every
// opcode with odd arguments); closed instances leave nothing behind.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <vector>

#include "test_support.h"
#include "vsthost/os.h"

namespace qv::vsthost {
namespace {

// After abuse the effect still identifies itself and passes audio through unchanged.
void expectStillWorking(HostedEffect& e) {
    EXPECT_EQ(e.effectName().text, "Quorvane_2in_2out");
    EXPECT_EQ(e.uniqueId(), 0x6A377034);
    EXPECT_EQ(e.chunk().size(), 2756u);
    const AudioBuffer in = test::noise(2, 3000);
    EXPECT_TRUE(test::run(e, in, 512).bitIdentical(in));
}

TEST(QuorvaneRobustness, NoHostOrAHostWithoutVersionGetsNoEffect) {
    test::Loaded loaded = test::load(test::pluginPath());  // loads the library once
    ASSERT_TRUE(loaded.library) << loaded.error;
    testing::internal::CaptureStderr();
    EXPECT_EQ(loaded.library->entry()(nullptr), nullptr);
    HostContext oldHost;
    oldHost.setVersion(0);
    std::string error;
    EXPECT_EQ(HostedEffect::create(loaded.library, oldHost, &error), nullptr);
    EXPECT_EQ(error, "the entry point returned no effect");
    EXPECT_EQ(oldHost.calls(vst::audioMasterVersion), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // refusing a host is not worth a report

    // The other exported names behave as the entry point does.
    for (const char* name : {"main", "MAIN"}) {
        auto entry = reinterpret_cast<EntryProc>(loaded.library->symbol(name));
        ASSERT_NE(entry, nullptr) << name;
        HostContext host;
        HostContext::EntryScope scope(host);
        vst::AEffect* effect = entry(&HostContext::callback);
        ASSERT_NE(effect, nullptr) << name;
        EXPECT_EQ(effect->uniqueID, 0x6A377034);
        EXPECT_EQ(effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f), 1);
    }
}

TEST(QuorvaneRobustness, EveryOpcodeWithNullAndOddArgumentsAndNumbersOutOfRange) {
    test::Loaded loaded = test::load(test::pluginPath());
    ASSERT_TRUE(loaded) << loaded.error;
    HostedEffect& e = *loaded.effect;
    // Programs and parameters that do not exist are ignored and read 0.
    for (vst::VstIntPtr p : {vst::VstIntPtr{1}, vst::VstIntPtr{-1}, vst::VstIntPtr{INT_MAX}, vst::VstIntPtr{INT_MIN},
                             vst::VstIntPtr{1} << 40, vst::VstIntPtr{0}}) {
        e.setProgram(p);
        EXPECT_EQ(e.program(), 0) << "after effSetProgram " << p;
    }
    EXPECT_EQ(e.programName().text, "default");
    e.setParameter(0, 0.5f);
    e.setParameter(-1, 0.5f);
    EXPECT_EQ(std::pair(e.parameter(0), e.parameter(INT_MAX)), std::pair(0.0f, 0.0f));
    EXPECT_FALSE(e.parameterName(5).overflow || e.parameterDisplay(-1).overflow);
    std::vector<vst::VstInt32> opcodes;
    for (vst::VstInt32 op = 0; op <= 100; ++op) {
        if (op != vst::effClose) opcodes.push_back(op);
    }
    for (vst::VstInt32 op : {-1, 101, 1000, 65536, INT_MAX, INT_MIN}) opcodes.push_back(op);

    for (vst::VstInt32 op : opcodes) {
        SCOPED_TRACE("opcode " + std::to_string(op));
        // The speaker arrangement opcodes carry a pointer in value: null is the only odd one a host sends.
        const bool valueIsPointer = op == vst::effSetSpeakerArrangement || op == vst::effGetSpeakerArrangement;
        const std::vector<vst::VstIntPtr> values =
            valueIsPointer ? std::vector<vst::VstIntPtr>{0} : std::vector<vst::VstIntPtr>{0, 1, -1};
        for (vst::VstInt32 index : {0, 1, -1, INT_MAX}) {
            for (vst::VstIntPtr value : values) e.dispatch(op, index, value, nullptr, 0.0f);
        }
        // A zeroed buffer where the plug-in may read or write a record; not as a parent window.
        if (op != vst::effEditOpen) {
            alignas(16) std::array<unsigned char, 4096> buffer{};
            e.dispatch(op, 0, 0, buffer.data(), 0.0f);
        }
    }
    e.dispatch(vst::effEditClose);
    expectStillWorking(e);
}

TEST(QuorvaneRobustness, ClosingLeavesNothingBehind) {
    // Instances come and go; each takes its threads and memory with it (ASan checks the memory
    // when the process ends).
    test::Loaded keeper = test::load(test::pluginPath());
    ASSERT_TRUE(keeper) << keeper.error;
    const std::optional<int> threadsBefore = os::threadCount();
    for (int round = 0; round < 12; ++round) {
        test::Loaded loaded = test::load(test::pluginPath());
        ASSERT_TRUE(loaded) << loaded.error;
        if (round % 3 == 0) test::run(*loaded.effect, test::noise(2, 2000), 256);
        if (round % 3 == 1) loaded->resume();  // closed while running: the host suspends it first
        EXPECT_EQ(loaded->close(), 1);
    }
    if (threadsBefore) {
        EXPECT_EQ(os::threadCount(), threadsBefore);
    }
    expectStillWorking(*keeper.effect);
}

}  // namespace
}  // namespace qv::vsthost
