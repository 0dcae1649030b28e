#include "support/test_common.h"

#include "framework/param_container.h"
#include "framework/plugin_base.h"
#include "framework/program_container.h"
#include "host/plugin_vst.h"

namespace {

// A core that takes events and records what reaches it.
class EventCore : public qv::CPluginBase {
public:
    EventCore() {
        config.receivesEvents = 1;
        config.numInputs = config.numOutputs = 2;
        auto set = std::make_unique<qv::CParamContainer>();
        auto bank = std::make_unique<qv::CProgramContainer>(set.get());
        adoptParamsAndPrograms(std::move(set), std::move(bank));
    }
    void notifyEditor(std::uint32_t, float) override {}
    void getProductName(char* b, std::size_t n) const override { std::snprintf(b, n, "Test"); }
    void onReset(bool) override {
        ++resets;
        if (blockRunning) resetDuringBlock = true;
    }
    std::int32_t processAudio(void**, void**, std::int32_t, std::int32_t, std::int32_t, int, std::int32_t) override {
        if (slowBlock) {
            blockRunning = inBlock = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            blockRunning = false;
        }
        return 0;
    }
    void onEvent(const qv::MidiEventRecord& r) override { received.push_back(r); }
    void changeLatency(std::uint32_t n) { setLatency(n); }
    void run(std::int32_t frames) { process(nullptr, nullptr, 2, 2, frames, 4, 0); }
    // The tags (data1) and deltas received since the last call.
    std::vector<std::pair<int, int>> take() {
        std::vector<std::pair<int, int>> out;
        for (const auto& r : received) out.emplace_back(r.data1, r.deltaFrames);
        return received.clear(), out;
    }

    std::vector<qv::MidiEventRecord> received;
    std::atomic<int> resets{0};
    bool slowBlock = false;
    std::atomic<bool> inBlock{false}, blockRunning{false}, resetDuringBlock{false};
};

// A 2.4 host that records the opcodes the adapter calls it with.
std::vector<std::int32_t> g_hostCalls;
vst::VstIntPtr hostCallback(vst::AEffect*, vst::VstInt32 op, vst::VstInt32, vst::VstIntPtr, void*, float) {
    return g_hostCalls.push_back(op), op == vst::audioMasterVersion ? 2400 : 0;
}

qv::MidiEventRecord event(std::int32_t delta, std::uint8_t tag) { return {0, 0x90, tag, 64, delta}; }
using Got = std::vector<std::pair<int, int>>;

TEST(Events, BlocksCarryLateEventsClampNegativeDeltasAndHonourTheQuantum) {
    EventCore core;
    const qv::MidiEventRecord in[] = {event(300, 1), event(5, 2), event(-7, 3), event(1000, 4)};
    core.receiveEvents(in, 4);
    // Double-buffered: events queued now reach the core one block later; -7 becomes 0 and sorts
    // first, 300 comes 44 frames into the next block.
    const Got blocks[] = {{}, {{3, 0}, {2, 5}}, {{1, 300 - 256}}, {}, {{4, 1000 - 3 * 256}}};
    for (const Got& block : blocks) {
        core.run(256);
        EXPECT_EQ(core.take(), block);
    }

    core.setDeltaQuantum(64);
    const qv::MidiEventRecord one = event(100, 1);
    core.receiveEvents(&one, 1);
    core.run(512), core.run(512);
    EXPECT_EQ(core.take(), (Got{{1, 64}}));
}

TEST(Events, SortingIsStableBelowSixtyFourAndMergesTheSecondHalfFirstAbove) {
    std::vector<qv::MidiEventRecord> records, scratch(5000);
    for (int i = 0; i < 64; ++i) records.push_back(event(10, static_cast<std::uint8_t>(i)));
    qv::sortEventsByDelta(records.data(), 64, scratch.data());
    for (int i = 0; i < 64; ++i) EXPECT_EQ(records[static_cast<size_t>(i)].data1, (i + 32) % 64) << i;
    std::vector<qv::MidiEventRecord> small = {event(3, 0), event(1, 1), event(3, 2), event(1, 3)};
    qv::sortEventsByDelta(small.data(), 4, scratch.data());
    EXPECT_EQ((std::vector<int>{small[0].data1, small[1].data1, small[2].data1, small[3].data1}), (std::vector<int>{1, 3, 0, 2}));
    std::vector<qv::MidiEventRecord> big(5000);
    unsigned seed = 1;
    for (auto& r : big) r = event(static_cast<std::int32_t>((seed = seed * 1103515245u + 12345u) >> 20), 0);
    qv::sortEventsByDelta(big.data(), 5000, scratch.data());
    EXPECT_TRUE(std::is_sorted(big.begin(), big.end(), [](auto& a, auto& b) { return a.deltaFrames < b.deltaFrames; }));
}

// Through the adapter: a list of 10000 events reaches the core as its first 8192, masked.
TEST(Events, TheAdapterTakesAtMostEightThousandOneHundredNinetyTwo) {
    auto* owned = new EventCore;
    qv::PluginVST adapter(&hostCallback, std::unique_ptr<qv::CPluginBase>(owned), 1, 0);
    std::vector<vst::VstMidiEvent> midi(10000, vst::VstMidiEvent{vst::kVstMidiType, 32, 0, 0, 0, 0,
                                                                 {char(0x93), char(0xC5), 64, 0}, 0, 0, 0, 0});
    std::vector<char> storage(sizeof(vst::VstEvents) + sizeof(vst::VstEvent*) * 10000);
    auto* list = reinterpret_cast<vst::VstEvents*>(storage.data());
    list->numEvents = 10000;
    for (int i = 0; i < 10000; ++i) list->events[i] = reinterpret_cast<vst::VstEvent*>(&midi[static_cast<size_t>(i)]);
    EXPECT_EQ(adapter.dispatcher(vst::effProcessEvents, 0, 0, list, 0), 1);
    EXPECT_EQ(adapter.dispatcher(vst::effProcessEvents, 0, 0, nullptr, 0), 1);
    float* none[2] = {nullptr, nullptr};
    for (int block = 0; block < 2; ++block) adapter.processReplacing(none, none, 64);
    ASSERT_EQ(owned->received.size(), 8192u);
    const qv::MidiEventRecord& r = owned->received[0];
    EXPECT_EQ(std::tuple(r.channel, r.status, r.data1), std::tuple(3, 0x90, 0x45));
    EXPECT_EQ(std::pair(adapter.canDo("receiveVstMidiEvent"), adapter.canDo("something")), std::pair(1, 0));
}

TEST(Lifecycle, ResumeReportsALatencyChangeAndResetWaitsForTheBlock) {
    g_hostCalls.clear();
    auto* owned = new EventCore;
    qv::PluginVST adapter(&hostCallback, std::unique_ptr<qv::CPluginBase>(owned), 1, 0);
    EXPECT_EQ(owned->resets, 1);  // the constructor resets once
    owned->changeLatency(480);
    adapter.dispatcher(vst::effMainsChanged, 0, 1, nullptr, 0);
    EXPECT_EQ(adapter.getAeffect()->initialDelay, 480);
    adapter.dispatcher(vst::effMainsChanged, 0, 1, nullptr, 0);
    EXPECT_EQ(std::ranges::count(g_hostCalls, vst::audioMasterIOChanged), 1);  // no change the second time

    owned->slowBlock = true;  // a reset requested during a block runs only after the block
    std::thread audio([&] { owned->run(64); });
    while (!owned->inBlock) std::this_thread::yield();
    owned->reset(true);
    EXPECT_EQ(std::pair(owned->resetDuringBlock.load(), owned->resets.load()), std::pair(false, 4));
    audio.join();
}

TEST(Parameters, GroupsConvertersAndTheIdentifierMap) {
    std::uint32_t slot = 99;
    const qv::CParamBase table[] = {
        qv::CParamBase("Gain", 0.0f, 1.0f, 0.5f, 0, "dB", 0.f, 0.f, 0.f, nullptr, nullptr, 0, 0, 0),
        qv::CParamBase("Band %d", 0.0f, 1.0f, 0.25f, 0, "", 0.f, 0.f, 0.f, &slot, nullptr, 0, 1, 8),
        qv::CParamBase("Single", 0.0f, 1.0f, 0.0f, 0, "", 0.f, 0.f, 0.f, nullptr, nullptr, 0, 5, 5),
        qv::CParamBase(0),
        qv::CParamBase("Never", 0.0f, 1.0f, 0.0f, 0, "", 0.f, 0.f, 0.f, nullptr, nullptr, 0, 0, 0),
    };
    qv::CParamContainerBase set;
    EXPECT_EQ(set.AddParams(table), 10u);
    EXPECT_EQ(std::tuple(slot, std::string(set.getName(1)), std::string(set.getName(8)), std::string(set.getName(9)),
                         set.getName(10), set.getValue(3, 0)),
              std::tuple(1u, "Band 1", "Band 8", "Single", nullptr, 0.25f));
    EXPECT_EQ(std::pair(set.AddParams(table), set.size()), std::pair(0u, 10u));  // a second call changes nothing

    const qv::CParamBase scaled[] = {
        qv::CParamBase("Freq", 20.0f, 20000.0f, 1000.0f, 0, "Hz", 0.f, 0.f, 0.f, nullptr,
                       [](const qv::CParamBase&, int dir, std::uint32_t*, float v) { return dir == 0 ? v * 100.0f : v / 100.0f; },
                       0, 0, 0),
        qv::CParamBase(0)};
    qv::CParamContainerBase converted;
    converted.AddParams(scaled);
    const float values[] = {converted.getValue(0, 1), converted.getValue(0, 0)};
    converted.setValue(0, 0.5f, 0, false);
    const float plain = converted.getValue(0, 1);
    converted.setValue(0, 7.0f, 1, true);
    EXPECT_EQ(std::tuple(values[0], values[1], plain, converted.getValue(0, 0)), std::tuple(1000.0f, 10.0f, 50.0f, 0.5f));

    qv::CParamContainer analyzer;
    EXPECT_EQ(std::tuple(analyzer.getNumIds(), analyzer.indexOfId(0), analyzer.indexOfId(200), analyzer.indexOfId(387),
                         analyzer.indexOfId(388)),
              std::tuple(388u, 0u, 200u, 387u, 0xFFFFFFFFu));

    // The base snapshot request: words 1..n receive the values when n matches a count.
    EventCore core;
    std::uint32_t words[400] = {389, 2}, wrong[4] = {3, 2, 7, 7};
    const bool got[] = {core.getData(words), core.getData(wrong), core.getData(nullptr)};
    EXPECT_EQ(std::tuple(got[0], words[1], got[1], wrong[2], got[2]), std::tuple(true, 0u, false, 7u, true));
}

TEST(Programs, ANullSetIsReportedAndTheBankHasOneProgram) {
    qvtest::MessageCapture capture;
    EXPECT_THROW(qv::CProgram(nullptr, 0, "x"), int);
    EXPECT_EQ(capture.messages, std::vector<std::string>{"Nolvatek|Null pointer problem. Unable to initialize Presets - "
                                                 "CProgramBase::CProgramBase - Please contact Nolvatek technical support."});
    qv::CProgramContainer bank(nullptr);
    std::string name, none;
    const bool got[] = {bank.getName(0, name), bank.getName(1, none)};
    EXPECT_EQ(std::tuple(got[0], name, got[1]), std::tuple(true, "default", false));
    bank.setProgram(1);
    EXPECT_EQ(bank.getCurrent(), 0u);
}

}  // namespace
