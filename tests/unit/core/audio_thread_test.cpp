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
#include "support/watchdog.h"

namespace {

using namespace std::chrono_literals;
namespace id = qv::settingid;

// Where a stuck call waits: until the test lets it go.
struct Hold {
    qvtest::Signal held, released, left;
    // The holder's side: it has what it holds, and keeps it until released.
    void keep() {
        held.raise();
        released.wait();
        left.raise();  // the last touch of this object
    }
};

// An instance whose averaging of its own spectra, or whose audio block, stays stuck until let go.
struct SlowInstance : qv::CPlugin {
    std::atomic<Hold*> averageHold{nullptr}, blockHold{nullptr};
    SlowInstance() : CPlugin(0, 2, 2) {}
    ~SlowInstance() override { waitForWorkers(std::chrono::seconds(5)); }  // no job in an override
    void average(std::uint32_t number, const qv::SpectrumRecord& record) override {
        if (Hold* hold = averageHold.exchange(nullptr)) hold->keep();
        CPlugin::average(number, record);
    }
    std::int32_t processAudio(void** in, void** out, std::int32_t numIn, std::int32_t numOut, std::int32_t frames,
                              int precision, std::int32_t flag) override {
        if (Hold* hold = blockHold.exchange(nullptr)) hold->keep();
        return CPlugin::processAudio(in, out, numIn, numOut, frames, precision, flag);
    }
    void viewSpectrumAt512() {
        setParameter(id::kAnalysisView, 1.0f, 0, false, true);
        setParameter(id::kFftSize, 0.0f, 0, false, true);  // 512 points: a block per call
        setParameter(id::kAverageOn, 1.0f, 0, false, true);
    }
};

// An editor that keeps the instance's settings lock for as long as it takes to hear of a change.
struct SlowEditor : qv::IParameterSink {
    Hold& hold;
    std::atomic<bool> first{true};
    explicit SlowEditor(Hold& h) : hold(h) {}
    void setParameter(std::int32_t, float) override {
        if (first.exchange(false)) hold.keep();
    }
    void receiveData(const void*) override {}
};

// Every lock the audio path used to take, held by another thread until the audio thread has
// run its blocks.
const std::pair<const char*, std::function<void(SlowInstance&, Hold&)>> kHolders[] = {
    {"band records", [](SlowInstance& p, Hold& h) { p.analysis().records->readBands(0, [&](auto&, auto) { h.keep(); }); }},
    {"spectrum records", [](SlowInstance& p, Hold& h) { p.analysis().records->readSpectrum(0, [&](auto&, auto) { h.keep(); }); }},
    {"averaging", [](SlowInstance& p, Hold& h) { p.averageHold = &h; }},  // the spectrum worker gets stuck
    {"registry", [](SlowInstance&, Hold& h) {
         static qv::CRegistryLibrary registry;
         static const bool opened = registry.open(qv::platform::moduleFolder());
         ASSERT_TRUE(opened);
         qv::CRegistryLockGuard g(registry);
         h.keep();
     }},
    {"settings", [](SlowInstance& p, Hold& h) {
         SlowEditor editor(h);
         p.setParameterSink(&editor), p.setParameter(id::kAttack, 0.5f, 0, false, true), p.setParameterSink(nullptr);
     }},
};

// The holder keeps its lock until the audio thread has run 16 blocks after it took it: a block
// that waited for the lock would wait for ever, and the watchdog ends the test. No clock decides.
TEST(AudioThread, NoCallWaitsForALockAnotherThreadHolds) {
    SlowInstance plugin;
    plugin.viewSpectrumAt512();
    std::vector<float> left(512, 0.25f), right(512, -0.125f);
    void* channels[2] = {left.data(), right.data()};
    for (const auto& [what, hold] : kHolders) {
        auto round = std::async(std::launch::async, [&, hold = hold] {
            Hold h;
            std::thread other([&] { hold(plugin, h); });
            int after = 0;
            while (after < 16) {  // blocks before the hold is taken feed the worker that gets stuck
                const bool held = h.held.isRaised();
                plugin.process(channels, channels, 2, 2, 512, qv::kPrecisionFloat, 0);
                after += held ? 1 : 0;
                std::this_thread::yield();
            }
            h.released.raise();
            h.left.wait();
            other.join();
        });
        qvtest::expectFinishes(round, std::chrono::seconds(120), what);
    }
}

// A call stuck inside an instance: reset does not wait for the block beyond its bound, and delete
// does not wait for a worker's call; the call then finishes on an instance still whole (ASan
// would see freed memory otherwise), which a later delete frees.
TEST(AudioThread, ResetDeleteAndDrainDoNotWaitForACallStuckInside) {
    auto* plugin = new SlowInstance;
    plugin->viewSpectrumAt512();
    std::vector<float> block(512, 0.25f);
    void* channels[2] = {block.data(), block.data()};
    Hold inBlock, inAverage;
    auto steps = std::async(std::launch::async, [&] {
        plugin->blockHold = &inBlock;
        std::thread audio([&] { plugin->process(channels, channels, 2, 2, 512, qv::kPrecisionFloat, 0); });
        inBlock.held.wait();
        plugin->reset(false);  // returns while the block is still stuck
        inBlock.released.raise();
        audio.join();

        plugin->averageHold = &inAverage;
        while (!inAverage.held.isRaised()) plugin->process(channels, channels, 2, 2, 512, qv::kPrecisionFloat, 0);
        delete plugin;  // returns while the worker is stuck inside: parked
        EXPECT_EQ(qv::CPlugin::parkedCount(), 1u);
        inAverage.released.raise();
        inAverage.left.wait();
        // Any later delete frees it once the worker has left.
        while (qv::CPlugin::parkedCount() != 0) std::make_unique<qv::CPlugin>(0, 1, 1).reset();
    });
    qvtest::expectFinishes(steps, std::chrono::seconds(120), "reset and delete with a call stuck inside");

    // Another instance's call still inside: the registry's drain gives up (a drain without
    // bound would hang here), and says so.
    qv::CRegistryLibrary registry;
    ASSERT_TRUE(registry.open(qv::platform::moduleFolder()));
    int object = 0;
    registry.setObject(15, &object);
    ASSERT_EQ(registry.enter(15), &object);
    registry.setObject(15, nullptr);
    auto drain = std::async(std::launch::async, [&] { EXPECT_FALSE(registry.drain(15, 50ms)); });
    qvtest::expectFinishes(drain, std::chrono::seconds(120), "a bounded drain");
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
