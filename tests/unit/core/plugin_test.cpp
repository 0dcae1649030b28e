#include "core/analysis_shared.h"
#include "core/setting_ids.h"
#include "framework/parameter_sink.h"
#include "support/feeder.h"

namespace {

namespace id = qv::settingid;
using namespace qvtest;

TEST(Plugin, SpectraAreMeasuredOnTheWorkerOnlyWhileShownAndANewSizeRestartsTheBlock) {
    qv::CPlugin plugin(0, 2, 2);
    Feeder feed(plugin, 2, 256);
    // The default view shows bands: no spectrum block is collected.
    const std::uint32_t before = plugin.spectrumBlocksMeasured();
    feed.sine(440.0, 44100.0, 8192);
    ASSERT_TRUE(plugin.waitForWorkers(60s));
    EXPECT_EQ(std::pair(plugin.spectrumBlocksMeasured(), plugin.spectrumIsNeeded()), std::pair(before, false));

    plugin.setParameter(id::kAnalysisView, 1.0f, 0, false, true);
    plugin.setParameter(id::kFftSize, 1.0f, 0, false, true);  // 1024 points
    EXPECT_EQ(std::pair(plugin.spectrumIsNeeded(), plugin.bandsAreNeeded()), std::pair(true, false));
    feed.sine(440.0, 44100.0, 1024 * 4);
    EXPECT_EQ(plugin.spectrumBlocksMeasured(), before + 4);
    plugin.setParameter(id::kFftSize, 3.0f, 0, false, true);  // 4096 points
    feed.sine(440.0, 44100.0, 4096);
    EXPECT_EQ(plugin.spectrumBlocksMeasured(), before + 5);
    auto spectrum = std::make_unique<qv::SpectrumRecord>();
    ASSERT_TRUE(plugin.readSpectrumRecord(static_cast<std::uint32_t>(plugin.getInstanceNumber()), *spectrum));
    EXPECT_EQ(std::tuple(spectrum->count, spectrum->size, spectrum->sampleRate), std::tuple(2049u, 52u + 4u * 2049u, 44100.0f));

    feed.sine(440.0, 44100.0, 3000);
    plugin.setParameter(id::kFftSize, 4.0f, 0, false, true);  // 8192: the 3000 samples are dropped
    feed.sine(440.0, 44100.0, 5192);
    EXPECT_EQ(plugin.spectrumBlocksMeasured(), before + 5);
    feed.sine(440.0, 44100.0, 3000);
    EXPECT_EQ(plugin.spectrumBlocksMeasured(), before + 6);
}

TEST(Plugin, AReadHoldingTheRecordsNeverStallsTheJobsNorDestruction) {
    auto plugin = std::make_unique<qv::CPlugin>(0, 2, 2);
    const std::shared_ptr<qv::CCopyRecords> records = plugin->analysis().records;
    const auto own = static_cast<std::uint32_t>(plugin->getInstanceNumber());
    // Another thread reads the own band record for as long as the test runs: the first write
    // after it goes into the other buffer, every later one finds the held buffer busy and is
    // given up, and no job waits (a job that did would drop the blocks behind it).
    std::atomic<int> phase{0};
    std::thread holder([&] {
        records->readBands(own, [&](const qv::BandLevelRecord&, std::uint32_t) {
            phase = 1;
            while (phase.load() != 2) std::this_thread::sleep_for(1ms);
        });
    });
    while (phase.load() != 1) std::this_thread::sleep_for(1ms);
    const std::uint32_t measured = plugin->bandBlocksMeasured();
    const std::uint64_t busy = records->busyWrites(), dropped = plugin->droppedBandBlocks();
    Feeder(*plugin, 2, 4096).sine(100.0, 44100.0, 4096 * 6);  // one band block per call
    EXPECT_EQ(std::tuple(plugin->bandBlocksMeasured() - measured, plugin->droppedBandBlocks() - dropped, records->busyWrites() - busy),
              std::tuple(6u, 0u, std::uint64_t{5}));
    plugin.reset();
    phase = 2;
    holder.join();
}

TEST(Plugin, AnyRateAndBlockSizeStaysFinite) {
    qv::CPlugin plugin(0, 2, 2);
    plugin.setParameter(id::kAnalysisView, 1.0f, 0, false, true);
    for (double rate : {8000.0, 22050.0, 32000.0, 48000.0, 96000.0, 192000.0, 384000.0}) {
        plugin.setSampleRate(rate);
        for (int block : {1, 37, 65537}) Feeder(plugin, 2, block).sine(rate / 7.0, rate, std::max(block, 9000));
    }
    plugin.setParameter(id::kAnalysisView, 0.0f, 0, false, true);
    const std::uint32_t before = plugin.bandBlocksMeasured();
    Feeder(plugin, 2, 4096).sine(3000.0, 384000.0, 4096 * 3);
    EXPECT_EQ(plugin.bandBlocksMeasured(), before + 3);
    qv::BandLevelRecord bands{};
    ASSERT_TRUE(plugin.readBandRecord(static_cast<std::uint32_t>(plugin.getInstanceNumber()), bands));
    for (float level : bands.levels) EXPECT_TRUE(std::isfinite(level));
}

// Records what the core echoes to its editor.
struct EchoSink : qv::IParameterSink {
    std::vector<std::pair<int, float>> values;
    int records = 0;
    void setParameter(std::int32_t index, float value) override { values.emplace_back(index, value); }
    void receiveData(const void*) override { ++records; }
};

TEST(Plugin, SettingsEchoToTheEditorAndTheChunkRoundTrips) {
    qv::CPlugin first(0, 2, 2);
    EchoSink sink;
    first.setParameterSink(&sink);
    first.setParameter(id::kLevelTopUp, 1.0f, 0, false, true);
    ASSERT_FALSE(sink.values.empty());
    EXPECT_EQ(sink.values.back(), (std::pair<int, float>{id::kLevelTop, 10.0f}));
    for (auto [setting, value] : {std::pair(id::kFreqLowUp, 1.0f), std::pair(id::kAttack, 0.25f),
                                  std::pair(id::kWindowType, 4.0f), std::pair(id::kNamesRequest, 1.0f)})
        first.setParameter(setting, value, 0, false, true);
    EXPECT_EQ(sink.records, 1);
    first.setParameterSink(nullptr);

    void* data = nullptr;
    ASSERT_EQ(first.getChunk(&data, false), 2756);
    std::vector<unsigned char> saved(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + 2756);

    qv::CPlugin second(0, 2, 2);
    EXPECT_EQ(second.setChunk(saved.data(), 100, false), 0);  // short: nothing changes
    EXPECT_EQ(second.getParameter(id::kLevelTop, 0), 0.0f);
    ASSERT_EQ(second.setChunk(saved.data(), 2756, false), 1);
    EXPECT_EQ(std::pair(second.getParameter(id::kLevelTop, 0), second.getParameter(id::kWindowType, 0)),
              std::pair(10.0f, 4.0f));
    void* again = nullptr;
    ASSERT_EQ(second.getChunk(&again, false), 2756);
    // Both instances are registered in this process: only the instance number (at 16) differs.
    const auto* bytes = static_cast<const unsigned char*>(again);
    std::vector<unsigned char> expected = saved;
    expected[16] = 1;
    EXPECT_EQ(std::vector<unsigned char>(bytes, bytes + 2756), expected);
    int width = 0, height = 0, compactHeight = 0;
    second.getEditorSize(width, height);
    second.setParameter(id::kCompactLayout, 1.0f, 0, false, true);
    second.getEditorSize(height, compactHeight);
    EXPECT_EQ(std::pair(width, compactHeight), std::pair(752, 335));
}

}  // namespace
