// Records between instances: measurements arrive in the others, and malformed or misaddressed
// records are ignored.

#include "core/analysis_shared.h"
#include "core/data_request.h"
#include "registry_support.h"

namespace qvtest {
namespace {

using Messages = RegistryTest;

TEST_F(Messages, BandAndSpectrumRecordsArriveInTheOthersWithRisingSequence) {
    auto a = makeInstance(), b = makeInstance();
    const auto from = static_cast<std::uint32_t>(number(*a));
    // Feeds one block of each view at a time (measured and posted on return) until a new record
    // shows up in the other instance.
    auto nextArrival = [&](auto read) {
        const std::uint32_t before = read();
        std::uint32_t now = before;
        for (int tries = 0; tries < 20 && now == before; ++tries) feedSine(*a, 1000.0, 4096), now = read();
        EXPECT_NE(now, before) << "no record arrived";
        return std::pair(before, now);
    };

    qv::BandLevelRecord got{};
    auto bandSequence = [&] { return b->readBandRecord(from, got), got.sequence; };
    for (int block = 0; block < 4; ++block) {
        const auto [before, now] = nextArrival(bandSequence);
        EXPECT_TRUE(block == 0 || now > before) << before << " then " << now;
        EXPECT_EQ(std::pair(got.source, got.target), std::pair(from, static_cast<std::uint32_t>(b->getRegistryIndex())));
    }
    // The 1 kHz band of a full-scale 1 kHz sine reads -17.48 dB, in the other instance too; its
    // own (silent) number stays at the floor.
    qv::BandLevelRecord own{};
    b->readBandRecord(static_cast<std::uint32_t>(number(*b)), own);
    EXPECT_NEAR(got.levels[17], -17.48f, 0.3f);
    EXPECT_TRUE(got.levels[5] < got.levels[17] - 40.0f && own.levels[17] < -80.0f) << got.levels[5] << " " << own.levels[17];

    // In the spectrum view (4096 points) spectra travel too.
    a->setParameter(id::kAnalysisView, 1.0f, 0, false, true);
    auto spectrum = std::make_unique<qv::SpectrumRecord>();
    auto spectrumSequence = [&] { return b->readSpectrumRecord(from, *spectrum), spectrum->sequence; };
    for (int block = 0; block < 3; ++block) {
        const auto [before, now] = nextArrival(spectrumSequence);
        EXPECT_TRUE(block == 0 || now > before) << before << " then " << now;
        ASSERT_EQ(std::tuple(spectrum->count, spectrum->size, spectrum->source), std::tuple(2049u, 52u + 4u * 2049u, from));
        const auto peak = std::max_element(spectrum->power, spectrum->power + 2049) - spectrum->power;
        EXPECT_NEAR(static_cast<double>(peak), 1000.0 * 4096 / 44100.0, 1.0);
    }

    // Back in the band view, a display reads everything the whole time (far more often than a
    // real one). Neither the feeding thread nor the poster takes any other lock the reader takes,
    // so only the record protocol orders the reads against the writes of the next records. A
    // record that meets a read in progress is dropped rather than waited for.
    a->setParameter(id::kAnalysisView, 0.0f, 0, false, true);
    std::atomic<bool> stop{false};
    std::atomic<std::uint32_t> reads{0};
    std::thread reader([&] {
        std::vector<std::uint8_t> reply(qv::kCurvesRequestBytes);
        auto* request = reinterpret_cast<qv::DataRequest*>(reply.data());
        while (!stop.load()) {
            *request = qv::DataRequest{qv::bandRecordsReplyBytes(16), qv::kDataBandRecords, 1, 0};
            b->getData(request);
            *request = qv::DataRequest{qv::kCurvesRequestBytes, qv::kDataCurves, 0, 0};
            b->getData(request);
            reads.fetch_add(1);
            std::this_thread::sleep_for(1ms);
        }
    });
    while (reads.load() == 0) std::this_thread::yield();  // reading before the writes begin
    const std::uint32_t bandsBefore = bandSequence();
    for (int block = 0; block < 12; ++block) feedSine(*a, 1000.0, 4096), std::this_thread::sleep_for(2ms);
    stop.store(true);
    reader.join();
    EXPECT_GT(bandSequence(), bandsBefore);
}

TEST_F(Messages, MalformedMisaddressedOrOwnRecordsAreIgnored) {
    auto a = makeInstance(), b = makeInstance();
    const auto bIndex = static_cast<std::uint32_t>(b->getRegistryIndex());
    const auto bNumber = static_cast<std::uint32_t>(number(*b));
    auto record = std::make_unique<qv::SpectrumRecord>(), stored = std::make_unique<qv::SpectrumRecord>();
    auto* message = reinterpret_cast<qv::InstanceMessage*>(record.get());
    auto shape = [&](std::uint32_t count, std::uint32_t size, std::uint32_t source, std::uint32_t target) {
        std::tie(record->type, record->count, record->size, record->source, record->target) =
            std::tuple(qv::kMsgSpectrum, count, size, source, target);
    };
    auto storedSequence = [&] { return b->readSpectrumRecord(0, *stored), stored->sequence; };
    // One float too many for the count, a count whose size wraps to 52, from its own number,
    // addressed to somebody else.
    const std::uint32_t good = 52 + 4 * 257;
    const std::uint32_t before = storedSequence();
    for (const auto& [count, size, source, target] :
         {std::tuple(257u, good + 4, 0u, bIndex), std::tuple(0x40000000u, 52u, 0u, bIndex),
          std::tuple(257u, good, bNumber, bIndex), std::tuple(257u, good, 0u, bIndex + 1)}) {
        shape(count, size, source, target);
        EXPECT_FALSE(b->receiveMessage(message)) << count << " " << size << " " << source << " " << target;
        EXPECT_FALSE(size == good + 4 && a->postToInstance(message));
    }
    EXPECT_EQ(storedSequence(), before);  // nothing arrived
    // A good record arrives, and the largest arrives whole.
    constexpr std::uint32_t kMaxBins = qv::kSpectrumMaxBins;
    for (const auto& [count, bin, sequence] : {std::tuple(257u, 3u, 77u), std::tuple(kMaxBins, kMaxBins - 1, 78u)}) {
        shape(count, qv::spectrumRecordBytes(count), 0, bIndex);
        std::tie(record->sequence, record->power[bin]) = std::pair(sequence, 1.0f);
        EXPECT_TRUE(a->postToInstance(message));
        EXPECT_EQ(std::pair(storedSequence(), stored->power[bin]), std::pair(sequence, 1.0f)) << count;
    }

    qv::BandLevelRecord bands{272, qv::kMsgBandLevels, bIndex, 16};  // from number 16
    EXPECT_FALSE(b->receiveMessage(reinterpret_cast<qv::InstanceMessage*>(&bands)));

    // Unknown types, wrong sizes, queries posted, posts to empty slots or past the registry.
    qv::InstanceMapBlock map{};
    qv::RenumberMessage renumber{};
    using M = qv::InstanceMessage;
    constexpr std::uint32_t kRenumberSize = qv::RenumberMessage::kSize;
    for (const M header : {M{87, qv::kMsgMapPost, bIndex}, M{88, qv::kMsgMapQuery, bIndex}, M{12, 7, bIndex},
                           M{kRenumberSize, qv::kMsgRenumber, 9}, M{kRenumberSize, qv::kMsgRenumber, 16}}) {
        qv::InstanceMessage* m = header.type == qv::kMsgRenumber ? &renumber.header : &map.header;
        *m = header;
        EXPECT_FALSE(a->postToInstance(m)) << header.size << " " << header.type << " " << header.target;
    }
    EXPECT_TRUE(a->postToInstance(nullptr));
    map.header = qv::InstanceMessage{88, qv::kMsgMapQuery, bIndex};
    EXPECT_TRUE(a->queryInstance(&map.header));
    EXPECT_EQ(map.numbers[bIndex], static_cast<std::int32_t>(bNumber));
    // A map naming a sender index outside the registry changes nothing.
    map.header = qv::InstanceMessage{88, qv::kMsgMapPost, bIndex};
    map.senderIndex = 16;
    EXPECT_FALSE(b->receiveMessage(&map.header));
    EXPECT_EQ(b->countInstanceNumbers(), 2u);

    // Numbers and indexes past 15 and modes past swapping reach nothing.
    EXPECT_FALSE(b->instanceNumberAt(16) != -1 || b->readBandRecord(16, bands) || b->readSpectrumRecord(16, *stored));
    constexpr std::uint32_t kRename = qv::RenumberMessage::kRename, kSwap = qv::RenumberMessage::kSwap;
    for (const auto& [mode, x, y] :
         {std::tuple(kSwap + 1, 0, 1), std::tuple(kRename, -1, 0), std::tuple(kRename, 0, 16)})
        EXPECT_FALSE(a->renumberInstances(mode, x, y)) << mode << " " << x << " " << y;
    renumber = {{kRenumberSize, qv::kMsgRenumber, bIndex}, 0, kSwap + 1, 0, static_cast<std::int32_t>(bNumber)};
    b->receiveMessage(&renumber.header);
    EXPECT_EQ(number(*b), static_cast<int>(bNumber));
}

}  // namespace
}  // namespace qvtest
