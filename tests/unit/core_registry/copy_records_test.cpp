// The records of every number, kept once per library copy: this copy's instances read each
// other's records without a post, another copy (a port whose calls are not this copy's) still
// exchanges full records both ways, joins and resets touch only their own number, and readers
// beside a writer never see a torn record.
#include "core/analysis_shared.h"
#include "core/registry_library.h"
#include "platform/module.h"
#include "registry_support.h"

namespace qvtest {
namespace {

using CopyRecords = RegistryTest;

struct CountingInstance : qv::CPlugin {  // counts the measurement records posted to it
    std::atomic<int> posts{0};
    CountingInstance() : CPlugin(0, 2, 2) {}
    ~CountingInstance() override { waitForWorkers(std::chrono::seconds(5)); }
    bool receiveMessage(qv::InstanceMessage* r) override {
        posts += r && (r->type == qv::kMsgBandLevels || r->type == qv::kMsgSpectrum);
        return CPlugin::receiveMessage(r);
    }
};

// An instance of another copy in a registry slot, counting the band records it gets per source.
struct ForeignCopy {
    qv::CRegistryLibrary registry;
    qv::InstancePort port{sizeof(qv::InstancePort), qv::InstancePort::kVersion, this, &receive, &receive};
    std::uint32_t slot = 0;
    std::array<std::atomic<int>, 16> bandsFrom{};
    static std::int32_t receive(void* self, qv::InstanceMessage* r) {
        const std::uint32_t source = reinterpret_cast<const qv::BandLevelRecord*>(r)->source;
        if (r->type == qv::kMsgBandLevels && source < 16) ++static_cast<ForeignCopy*>(self)->bandsFrom[source];
        return r->type == qv::kMsgBandLevels;  // no query answered
    }
    ForeignCopy() {
        EXPECT_TRUE(registry.open(qv::platform::moduleFolder()));
        qv::CRegistryLockGuard guard(registry);
        while (registry.inUse(slot)) ++slot;
        registry.setInUse(slot, true), registry.setCount(registry.count() + 1), registry.setObject(slot, &port);
    }
    ~ForeignCopy() {
        qv::CRegistryLockGuard guard(registry);
        registry.setObject(slot, nullptr);
        EXPECT_TRUE(registry.drain(slot, std::chrono::seconds(5)));
        registry.setInUse(slot, false), registry.setCount(registry.count() - 1);
    }
};

TEST_F(CopyRecords, OneCopyReadsInPlaceAnotherGetsFullRecordsAndJoinsAndResetsTouchTheirOwnNumber) {
    CountingInstance a, b;
    ForeignCopy foreign;
    const auto na = static_cast<std::uint32_t>(number(a)), nb = static_cast<std::uint32_t>(number(b));
    feedSine(a, 1000.0, 4096 * 3);
    feedSine(b, 100.0, 4096 * 3);
    qv::BandLevelRecord got{};
    auto loudest = [&](qv::CPlugin& reader, std::uint32_t n) {
        reader.readBandRecord(n, got);
        return std::max_element(got.levels, got.levels + 31) - got.levels;
    };
    const auto fromA = loudest(b, na);
    const std::uint32_t target = got.target;  // read by b, so addressed to b
    EXPECT_EQ(std::tuple(fromA, target, loudest(a, nb), a.posts.load() + b.posts.load()),
              std::tuple(17, static_cast<std::uint32_t>(b.getRegistryIndex()), 7, 0));
    EXPECT_TRUE(foreign.bandsFrom[na] >= 3 && foreign.bandsFrom[nb] >= 3) << foreign.bandsFrom[na] << " " << foreign.bandsFrom[nb];

    // The other copy's records, posted to one instance through its port, are read by all.
    auto spectrum = std::make_unique<qv::SpectrumRecord>(), read = std::make_unique<qv::SpectrumRecord>();
    std::tie(spectrum->size, spectrum->type, spectrum->target, spectrum->source, spectrum->sequence, spectrum->count) =
        std::tuple(qv::spectrumRecordBytes(257), qv::kMsgSpectrum, static_cast<std::uint32_t>(a.getRegistryIndex()), 9u, 6u, 257u);
    spectrum->power[100] = 0.5f;
    const auto* port = static_cast<const qv::InstancePort*>(foreign.registry.object(spectrum->target));
    EXPECT_EQ(port->receiveMessage(port->instance, reinterpret_cast<qv::InstanceMessage*>(spectrum.get())), 1);
    b.readSpectrumRecord(9, *read);
    EXPECT_EQ(std::tuple(read->power[100], read->sequence, a.posts.load()), std::tuple(0.5f, 6u, 1));

    // A reset puts back only the own number; a leaver's bands stay until its number is taken.
    auto c = makeInstance();
    const auto nc = static_cast<std::uint32_t>(number(*c));
    feedSine(*c, 1000.0, 4096 * 2);
    const float floor = (a.readBandRecord(15, got), got.levels[17]);  // nobody ever held 15
    a.reset(true), c.reset();
    const float ownAfterReset = (a.readBandRecord(na, got), got.levels[17]);
    EXPECT_EQ(std::tuple(ownAfterReset, loudest(a, nb), loudest(a, nc)), std::tuple(floor, 7, 17));
    c = makeInstance();
    EXPECT_EQ(std::pair(static_cast<std::uint32_t>(number(*c)), (a.readBandRecord(nc, got), got.levels[17])), std::pair(nc, floor));
}

TEST(CopyRecordsStore, ReadersBesideAWriterThatNeverWaitsSeeOnlyWholeRecords) {
    qv::CCopyRecords records(qv::BandLevelRecord{});
    std::atomic<bool> done{false};
    std::atomic<int> torn{0}, reads{0};
    auto reader = [&] {
        int bad = 0;
        for (; !done.load(); ++reads) {
            const qv::BandLevelRecord bands = records.readBands(3, [](auto& r, std::uint32_t) { return r; });
            for (float level : bands.levels) bad += level != static_cast<float>(bands.sequence);
            records.readSpectrum(3, [&](const qv::SpectrumRecord& r, std::uint32_t) {  // read in place
                for (std::uint32_t k = 0; r.sequence != 0xFFFFFFFFu && k < r.count; ++k) bad += r.power[k] != static_cast<float>(r.sequence);
            });
        }
        torn += bad;
    };
    std::thread r1(reader), r2(reader);
    auto bands = std::make_unique<qv::BandLevelRecord>();
    auto spectrum = std::make_unique<qv::SpectrumRecord>();
    std::uint32_t written = 0;
    for (std::uint32_t s = 0; s < 4000 || reads.load() < 200; ++s) {
        bands->sequence = s;
        std::fill(std::begin(bands->levels), std::end(bands->levels), static_cast<float>(s));
        std::tie(spectrum->size, spectrum->sequence, spectrum->count) = std::tuple(qv::spectrumRecordBytes(2049), s, 2049u);
        std::fill_n(spectrum->power, 2049, static_cast<float>(s));
        written += records.writeBands(3, *bands, false) == qv::CCopyRecords::Write::kWritten;
        records.writeSpectrum(3, *spectrum, false);
    }
    done = true;
    r1.join(), r2.join();
    EXPECT_TRUE(torn.load() == 0 && reads.load() > 0 && written > 0) << torn.load() << " " << written;
    // The same record for another receiver is not written twice.
    const auto first = records.writeBands(3, *bands, true);
    bands->target = 7;
    EXPECT_EQ(std::pair(first, records.writeBands(3, *bands, true, true)),
              std::pair(qv::CCopyRecords::Write::kWritten, qv::CCopyRecords::Write::kAlreadyThere));
}

}  // namespace
}  // namespace qvtest
