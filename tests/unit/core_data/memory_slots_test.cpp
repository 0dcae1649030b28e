#include "core/memory_slots.h"
#include "data_test_support.h"

namespace {

using namespace qvtest;
using qv::MemoryCurveBlock;

// The memory curve of memory s of instance number i, as a copy of the reply.
MemoryCurveBlock memoryCurve(TestPlugin& p, std::uint32_t i, std::uint32_t s) {
    auto r = request(MemoryCurveBlock::kSize, qv::kDataMemoryCurve, i, s);
    EXPECT_TRUE(p.getData(r.data()));
    MemoryCurveBlock block;
    std::memcpy(&block, r.data(), sizeof(block));
    return block;
}

// Every memory switch and memory state setting (91..346) as bits.
std::vector<std::uint32_t> memorySettings(const TestPlugin& p) {
    std::vector<std::uint32_t> all;
    for (std::uint32_t k = id::kMemorySwitchFirst; k < id::kAverageTime; ++k) all.push_back(p.bits(k));
    return all;
}

// Writes to memory switches (offsets from the first, 8 per instance; the code in the second
// byte) and the switch settings that change: every other memory setting stays as it was.
TEST(MemorySwitches, EachCodeChangesOnlyTheSettingsItConcerns) {
    using Pairs = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
    const std::tuple<const char*, Pairs, Pairs> cases[] = {
        {"select M3 of instance 2: the other seven of that instance only are marked",
         {{18, 0x0301}},
         {{16, 4}, {17, 4}, {18, 3}, {19, 4}, {20, 4}, {21, 4}, {22, 4}, {23, 4}}},
        {"delete the empty last slot of instance 5", {{47, 0x0101}}, {{47, 1}}},
        {"code 9 and a state in the low byte keep the state", {{1, 0x0401}, {1, 0x0902}, {1, 0x0002}}, {{1, 4}}},
        {"store in the band view: only the setting", {{1, 0x0401}, {1, 0x0201}}, {{1, 2}}},
    };
    for (const auto& [what, writes, changed] : cases) {
        TestPlugin p;
        p.putFlat(0, 4096, 44100.0f, 1e-2f);
        auto expected = memorySettings(p);
        for (const auto& [offset, bits] : writes) p.setBits(id::kMemorySwitchFirst + offset, bits);
        for (const auto& [offset, bits] : changed) expected[offset] = bits;
        EXPECT_EQ(memorySettings(p), expected) << what;
        // Still no memory: the band view stores none.
        EXPECT_FALSE(memoryCurve(p, 5, 7).header.size || p.memorySlots().holdsSpectrum(0, 1)) << what;
    }
}

TEST(MemorySwitches, TheBandViewAndTheFftViewKeepTheirOwnStates) {
    TestPlugin p;
    p.memoryAction(1, 0, 2);                  // band view: stored
    p.setBits(id::kMemoryStateFirst + 8, 2);  // the editor's switch state
    auto states = [&] { return std::pair(p.memoryState(1, 0), p.bits(id::kMemoryStateFirst + 8)); };
    p.fftView();
    EXPECT_EQ(states(), std::pair(0u, 0u));
    p.memoryAction(1, 0, 4);
    p.fftView(false);
    EXPECT_EQ(states(), std::pair(2u, 2u));
    p.fftView();
    EXPECT_EQ(p.memoryState(1, 0), 4u);
}

TEST(MemorySlots, AStoredCurveKeepsTheSlopeItWasStoredWith) {
    TestPlugin p;
    p.fftView();
    p.smoothing(3);
    p.slope(3.0f);
    p.putFlat(0, 4096, 44100.0f, 1e-2f);
    p.memoryAction(0, 0, 2);
    p.slope(-10.0f);
    auto check = [&](const char* when) {
        const MemoryCurveBlock block = memoryCurve(p, 0, 0);
        EXPECT_EQ(std::pair(block.slopeTaken, block.slope), std::pair(1u, 3.0f));
        int checked = 0;
        for (std::uint32_t k = 1; k < block.pointCount; ++k) {
            const double f = qv::CColumnMap::columnFrequency(block.points[k].column);
            if (f < 2 * 44100.0 / 4096) continue;  // below two bins the level is bin 1's
            EXPECT_NEAR(block.values[k], -20.0 + 3.0 * std::log2(f / 20.0), 1e-3) << when << " " << k;
            ++checked;
        }
        EXPECT_GT(checked, 25) << when;
    };
    check("stored");
    p.fftSizeIndex(4);  // recomputed, still with the stored slope
    check("recomputed");
}

TEST(MemorySlots, StoringReplacesAFullSlotAndEveryCurveIsRecomputedForANewSizeOrRateBeforeItIsServed) {
    TestPlugin p;
    p.fftView();
    p.slope(0.0f);
    p.putFlat(0, 4096, 44100.0f, 1e-2f);
    p.memoryAction(0, 0, 2);
    p.memoryAction(0, 5, 2);
    const MemoryCurveBlock first = memoryCurve(p, 0, 5);
    ASSERT_EQ(std::tuple(first.header.size, first.header.type, first.header.a, first.header.b),
              std::tuple(MemoryCurveBlock::kSize, 2u, 0u, 5u));
    EXPECT_NEAR(first.values[40], -20.0f, 1e-4f);
    p.putFlat(0, 4096, 44100.0f, 1e-3f);
    EXPECT_NEAR(memoryCurve(p, 0, 5).values[40], -20.0f, 1e-4f);  // stored, not live
    p.memoryAction(0, 5, 2);
    const MemoryCurveBlock second = memoryCurve(p, 0, 5);
    EXPECT_EQ(std::pair(second.binCount, second.valueCount), std::pair(2049u, p.dataService().columnMap().count() + 1));
    for (std::uint32_t k = 0; k < second.valueCount; ++k) ASSERT_NEAR(second.values[k], -30.0f, 1e-4f) << k;

    // 16384 points: the stored 4096-point spectrum is resampled onto the new live map; the points
    // stay on the stored spectrum's own map.
    p.fftSizeIndex(5);
    const qv::CColumnMap& live = p.dataService().columnMap();
    const qv::CColumnMap own = builtMap(44100.0f, 4096, 0);
    for (std::uint32_t s : {0u, 5u}) {
        const MemoryCurveBlock block = memoryCurve(p, 0, s);
        EXPECT_EQ(std::pair(live.fftSize(), block.valueCount), std::pair(16384u, live.count() + 1));
        for (std::uint32_t k = 0; k < block.valueCount; ++k) ASSERT_NEAR(block.values[k], s == 0 ? -20.0f : -30.0f, 1e-4f);
        EXPECT_EQ(std::pair(block.pointCount, block.points[block.pointCount - 1].column), std::pair(own.count() + 1, std::uint16_t{555}));
    }

    // A 32 kHz spectrum shown at 44.1 kHz has no data above 16 kHz: -200 there.
    p.putFlat(0, 16384, 32000.0f, 1e-2f);
    p.memoryAction(0, 1, 2);
    const MemoryCurveBlock block = memoryCurve(p, 0, 1);
    for (std::uint32_t k = 0; k < live.count(); ++k) {
        const float f = qv::CColumnMap::columnFrequency(live.entries()[k].column);
        ASSERT_NEAR(block.values[k + 1], f < 16000.0f ? -20.0f : -200.0f, 1e-4f) << f;
    }
    // And a new rate reaches every slot before its next reply.
    p.setSampleRate(48000.0);
    const std::uint32_t again = memoryCurve(p, 0, 0).valueCount;
    EXPECT_EQ(std::pair(again, live.sampleRate()), std::pair(live.count() + 1, 48000.0f));
    p.memoryAction(0, 5, 1);
    EXPECT_EQ(memoryCurve(p, 0, 5).header.size, 0u);
}

TEST(MemorySlots, FailedAllocationsLeaveTheSlotEmptyAndSaySo) {
    TestPlugin p;
    p.fftView();
    p.putFlat(3, 4096, 44100.0f, 1e-2f);
    MessageCapture capture;
    p.memorySlots().setAllocator([](std::size_t) -> void* { return nullptr; });
    p.memoryAction(3, 0, 2);
    p.memorySlots().setAllocator([](std::size_t bytes) -> void* {
        return bytes == sizeof(MemoryCurveBlock) ? nullptr : qv::allocateBlock(bytes);
    });
    p.memoryAction(3, 1, 2);
    p.showPendingMessages();
    EXPECT_EQ(MessageCapture::messages,
              (std::vector<std::string>{"Quorvane - An Error occured|Unable to allocate memory for memory slot (1).",
                                        "Quorvane - An Error occured|Unable to allocate memory for memory slot (2)."}));
    for (std::uint32_t s : {0u, 1u}) EXPECT_EQ(memoryCurve(p, 3, s).header.size, 0u);
    p.memorySlots().setAllocator(qv::allocateBlock);
    p.memoryAction(3, 1, 2);
    EXPECT_EQ(memoryCurve(p, 3, 1).header.size, MemoryCurveBlock::kSize);
}

TEST(MemorySlots, StoresAndDeletesWhileAnotherThreadReadsTheCurve) {
    TestPlugin p;
    p.fftView();
    p.putFlat(0, 4096, 44100.0f, 1e-2f);
    std::atomic<bool> stop{false};
    std::atomic<int> served{0};
    std::thread reader([&] {
        while (!stop.load()) {
            const MemoryCurveBlock block = memoryCurve(p, 0, 2);
            if (block.header.size == 0) continue;
            // A whole curve of the stored spectrum: same size and rate, so values are its points.
            ASSERT_EQ(std::tuple(block.header.size, block.binCount, block.valueCount),
                      std::tuple(MemoryCurveBlock::kSize, 2049u, block.pointCount));
            ASSERT_GT(block.valueCount, 10u);
            for (std::uint32_t k = 0; k < block.valueCount; ++k) ASSERT_EQ(block.values[k], block.points[k].level);
            ASSERT_NEAR(block.values[block.valueCount - 1], -20.0f + 3.0f * std::log2(1000.0f), 0.1f);
            ++served;
        }
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int i = 0; i < 150 || (served.load() < 50 && std::chrono::steady_clock::now() < deadline); ++i) {
        p.memoryAction(0, 2, 2);
        if (i % 3 == 0) p.memoryAction(0, 2, 1);
        if (i % 10 == 0) p.smoothing(static_cast<std::uint32_t>(i / 10 % 4));  // the map changes under the reader
    }
    stop = true;
    reader.join();
    EXPECT_GT(served.load(), 0);
}

// A stored 4096-point spectrum at 44.1 kHz resampled onto live maps whose 20 kHz lies in the
// last bin (40 kHz: no point there, no data for it) or in the last but one (40063 Hz, 128 points:
// the map ends at column 554 and the 20 kHz point follows).
TEST(MemoryCurve, SilenceAndTheTwentyKilohertzPointOnlyWhereTheLiveMapHasDataAboveIt) {
    std::vector<float> flat(2049, 1e-2f);
    for (const auto& [rate, size, last] : {std::tuple(40000.0f, 4096u, false), std::tuple(40063.0f, 128u, true)}) {
        const qv::CColumnMap live = builtMap(rate, size, 0);
        MemoryCurveBlock block{};
        qv::computeMemoryCurve(block, flat.data(), 2049, 44100.0f, live);
        EXPECT_EQ(std::tuple(block.hasLast, block.valueCount, block.values[block.valueCount]),
                  std::tuple(last ? 1u : 0u, live.count() + (last ? 2 : 1), -200.0f)) << rate;
        EXPECT_NEAR(block.values[block.valueCount - 1], -20.0f, 1e-4f) << rate;
    }
    // Silence reads -200 throughout; no spectrum gives no curve.
    const qv::CColumnMap live = builtMap(44100.0f, 4096, 0);
    MemoryCurveBlock block{};
    std::vector<float> silence(2049, 0.0f);
    qv::computeMemoryCurve(block, silence.data(), 2049, 44100.0f, live);
    EXPECT_EQ(block.valueCount, live.count() + 1);
    EXPECT_TRUE(std::all_of(std::begin(block.values), std::end(block.values), [](float v) { return v == -200.0f; }));
    qv::computeMemoryCurve(block, nullptr, 0, 44100.0f, live);
    EXPECT_EQ(block.valueCount, 0u);
}

}  // namespace
