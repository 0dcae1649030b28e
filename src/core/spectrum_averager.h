// The running mean of the last n magnitude spectra of every instance number, drawn instead of
// the latest spectrum while averaging is on in FFT view.
//
// Slots are keyed by instance number, both where the histories are allocated (update) and where
// spectra are added (add). A history holds M = 500000 / (N/2 + 1) spectra; the span n is
// trunc(seconds * sampleRate / N), 1 when that is 0 or longer than the history. Each slot keeps
// the sum of its last n spectra in double: add by add, subtracting the spectrum leaving the window
// and adding the new one (O(bins) each), derived afresh from the history when the span changed
// and each time the history wraps, so rounding never accumulates. For spans of at most half the
// history an add only stores the magnitudes and the sums catch up when the mean is read (add by
// add, or derived afresh when more spectra came than the history can replay): the means read are
// the same, and nothing is summed for a number whose mean nobody reads (an editor closed).
//
// Threads: update() and clear() on the GUI or message thread, from several threads at once (a
// joining instance's map post, another instance's settings post): updateLock makes them the one
// owner of allocating, restarting and releasing histories. add() runs in the spectrum jobs of
// this and other instances (on the worker pools of their library copies), never on an audio thread; copyAverage() (which does the catching up)
// on the GUI thread. A slot's
// enable and busy flags, under averageLock, keep update() from freeing a history while add()
// uses it; add() never allocates. Memory is taken only for the numbers averaged, when averaging
// is switched on.
#pragma once

#include <array>
#include <cstddef>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "core/block_allocator.h"
#include "dsp/measurement_records.h"

namespace qv {

class CSpectrumAverager {
public:
    static constexpr std::uint32_t kSlots = 16;
    static constexpr std::uint32_t kHistoryValues = 500000;  // 2,000,000 bytes per slot
    static constexpr std::uint32_t kMaxBins = kSpectrumMaxBins;

    CSpectrumAverager() = default;
    ~CSpectrumAverager();
    CSpectrumAverager(const CSpectrumAverager&) = delete;
    CSpectrumAverager& operator=(const CSpectrumAverager&) = delete;

    // Wanted: every slot whose bit is set in usedNumbers gets a fresh, empty history (allocated
    // when missing), every other slot loses its history, and averaging becomes active. Not
    // wanted: every history is released and averaging stops. Returns false when a history could
    // not be allocated: averaging is then off and no history is kept.
    bool update(bool wanted, std::uint32_t usedNumbers);
    bool active() const;
    // Empties every history (a reset of the host's stream): the averages start again.
    void clear();

    // Adds the magnitudes of a spectrum of instance number `slot` (count must be N/2 + 1 of
    // fftSizeIndex) and publishes the new mean. Does nothing while inactive or for a slot
    // without a history; a call for a slot that another call is averaging right now is dropped.
    void add(std::uint32_t slot, const SpectrumRecord& record, std::uint32_t fftSizeIndex, float sampleRate);
    // The average time in seconds used for the span.
    void setSeconds(float seconds) { seconds_.store(seconds, std::memory_order_relaxed); }

    // Copies the published mean of slot into out when it has `count` values (the current FFT
    // size); false when there is none.
    bool copyAverage(std::uint32_t slot, std::uint32_t count, float* out) const;
    // Grows each time slot's published mean changes (published or withdrawn): a reader that
    // saw the same version before and after its copy holds that mean.
    std::uint32_t averageVersion(std::uint32_t slot) const;

    static std::uint32_t fftSizeOf(std::uint32_t fftSizeIndex) { return 512u << (fftSizeIndex < 5 ? fftSizeIndex : 5); }
    static std::uint32_t rowsFor(std::uint32_t count) { return kHistoryValues / count; }
    static std::uint32_t span(float seconds, float sampleRate, std::uint32_t fftSize, std::uint32_t rows);

    // Test hook: where histories come from.
    void setAllocator(BlockAllocator allocator) { allocator_ = allocator; }

private:
    // One block per averaged number.
    struct Buffers {
        float history[kHistoryValues];  // magnitudes, row after row
        double sum[kMaxBins];           // of the last `fill` rows, under displayAverageLock
    };

    struct Slot {
        BlockPtr<Buffers> buffers;
        bool enabled = false;  // under averageLock
        bool busy = false;     // under averageLock
        // Changed by add() (which holds busy) and catchUp() under displayAverageLock, or by update()
        // with the slot disabled.
        std::uint32_t rows = 0;   // M the history was laid out for
        std::uint32_t count = 0;  // values per row
        std::uint32_t fill = 0;
        std::uint32_t writeRow = 0;
        std::uint32_t span = 0;         // n the sums were kept for; 0: derive them afresh
        std::uint32_t sumsFill = 0;     // fill when the sums were last brought up to date
        std::uint32_t pending = 0;      // rows added since (at most rows)
        std::uint32_t pendingSpan = 0;  // n of those adds
    };

    // Clears the enable flag and waits (5 ms at a time) until no add() uses the history.
    void quiesce(std::uint32_t slot);
    void release(std::uint32_t slot);
    void unpublish(std::uint32_t slot);
    void restart(Slot& s) { s.rows = s.count = s.fill = s.writeRow = s.span = s.sumsFill = s.pending = 0; }
    // The sums of the `fill` rows before endRow.
    static void deriveSums(const Slot& s, std::uint32_t endRow, std::uint32_t fill);
    static void magnitudes(const float* power, float* out, std::uint32_t count);
    // One pass of an add that follows at once: row = magnitudes of power, sum += row - leaving
    // (when there is a leaving row).
    static void addRunning(const float* power, float* row, const float* leaving, double* sum, std::uint32_t count);
    // sum += row - leaving (when there is a leaving row).
    static void addRows(const float* row, const float* leaving, double* sum, std::uint32_t count);
    // Brings the slot's sums and scale up to its rows (under displayAverageLock).
    void catchUp(std::uint32_t slot) const;

    std::mutex updateLock;  // held through a whole update() or clear(): one reshaping at a time
    mutable std::mutex averageLock;
    mutable std::mutex displayAverageLock;
    bool active_ = false;  // under averageLock
    std::atomic<float> seconds_{1.0f};
    BlockAllocator allocator_ = allocateBlock;
    mutable std::array<Slot, kSlots> slots_{};
    // The published mean of a slot is sum * scale over `published` values; under displayAverageLock.
    std::array<std::uint32_t, kSlots> published_{};
    mutable std::array<double, kSlots> scales_{};
    std::array<std::uint32_t, kSlots> versions_{};   // under displayAverageLock
};

}  // namespace qv
