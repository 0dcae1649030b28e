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
    unpublish(slot);  // no copy reads the display any more once this returns
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
        if (!s.buffers) s.buffers.reset(static_cast<Buffers*>(allocator_(sizeof(Buffers))));
        if (!s.buffers) {
            // Averaging goes off as a whole; the memory already taken is given back.
            for (std::uint32_t k = 0; k < kSlots; ++k) release(k);
            return false;
        }
        // Rows are read only once written: the history needs no clearing.
        restart(s);
        unpublish(slot);
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
        restart(s);
        unpublish(slot);
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

void CSpectrumAverager::deriveSums(Slot& s, std::uint32_t rows, std::uint32_t count) {
    double* sum = s.buffers->sum;
    std::fill_n(sum, count, 0.0);
    for (std::uint32_t r = 1; r <= s.fill; ++r) {
        const float* from = s.buffers->history + static_cast<std::size_t>((s.writeRow + rows - r) % rows) * count;
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
    // A new FFT size lays the history out anew: what it held no longer fits.
    if (s.rows != rows) {
        restart(s);
        s.rows = rows;
    }
    if (record.count == count) {
        Buffers& b = *s.buffers;
        double* sum = b.sum;
        const bool running = n == s.span;
        if (running && s.fill == n) {
            // The oldest spectrum of the window leaves it (before its row may be overwritten).
            const float* leaving = b.history + static_cast<std::size_t>((s.writeRow + rows - n) % rows) * count;
            for (std::uint32_t k = 0; k < count; ++k) sum[k] -= leaving[k];
        }
        float* row = b.history + static_cast<std::size_t>(s.writeRow) * count;
        magnitudes(record.power, row, count);
        if (running) {
            for (std::uint32_t k = 0; k < count; ++k) sum[k] += row[k];
        }
        if (s.fill < n) {
            ++s.fill;
        } else if (s.fill > n) {
            s.fill = n;
        }
        if (++s.writeRow >= rows) s.writeRow = 0;
        if (!running || s.writeRow == 0) {
            deriveSums(s, rows, count);
            s.span = n;
        }

        const double scale = 1.0 / static_cast<double>(s.fill);
        std::lock_guard<std::mutex> guard(displayAverageLock);
        for (std::uint32_t k = 0; k < count; ++k) b.display[k] = static_cast<float>(sum[k] * scale);
        published_[slot] = count;
        ++versions_[slot];
    }
    std::lock_guard<std::mutex> guard(averageLock);
    s.busy = false;
}

bool CSpectrumAverager::copyAverage(std::uint32_t slot, std::uint32_t count, float* out) const {
    if (slot >= kSlots || out == nullptr || count == 0 || count > kMaxBins) return false;
    std::lock_guard<std::mutex> guard(displayAverageLock);
    if (published_[slot] != count) return false;
    std::copy_n(slots_[slot].buffers->display, count, out);
    return true;
}

std::uint32_t CSpectrumAverager::averageVersion(std::uint32_t slot) const {
    if (slot >= kSlots) return 0;
    std::lock_guard<std::mutex> guard(displayAverageLock);
    return versions_[slot];
}

}  // namespace qv
