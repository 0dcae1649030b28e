#include "core/spectrum_histories.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "core/spectrum_averager.h"
#include "dsp/process_shared.h"

namespace qv {

namespace {

void magnitudes(const float* power, float* out, std::uint32_t count) {
    // sqrtps rounds as sqrtf does; four at a time, negative powers (and NaN) read as 0.
    std::uint32_t k = 0;
    const __m128 zero = _mm_setzero_ps();
    for (; k + 4 <= count; k += 4) _mm_storeu_ps(out + k, _mm_sqrt_ps(_mm_max_ps(_mm_loadu_ps(power + k), zero)));
    for (; k < count; ++k) out[k] = power[k] > 0.0f ? std::sqrt(power[k]) : 0.0f;
}

}  // namespace

std::shared_ptr<CSpectrumHistories> CSpectrumHistories::ofCopy() {
    // Only the readers hold the table: it goes with the last of them, never at unload.
    return processShared<CSpectrumHistories>(0, [] { return std::make_shared<CSpectrumHistories>(); });
}

void CSpectrumHistories::add(std::uint32_t number, const SpectrumRecord& record) {
    if (number >= kNumbers) return;
    Entry& e = entries_[number];
    if (!e.held.load(std::memory_order_acquire)) return;  // nobody of this copy averages it
    std::lock_guard<std::mutex> guard(e.lock);
    if (!e.ring || (e.seen && e.lastSequence == record.sequence)) return;
    e.seen = true;
    e.lastSequence = record.sequence;
    const std::uint32_t count = record.count;
    bool taken = false;
    for (CSpectrumAverager* reader : e.readers) {
        bool& taking = reader->slots_[number].taking;
        taking = reader->takes(count);
        taken = taken || taking;
    }
    if (!taken) return;  // of nobody's FFT size: the ring stays as it is
    if (count != e.count) {
        // A new layout overwrites every row a reader holds.
        for (CSpectrumAverager* reader : e.readers) reader->detach(number);
        e.count = count;
    }
    const std::uint64_t index = e.next++;
    float* row = e.ring.get() + static_cast<std::size_t>(index % (CSpectrumAverager::rowsFor(count) + 1)) * count;
    magnitudes(record.power, row, count);
    for (CSpectrumAverager* reader : e.readers) {
        if (reader->slots_[number].taking)
            reader->take(number, index, row, count);
        else
            reader->detach(number);
    }
}

bool CSpectrumHistories::join(std::uint32_t number, CSpectrumAverager& reader, BlockAllocator allocator) {
    if (number >= kNumbers) return false;
    std::lock_guard<std::mutex> shape(shapeLock);
    Entry& e = entries_[number];
    BlockPtr<float> fresh;
    if (!e.ring) {
        fresh.reset(static_cast<float*>(allocator(sizeof(float) * kRingValues)));
        if (!fresh) return false;
        // Written once here, so that the spectrum jobs never take the first-touch page faults.
        std::memset(fresh.get(), 0, sizeof(float) * kRingValues);
    }
    std::lock_guard<std::mutex> guard(e.lock);
    try {
        e.readers.push_back(&reader);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (fresh) {
        e.ring = std::move(fresh);
        e.count = 0;
        e.next = 0;
        e.seen = false;
        e.held.store(true, std::memory_order_release);
    }
    reader.attach(number, e.ring.get());
    return true;
}

void CSpectrumHistories::leave(std::uint32_t number, CSpectrumAverager& reader) {
    if (number >= kNumbers) return;
    BlockPtr<float> gone;  // freed once no lock is held
    std::lock_guard<std::mutex> shape(shapeLock);
    Entry& e = entries_[number];
    std::lock_guard<std::mutex> guard(e.lock);
    const auto it = std::find(e.readers.begin(), e.readers.end(), &reader);
    if (it == e.readers.end()) return;
    e.readers.erase(it);
    reader.attach(number, nullptr);
    if (e.readers.empty()) {
        e.held.store(false, std::memory_order_relaxed);
        gone = std::move(e.ring);
    }
}

std::uint32_t CSpectrumHistories::rings() const {
    std::uint32_t held = 0;
    for (const Entry& e : entries_) held += e.held.load(std::memory_order_relaxed) ? 1u : 0u;
    return held;
}

}  // namespace qv
