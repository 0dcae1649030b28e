#include "core/copy_records.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/stream_copy.h"
#include "dsp/process_shared.h"

namespace qv {

namespace {

// Records compare from their source on: the target is the receiver's index, whoever wrote it.
constexpr std::size_t kFromSource = offsetof(BandLevelRecord, source);
static_assert(offsetof(SpectrumRecord, source) == kFromSource);

}  // namespace

void CCopyRecords::FreeTable::operator()(SpectrumTable* table) const { std::free(table); }

std::shared_ptr<CCopyRecords> CCopyRecords::acquire(const BandLevelRecord& floor) {
    // Gone with the last holder; what the library keeps holds no thread and no record.
    return processShared<CCopyRecords>(0, [&] { return std::make_shared<CCopyRecords>(floor); });
}

CCopyRecords::CCopyRecords(const BandLevelRecord& floor)
    : spectra_(static_cast<SpectrumTable*>(std::calloc(1, sizeof(SpectrumTable)))) {
    if (!spectra_) throw std::bad_alloc();
    for (auto& pair : bands_) pair.fill(floor);
    // No spectrum yet: a sequence no sender reaches soon.
    for (auto& pair : *spectra_) {
        for (SpectrumRecord& record : pair) record.sequence = 0xFFFFFFFFu;
    }
}

template <typename Record, typename Copy, typename Same>
CCopyRecords::Write CCopyRecords::write(Slot& slot, Pair<Record>& pair, const Record& record, bool wait, bool skipSame,
                                        Copy copy, Same same) {
    std::unique_lock<std::mutex> writing(slot.writer, std::defer_lock);
    if (wait) {
        writing.lock();
    } else if (!writing.try_lock()) {
        busy_.fetch_add(1, std::memory_order_relaxed);
        return Write::kBusy;
    }
    // Only writers change a buffer, and only under `writer`: the current one is read freely here.
    const std::uint32_t current = slot.current.load(std::memory_order_relaxed) & 1u;
    if (skipSame && same(pair[current], record)) return Write::kAlreadyThere;
    const std::uint32_t idle = current ^ 1u;
    {
        std::unique_lock<std::mutex> filling(slot.buffer[idle], std::defer_lock);
        if (wait) {
            filling.lock();
        } else if (!filling.try_lock()) {
            busy_.fetch_add(1, std::memory_order_relaxed);
            return Write::kBusy;
        }
        copy(pair[idle], record);
    }
    slot.current.store(idle, std::memory_order_release);
    return Write::kWritten;
}

CCopyRecords::Write CCopyRecords::writeBands(std::uint32_t number, const BandLevelRecord& record, bool wait, bool skipSame) {
    if (number >= kNumbers) return Write::kBusy;
    return write(bandSlots_[number], bands_[number], record, wait, skipSame,
                 [](BandLevelRecord& to, const BandLevelRecord& from) { std::memcpy(&to, &from, sizeof(to)); },
                 [](const BandLevelRecord& a, const BandLevelRecord& b) {
                     return std::memcmp(reinterpret_cast<const char*>(&a) + kFromSource,
                                        reinterpret_cast<const char*>(&b) + kFromSource, sizeof(a) - kFromSource) == 0;
                 });
}

CCopyRecords::Write CCopyRecords::writeSpectrum(std::uint32_t number, const SpectrumRecord& record, bool wait, bool skipSame) {
    if (number >= kNumbers) return Write::kBusy;
    return write(spectrumSlots_[number], (*spectra_)[number], record, wait, skipSame,
                 [](SpectrumRecord& to, const SpectrumRecord& from) { streamCopy(&to, &from, spectrumBytesOf(from)); },
                 [](const SpectrumRecord& a, const SpectrumRecord& b) {
                     const std::uint32_t bytes = spectrumBytesOf(b);
                     return a.size == b.size && std::memcmp(reinterpret_cast<const char*>(&a) + kFromSource,
                                                            reinterpret_cast<const char*>(&b) + kFromSource,
                                                            bytes - kFromSource) == 0;
                 });
}

}  // namespace qv
