// Band records, spectrum records and averages that a fixed input produces, checked against
// checksums recorded from the per-instance-thread engine: how the jobs are scheduled and where
// the records are kept must not change a single bit of what an editor reads.
#include "registry_support.h"

namespace qvtest {
namespace {

using RecordedValues = RegistryTest;

struct Checksum {
    std::uint64_t h = 1469598103934665603ull;
    void add(const void* data, std::size_t bytes) {
        for (std::size_t i = 0; i < bytes; ++i) h = (h ^ static_cast<const std::uint8_t*>(data)[i]) * 1099511628211ull;
    }
};

// Per reader and per number: the band payload, the spectrum payload and the mean.
std::vector<std::uint64_t> readAll(qv::CPlugin& reader, const std::vector<int>& numbers) {
    std::vector<std::uint64_t> sums;
    for (int n : numbers) {
        Checksum bands, spectrum, mean;
        qv::BandLevelRecord b{};
        reader.readBandRecord(static_cast<std::uint32_t>(n), b);
        bands.add(b.peaks, sizeof(b.peaks) + sizeof(b.levels));
        auto s = std::make_unique<qv::SpectrumRecord>();
        reader.readSpectrumRecord(static_cast<std::uint32_t>(n), *s);
        spectrum.add(&s->count, sizeof(s->count) + sizeof(s->sampleRate));
        spectrum.add(s->power, 4u * std::min<std::uint32_t>(s->count, qv::kSpectrumRecordSlots));
        std::vector<float> average(2049, -1.0f);
        if (reader.spectrumAverager().copyAverage(static_cast<std::uint32_t>(n), 2049, average.data()))
            mean.add(average.data(), average.size() * 4);
        sums.insert(sums.end(), {bands.h, spectrum.h, mean.h});
    }
    return sums;
}

TEST_F(RecordedValues, RecordsAndAveragesOfTwoInstancesMatchTheRecordedChecksums) {
    auto a = makeInstance();
    auto b = makeInstance();
    for (auto* p : {a.get(), b.get()}) {
        p->setParameter(id::kAnalysisView, 1.0f, 0, false, true);
        p->setParameter(id::kAverageOn, 1.0f, 0, false, true);
    }
    b->setParameter(id::kAnalysisView, 0.0f, 0, false, true);  // bands and spectra both measured
    Feeder fa(*a), fb(*b);
    for (int round = 0; round < 12; ++round) {
        fa.sine(997.0, 44100.0, 2048, 0.5f);
        fb.sine(3001.0 + 50.0 * round, 44100.0, 2048, 0.25f, 1);
    }
    const std::vector<int> numbers = {number(*a), number(*b)};
    std::vector<std::uint64_t> sums = readAll(*a, numbers);
    const std::vector<std::uint64_t> fromB = readAll(*b, numbers);
    sums.insert(sums.end(), fromB.begin(), fromB.end());
    // Optimisation levels order some sums differently, and the C libraries' sines differ: one
    // table per build.
#if defined(_WIN32)
    const std::vector<std::uint64_t> recorded = {
        8512189137890447099ull,  12413577851431478778ull, 4070160322355300516ull,  18051644758006510435ull,
        16310119258443411120ull, 11902652351106437417ull, 8512189137890447099ull,  12413577851431478778ull,
        1469598103934665603ull,  18051644758006510435ull, 16310119258443411120ull, 1469598103934665603ull};
#elif defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    const std::vector<std::uint64_t> recorded = {
        442750878412117023ull,  13129924823931029871ull, 3406926931932134900ull, 5523193379988629379ull,
        5934486324173012291ull, 14734694629909845707ull, 442750878412117023ull,  13129924823931029871ull,
        1469598103934665603ull, 5523193379988629379ull,  5934486324173012291ull, 1469598103934665603ull};
#else
    const std::vector<std::uint64_t> recorded = {
        442750878412117023ull,  556362174203003186ull, 14086470232355481251ull, 5523193379988629379ull,
        2391777791828680972ull, 7065212365412878036ull, 442750878412117023ull,  556362174203003186ull,
        1469598103934665603ull, 5523193379988629379ull, 2391777791828680972ull, 1469598103934665603ull};
#endif
    EXPECT_EQ(sums, recorded) << ::testing::PrintToString(sums);
}

}  // namespace
}  // namespace qvtest
