// The host against its own fixture plug-ins: entry lookup, the callback's answers as a plug-in
// sees them, the order of host calls, text buffers, chunks and processing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

#include "test_support.h"
#include "vsthost/effect_identity.h"
#include "vsthost/event_list.h"
#include "vsthost/fixtures/fixture_record.h"
#include "vsthost/renderer.h"
#include "vsthost/signal_generator.h"

namespace qv::vsthost {
namespace {

fixture::Record* recordOf(const PluginLibrary& library) {
    auto proc = reinterpret_cast<fixture::RecordProc>(library.symbol("fixtureRecord"));
    return proc ? proc() : nullptr;
}

TEST(HostFixture, EntryReturningNullIsAnErrorNotACrash) {
    test::Loaded loaded = test::load(test::fixturePath("null"));
    ASSERT_TRUE(loaded.library) << loaded.error;
    EXPECT_EQ(loaded.library->entryName(), "VSTPluginMain");
    EXPECT_FALSE(loaded);
    EXPECT_EQ(loaded.error, "the entry point returned no effect");
}

TEST(HostFixture, MissingLibraryAndRecordsThatAreNoEffect) {
    std::string error;
    const std::string missing =
        (std::filesystem::path(test::scratchDir("missing")) / "nothing" QV_LIBRARY_SUFFIX).string();
    EXPECT_EQ(PluginLibrary::load(missing, &error), nullptr);
    EXPECT_NE(error.find("nothing"), std::string::npos) << error;

    HostContext host;
    vst::AEffect record{};
    EXPECT_EQ(HostedEffect::adopt(&record, host, &error), nullptr);
    EXPECT_EQ(error, "the entry point returned a record without the VstP magic");
    record.magic = vst::kEffectMagic;
    EXPECT_EQ(HostedEffect::adopt(&record, host, &error), nullptr);
    EXPECT_EQ(error, "the effect has no dispatcher");
}

TEST(HostFixture, FallsBackToMainAndAnswersThePluginLikeAHost) {
    test::Loaded loaded = test::load(test::fixturePath("main"));
    ASSERT_TRUE(loaded) << loaded.error;
    EXPECT_EQ(loaded.library->entryName(), "main");
    fixture::Record* record = recordOf(*loaded.library);
    ASSERT_NE(record, nullptr);
    // Asked inside the entry point, before the host knows the effect.
    EXPECT_EQ(record->version, 2400);
    EXPECT_EQ(record->sampleRate, 44100);
    EXPECT_EQ(record->blockSize, 1024);
    EXPECT_EQ(record->canDoSendEvents, 1);
    EXPECT_EQ(record->canDoUnknown, 0);
    EXPECT_STREQ(record->hostProduct, "qvhost");

    // Asked through the effect while it runs: the values the host set.
    loaded->setSampleRate(48000.0f);
    loaded->setBlockSize(256);
    loaded->resume();
    EXPECT_EQ(record->sampleRateWhileRunning, 48000);
    EXPECT_EQ(record->blockSizeWhileRunning, 256);
    EXPECT_EQ(loaded.host->calls(vst::audioMasterGetSampleRate), 2);
}

TEST(HostFixture, HostCallsComeInTheOrderOfARealHost) {
    test::Loaded loaded = test::load(test::fixturePath("main"));
    ASSERT_TRUE(loaded) << loaded.error;
    fixture::Record* record = recordOf(*loaded.library);
    ASSERT_NE(record, nullptr);
    SignalSettings sig;
    sig.seconds = 0.01;
    test::run(*loaded.effect, generateSignal(sig, 44100.0, 2), 64);
    EXPECT_EQ(record->liveInstances.load(), 1);
    EXPECT_EQ(loaded->close(), 1);
    EXPECT_EQ(loaded->raw(), nullptr);
    EXPECT_EQ(record->liveInstances.load(), 0);
    loaded->close();  // a second close reaches nothing

    const std::vector<int> seen(record->opcodes, record->opcodes + std::min(record->opcodeCount.load(), 256));
    const std::vector<int> expected = {vst::effOpen,        vst::effSetSampleRate, vst::effSetBlockSize,
                                       vst::effMainsChanged, vst::effStartProcess, vst::effStopProcess,
                                       vst::effMainsChanged, vst::effClose};
    EXPECT_EQ(seen, expected);
}

TEST(HostFixture, TextsPastTheirStandardSizeAreCaughtAndIdentityIsRead) {
    test::Loaded loaded = test::load(test::fixturePath("main"));
    ASSERT_TRUE(loaded) << loaded.error;
    const TextAnswer name = loaded->effectName();
    EXPECT_EQ(name.text, "FixtureEffectNameThatIsLongerThan32Chars");
    EXPECT_EQ(name.bytesWritten, 41u);
    EXPECT_TRUE(name.overflow);
    EXPECT_FALSE(loaded->vendorString().overflow);

    const EffectIdentity id = gatherIdentity(*loaded.effect);
    EXPECT_EQ(formatUniqueId(id.uniqueId), "fix1 (0x66697831)");
    EXPECT_EQ(id.programs, (std::vector<std::string>{"first", "second"}));
    ASSERT_EQ(id.parameters.size(), 1u);
    EXPECT_EQ(id.parameters[0].name, "gain");
    EXPECT_EQ(id.parameters[0].display, "-6.02");
    EXPECT_EQ(id.chunk, (std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(id.overflows, std::vector<std::string>{"effGetEffectName"});
    EXPECT_EQ(formatFlags(561), "editor replacing chunks no-tail");
    EXPECT_EQ(formatUniqueId(0x01020304), ".... (0x01020304)");

    // The chunk the host hands in is a copy of the caller's bytes, with its size as value.
    EXPECT_EQ(loaded->setChunk(std::vector<std::uint8_t>(300, 9)), 300);
}

TEST(HostFixture, EveryBlockSizeCoversTheSignalExactlyOnce) {
    test::Loaded loaded = test::load(test::fixturePath("main"));
    ASSERT_TRUE(loaded) << loaded.error;
    SignalSettings sig;
    sig.kind = SignalKind::White;
    sig.seconds = 1000.0 / 44100.0;
    const AudioBuffer in = generateSignal(sig, 44100.0, 2);
    for (int block : {1, 7, 64, 999, 1000, 1001, 4096}) {
        const AudioBuffer out = test::run(*loaded.effect, in, block);
        ASSERT_EQ(out.channels(), 2);
        ASSERT_EQ(out.frames(), in.frames());
        bool inverted = true;
        for (int c = 0; c < 2; ++c) {
            for (std::size_t i = 0; i < in.frames(); ++i) inverted = inverted && out.channel(c)[i] == -in.channel(c)[i];
        }
        EXPECT_TRUE(inverted) << "block " << block;
    }
}

TEST(HostFixture, SignalWithFewerChannelsThanInputsFeedsSilence) {
    test::Loaded loaded = test::load(test::fixturePath("main"));
    ASSERT_TRUE(loaded) << loaded.error;
    SignalSettings sig;
    sig.seconds = 0.01;
    const AudioBuffer in = generateSignal(sig, 44100.0, 1);
    const AudioBuffer out = test::run(*loaded.effect, in, 128);
    ASSERT_EQ(out.channels(), 2);
    EXPECT_EQ(out.channel(0)[10], -in.channel(0)[10]);
    EXPECT_TRUE(std::all_of(out.channel(1), out.channel(1) + out.frames(), [](float v) { return v == 0.0f; }));
}

TEST(HostFixture, RealTimePaceTakesAtLeastTheSignalsLength) {
    test::Loaded loaded = test::load(test::fixturePath("main"));
    ASSERT_TRUE(loaded) << loaded.error;
    SignalSettings sig;
    sig.seconds = 0.15;
    RenderSettings settings;
    settings.blockSize = 1024;
    settings.realTime = true;
    const RenderResult result = render(*loaded.effect, generateSignal(sig, 44100.0, 2), settings);
    ASSERT_TRUE(result.ok);
    EXPECT_GE(result.wallSeconds, result.audioSeconds * 0.99);
    EXPECT_EQ(result.blocks, 7);
}

TEST(HostFixture, EventListHoldsEveryEventInTheStandardLayout) {
    std::vector<vst::VstMidiEvent> events;
    for (int i = 0; i < 5; ++i) events.push_back(EventList::midi(0x90, static_cast<std::uint8_t>(60 + i), 100, i * 10));
    EventList list(events);
    const auto* raw = reinterpret_cast<const unsigned char*>(list.get());
    vst::VstInt32 count = 0;
    std::memcpy(&count, raw, sizeof count);
    EXPECT_EQ(count, 5);
    for (int i = 0; i < 5; ++i) {
        const vst::VstEvent* event = nullptr;
        std::memcpy(&event, raw + 16 + 8 * i, sizeof event);
        const auto* midi = reinterpret_cast<const vst::VstMidiEvent*>(event);
        EXPECT_EQ(midi->type, vst::kVstMidiType);
        EXPECT_EQ(midi->byteSize, 32);
        EXPECT_EQ(midi->deltaFrames, i * 10);
        EXPECT_EQ(static_cast<unsigned char>(midi->midiData[1]), 60 + i);
    }
}

TEST(HostContextAnswers, CallsWithoutAKnownEffectGetDefaultsAndNullBuffersAreSafe) {
    using vst::VstIntPtr;
    EXPECT_EQ(HostContext::callback(nullptr, vst::audioMasterVersion, 0, 0, nullptr, 0.0f), 2400);
    EXPECT_EQ(HostContext::callback(nullptr, vst::audioMasterGetSampleRate, 0, 0, nullptr, 0.0f), 44100);
    EXPECT_EQ(HostContext::callback(nullptr, vst::audioMasterGetVendorString, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(HostContext::callback(nullptr, vst::audioMasterCanDo, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(HostContext::callback(nullptr, 12345, -1, -1, nullptr, 1.0f), 0);
    EXPECT_EQ(HostContext::callback(nullptr, -7, 0, 0, nullptr, 0.0f), 0);

    HostContext host;
    vst::AEffect effect{};
    host.attach(&effect);
    host.setSampleRate(96000.0f);
    EXPECT_EQ(HostContext::callback(&effect, vst::audioMasterGetSampleRate, 0, 0, nullptr, 0.0f), 96000);
    EXPECT_EQ(HostContext::callback(&effect, vst::audioMasterBeginEdit, 3, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(HostContext::callback(&effect, vst::audioMasterAutomate, 3, 0, nullptr, 0.25f), 0);
    EXPECT_EQ(host.lastAutomatedIndex(), 3);
    EXPECT_EQ(host.lastAutomatedValue(), 0.25f);
    EXPECT_EQ(host.calls(vst::audioMasterBeginEdit), 1);
    char product[64];
    std::memset(product, 'x', sizeof product);
    EXPECT_EQ(HostContext::callback(&effect, vst::audioMasterGetProductString, 0, 0, product, 0.0f), 1);
    EXPECT_STREQ(product, "qvhost");
    host.detach(&effect);
    EXPECT_EQ(HostContext::callback(&effect, vst::audioMasterGetSampleRate, 0, 0, nullptr, 0.0f), 44100);
}

}  // namespace
}  // namespace qv::vsthost
