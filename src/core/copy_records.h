// The newest band and spectrum record of every instance number, kept once per library copy:
// the measuring instance's jobs write their own number, records from instances of other copies
// are written by whichever instance of this copy receives them first, and every instance of the
// copy reads them in place.
//
// Each number has two buffers per kind and a selector naming the current one. A writer fills the
// idle buffer and then flips the selector; a reader holds the lock of the buffer it reads, and a
// writer holds the lock of the buffer it fills, so a read never overlaps a write into the same
// buffer. Writers that must not wait (the jobs, records from other copies) only try the locks
// and drop the record when one is busy; that happens only when a read outlasts a whole record
// period, or two writers meet on one number. Readers wait at most for one record's copy.
//
// Co-owned by every instance of the copy and by their jobs (through AnalysisShared), so it
// outlives any job that still runs after its instance went.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "dsp/measurement_records.h"

namespace qv {

class CCopyRecords {
public:
    static constexpr std::uint32_t kNumbers = 16;

    // The store of this copy, made (with every band record set to floor and no spectrum yet) when
    // no instance of the copy holds one.
    static std::shared_ptr<CCopyRecords> acquire(const BandLevelRecord& floor);

    explicit CCopyRecords(const BandLevelRecord& floor);
    CCopyRecords(const CCopyRecords&) = delete;
    CCopyRecords& operator=(const CCopyRecords&) = delete;

    enum class Write { kWritten, kAlreadyThere, kBusy };
    // Makes record the current one of number (below kNumbers). wait: take the locks as they come
    // (a GUI thread); otherwise give up (kBusy, counted) when one is held. skipSame: a record equal
    // to the current one in everything but its target is not written again (kAlreadyThere).
    Write writeBands(std::uint32_t number, const BandLevelRecord& record, bool wait, bool skipSame = false);
    Write writeSpectrum(std::uint32_t number, const SpectrumRecord& record, bool wait, bool skipSame = false);

    // Calls read(record, buffer) with the current record of number (below kNumbers) and the index
    // of the buffer that holds it, under that buffer's lock: read copies what it needs and returns.
    template <typename Read>
    decltype(auto) readBands(std::uint32_t number, Read&& read) const {
        return readIn(bandSlots_[number], bands_[number], read);
    }
    template <typename Read>
    decltype(auto) readSpectrum(std::uint32_t number, Read&& read) const {
        return readIn(spectrumSlots_[number], (*spectra_)[number], read);
    }

    // Writes given up because a lock was held.
    std::uint64_t busyWrites() const { return busy_.load(std::memory_order_relaxed); }

    // Instances of this copy in the process registry, counted in after they have entered it and
    // out when they leave: while they are all it holds, a record has no reader outside the copy.
    void memberJoined() { members_.fetch_add(1); }
    void memberLeft() { members_.fetch_sub(1); }
    std::uint32_t members() const { return members_.load(); }

private:
    struct Slot {
        std::mutex writer;                  // one writer per number at a time
        mutable std::array<std::mutex, 2> buffer;
        std::atomic<std::uint32_t> current{0};
    };
    template <typename Record>
    using Pair = std::array<Record, 2>;
    using SpectrumTable = std::array<Pair<SpectrumRecord>, kNumbers>;
    struct FreeTable {
        void operator()(SpectrumTable* table) const;
    };

    template <typename Record, typename Read>
    static decltype(auto) readIn(Slot& slot, const Pair<Record>& pair, Read& read) {
        const std::uint32_t current = slot.current.load(std::memory_order_acquire) & 1u;
        std::lock_guard<std::mutex> guard(slot.buffer[current]);
        return read(pair[current], current);
    }
    template <typename Record, typename Copy, typename Same>
    Write write(Slot& slot, Pair<Record>& pair, const Record& record, bool wait, bool skipSame, Copy copy, Same same);

    mutable std::array<Slot, kNumbers> bandSlots_;
    mutable std::array<Slot, kNumbers> spectrumSlots_;
    std::array<Pair<BandLevelRecord>, kNumbers> bands_{};
    // Over a megabyte, taken zeroed from the system: the pages of numbers never measured in the
    // FFT view stay unmapped.
    std::unique_ptr<SpectrumTable, FreeTable> spectra_;
    std::atomic<std::uint64_t> busy_{0};
    std::atomic<std::uint32_t> members_{0};
};

}  // namespace qv
