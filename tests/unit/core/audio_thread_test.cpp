// The audio thread against everything other threads do to an instance: locks held for a long
// time, calls stuck inside it, rate, reset and FFT-size changes, and the host's control word.
#include <xmmintrin.h>

#include "core/analysis_shared.h"
#include "core/registry_library.h"
#include "core/setting_ids.h"
#include "framework/parameter_sink.h"
#include "platform/dynamic_library.h"
#include "platform/module.h"
#include "support/feeder.h"
#include "support/start_line.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace id = qv::settingid;

constexpr int kHoldMs = 200;
constexpr auto kHold = std::chrono::milliseconds(kHoldMs);
std::atomic<int> stuckCallsDone{0};

// An instance whose averaging of its own spectra, or whose audio block, takes as long as wanted.
struct SlowInstance : qv::CPlugin {
    std::atomic<int> averageMs{0}, blockMs{0};
    std::atomic<bool> stuck{false};
    SlowInstance() : CPlugin(0, 2, 2) {}
    ~SlowInstance() override { waitForWorkers(std::chrono::seconds(5)); }  // no job in an override
    void average(std::uint32_t number, const qv::SpectrumRecord& record) override {
        if (const int ms = averageMs.exchange(0)) sleepStuck(ms);
        CPlugin::average(number, record);
    }
    std::int32_t processAudio(void** in, void** out, std::int32_t numIn, std::int32_t numOut, std::int32_t frames,
                              int precision, std::int32_t flag) override {
        if (const int ms = blockMs.exchange(0)) sleepStuck(ms);
        return CPlugin::processAudio(in, out, numIn, numOut, frames, precision, flag);
    }
    void sleepStuck(int ms) {
        stuck = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        ++stuckCallsDone;
    }
    void viewSpectrumAt512() {
        setParameter(id::kAnalysisView, 1.0f, 0, false, true);
        setParameter(id::kFftSize, 0.0f, 0, false, true);  // 512 points: a block per call
        setParameter(id::kAverageOn, 1.0f, 0, false, true);
    }
};

// An editor that keeps the instance's settings lock for as long as it takes to hear of a change.
struct SlowEditor : qv::IParameterSink {
    void setParameter(std::int32_t, float) override { std::this_thread::sleep_for(kHold); }
    void receiveData(const void*) override {}
};

// Every lock the audio path used to take, held by another thread.
void holdFor(std::mutex& lock) {
    std::lock_guard<std::mutex> g(lock);
    std::this_thread::sleep_for(kHold);
}
const std::pair<const char*, std::function<void(SlowInstance&)>> kHolders[] = {
    {"band records", [](SlowInstance& p) { holdFor(p.analysis().bandLock); }},
    {"spectrum records", [](SlowInstance& p) { holdFor(p.analysis().spectrumLock); }},
    {"averaging", [](SlowInstance& p) { p.averageMs = kHoldMs, std::this_thread::sleep_for(kHold); }},
    {"registry", [](SlowInstance&) {
         // Opened once: loading a library (slow under a sanitizer) is not what is timed.
         static qv::CRegistryLibrary registry;
         static const bool opened = registry.open(qv::platform::moduleFolder());
         ASSERT_TRUE(opened);
         qv::CRegistryLockGuard g(registry);
         std::this_thread::sleep_for(kHold);
     }},
    {"settings", [](SlowInstance& p) {
         SlowEditor editor;
         p.setParameterSink(&editor), p.setParameter(id::kAttack, 0.5f, 0, false, true), p.setParameterSink(nullptr);
     }},
};

// A call that waited for the holder would last until it lets go, in every round. A loaded machine
// can deschedule a call for over a millisecond, so each holder gets up to six rounds and one round
// without a slow call clears it. Under Wine calls are descheduled for 2-5 ms in several rounds
// running: there a slow call is one over 8 ms, still far below the hold.
TEST(AudioThread, NoCallWaitsForALockAnotherThreadHolds) {
    const auto slow = qv::platform::DynamicLibrary::extension() == std::string(".dll") ? 8ms : 1ms;
    SlowInstance plugin;
    plugin.viewSpectrumAt512();
    std::vector<float> left(512, 0.25f), right(512, -0.125f);
    void* channels[2] = {left.data(), right.data()};
    for (const auto end = Clock::now() + kHold; Clock::now() < end;) {  // first blocks, first jobs
        plugin.process(channels, channels, 2, 2, 512, qv::kPrecisionFloat, 0);
        std::this_thread::sleep_for(4ms);
    }
    for (const auto& [what, hold] : kHolders) {
        int slowCalls = 0;
        for (int round = 0; round < 6 && (round == 0 || slowCalls > 0); ++round) {
            slowCalls = 0;
            qvtest::StartLine go(2);
            std::thread other([&] { go.arriveAndWait(), hold(plugin); });
            go.arriveAndWait();
            for (const auto end = Clock::now() + kHold; Clock::now() < end;) {
                const auto t0 = Clock::now();
                plugin.process(channels, channels, 2, 2, 512, qv::kPrecisionFloat, 0);
                if (Clock::now() - t0 > slow) ++slowCalls;
                std::this_thread::sleep_for(4ms);
            }
            other.join();
        }
        EXPECT_EQ(slowCalls, 0) << what;
    }
}

// A call stuck inside an instance: reset does not wait for the block beyond its bound, and delete
// does not wait for a worker's call; the call then finishes on an instance still whole (ASan
// would see freed memory otherwise).
TEST(AudioThread, ResetDeleteAndDrainDoNotWaitForACallStuckInside) {
    constexpr int kStuckMs = 2000;
    auto* plugin = new SlowInstance;
    plugin->viewSpectrumAt512();
    std::vector<float> block(512, 0.25f);
    void* channels[2] = {block.data(), block.data()};
    plugin->blockMs = kStuckMs;
    std::thread audio([&] { plugin->process(channels, channels, 2, 2, 512, qv::kPrecisionFloat, 0); });
    while (!plugin->stuck) std::this_thread::yield();
    auto t0 = Clock::now();
    plugin->reset(false);
    EXPECT_LT(Clock::now() - t0, 1500ms);
    audio.join();

    plugin->stuck = false;
    plugin->averageMs = kStuckMs;
    while (!plugin->stuck) plugin->process(channels, channels, 2, 2, 512, qv::kPrecisionFloat, 0);
    t0 = Clock::now();
    delete plugin;
    EXPECT_LT(Clock::now() - t0, 1500ms);
    while (stuckCallsDone < 2) std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(50ms);  // the rest of the call, on the parked instance

    // Another instance's call still inside: the registry's drain gives up in time, and says so.
    qv::CRegistryLibrary registry;
    ASSERT_TRUE(registry.open(qv::platform::moduleFolder()));
    int object = 0;
    registry.setObject(15, &object);
    ASSERT_EQ(registry.enter(15), &object);
    registry.setObject(15, nullptr);
    t0 = Clock::now();
    EXPECT_FALSE(registry.drain(15, 50ms));
    EXPECT_LT(Clock::now() - t0, 1000ms);
    registry.leave(15);
    EXPECT_TRUE(registry.drain(15, 50ms));
}

// A sine centred on a bin at every size from 512 up: a whole block of any size reads 0.25 there
// (Hann window, amplitude 1); a block transformed at another size than it was collected at does not.
TEST(AudioThread, RateResetAndSizeChangesWhileProcessingKeepEveryBlockWhole) {
    qv::CPlugin plugin(0, 1, 1);
    plugin.setParameter(id::kAnalysisView, 1.0f, 0, false, true);
    plugin.waitForWorkers(5s);
    const std::uint32_t primed = plugin.spectrumBlocksMeasured();  // silence measured at creation
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        qvtest::Feeder feed(plugin, 1, 300);
        feed.paced = false;
        while (!stop.load()) {
            feed.sine(12.0, 512.0, 300);  // bin 12 of 512 points
            std::this_thread::sleep_for(200us);
        }
    });
    int checked = 0;
    qv::SpectrumRecord record;
    for (int round = 0; round < 60; ++round) {
        plugin.setSampleRate(round % 2 ? 48000.0 : 44100.0);
        if (round % 5 == 0) plugin.reset(false);
        plugin.setParameter(id::kFftSize, static_cast<float>(round % 4), 0, false, true);
        std::this_thread::sleep_for(3ms);
        ASSERT_TRUE(plugin.readSpectrumRecord(0, record));
        if (record.type != 8 || record.sequence < primed) continue;
        const std::uint32_t size = (record.count - 1) * 2;
        ASSERT_TRUE(size >= 512 && size <= 4096 && (size & (size - 1)) == 0) << record.count;
        EXPECT_NEAR(10.0 * std::log10(record.power[12 * size / 512]), 10.0 * std::log10(0.25), 0.1) << size;
        ++checked;
    }
    stop = true;
    audio.join();
    EXPECT_GT(checked, 10);
}

TEST(AudioThread, DenormalsAreFlushedWhileProcessingAndTheHostsControlWordComesBack) {
    qv::CPlugin plugin(0, 1, 1);
    std::vector<float> in(4096, 1e-40f), out(4096);
    void* ins[1] = {in.data()}, *outs[1] = {out.data()};
    const unsigned int host = _mm_getcsr();
    _mm_setcsr((host & ~0x8040u) | 0x6000u);  // round toward zero, denormals kept
    const unsigned int mine = _mm_getcsr();
    plugin.process(ins, outs, 1, 1, 4096, qv::kPrecisionFloat, 0);
    EXPECT_EQ(_mm_getcsr(), mine);
    _mm_setcsr(host);
    EXPECT_EQ(out, in);  // copies are not arithmetic: the pass-through stays exact
}

}  // namespace
