// Eight memory slots for each of the 16 instance numbers: a band graph written by the editor, and
// in FFT view a stored spectrum with its memory curve (the stored spectrum as display points,
// tilted by the slope of the moment it was stored).
//
// Threads: stores and deletes run on the GUI thread (inside a memory-switch setting change);
// curves are computed and copied out by requests, normally on the GUI thread too. A slot's
// enable and busy flags, under memoryLock, keep a delete or a new store from freeing a stored
// spectrum or its curve while a request reads them: the freeing side clears the enable flag
// and waits, 5 ms at a time, until the busy flag is clear.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>

#include "core/block_allocator.h"
#include "core/data_request.h"
#include "core/data_service_columns.h"
#include "dsp/measurement_records.h"

namespace qv {

struct AnalysisShared;

class CMemorySlots {
public:
    static constexpr std::uint32_t kInstances = kMaxInstanceNumbers;
    static constexpr std::uint32_t kSlots = kMemorySlotsPerInstance;

    enum class StoreResult {
        kStored,
        kNoSpectrum,           // the instance has no spectrum yet: the slot stays empty
        kSpectrumAllocFailed,  // "memory slot (1)"
        kCurveAllocFailed,     // "memory slot (2)"
    };

    CMemorySlots();
    ~CMemorySlots();
    CMemorySlots(const CMemorySlots&) = delete;
    CMemorySlots& operator=(const CMemorySlots&) = delete;

    // Band graphs (all levels -200 dB until the editor writes one). False for bad indices.
    bool readBand(std::uint32_t i, std::uint32_t s, BandLevelRecord& out) const;
    bool writeBand(std::uint32_t i, std::uint32_t s, const BandLevelRecord& record);

    // Replaces slot (i, s)'s spectrum by the current spectrum of instance number i and keeps
    // slope (dB per octave) as the tilt of its curve. A failed allocation leaves the slot empty.
    StoreResult store(std::uint32_t i, std::uint32_t s, AnalysisShared& shared, float slope);
    // Frees slot (i, s)'s spectrum and curve, after any computation that reads them.
    void release(std::uint32_t i, std::uint32_t s);
    bool holdsSpectrum(std::uint32_t i, std::uint32_t s) const;

    // Marks every memory curve for recomputation (after a rebuild of the live column map).
    void markAll();
    // Brings slot (i, s)'s curve up to date for the live map and copies the 6784-byte block
    // into reply with header (6784, 2, i, s). False, reply untouched, when the slot holds no
    // spectrum.
    bool serveCurve(std::uint32_t i, std::uint32_t s, const CColumnMap& live, void* reply);

    // Test hook: where stored spectra and curves come from.
    void setAllocator(BlockAllocator allocator) { allocator_ = allocator; }

private:
    struct Slot {
        BandLevelRecord band{};
        BlockPtr<float> power;  // count bin powers
        float sampleRate = 0.0f;
        std::uint32_t count = 0;
        BlockPtr<MemoryCurveBlock> curve;
        bool enabled = false;    // under memoryLock
        bool busy = false;       // under memoryLock
        bool recompute = false;  // under memoryLock
    };

    static bool valid(std::uint32_t i, std::uint32_t s) { return i < kInstances && s < kSlots; }

    mutable std::mutex memoryLock;
    BlockAllocator allocator_ = allocateBlock;
    std::array<std::array<Slot, kSlots>, kInstances> slots_;
};

// Computes a memory curve from a stored spectrum (count bin powers at sampleRate, below 1 Hz
// taken as 44100) with the block's slope. The points follow the stored spectrum's own map built
// with the live smoothing index; values[] follows the live map: copied from the points when the
// maps agree (or smoothing is 1..11, whose points lie at the same frequencies), resampled onto
// the live map when smoothing is 0 and the FFT size or sample rate differ.
void computeMemoryCurve(MemoryCurveBlock& block, const float* power, std::uint32_t count, float sampleRate,
                        const CColumnMap& live);

}  // namespace qv
