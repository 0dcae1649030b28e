#include "core/spectrum_averager.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace qv {

CSpectrumAverager::CSpectrumAverager(std::shared_ptr<CSpectrumHistories> histories) : histories_(std::move(histories)) {}

CSpectrumAverager::~CSpectrumAverager() {
    for (std::uint32_t slot = 0; slot < kSlots; ++slot) release(slot);
}

void CSpectrumAverager::follow(const std::atomic<std::uint32_t>& fftSizeIndex, const std::atomic<float>& sampleRate) {
    fftSizeIndex_ = &fftSizeIndex;
    sampleRate_ = &sampleRate;
}

std::uint32_t CSpectrumAverager::span(float seconds, float sampleRate, std::uint32_t fftSize, std::uint32_t rows) {
    if (!(sampleRate >= 1.0f && sampleRate < 192004.0f) || fftSize == 0) return 1;
    const double n = std::trunc(static_cast<double>(seconds) * sampleRate / fftSize);
    // A span longer than the history averages one spectrum, not the longest span it holds.
    if (!(n >= 1.0) || n > static_cast<double>(rows)) return 1;
    return static_cast<std::uint32_t>(n);
}

bool CSpectrumAverager::active() const {
    std::lock_guard<std::mutex> guard(lock);
    return active_;
}

void CSpectrumAverager::unpublish(std::uint32_t slot) {
    published_[slot] = 0;
    ++versions_[slot];
}

void CSpectrumAverager::release(std::uint32_t slot) {
    // Once left, no spectrum reaches the slot and no reader catches up on it (it is unpublished).
    if (slots_[slot].history) histories_->leave(slot, *this);
    std::lock_guard<std::mutex> guard(lock);
    slots_[slot].sum.reset();
}

void CSpectrumAverager::attach(std::uint32_t slot, const float* ring) {
    std::lock_guard<std::mutex> guard(lock);
    Slot& s = slots_[slot];
    s.history = ring;
    unpublish(slot);
    restart(s);
}

bool CSpectrumAverager::update(bool wanted, std::uint32_t usedNumbers) {
    std::lock_guard<std::mutex> owner(updateLock);
    {
        std::lock_guard<std::mutex> guard(lock);
        active_ = false;
    }
    for (std::uint32_t slot = 0; slot < kSlots; ++slot) {
        if (!wanted || (usedNumbers >> slot & 1u) == 0) {
            release(slot);
            continue;
        }
        Slot& s = slots_[slot];
        if (!s.sum) {
            BlockPtr<double> sum(static_cast<double*>(allocator_(sizeof(double) * kMaxBins)));
            // The bins of the current FFT size are written once here, so that the spectrum jobs
            // take no first-touch page faults; the pages of larger sizes stay untouched till used.
            const std::uint32_t bins = fftSizeOf(fftSizeIndex_->load(std::memory_order_relaxed)) / 2 + 1;
            if (sum) std::memset(sum.get(), 0, sizeof(double) * bins);
            std::lock_guard<std::mutex> guard(lock);
            s.sum = std::move(sum);
        }
        // Joining starts the history empty; a slot already joined starts again here.
        if (s.sum && s.history) attach(slot, s.history);
        if (!s.sum || (!s.history && !histories_->join(slot, *this, allocator_))) {
            // Averaging goes off as a whole; the memory already taken is given back.
            for (std::uint32_t k = 0; k < kSlots; ++k) release(k);
            return false;
        }
    }
    std::lock_guard<std::mutex> guard(lock);
    active_ = wanted;
    return true;
}

void CSpectrumAverager::clear() {
    std::lock_guard<std::mutex> owner(updateLock);
    for (std::uint32_t slot = 0; slot < kSlots; ++slot) {
        if (slots_[slot].history) attach(slot, slots_[slot].history);
    }
}

void CSpectrumAverager::addRows(const float* row, const float* leaving, double* sum, std::uint32_t count) {
    // sum - leaving + row per bin, in that order: the same sums as subtracting the leaving row
    // and adding the new one pass by pass.
    std::uint32_t k = 0;
    for (; k + 4 <= count; k += 4) {
        const __m128 m = _mm_loadu_ps(row + k);
        __m128d low = _mm_loadu_pd(sum + k);
        __m128d high = _mm_loadu_pd(sum + k + 2);
        if (leaving) {
            const __m128 out = _mm_loadu_ps(leaving + k);
            low = _mm_sub_pd(low, _mm_cvtps_pd(out));
            high = _mm_sub_pd(high, _mm_cvtps_pd(_mm_movehl_ps(out, out)));
        }
        low = _mm_add_pd(low, _mm_cvtps_pd(m));
        high = _mm_add_pd(high, _mm_cvtps_pd(_mm_movehl_ps(m, m)));
        _mm_storeu_pd(sum + k, low);
        _mm_storeu_pd(sum + k + 2, high);
    }
    for (; k < count; ++k) {
        if (leaving) sum[k] -= leaving[k];
        sum[k] += row[k];
    }
}

void CSpectrumAverager::deriveSums(const Slot& s, std::uint64_t end, std::uint32_t fill) {
    const std::uint32_t count = s.count;
    double* sum = s.sum.get();
    std::fill_n(sum, count, 0.0);
    for (std::uint32_t r = 1; r <= fill; ++r) {
        const float* from = rowAt(s, end - r);
        for (std::uint32_t k = 0; k < count; ++k) sum[k] += from[k];
    }
}

void CSpectrumAverager::detach(std::uint32_t slot) {
    std::lock_guard<std::mutex> guard(lock);
    Slot& s = slots_[slot];
    if (s.rows == 0) return;
    // The mean published stays readable from the sums alone.
    catchUp(slot);
    s.rows = 0;
}

void CSpectrumAverager::take(std::uint32_t slot, std::uint64_t index, const float* row, std::uint32_t count) {
    const std::uint32_t rows = rowsFor(count);
    const std::uint32_t n = span(seconds_.load(std::memory_order_relaxed), sampleRate_->load(std::memory_order_relaxed),
                                 (count - 1) * 2, rows);
    std::lock_guard<std::mutex> guard(lock);
    Slot& s = slots_[slot];
    // A new FFT size lays the history out anew (what it held no longer fits), and so does a gap.
    if (s.rows != rows || s.next != index) {
        restart(s);
        s.rows = rows;
        s.count = count;
        s.base = s.next = index;
    }
    // Spans of more than half the history follow each add (after the adds still pending):
    // the rows a replay needs would be overwritten too soon.
    const bool lazy = 2 * n <= rows;
    if (!lazy) catchUp(slot);
    const bool running = n == s.span;
    // The oldest spectrum of the window, leaving it (the ring keeps it: one row more).
    const float* leaving = !lazy && running && s.fill == n ? rowAt(s, index - n) : nullptr;
    s.next = index + 1;
    s.fill = std::min(s.fill + 1, n);
    if (lazy) {
        // Only the row counts here; the sums catch up when the mean is read. The pending adds
        // are replayed at one span, and only while the rows leaving the window in them are
        // still in the history; otherwise the read derives the sums afresh.
        if (s.pending == 0) s.pendingSpan = n;
        if (n != s.pendingSpan || s.pending + n >= rows) s.span = 0, s.pendingSpan = n;
        s.pending = std::min(s.pending + 1, rows);
    } else {
        // Derived afresh when the span changed and at each wrap of this slot's history.
        if (!running || (s.next - s.base) % rows == 0) {
            deriveSums(s, s.next, s.fill);
            s.span = n;
        } else {
            addRows(row, leaving, s.sum.get(), count);
        }
        s.sumsFill = s.fill;
        scales_[slot] = 1.0 / static_cast<double>(s.fill);
    }
    published_[slot] = count;
    ++versions_[slot];
}

void CSpectrumAverager::catchUp(std::uint32_t slot) const {
    Slot& s = slots_[slot];
    if (s.pending == 0) return;
    const std::uint32_t rows = s.rows, n = s.pendingSpan;
    double* sum = s.sum.get();
    // Replayed add by add as they came (each subtracting the spectrum leaving the window) while
    // the span stayed that of the sums and every row involved is still in the history; derived
    // afresh otherwise, and at each wrap, so that rounding never accumulates.
    std::uint64_t row = s.next - s.pending;
    std::uint32_t fill = s.sumsFill;
    const bool replay = s.span == n && s.pending + n <= rows;
    for (std::uint32_t i = 0; replay && i < s.pending; ++i) {
        const float* leaving = fill == n ? rowAt(s, row - n) : nullptr;
        const float* added = rowAt(s, row);
        fill = std::min(fill + 1, n);
        ++row;
        if ((row - s.base) % rows == 0)
            deriveSums(s, row, fill);
        else
            addRows(added, leaving, sum, s.count);
    }
    if (!replay) deriveSums(s, s.next, s.fill);
    s.span = n;
    s.sumsFill = s.fill;
    s.pending = 0;
    scales_[slot] = 1.0 / static_cast<double>(s.fill);
}

bool CSpectrumAverager::copyAverage(std::uint32_t slot, std::uint32_t count, float* out) const {
    if (slot >= kSlots || out == nullptr || count == 0 || count > kMaxBins) return false;
    std::lock_guard<std::mutex> guard(lock);
    if (published_[slot] != count) return false;
    catchUp(slot);
    const double* sum = slots_[slot].sum.get();
    const double scale = scales_[slot];
    for (std::uint32_t k = 0; k < count; ++k) out[k] = static_cast<float>(sum[k] * scale);
    return true;
}

std::uint32_t CSpectrumAverager::averageVersion(std::uint32_t slot) const {
    if (slot >= kSlots) return 0;
    std::lock_guard<std::mutex> guard(lock);
    return versions_[slot];
}

}  // namespace qv
