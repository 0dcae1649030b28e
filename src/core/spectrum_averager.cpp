#include "core/spectrum_averager.h"

#include <emmintrin.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

namespace qv {

CSpectrumAverager::~CSpectrumAverager() = default;

std::uint32_t CSpectrumAverager::span(float seconds, float sampleRate, std::uint32_t fftSize, std::uint32_t rows) {
    if (!(sampleRate >= 1.0f && sampleRate < 192004.0f) || fftSize == 0) return 1;
    const double n = std::trunc(static_cast<double>(seconds) * sampleRate / fftSize);
    // A span longer than the history averages one spectrum, not the longest span it holds.
    if (!(n >= 1.0) || n > static_cast<double>(rows)) return 1;
    return static_cast<std::uint32_t>(n);
}

bool CSpectrumAverager::active() const {
    std::lock_guard<std::mutex> guard(averageLock);
    return active_;
}

void CSpectrumAverager::quiesce(std::uint32_t slot) {
    std::unique_lock<std::mutex> guard(averageLock);
    slots_[slot].enabled = false;
    while (slots_[slot].busy) {
        guard.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        guard.lock();
    }
}

void CSpectrumAverager::unpublish(std::uint32_t slot) {
    std::lock_guard<std::mutex> guard(displayAverageLock);
    published_[slot] = 0;
    ++versions_[slot];
}

void CSpectrumAverager::release(std::uint32_t slot) {
    quiesce(slot);
    Slot& s = slots_[slot];
    unpublish(slot);  // no copy reads the sums any more once this returns
    s.buffers.reset();
    restart(s);
}

bool CSpectrumAverager::update(bool wanted, std::uint32_t usedNumbers) {
    std::lock_guard<std::mutex> owner(updateLock);
    {
        std::lock_guard<std::mutex> guard(averageLock);
        active_ = false;
    }
    if (!wanted) {
        for (std::uint32_t slot = 0; slot < kSlots; ++slot) release(slot);
        return true;
    }
    for (std::uint32_t slot = 0; slot < kSlots; ++slot) {
        if ((usedNumbers >> slot & 1u) == 0) {
            release(slot);
            continue;
        }
        quiesce(slot);
        Slot& s = slots_[slot];
        if (!s.buffers) {
            s.buffers.reset(static_cast<Buffers*>(allocator_(sizeof(Buffers))));
            if (!s.buffers) {
                // Averaging goes off as a whole; the memory already taken is given back.
                for (std::uint32_t k = 0; k < kSlots; ++k) release(k);
                return false;
            }
            // Written once here, so that the spectrum workers never take the first-touch page
            // faults of a fresh history.
            std::memset(static_cast<void*>(s.buffers.get()), 0, sizeof(Buffers));
        }
        // Rows are read only once written: the history needs no clearing between uses.
        unpublish(slot);  // first: a reader then no longer catches up on the slot
        restart(s);
        std::lock_guard<std::mutex> guard(averageLock);
        s.enabled = true;
    }
    std::lock_guard<std::mutex> guard(averageLock);
    active_ = true;
    return true;
}

void CSpectrumAverager::clear() {
    std::lock_guard<std::mutex> owner(updateLock);
    for (std::uint32_t slot = 0; slot < kSlots; ++slot) {
        Slot& s = slots_[slot];
        if (!s.buffers) continue;
        quiesce(slot);
        unpublish(slot);  // first: a reader then no longer catches up on the slot
        restart(s);
        std::lock_guard<std::mutex> guard(averageLock);
        s.enabled = true;
    }
}

void CSpectrumAverager::magnitudes(const float* power, float* out, std::uint32_t count) {
    // sqrtps rounds as sqrtf does; four at a time, negative powers (and NaN) read as 0.
    std::uint32_t k = 0;
    const __m128 zero = _mm_setzero_ps();
    for (; k + 4 <= count; k += 4) _mm_storeu_ps(out + k, _mm_sqrt_ps(_mm_max_ps(_mm_loadu_ps(power + k), zero)));
    for (; k < count; ++k) out[k] = power[k] > 0.0f ? std::sqrt(power[k]) : 0.0f;
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

void CSpectrumAverager::addRunning(const float* power, float* row, const float* leaving, double* sum,
                                   std::uint32_t count) {
    // The same operations, in the same order per bin, as magnitudes() then subtracting the
    // leaving row and adding the new one: the sums stay bit-identical.
    const __m128 zero = _mm_setzero_ps();
    std::uint32_t k = 0;
    for (; k + 4 <= count; k += 4) {
        const __m128 m = _mm_sqrt_ps(_mm_max_ps(_mm_loadu_ps(power + k), zero));
        __m128d low = _mm_loadu_pd(sum + k);
        __m128d high = _mm_loadu_pd(sum + k + 2);
        if (leaving) {  // read before the row is written: with a span of the whole history they are one
            const __m128 out = _mm_loadu_ps(leaving + k);
            low = _mm_sub_pd(low, _mm_cvtps_pd(out));
            high = _mm_sub_pd(high, _mm_cvtps_pd(_mm_movehl_ps(out, out)));
        }
        _mm_storeu_ps(row + k, m);
        low = _mm_add_pd(low, _mm_cvtps_pd(m));
        high = _mm_add_pd(high, _mm_cvtps_pd(_mm_movehl_ps(m, m)));
        _mm_storeu_pd(sum + k, low);
        _mm_storeu_pd(sum + k + 2, high);
    }
    for (; k < count; ++k) {
        const float m = power[k] > 0.0f ? std::sqrt(power[k]) : 0.0f;
        if (leaving) sum[k] -= leaving[k];
        row[k] = m;
        sum[k] += m;
    }
}

void CSpectrumAverager::deriveSums(const Slot& s, std::uint32_t endRow, std::uint32_t fill) {
    const std::uint32_t rows = s.rows, count = s.count;
    double* sum = s.buffers->sum;
    std::fill_n(sum, count, 0.0);
    for (std::uint32_t r = 1; r <= fill; ++r) {
        const float* from = s.buffers->history + static_cast<std::size_t>((endRow + rows - r) % rows) * count;
        for (std::uint32_t k = 0; k < count; ++k) sum[k] += from[k];
    }
}

void CSpectrumAverager::add(std::uint32_t slot, const SpectrumRecord& record, std::uint32_t fftSizeIndex,
                            float sampleRate) {
    if (slot >= kSlots) return;
    Slot& s = slots_[slot];
    {
        std::lock_guard<std::mutex> guard(averageLock);
        // An enabled slot always has its buffers: update() enables only after allocating.
        if (!active_ || !s.enabled || s.busy) return;
        s.busy = true;
    }

    const std::uint32_t fftSize = fftSizeOf(fftSizeIndex);
    const std::uint32_t count = fftSize / 2 + 1;
    const std::uint32_t rows = rowsFor(count);
    const std::uint32_t n = span(seconds_.load(std::memory_order_relaxed), sampleRate, fftSize, rows);
    if (record.count == count) {
        std::lock_guard<std::mutex> guard(displayAverageLock);
        // A new FFT size lays the history out anew: what it held no longer fits.
        if (s.rows != rows) {
            restart(s);
            s.rows = rows;
            s.count = count;
        }
        Buffers& b = *s.buffers;
        float* row = b.history + static_cast<std::size_t>(s.writeRow) * count;
        // Spans of more than half the history follow each add (after the adds still pending):
        // the rows a replay needs would be overwritten too soon.
        const bool lazy = 2 * n <= rows;
        if (!lazy) catchUp(slot);
        const bool running = n == s.span;
        const float* leaving = !lazy && running && s.fill == n
                                   ? b.history + static_cast<std::size_t>((s.writeRow + rows - n) % rows) * count
                                   : nullptr;  // the oldest spectrum of the window, leaving it
        if (++s.writeRow >= rows) s.writeRow = 0;
        s.fill = std::min(s.fill + 1, n);
        if (lazy) {
            // Only the magnitudes go in here; the sums catch up when the mean is read. The pending
            // adds are replayed at one span, and only while the rows leaving the window in them
            // are still in the history; otherwise the read derives the sums afresh.
            magnitudes(record.power, row, count);
            if (s.pending == 0) s.pendingSpan = n;
            if (n != s.pendingSpan || s.pending + n >= rows) s.span = 0, s.pendingSpan = n;
            s.pending = std::min(s.pending + 1, rows);
        } else {
            // Derived afresh when the span changed and at each wrap.
            if (!running || s.writeRow == 0) {
                magnitudes(record.power, row, count);
                deriveSums(s, s.writeRow, s.fill);
                s.span = n;
            } else {
                addRunning(record.power, row, leaving, b.sum, count);
            }
            s.sumsFill = s.fill;
            scales_[slot] = 1.0 / static_cast<double>(s.fill);
        }
        published_[slot] = count;
        ++versions_[slot];
    }
    std::lock_guard<std::mutex> guard(averageLock);
    s.busy = false;
}

void CSpectrumAverager::catchUp(std::uint32_t slot) const {
    Slot& s = slots_[slot];
    if (s.pending == 0) return;
    const std::uint32_t rows = s.rows, n = s.pendingSpan;
    double* sum = s.buffers->sum;
    // Replayed add by add as they came (each subtracting the spectrum leaving the window) while
    // the span stayed that of the sums and every row involved is still in the history; derived
    // afresh otherwise, and at each wrap, so that rounding never accumulates.
    std::uint32_t row = (s.writeRow + rows - s.pending) % rows;
    std::uint32_t fill = s.sumsFill;
    const bool replay = s.span == n && s.pending + n <= rows;
    for (std::uint32_t i = 0; replay && i < s.pending; ++i) {
        const float* history = s.buffers->history;
        const float* leaving =
            fill == n ? history + static_cast<std::size_t>((row + rows - n) % rows) * s.count : nullptr;
        const float* added = history + static_cast<std::size_t>(row) * s.count;
        fill = std::min(fill + 1, n);
        row = row + 1 == rows ? 0 : row + 1;
        if (row == 0)
            deriveSums(s, row, fill);
        else
            addRows(added, leaving, sum, s.count);
    }
    if (!replay) deriveSums(s, s.writeRow, s.fill);
    s.span = n;
    s.sumsFill = s.fill;
    s.pending = 0;
    scales_[slot] = 1.0 / static_cast<double>(s.fill);
}

bool CSpectrumAverager::copyAverage(std::uint32_t slot, std::uint32_t count, float* out) const {
    if (slot >= kSlots || out == nullptr || count == 0 || count > kMaxBins) return false;
    std::lock_guard<std::mutex> guard(displayAverageLock);
    if (published_[slot] != count) return false;
    catchUp(slot);
    const double* sum = slots_[slot].buffers->sum;
    const double scale = scales_[slot];
    for (std::uint32_t k = 0; k < count; ++k) out[k] = static_cast<float>(sum[k] * scale);
    return true;
}

std::uint32_t CSpectrumAverager::averageVersion(std::uint32_t slot) const {
    if (slot >= kSlots) return 0;
    std::lock_guard<std::mutex> guard(displayAverageLock);
    return versions_[slot];
}

}  // namespace qv
