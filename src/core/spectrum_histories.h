// The magnitude histories of the sixteen instance numbers, kept once per library copy and read
// by every averaging instance of the copy (CSpectrumAverager, one reader per instance).
//
// Each spectrum of a number is stored once: its magnitudes go into the next row of the number's
// ring, and every reader of the number then takes the row into its own running mean, as if it
// had stored the row in a history of its own. A ring holds one row more than a reader's
// history (rowsFor(count) + 1), so the row being written is never one a reader still reads.
//
// Feeding: the own spectrum job and every receiver of a posted spectrum call add() with the same
// record; a number takes each record once, known by its sequence number. A record that no reader
// takes (its FFT size is nobody's now) leaves the ring as it is. A reader that does not take one
// that others take (its FFT size differs for a moment) brings its sums up to date and starts
// afresh at the next spectrum it takes: its rows would no longer follow one another in the ring.
//
// Threads: add() on pool threads of this and other copies (never on an audio thread), holding
// the number's lock through the whole spectrum, then each reader's lock in turn; it neither
// allocates nor waits for anything but these locks, held for bounded work. join() and leave() on
// the GUI or message thread: a ring is allocated when a number gets its first reader and freed
// when it loses its last, after every add() using it has left. Readers and the table are co-owned
// (each reader holds the table); no thread is started or joined here.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "core/block_allocator.h"
#include "dsp/measurement_records.h"

namespace qv {

class CSpectrumAverager;

class CSpectrumHistories {
public:
    static constexpr std::uint32_t kNumbers = 16;
    // Floats of a ring: a reader's history (at most 500000 values) and one more row.
    static constexpr std::size_t kRingValues = 500000 + kSpectrumMaxBins;

    // The table of this library copy, made by the first reader that asks.
    static std::shared_ptr<CSpectrumHistories> ofCopy();

    CSpectrumHistories() = default;
    CSpectrumHistories(const CSpectrumHistories&) = delete;
    CSpectrumHistories& operator=(const CSpectrumHistories&) = delete;

    // A spectrum of instance number `number` (its powers); a record already taken (the same
    // sequence number again) is ignored.
    void add(std::uint32_t number, const SpectrumRecord& record);

    // The reader starts reading number's ring (allocated with allocator when it has none) from
    // an empty history; false when the ring could not be allocated. leave() undoes it.
    bool join(std::uint32_t number, CSpectrumAverager& reader, BlockAllocator allocator);
    void leave(std::uint32_t number, CSpectrumAverager& reader);
    // Rings held now (tests and the bench).
    std::uint32_t rings() const;

private:
    struct Entry {
        std::mutex lock;  // held by add() throughout and to change the readers or the ring
        std::atomic<bool> held{false};
        BlockPtr<float> ring;
        std::vector<CSpectrumAverager*> readers;
        std::uint32_t count = 0;  // values per row the ring is laid out for
        std::uint64_t next = 0;   // index of the next row; row i lies at i % (rows + 1)
        bool seen = false;        // a record was taken; lastSequence is its sequence
        std::uint32_t lastSequence = 0;
    };

    std::mutex shapeLock;  // one join or leave at a time
    std::array<Entry, kNumbers> entries_;
};

}  // namespace qv
