// Everything the measurement workers touch, co-owned by the instance and its workers so that a
// worker that outlives its instance (it did not stop in time) still works on live memory.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "dsp/algorithm.h"
#include "dsp/measurement_records.h"

namespace qv {

struct AnalysisShared {
    static constexpr int kMaxInstances = 16;

    AnalysisShared();

    CAlgorithm algorithm;
    SpectrumRecord spectrumScratch{};  // the spectrum job's own record
    BandLevelRecord bandScratch{};     // the band job's own record

    // Latest records of every instance number, double-buffered: selector[n] names the current one.
    std::array<std::array<BandLevelRecord, 2>, kMaxInstances> bandRecords{};
    std::array<std::atomic<std::uint32_t>, kMaxInstances> bandSelect{};
    // Held to choose or flip a band buffer, to write a received band record and to copy one out:
    // a reader's copy is then always ordered before the next write into the same buffer.
    std::mutex bandLock;
    // Over a megabyte, taken zeroed from the system: the pages of numbers never measured or
    // shown (every spectrum in the band view) stay unmapped.
    using SpectrumTable = std::array<std::array<SpectrumRecord, 2>, kMaxInstances>;
    struct FreeTable {
        void operator()(SpectrumTable* table) const { std::free(table); }
    };
    std::unique_ptr<SpectrumTable, FreeTable> spectrumStorage;
    SpectrumTable& spectrumRecords;
    std::array<std::atomic<std::uint32_t>, kMaxInstances> spectrumSelect{};
    std::mutex spectrumLock;
    // Under spectrumLock: copies record into the idle buffer of its number and makes it current.
    void writeSpectrum(std::uint32_t number, const SpectrumRecord& record);

    std::atomic<std::uint32_t> bandSequence{0};
    std::atomic<std::uint32_t> spectrumSequence{0};
    std::atomic<float> sampleRate{44100.0f};
    std::atomic<std::uint32_t> ecoMode{0};
    std::atomic<std::uint32_t> ownNumber{0};
    std::atomic<std::uint32_t> ownIndex{0};

    // Guards calls from a worker into its instance: the instance clears `alive` and waits up to
    // timeout for calls in flight before it goes away (false: some are still inside).
    bool enterInstance() {
        inFlight.fetch_add(1);
        if (alive.load()) return true;
        inFlight.fetch_sub(1);
        return false;
    }
    void leaveInstance() { inFlight.fetch_sub(1); }
    bool retire(std::chrono::milliseconds timeout);

private:
    std::atomic<bool> alive{true};
    std::atomic<int> inFlight{0};
};

}  // namespace qv
