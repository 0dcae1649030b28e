#include "core/spectrum_averager.h"

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
}

void CSpectrumAverager::release(std::uint32_t slot) {
    quiesce(slot);
    Slot& s = slots_[slot];
    s.history.reset();
    s.rows = s.fill = s.writeRow = 0;
    unpublish(slot);
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
        if (!s.history) s.history.reset(static_cast<float*>(allocator_(kHistoryValues * sizeof(float))));
        if (!s.history) {
            // Averaging goes off as a whole; the memory already taken is given back.
            for (std::uint32_t k = 0; k < kSlots; ++k) release(k);
            return false;
        }
        std::memset(s.history.get(), 0, kHistoryValues * sizeof(float));
        s.rows = s.fill = s.writeRow = 0;
        unpublish(slot);
        std::lock_guard<std::mutex> guard(averageLock);
        s.enabled = true;
    }
    std::lock_guard<std::mutex> guard(averageLock);
    active_ = true;
    return true;
}

void CSpectrumAverager::add(std::uint32_t slot, const SpectrumRecord& record, std::uint32_t fftSizeIndex,
                            float sampleRate) {
    if (slot >= kSlots) return;
    Slot& s = slots_[slot];
    {
        std::lock_guard<std::mutex> guard(averageLock);
        // An enabled slot always has its history: update() enables only after allocating.
        if (!active_ || !s.enabled || s.busy) return;
        s.busy = true;
    }

    const std::uint32_t fftSize = fftSizeOf(fftSizeIndex);
    const std::uint32_t count = fftSize / 2 + 1;
    const std::uint32_t rows = rowsFor(count);
    const std::uint32_t n = span(seconds_.load(std::memory_order_relaxed), sampleRate, fftSize, rows);
    // A new FFT size lays the history out anew: what it held no longer fits.
    if (s.rows != rows) {
        s.rows = rows;
        s.fill = 0;
        s.writeRow = 0;
    }
    if (record.count == count) {
        float* history = s.history.get();
        float* row = history + static_cast<std::size_t>(s.writeRow) * count;
        for (std::uint32_t k = 0; k < count; ++k) row[k] = std::sqrt(std::max(record.power[k], 0.0f));
        if (s.fill < n) {
            ++s.fill;
        } else if (s.fill > n) {
            s.fill = n;
        }
        if (++s.writeRow >= rows) s.writeRow = 0;

        float* sum = workAverage_[slot].data();
        std::fill_n(sum, count, 0.0f);
        for (std::uint32_t r = 1; r <= s.fill; ++r) {
            const std::uint32_t index = (s.writeRow + rows - r) % rows;
            const float* from = history + static_cast<std::size_t>(index) * count;
            for (std::uint32_t k = 0; k < count; ++k) sum[k] += from[k];
        }
        const float scale = 1.0f / static_cast<float>(s.fill);
        for (std::uint32_t k = 0; k < count; ++k) sum[k] *= scale;

        std::lock_guard<std::mutex> guard(displayAverageLock);
        std::copy_n(sum, count, displayAverage_[slot].data());
        published_[slot] = count;
    }
    std::lock_guard<std::mutex> guard(averageLock);
    s.busy = false;
}

bool CSpectrumAverager::copyAverage(std::uint32_t slot, std::uint32_t count, float* out) const {
    if (slot >= kSlots || out == nullptr || count == 0 || count > kMaxBins) return false;
    std::lock_guard<std::mutex> guard(displayAverageLock);
    if (published_[slot] != count) return false;
    std::copy_n(displayAverage_[slot].data(), count, out);
    return true;
}

}  // namespace qv
