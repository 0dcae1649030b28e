// The running mean of the last n magnitude spectra of every instance number, drawn instead of
// the latest spectrum while averaging is on in FFT view. One averager per instance reads the
// magnitude histories its library copy keeps once per number (core/spectrum_histories.h); what
// is its own is kept here: which numbers it averages, its span, its sums and its published means.
//
// Slots are keyed by instance number, both where the histories are joined (update) and where
// spectra are added (add). A history holds M = 500000 / (N/2 + 1) spectra; the span n is
// trunc(seconds * sampleRate / N) with this instance's seconds, sample rate and FFT size, 1 when
// that is 0 or longer than the history. A slot's history starts empty when averaging is switched
// on, when the numbers in use change (update) and on a reset (clear), whatever other readers of
// the number do, and takes only spectra of this instance's FFT size. Each slot keeps the sum of
// its last n spectra in double: add by add, subtracting the spectrum leaving the window and adding
// the new one (O(bins) each), derived afresh from the history when the span changed and each time
// this slot's history wraps, so rounding never accumulates. For spans of at most half the history
// a spectrum only counts its row and the sums catch up when the mean is read (add by add, or
// derived afresh when more spectra came than the history can replay): the means read are the
// same, and nothing is summed for a number whose mean nobody reads (an editor closed).
//
// Threads: update() and clear() on the GUI or message thread, from several threads at once (a
// joining instance's map post, another instance's settings post): updateLock makes them the one
// owner of joining and leaving histories. add() runs in the spectrum jobs of this and other
// instances (on the worker pools of their library copies), never on an audio thread;
// copyAverage() (which does the catching up) on the GUI thread. The copy's table brings each
// spectrum to this averager under the number's lock and then this averager's lock; add() never
// allocates.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "core/block_allocator.h"
#include "core/spectrum_histories.h"
#include "dsp/measurement_records.h"

namespace qv {

class CSpectrumAverager {
public:
    static constexpr std::uint32_t kSlots = CSpectrumHistories::kNumbers;
    static constexpr std::uint32_t kHistoryValues = 500000;  // 2,000,000 bytes per number
    static constexpr std::uint32_t kMaxBins = kSpectrumMaxBins;

    explicit CSpectrumAverager(std::shared_ptr<CSpectrumHistories> histories = CSpectrumHistories::ofCopy());
    ~CSpectrumAverager();
    CSpectrumAverager(const CSpectrumAverager&) = delete;
    CSpectrumAverager& operator=(const CSpectrumAverager&) = delete;

    // Where this reader's FFT size index and sample rate are read at each spectrum (its
    // instance's; until then 4096 points at 44.1 kHz). Both outlive the averager.
    void follow(const std::atomic<std::uint32_t>& fftSizeIndex, const std::atomic<float>& sampleRate);

    // Wanted: every slot whose bit is set in usedNumbers gets a fresh, empty history (joined
    // when missing), every other slot leaves its history, and averaging becomes active. Not
    // wanted: every history is left and averaging stops. Returns false when a history could
    // not be allocated: averaging is then off and no history is kept.
    bool update(bool wanted, std::uint32_t usedNumbers);
    bool active() const;
    // Empties every history (a reset of the host's stream): the averages start again.
    void clear();

    // A spectrum of instance number `slot` for every averager of this library copy (each
    // record once, by its sequence number): each takes it when its count is N/2 + 1 of its own
    // FFT size and publishes the new mean.
    void add(std::uint32_t slot, const SpectrumRecord& record) { histories_->add(slot, record); }
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

    // Test hook: where histories and sums come from.
    void setAllocator(BlockAllocator allocator) { allocator_ = allocator; }

private:
    friend class CSpectrumHistories;

    struct Slot {
        BlockPtr<double> sum;  // kMaxBins values: of the last `fill` rows
        // Under lock, except `taking` (the number's lock in the table: whether the spectrum
        // being added is taken).
        const float* history = nullptr;  // the copy's ring of this number while joined
        bool taking = false;
        std::uint32_t rows = 0;   // M the history was laid out for; 0: starts at the next row taken
        std::uint32_t count = 0;  // values per row
        std::uint64_t base = 0;   // ring index of the first row since the history started
        std::uint64_t next = 0;   // ring index of the next row
        std::uint32_t fill = 0;
        std::uint32_t span = 0;         // n the sums were kept for; 0: derive them afresh
        std::uint32_t sumsFill = 0;     // fill when the sums were last brought up to date
        std::uint32_t pending = 0;      // rows added since (at most rows)
        std::uint32_t pendingSpan = 0;  // n of those adds
    };

    // Called by the table, under the number's lock.
    bool takes(std::uint32_t count) const { return fftSizeOf(fftSizeIndex_->load(std::memory_order_relaxed)) / 2 + 1 == count; }
    // Starts slot's history empty on ring (null: leaves it).
    void attach(std::uint32_t slot, const float* ring);
    // The slot stops reading the ring: its sums are brought up to date (catchUp) and it starts
    // afresh at the next row it takes.
    void detach(std::uint32_t slot);
    // Row `index` of the ring (magnitudes of count values) joins slot's history.
    void take(std::uint32_t slot, std::uint64_t index, const float* row, std::uint32_t count);

    void release(std::uint32_t slot);
    void unpublish(std::uint32_t slot);  // under lock
    static void restart(Slot& s) { s.rows = s.count = s.fill = s.span = s.sumsFill = s.pending = 0; }
    static const float* rowAt(const Slot& s, std::uint64_t index) {
        return s.history + static_cast<std::size_t>(index % (s.rows + 1)) * s.count;
    }
    // The sums of the `fill` rows before ring index end.
    static void deriveSums(const Slot& s, std::uint64_t end, std::uint32_t fill);
    // sum += row - leaving (when there is a leaving row).
    static void addRows(const float* row, const float* leaving, double* sum, std::uint32_t count);
    // Brings the slot's sums and scale up to its rows (under lock).
    void catchUp(std::uint32_t slot) const;

    std::shared_ptr<CSpectrumHistories> histories_;
    std::mutex updateLock;  // held through a whole update() or clear(): one reshaping at a time
    mutable std::mutex lock;
    bool active_ = false;  // under lock
    std::atomic<float> seconds_{1.0f};
    std::atomic<std::uint32_t> defaultIndex_{3};
    std::atomic<float> defaultRate_{44100.0f};
    const std::atomic<std::uint32_t>* fftSizeIndex_ = &defaultIndex_;
    const std::atomic<float>* sampleRate_ = &defaultRate_;
    BlockAllocator allocator_ = allocateBlock;
    mutable std::array<Slot, kSlots> slots_{};
    // The published mean of a slot is sum * scale over `published` values; under lock.
    std::array<std::uint32_t, kSlots> published_{};
    mutable std::array<double, kSlots> scales_{};
    std::array<std::uint32_t, kSlots> versions_{};
};

}  // namespace qv
