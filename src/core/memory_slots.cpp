#include "core/memory_slots.h"

#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

#include "core/analysis_shared.h"

namespace qv {

CMemorySlots::CMemorySlots() {
    for (auto& instance : slots_) {
        for (Slot& slot : instance) {
            BandLevelRecord& band = slot.band;
            band.size = sizeof(BandLevelRecord);
            for (std::uint32_t b = 0; b < kThirdOctaveBandCount; ++b) band.peaks[b] = band.levels[b] = kSilenceDb;
        }
    }
}

CMemorySlots::~CMemorySlots() = default;

bool CMemorySlots::readBand(std::uint32_t i, std::uint32_t s, BandLevelRecord& out) const {
    if (!valid(i, s)) return false;
    std::lock_guard<std::mutex> guard(memoryLock);
    out = slots_[i][s].band;
    return true;
}

bool CMemorySlots::writeBand(std::uint32_t i, std::uint32_t s, const BandLevelRecord& record) {
    if (!valid(i, s)) return false;
    std::lock_guard<std::mutex> guard(memoryLock);
    slots_[i][s].band = record;
    return true;
}

bool CMemorySlots::holdsSpectrum(std::uint32_t i, std::uint32_t s) const {
    if (!valid(i, s)) return false;
    std::lock_guard<std::mutex> guard(memoryLock);
    return slots_[i][s].enabled;
}

void CMemorySlots::release(std::uint32_t i, std::uint32_t s) {
    if (!valid(i, s)) return;
    BlockPtr<float> power;
    BlockPtr<MemoryCurveBlock> curve;
    {
        std::unique_lock<std::mutex> guard(memoryLock);
        Slot& slot = slots_[i][s];
        slot.enabled = false;
        while (slot.busy) {
            guard.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            guard.lock();
        }
        power = std::move(slot.power);
        curve = std::move(slot.curve);
        slot.count = 0;
        slot.recompute = false;
    }
    // Freed outside the lock; nothing can reach the blocks any more.
}

CMemorySlots::StoreResult CMemorySlots::store(std::uint32_t i, std::uint32_t s, AnalysisShared& shared, float slope) {
    if (!valid(i, s)) return StoreResult::kNoSpectrum;
    release(i, s);

    BlockPtr<float> power;
    float sampleRate = 0.0f;
    std::uint32_t count = 0;
    const StoreResult taken = shared.records->readSpectrum(i, [&](const SpectrumRecord& record, std::uint32_t) {
        count = record.count;
        if (count < 2 || count > kSpectrumMaxBins) return StoreResult::kNoSpectrum;
        power.reset(static_cast<float*>(allocator_(count * sizeof(float))));
        if (!power) return StoreResult::kSpectrumAllocFailed;
        std::memcpy(power.get(), record.power, count * sizeof(float));
        sampleRate = record.sampleRate;
        return StoreResult::kStored;
    });
    if (taken != StoreResult::kStored) return taken;

    BlockPtr<MemoryCurveBlock> curve(static_cast<MemoryCurveBlock*>(allocator_(sizeof(MemoryCurveBlock))));
    if (!curve) return StoreResult::kCurveAllocFailed;
    std::memset(curve.get(), 0, sizeof(MemoryCurveBlock));
    curve->sampleRate = sampleRate;
    curve->binCount = count;
    curve->pointMapOffset = offsetof(MemoryCurveBlock, points);
    // The slot keeps the tilt of the moment it was stored, whatever the slope setting does later.
    curve->slopeTaken = 1;
    curve->slope = slope;
    curve->recompute = 1;

    std::lock_guard<std::mutex> guard(memoryLock);
    Slot& slot = slots_[i][s];
    slot.power = std::move(power);
    slot.curve = std::move(curve);
    slot.sampleRate = sampleRate;
    slot.count = count;
    slot.recompute = true;
    slot.enabled = true;
    return StoreResult::kStored;
}

void CMemorySlots::markAll() {
    std::lock_guard<std::mutex> guard(memoryLock);
    for (auto& instance : slots_) {
        for (Slot& slot : instance) slot.recompute = true;
    }
}

bool CMemorySlots::serveCurve(std::uint32_t i, std::uint32_t s, const CColumnMap& live, void* reply) {
    if (!valid(i, s) || reply == nullptr) return false;
    Slot& slot = slots_[i][s];
    bool recompute = false;
    {
        std::unique_lock<std::mutex> guard(memoryLock);
        while (slot.busy) {
            guard.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            guard.lock();
        }
        if (!slot.enabled) return false;
        slot.busy = true;
        recompute = slot.recompute;
        slot.recompute = false;  // a mark made while computing stays for the next request
    }

    MemoryCurveBlock& block = *slot.curve;
    if (recompute) computeMemoryCurve(block, slot.power.get(), slot.count, slot.sampleRate, live);
    block.header = DataRequest{MemoryCurveBlock::kSize, kDataMemoryCurve, i, s};
    std::memcpy(reply, &block, sizeof(MemoryCurveBlock));

    std::lock_guard<std::mutex> guard(memoryLock);
    slot.busy = false;
    return true;
}

}  // namespace qv
