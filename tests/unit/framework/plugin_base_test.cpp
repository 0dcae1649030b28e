#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <memory>
#include <thread>
#include <vector>

#include "framework/error_report.h"
#include "framework/param_container.h"
#include "framework/plugin_base.h"
#include "framework/program_container.h"
#include "host/plugin_vst.h"
#include "../host/test_host.h"

namespace {

// A core that takes events and records what reaches it.
class EventCore : public qv::CPluginBase {
public:
    EventCore() {
        config.receivesEvents = 1;
        config.numInputs = 2;
        config.numOutputs = 2;
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
            blockRunning = true;
            inBlock = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            blockRunning = false;
        }
        return 0;
    }
    void onEvent(const qv::MidiEventRecord& r) override { received.push_back(r); }
    void changeLatency(std::uint32_t n) { setLatency(n); }

    std::vector<qv::MidiEventRecord> received;
    std::atomic<int> resets{0};
    bool slowBlock = false;
    std::atomic<bool> inBlock{false};
    std::atomic<bool> blockRunning{false};
    std::atomic<bool> resetDuringBlock{false};
};

qv::MidiEventRecord event(std::int32_t delta, std::uint8_t tag) { return {0, 0x90, tag, 64, delta}; }

void runBlock(EventCore& core, std::int32_t frames) { core.process(nullptr, nullptr, 2, 2, frames, 4, 0); }

TEST(Events, BlockSplittingCarriesLateEventsAndClampsNegativeDeltas) {
    EventCore core;
    const qv::MidiEventRecord in[] = {event(300, 1), event(5, 2), event(-7, 3), event(1000, 4)};
    core.receiveEvents(in, 4);
    // The queue is double-buffered: events queued now reach the core one block later.
    runBlock(core, 256);
    EXPECT_TRUE(core.received.empty());
    runBlock(core, 256);
    ASSERT_EQ(core.received.size(), 2u);
    EXPECT_EQ(core.received[0].data1, 3);  // -7 became 0 and sorts first
    EXPECT_EQ(core.received[0].deltaFrames, 0);
    EXPECT_EQ(core.received[1].data1, 2);
    core.received.clear();
    runBlock(core, 256);  // 300 - 256 = 44 falls into this block, 1000 still waits
    ASSERT_EQ(core.received.size(), 1u);
    EXPECT_EQ(core.received[0].data1, 1);
    EXPECT_EQ(core.received[0].deltaFrames, 44);
    core.received.clear();
    runBlock(core, 256);
    runBlock(core, 256);
    ASSERT_EQ(core.received.size(), 1u);
    EXPECT_EQ(core.received[0].deltaFrames, 1000 - 3 * 256);
}

TEST(Events, MergeTakesTheSecondHalfFirstOnEqualDeltas) {
    // 64 equal records: two halves of 32 are insertion-sorted, then merged second half first.
    std::vector<qv::MidiEventRecord> records, scratch(64);
    for (int i = 0; i < 64; ++i) records.push_back(event(10, static_cast<std::uint8_t>(i)));
    qv::sortEventsByDelta(records.data(), 64, scratch.data());
    for (int i = 0; i < 32; ++i) EXPECT_EQ(records[static_cast<size_t>(i)].data1, 32 + i);
    EXPECT_EQ(records[32].data1, 0);
    // Insertion sort below 64 records is stable: equal deltas keep their order.
    std::vector<qv::MidiEventRecord> small = {event(3, 0), event(1, 1), event(3, 2), event(1, 3)};
    qv::sortEventsByDelta(small.data(), 4, scratch.data());
    EXPECT_EQ(small[0].data1, 1);
    EXPECT_EQ(small[1].data1, 3);
    EXPECT_EQ(small[2].data1, 0);
    EXPECT_EQ(small[3].data1, 2);
    // A large random list comes out ordered by delta.
    std::vector<qv::MidiEventRecord> big(5000), bigScratch(5000);
    unsigned seed = 1;
    for (auto& r : big) r = event(static_cast<std::int32_t>((seed = seed * 1103515245u + 12345u) >> 20), 0);
    qv::sortEventsByDelta(big.data(), 5000, bigScratch.data());
    EXPECT_TRUE(std::is_sorted(big.begin(), big.end(), [](auto& a, auto& b) { return a.deltaFrames < b.deltaFrames; }));
}

TEST(Events, QuantumLimitAndAdapterIntake) {
    EventCore core;
    core.setDeltaQuantum(64);
    const qv::MidiEventRecord one = event(100, 1);
    core.receiveEvents(&one, 1);
    runBlock(core, 512);
    runBlock(core, 512);
    ASSERT_EQ(core.received.size(), 1u);
    EXPECT_EQ(core.received[0].deltaFrames, 64);

    // Through the adapter: a list of 10000 events reaches the core as its first 8192.
    qvtest::TestHost::clear();
    auto* owned = new EventCore;
    qv::PluginVST adapter(&qvtest::TestHost::callback, std::unique_ptr<qv::CPluginBase>(owned), 1, 0);
    std::vector<vst::VstMidiEvent> midi(10000);
    std::vector<char> storage(sizeof(vst::VstEvents) + sizeof(vst::VstEvent*) * 10000);
    auto* list = reinterpret_cast<vst::VstEvents*>(storage.data());
    list->numEvents = 10000;
    for (int i = 0; i < 10000; ++i) {
        midi[static_cast<size_t>(i)] = vst::VstMidiEvent{vst::kVstMidiType, 32, 0, 0, 0, 0, {char(0x93), char(0xC5), 64, 0}, 0, 0, 0, 0};
        list->events[i] = reinterpret_cast<vst::VstEvent*>(&midi[static_cast<size_t>(i)]);
    }
    EXPECT_EQ(adapter.dispatcher(vst::effProcessEvents, 0, 0, list, 0), 1);
    EXPECT_EQ(adapter.dispatcher(vst::effProcessEvents, 0, 0, nullptr, 0), 1);
    float* none[2] = {nullptr, nullptr};
    adapter.processReplacing(none, none, 64);
    adapter.processReplacing(none, none, 64);
    ASSERT_EQ(owned->received.size(), 8192u);
    EXPECT_EQ(owned->received[0].channel, 3);
    EXPECT_EQ(owned->received[0].status, 0x90);
    EXPECT_EQ(owned->received[0].data1, 0x45);  // masked to 7 bits
    EXPECT_EQ(adapter.canDo("receiveVstMidiEvent"), 1);
    EXPECT_EQ(adapter.canDo("something"), 0);
}

TEST(Lifecycle, ResumeReportsALatencyChangeAndResetWaitsForTheBlock) {
    qvtest::TestHost::clear();
    auto* owned = new EventCore;
    qv::PluginVST adapter(&qvtest::TestHost::callback, std::unique_ptr<qv::CPluginBase>(owned), 1, 0);
    EXPECT_EQ(owned->resets, 1);  // the constructor resets once
    owned->changeLatency(480);
    adapter.dispatcher(vst::effMainsChanged, 0, 1, nullptr, 0);
    EXPECT_EQ(adapter.getAeffect()->initialDelay, 480);
    EXPECT_EQ(qvtest::TestHost::count(vst::audioMasterIOChanged), 1);
    adapter.dispatcher(vst::effMainsChanged, 0, 1, nullptr, 0);
    EXPECT_EQ(qvtest::TestHost::count(vst::audioMasterIOChanged), 1);  // no change, no call

    // A reset requested during a block runs only after the block.
    owned->slowBlock = true;
    std::thread audio([&] { runBlock(*owned, 64); });
    while (!owned->inBlock) std::this_thread::yield();
    owned->reset(true);
    EXPECT_FALSE(owned->resetDuringBlock.load());
    EXPECT_EQ(owned->resets, 4);
    audio.join();
}

TEST(Parameters, GroupsProgramsAndIdentifierMap) {
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
    EXPECT_EQ(slot, 1u);
    EXPECT_STREQ(set.getName(1), "Band 1");
    EXPECT_STREQ(set.getName(8), "Band 8");
    EXPECT_STREQ(set.getName(9), "Single");
    EXPECT_EQ(set.getName(10), nullptr);
    EXPECT_FLOAT_EQ(set.getValue(3, 0), 0.25f);
    EXPECT_EQ(set.AddParams(table), 0u);  // a second call changes nothing
    EXPECT_EQ(set.size(), 10u);

    // A converter maps plain to normalized values and back.
    const qv::CParamBase scaled[] = {
        qv::CParamBase("Freq", 20.0f, 20000.0f, 1000.0f, 0, "Hz", 0.f, 0.f, 0.f, nullptr,
                       [](const qv::CParamBase&, int dir, std::uint32_t*, float v) { return dir == 0 ? v * 100.0f : v / 100.0f; },
                       0, 0, 0),
        qv::CParamBase(0)};
    qv::CParamContainerBase converted;
    converted.AddParams(scaled);
    EXPECT_FLOAT_EQ(converted.getValue(0, 1), 1000.0f);
    EXPECT_FLOAT_EQ(converted.getValue(0, 0), 10.0f);
    converted.setValue(0, 0.5f, 0, false);
    EXPECT_FLOAT_EQ(converted.getValue(0, 1), 50.0f);
    converted.setValue(0, 7.0f, 1, true);
    EXPECT_FLOAT_EQ(converted.getValue(0, 0), 0.5f);

    qv::CParamContainer analyzer;
    EXPECT_EQ(analyzer.size(), 0u);
    EXPECT_EQ(analyzer.getNumIds(), 388u);
    for (std::uint32_t id : {0u, 1u, 200u, 387u}) EXPECT_EQ(analyzer.indexOfId(id), id);
    EXPECT_EQ(analyzer.indexOfId(388), 0xFFFFFFFFu);

    // The base snapshot request: words 1..n receive the values when n matches a count.
    EventCore core;
    std::uint32_t words[400] = {389, 2};
    EXPECT_TRUE(core.getData(words));
    EXPECT_EQ(words[1], 0u);
    std::uint32_t wrong[4] = {3, 2, 7, 7};
    EXPECT_FALSE(core.getData(wrong));
    EXPECT_EQ(wrong[2], 7u);
    EXPECT_TRUE(core.getData(nullptr));
}

TEST(Programs, BankReportsAndRejects) {
    std::vector<std::string> messages;
    static std::vector<std::string>* sink = nullptr;
    sink = &messages;
    auto previous = qv::setMessageSink([](const char* t, const char* m) { sink->push_back(std::string(t) + "|" + m); });
    EXPECT_THROW(qv::CProgram(nullptr, 0, "x"), int);
    qv::setMessageSink(previous);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Nolvatek|Null pointer problem. Unable to initialize Presets - CProgramBase::CProgramBase - "
                           "Please contact Nolvatek technical support.");
    qv::CProgramContainer bank(nullptr);
    std::string name;
    EXPECT_TRUE(bank.getName(0, name));
    EXPECT_EQ(name, "default");
    EXPECT_FALSE(bank.getName(1, name));
    bank.setProgram(1);
    EXPECT_EQ(bank.getCurrent(), 0u);
}

}  // namespace
