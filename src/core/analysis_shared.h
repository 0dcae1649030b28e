// Everything the measurement workers touch, co-owned by the instance and its workers so that a
// worker that outlives its instance (it did not stop in time) still works on live memory.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

#include "core/copy_records.h"
#include "dsp/algorithm.h"
#include "dsp/measurement_records.h"

namespace qv {

struct AnalysisShared {
    static constexpr int kMaxInstances = 16;

    CAlgorithm algorithm;
    SpectrumRecord spectrumScratch{};  // the spectrum job's own record
    BandLevelRecord bandScratch{};     // the band job's own record

    // The newest records of every instance number, kept once per library copy. Set by the
    // instance right after construction; the jobs reach it only through this state.
    std::shared_ptr<CCopyRecords> records;

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
