// The records of every number, kept once per library copy: instances of this copy read each
// other's records without a single post, instances of another copy (here a port whose calls are
// not this copy's) still exchange full records both ways, readers never see a torn record, and
// joins and resets touch only their own number.
#include <thread>

#include "core/analysis_shared.h"
#include "core/registry_library.h"
#include "platform/module.h"
#include "registry_support.h"

namespace qvtest {
namespace {

using CopyRecords = RegistryTest;

// An instance that counts the measurement records posted to it.
struct CountingInstance : qv::CPlugin {
    std::atomic<int> measurements{0};
    CountingInstance() : CPlugin(0, 2, 2) {}
    ~CountingInstance() override { waitForWorkers(std::chrono::seconds(5)); }
    bool receiveMessage(qv::InstanceMessage* record) override {
        if (record && (record->type == qv::kMsgBandLevels || record->type == qv::kMsgSpectrum)) ++measurements;
        return CPlugin::receiveMessage(record);
    }
};

// An instance of another copy of the library, as far as this copy can tell: a port in the
// registry whose receive call is not this copy's. It counts the band records it gets per source.
struct ForeignCopy {
    qv::CRegistryLibrary registry;
    qv::InstancePort port{};
    std::uint32_t slot = 0;
    std::array<std::atomic<int>, 16> bandsFrom{};

    static std::int32_t receive(void* self, qv::InstanceMessage* record) {
        const auto* bands = reinterpret_cast<const qv::BandLevelRecord*>(record);
        if (record->type == qv::kMsgBandLevels && bands->source < 16) ++static_cast<ForeignCopy*>(self)->bandsFrom[bands->source];
        return 1;
    }
    static std::int32_t answer(void*, qv::InstanceMessage*) { return 0; }

    ForeignCopy() {
        EXPECT_TRUE(registry.open(qv::platform::moduleFolder()));
        port = qv::InstancePort{sizeof(qv::InstancePort), qv::InstancePort::kVersion, this, &receive, &answer};
        qv::CRegistryLockGuard guard(registry);
        while (registry.inUse(slot)) ++slot;
        registry.setInUse(slot, true);
        registry.setCount(registry.count() + 1);
        registry.setObject(slot, &port);
    }
    ~ForeignCopy() {
        qv::CRegistryLockGuard guard(registry);
        registry.setObject(slot, nullptr);
        EXPECT_TRUE(registry.drain(slot, std::chrono::seconds(5)));
        registry.setInUse(slot, false);
        registry.setCount(registry.count() - 1);
    }
    // Posts a record to the instance as another copy does: through its port.
    void post(qv::CPlugin& to, void* record) {
        auto* message = static_cast<qv::InstanceMessage*>(record);
        message->target = static_cast<std::uint32_t>(to.getRegistryIndex());
        const auto* target = static_cast<const qv::InstancePort*>(registry.object(message->target));
        EXPECT_EQ(target->receiveMessage(target->instance, message), 1);
    }
};

TEST_F(CopyRecords, SameCopyReadsInPlaceWithoutPostsAndAnotherCopyExchangesFullRecords) {
    CountingInstance instances[2];
    CountingInstance *a = &instances[0], *b = &instances[1];
    ForeignCopy foreign;
    const auto na = static_cast<std::uint32_t>(number(*a)), nb = static_cast<std::uint32_t>(number(*b));
    feedSine(*a, 1000.0, 4096 * 3);
    feedSine(*b, 100.0, 4096 * 3);
    // Each reads the other's 1 kHz and 100 Hz bands in the copy's records; neither got a post.
    qv::BandLevelRecord fromA{}, fromB{};
    b->readBandRecord(na, fromA), a->readBandRecord(nb, fromB);
    auto loudest = [](const qv::BandLevelRecord& r) { return std::max_element(r.levels, r.levels + 31) - r.levels; };
    EXPECT_EQ(std::pair(loudest(fromA), loudest(fromB)), std::pair(std::ptrdiff_t{17}, std::ptrdiff_t{7}));
    EXPECT_EQ(std::tuple(fromA.target, a->measurements.load(), b->measurements.load()),
              std::tuple(static_cast<std::uint32_t>(b->getRegistryIndex()), 0, 0));
    // The other copy got every band record of both: three measured each.
    EXPECT_TRUE(foreign.bandsFrom[na] >= 3 && foreign.bandsFrom[nb] >= 3) << foreign.bandsFrom[na] << " " << foreign.bandsFrom[nb];

    // Its records reach this copy through one instance and are read by every one; posted to the
    // second as well, it is not written again.
    qv::BandLevelRecord bands{272, qv::kMsgBandLevels, 0, 9, 5, 0, {}, {}};
    std::fill(std::begin(bands.levels), std::end(bands.levels), -42.0f);
    auto spectrum = std::make_unique<qv::SpectrumRecord>(), read = std::make_unique<qv::SpectrumRecord>();
    std::tie(spectrum->size, spectrum->type, spectrum->source, spectrum->sequence, spectrum->count) =
        std::tuple(qv::spectrumRecordBytes(257), qv::kMsgSpectrum, 9u, 6u, 257u);
    spectrum->power[100] = 0.5f;
    qv::CCopyRecords& records = *a->analysis().records;
    auto buffers = [&] {
        return std::pair(records.readBands(9, [](auto&, std::uint32_t at) { return at; }),
                         records.readSpectrum(9, [](auto&, std::uint32_t at) { return at; }));
    };
    foreign.post(*a, &bands), foreign.post(*a, spectrum.get());
    const auto written = buffers();
    foreign.post(*b, &bands), foreign.post(*b, spectrum.get());
    b->readBandRecord(9, fromA), a->readSpectrumRecord(9, *read);
    EXPECT_EQ(std::tuple(fromA.levels[30], fromA.sequence, read->power[100], read->sequence, b->droppedRecords()),
              std::tuple(-42.0f, 5u, 0.5f, 6u, std::uint64_t{0}));
    EXPECT_EQ(std::pair(buffers(), b->measurements.load()), std::pair(written, 2));
}

TEST(CopyRecordsStore, ReadersBesideAWriterSeeOnlyWholeRecords) {
    qv::BandLevelRecord floor{};
    qv::CCopyRecords records(floor);
    constexpr std::uint32_t kWrites = 4000;
    std::atomic<bool> done{false};
    std::atomic<int> torn{0}, reads{0};
    auto reader = [&] {
        auto copy = std::make_unique<qv::SpectrumRecord>();
        int bad = 0;
        while (!done.load()) {
            const qv::BandLevelRecord bands = records.readBands(3, [](auto& r, std::uint32_t) { return r; });
            for (float level : bands.levels) bad += level != static_cast<float>(bands.sequence);
            records.readSpectrum(3, [&](const qv::SpectrumRecord& r, std::uint32_t) { std::memcpy(copy.get(), &r, sizeof(r)); });
            for (std::uint32_t k = 0; copy->sequence != 0xFFFFFFFFu && k < copy->count; ++k)
                bad += copy->power[k] != static_cast<float>(copy->sequence);
            ++reads;
        }
        torn += bad;
    };
    std::thread r1(reader), r2(reader);
    auto bands = std::make_unique<qv::BandLevelRecord>();
    auto spectrum = std::make_unique<qv::SpectrumRecord>();
    std::uint32_t written = 0;
    for (std::uint32_t s = 0; s < kWrites; ++s) {
        bands->sequence = s;
        std::fill(std::begin(bands->levels), std::end(bands->levels), static_cast<float>(s));
        std::tie(spectrum->size, spectrum->sequence, spectrum->count) = std::tuple(qv::spectrumRecordBytes(2049), s, 2049u);
        std::fill_n(spectrum->power, 2049, static_cast<float>(s));
        // The writer never waits: a busy buffer gives the record up.
        written += records.writeBands(3, *bands, false) == qv::CCopyRecords::Write::kWritten;
        records.writeSpectrum(3, *spectrum, false);
    }
    done = true;
    r1.join(), r2.join();
    EXPECT_TRUE(torn.load() == 0 && reads.load() > 0 && written > 0) << torn.load() << " " << written;
    // The same record again (only its target differs) is not written twice.
    bands->target = 7;
    EXPECT_EQ(records.writeBands(3, *bands, true, true), qv::CCopyRecords::Write::kAlreadyThere);
}

TEST_F(CopyRecords, AJoinPutsItsNumberAtTheFloorAndAResetOnlyItsOwn) {
    auto a = makeInstance();
    auto b = makeInstance();
    const auto nb = static_cast<std::uint32_t>(number(*b));
    feedSine(*a, 1000.0, 4096 * 2);
    feedSine(*b, 1000.0, 4096 * 2);
    qv::BandLevelRecord got{};
    auto level = [&](qv::CPlugin& reader, std::uint32_t n) { return reader.readBandRecord(n, got), got.levels[17]; };
    const float floor = level(*a, 15);  // a number nobody ever held
    a->reset(true);
    b.reset();
    // What the leaver measured stays under its number; a's reset put back only a's own record.
    EXPECT_EQ(std::pair(level(*a, static_cast<std::uint32_t>(number(*a))), level(*a, nb) > -20.0f), std::pair(floor, true));
    auto c = makeInstance();
    ASSERT_EQ(static_cast<std::uint32_t>(number(*c)), nb);
    EXPECT_EQ(level(*a, nb), floor);
}

}  // namespace
}  // namespace qvtest
