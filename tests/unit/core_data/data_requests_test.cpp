#include "data_test_support.h"
#include "support/feeder.h"

namespace {

using namespace qvtest;
using qv::CurveRecord;

std::vector<std::uint8_t> curves(TestPlugin& p, std::uint32_t capacity = qv::kCurvesRequestBytes) {
    auto r = request(capacity, qv::kDataCurves);
    EXPECT_TRUE(p.getData(r.data()));
    return r;
}

// Malformed reads and writes, one byte off each size and one past each index: refused, and
// nothing of the buffer written.
struct Refusal {
    std::uint32_t size, type, a, b, bytes;
    bool write;
};
constexpr Refusal kRefusals[] = {  // type 3 the instance map, 1 curves
    {15, 3, 0, 0, 0, false},             {0, 1, 0, 0, 64, false},             {100, 5, 0, 0, 0, false},
    {100, 0xFFFFFFFFu, 0, 0, 0, false},  {288, 0, 0, 0, 0, false},            {287, 0, 1, 0, 0, false},
    {6783, 2, 0, 0, 6784, false},        {6785, 2, 0, 0, 0, false},           {6784, 2, 16, 0, 0, false},
    {6784, 2, 0, 8, 0, false},           {31, 3, 0, 0, 32, false},            {99, 7, 0, 0, 100, false},
    {101, 7, 0, 0, 0, false},            {287, 101, 0, 0, 288, false},        {288, 101, 16, 0, 0, false},
    {288, 101, 0, 8, 0, false},          {287, 101, 0, 0, 288, true},         {289, 101, 0, 0, 0, true},
    {288, 101, 16, 0, 0, true},          {288, 101, 0, 8, 0, true},           {288, 102, 0, 0, 0, true},
    {527, 32, 0, 0, 528, true},          {528, 32, 16, 0, 0, true},           {8, 101, 0, 0, 16, true},
};

TEST(DataRequests, BadRequestsAreRefusedWithoutWritingAnything) {
    TestPlugin p;
    p.fftView();
    EXPECT_FALSE(p.getData(nullptr) || p.putData(nullptr));
    for (const Refusal& bad : kRefusals) {
        auto buffer = request(bad.size, bad.type, bad.a, bad.b, bad.bytes);
        const auto before = buffer;
        EXPECT_FALSE(bad.write ? p.putData(buffer.data()) : p.getData(buffer.data())) << bad.size << "/" << bad.type;
        EXPECT_EQ(buffer, before) << bad.size << "/" << bad.type;
    }
    // A type 1 buffer one byte short gets size 0 and nothing else.
    auto shortBuffer = request(36575, qv::kDataCurves, 7, 9), before = shortBuffer;
    EXPECT_FALSE(p.getData(shortBuffer.data()));
    std::fill_n(before.begin(), 4, 0);
    EXPECT_EQ(shortBuffer, before);
    auto read = request(288, 101, 15, 7);  // the last slot, never written: silence
    ASSERT_TRUE(p.getData(read.data()));
    EXPECT_EQ(f32At(read, 16 + 148), -200.0f);
}

// Type 3 is the instance map whatever the size: a request of ids + 1 bytes once went to the
// word-counted settings snapshot and had 4 × (ids + 1) bytes written into it.
TEST(DataRequests, TypeThreeIsTheInstanceMapAndNoReplyOutgrowsItsRequest) {
    TestPlugin p;
    const std::uint32_t ids = p.getNumParamIds();
    ASSERT_GT(ids, 300u);
    for (std::uint32_t type : {0u, 3u}) {
        auto r = request(ids + 1, type, 1, 0, ids + 1);  // nothing beyond the request's own bytes
        ASSERT_TRUE(p.getData(r.data())) << type;
        EXPECT_EQ(u32At(r, 0), type == 3 ? 32u : qv::bandRecordsReplyBytes(1)) << type;
    }
    // Snapshots of the base fit only below a request header: a host-parameter snapshot (none).
    std::uint32_t words[2] = {1, 3};
    EXPECT_FALSE(p.getData(words));
    EXPECT_EQ(words[1], 3u);
}

TEST(DataRequests, BandRecordsOfEveryNumberInUseWithTheSwitchFlag) {
    TestPlugin p(0b1000'0000'0000'0101);
    auto& shared = p.analysis();
    const std::uint32_t numbers[3] = {0, 2, 15};
    for (std::uint32_t n : numbers) {
        qv::BandLevelRecord record{};
        record.levels[10] = 99.0f;  // left in the idle buffer
        shared.records->writeBands(n, record, true);
        std::tie(record.levels[10], record.source) = std::pair(-static_cast<float>(n), n);
        shared.records->writeBands(n, record, true);
    }
    p.set(id::kMuteFirst + 2, 1.0f);  // M switch of number 2: hidden
    auto r = request(qv::bandRecordsReplyBytes(3), 0, 1, 77, 4096);
    ASSERT_TRUE(p.getData(r.data()));
    EXPECT_EQ(std::pair(u32At(r, 0), u32At(r, 12)), std::pair(qv::bandRecordsReplyBytes(3), 3u));
    for (std::uint32_t k = 0; k < 3; ++k) {  // number, switch flag, level of band 10
        const std::size_t o = 16 + k * 272;
        EXPECT_EQ(std::tuple(u32At(r, o + 12), u32At(r, o + 20), f32At(r, o + 148 + 40)),
                  std::tuple(numbers[k], k == 1 ? 1u : 0u, -static_cast<float>(numbers[k])));
    }
    EXPECT_EQ(r[qv::bandRecordsReplyBytes(3)], 0xA5);  // nothing beyond the records

    auto map = request(36, 3);
    ASSERT_TRUE(p.getData(map.data()));
    EXPECT_EQ(u32At(map, 0), 32u);  // a flag for each of the 16 numbers, and nothing beyond
    EXPECT_EQ(std::vector<std::uint8_t>(map.begin() + 16, map.begin() + 33),
              (std::vector<std::uint8_t>{1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0xA5}));
}

TEST(DataRequests, SequencesBandMemoryAndNames) {
    TestPlugin p(0b11);
    p.putFlat(1, 4096, 44100.0f, 1.0f);
    p.putSpectrum(1, 2049, 44100.0f, [](std::uint32_t) { return 1.0f; }, 4242);
    auto seq = request(100, 7);
    ASSERT_TRUE(p.getData(seq.data()));
    EXPECT_EQ(std::pair(u32At(seq, 0), u32At(seq, 16 + 4)), std::pair(100u, 4242u));
    EXPECT_EQ(seq[80], 0xA5);

    auto put = request(288, 101, 9, 6), get = put, other = request(288, 101, 9, 5);
    for (std::size_t b = 0; b < 31; ++b) putU32(put, 16 + 24 + 4 * b, std::bit_cast<std::uint32_t>(-3.0f * b));
    ASSERT_TRUE(p.putData(put.data()));
    ASSERT_TRUE(p.getData(get.data()) && p.getData(other.data()));
    EXPECT_EQ(u32At(get, 4), 253u);
    EXPECT_TRUE(std::equal(get.begin() + 16, get.end(), put.begin() + 16));
    EXPECT_EQ(f32At(other, 16 + 24), -200.0f);

    // Renaming takes only name a from the record.
    auto names = request(528, 32, 4);
    std::memset(names.data() + 16, 0, 512);
    std::strcpy(reinterpret_cast<char*>(names.data() + 16 + 32 * 4), "Drums");
    std::strcpy(reinterpret_cast<char*>(names.data() + 16 + 32 * 5), "Bass");
    ASSERT_TRUE(p.putData(names.data()));
    void* chunk = nullptr;
    ASSERT_GT(p.getChunk(&chunk, false), 0);
    const char* stored = static_cast<const char*>(chunk) + 752;
    EXPECT_EQ(std::pair(std::string(stored + 32 * 4), std::string(stored + 32 * 5)),
              std::pair(std::string("Drums"), std::string("Instance 6")));
}

TEST(DataRequests, CurvesOfEveryNumberInUse) {
    TestPlugin p(0b1001);
    p.fftView();
    p.putFlat(0, 4096, 44100.0f, 1e-2f);
    p.putSpectrum(3, 2049, 44100.0f, [](std::uint32_t) { return 1e-4f; }, 17);
    p.set(id::kMuteFirst + 3, 1.0f);
    auto r = curves(p);
    EXPECT_EQ(std::tuple(u32At(r, 0), u32At(r, 4), f32At(r, 16), f32At(r, 20)),
              std::tuple(32u + 2 * CurveRecord::kSize, 2u, 10.0f, 20000.0f));
    const std::uint32_t points = p.dataService().columnMap().count() + 1;
    for (std::uint32_t k = 0; k < 2; ++k) {
        const CurveRecord& c = curveAt(r, k);
        // size, number, switch flag, valid, bins, rate, first point, values
        EXPECT_EQ(std::tuple(c.size, c.number, c.switchFlag, c.valid, c.binCount, c.sampleRate, c.hasFirst, c.valueCount),
                  std::tuple(CurveRecord::kSize, 3 * k, k, 1u, 2049u, 44100.0f, 1u, points));
        for (std::uint32_t v = 0; v < points; ++v) ASSERT_NEAR(c.values[v], k == 0 ? -20.0f : -40.0f, 1e-4f);
        EXPECT_EQ(c.values[points], -200.0f);
    }
    EXPECT_EQ(curveAt(r, 1).sequence, 17u);
    EXPECT_EQ(r[32 + 2 * CurveRecord::kSize], 0xA5);

    // A spectrum of the previous FFT size shows as silence; a number with no spectrum yet
    // makes the whole reply empty.
    p.fftSizeIndex(4);
    r = curves(p);
    EXPECT_EQ(std::pair(curveAt(r, 0).binCount, curveAt(r, 0).values[50]), std::pair(4097u, -200.0f));
    p.used = 0b1011;
    r = curves(p);
    EXPECT_EQ(std::pair(u32At(r, 0), u32At(r, 4)), std::pair(0u, 3u));
    EXPECT_EQ(curveAt(r, 1).valid, 0u);
}

TEST(DataRequests, AveragingServesMeanMagnitudesInDecibelsWithFactorTwentyOrSwitchesOffWithAMessage) {
    TestPlugin p;
    p.fftView();
    p.set(id::kAverageTime, (2.0f * 4096 / 44100 + 0.01f - 0.1f) / 4.9f);  // two 4096-point spectra
    p.set(id::kAverageOn, 1.0f);
    p.putFlat(0, 4096, 44100.0f, 1e-2f);
    // A mean of magnitudes 1 and 0.5: 20 log10(0.75), where a mean of powers would read -2.04 dB.
    for (float power : {1.0f, 0.25f}) p.averageFlat(2049, power);
    EXPECT_NEAR(curveAt(curves(p), 0).values[30], 20.0f * std::log10(0.75f), 1e-4f);
    p.set(id::kAverageOn, 0.0f);
    EXPECT_NEAR(curveAt(curves(p), 0).values[30], -20.0f, 1e-4f);  // off again: the latest powers

    MessageCapture capture;
    p.spectrumAverager().setAllocator([](std::size_t) -> void* { return nullptr; });
    p.set(id::kAverageOn, 1.0f);
    p.showPendingMessages();
    EXPECT_FALSE(p.spectrumAverager().active());
    EXPECT_EQ(MessageCapture::messages,
              std::vector<std::string>{"Quorvane - An Error occured|Unable to allocate memory to enable average mode."});
}

TEST(DataRequests, AudioKeepsRunningWhileAveragingAndSizesChangeUnderTheDisplay) {
    TestPlugin p;
    p.fftView();
    p.set(id::kAverageTime, 0.2f);
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        Feeder feed(p, 2, 256);
        feed.paced = false;
        while (!stop.load()) feed.sine(2000.0, 44100.0, 256);
    });
    for (int round = 0; round < 20; ++round) {
        p.set(id::kAverageOn, round % 4 == 3 ? 0.0f : 1.0f);
        if (round % 5 == 0) p.fftSizeIndex(static_cast<std::uint32_t>(round / 5 % 3));  // 512 runs inside process
        for (int frame = 0; frame < 3; ++frame) {
            const auto r = curves(p);
            if (u32At(r, 0) == 0) continue;
            const CurveRecord& c = curveAt(r, 0);
            for (std::uint32_t v = 0; v < c.valueCount; ++v) ASSERT_TRUE(std::isfinite(c.values[v]));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    stop = true;
    audio.join();
}

}  // namespace
