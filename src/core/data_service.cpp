#include "core/data_service.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <mutex>

#include "core/analysis_shared.h"
#include "core/memory_slots.h"
#include "core/spectrum_averager.h"

namespace qv {

namespace {

void writeU32(void* request, std::size_t offset, std::uint32_t value) {
    std::memcpy(static_cast<char*>(request) + offset, &value, sizeof(value));
}

bool slotIndicesValid(const DataRequest& header) {
    return header.a < kMaxInstanceNumbers && header.b < kMemorySlotsPerInstance;
}

// The most bytes the reply to a request of this type writes (header included); 0 for a type
// that is not served. Every reply is checked against the caller's capacity here, once, before
// anything is written.
std::uint32_t replyBytes(std::uint32_t type, const DataSnapshot& snapshot) {
    switch (type) {
        case kDataBandRecords: return bandRecordsReplyBytes(static_cast<std::uint32_t>(std::popcount(snapshot.used)));
        case kDataCurves: return kCurvesRequestBytes;
        case kDataMemoryCurve: return MemoryCurveBlock::kSize;
        case kDataInstanceMap: return InstanceMapReply::kSize;
        case kDataSequences: return SequencesReply::kSize;
        case kDataBandMemory: return BandMemoryRequest::kSize;
        default: return 0;
    }
}

}  // namespace

bool CDataService::get(void* request, const DataSnapshot& snapshot, DataSources sources) {
    if (request == nullptr) return false;
    DataRequest header;
    std::memcpy(&header, request, sizeof(header));
    const std::uint32_t needed = replyBytes(header.type, snapshot);
    if (header.size < sizeof(DataRequest) || needed == 0 || header.size < needed) {
        // A curves buffer too small for sixteen records is told so: no data.
        if (header.type == kDataCurves && header.size >= sizeof(DataRequest)) writeU32(request, offsetof(CurvesReplyHeader, size), 0);
        return false;
    }
    switch (header.type) {
        case kDataBandRecords: return bandRecords(request, header, snapshot, sources.shared);
        case kDataCurves: return curves(request, header, snapshot, sources);
        case kDataMemoryCurve: return memoryCurve(request, header, snapshot, sources);
        case kDataInstanceMap: return instanceMap(request, header, snapshot);
        case kDataSequences: return sequences(request, header, sources.shared);
        case kDataBandMemory: return readBandMemory(request, header, sources.memory);
        default: return false;
    }
}

bool CDataService::put(const void* request, DataSources sources) {
    if (request == nullptr) return false;
    DataRequest header;
    std::memcpy(&header, request, sizeof(header));
    if (header.type != kDataBandMemory || header.size != BandMemoryRequest::kSize || !slotIndicesValid(header))
        return false;
    BandLevelRecord record;
    std::memcpy(&record, static_cast<const char*>(request) + offsetof(BandMemoryRequest, record), sizeof(record));
    return sources.memory.writeBand(header.a, header.b, record);
}

bool CDataService::bandRecords(void* request, const DataRequest& header, const DataSnapshot& snapshot,
                               AnalysisShared& shared) {
    if (header.a != 1) return false;
    auto* out = static_cast<char*>(request) + sizeof(DataRequest);
    std::uint32_t written = 0;
    for (std::uint32_t n = 0; n < kMaxInstanceNumbers; ++n) {
        if ((snapshot.used >> n & 1u) == 0) continue;
        // Copied under the lock of the buffer it is in, which a writer needs to fill that buffer.
        BandLevelRecord record = shared.records->readBands(n, [](const BandLevelRecord& current, std::uint32_t) { return current; });
        record.target = shared.ownIndex.load();
        record.flag = snapshot.hidden >> n & 1u;
        std::memcpy(out + written * sizeof(BandLevelRecord), &record, sizeof(record));
        ++written;
    }
    writeU32(request, offsetof(DataRequest, b), written);
    writeU32(request, offsetof(DataRequest, size), bandRecordsReplyBytes(written));
    return true;
}

void CDataService::refreshMap(const DataSnapshot& snapshot, CMemorySlots& memory) {
    if (!map_.update(snapshot.key)) return;
    ++mapGeneration_;
    memory.markAll();
}

bool CDataService::refreshCurve(std::uint32_t number, const DataSnapshot& snapshot, DataSources sources) {
    KeptCurve& kept = kept_[number];
    // The mean's version is read before anything is copied: a mean published later raises the
    // version the next request sees, so a curve built from it is noted as older and rebuilt.
    const bool averaging = sources.averager.active();
    const std::uint32_t version = averaging ? sources.averager.averageVersion(number) : 0;
    CurveInputs now{mapGeneration_, 0, 0, 0, 0, std::bit_cast<std::uint32_t>(snapshot.slope), averaging ? 1u : 0u,
                    version};
    AnalysisShared& shared = sources.shared;
    shared.records->readSpectrum(number, [&](const SpectrumRecord& source, std::uint32_t buffer) {
        now.buffer = buffer;
        now.sequence = source.sequence;
        now.count = source.count;
    });
    now.target = shared.ownIndex.load();
    if (!kept.built || !(kept.inputs == now)) buildCurve(number, snapshot, sources, now);
    kept.record.switchFlag = snapshot.hidden >> number & 1u;
    return kept.record.valid != 0;
}

void CDataService::buildCurve(std::uint32_t number, const DataSnapshot& snapshot, DataSources sources,
                              const CurveInputs& seen) {
    KeptCurve& kept = kept_[number];
    CurveRecord& record = kept.record;
    // The source record may have been written since it was looked at: its fields are noted
    // again from the copy the curve is built from.
    CurveInputs& inputs = kept.inputs;
    inputs = seen;
    kept.built = true;
    const std::uint32_t expected = map_.binCount();
    // While averaging is on, the published mean of this number's magnitudes (dB factor 20) takes
    // the place of its latest powers; a number without a mean yet shows its latest spectrum.
    const bool averaged = seen.averaging != 0 && sources.averager.copyAverage(number, expected, data_.data());
    std::uint32_t count = 0;
    AnalysisShared& shared = sources.shared;
    shared.records->readSpectrum(number, [&](const SpectrumRecord& source, std::uint32_t buffer) {
        inputs.buffer = buffer;
        count = source.count;
        record.sequence = source.sequence;
        if (count == expected && !averaged) std::copy_n(source.power, count, data_.data());
    });
    record.target = shared.ownIndex.load();
    inputs.sequence = record.sequence;
    inputs.count = count;
    inputs.target = record.target;

    // A spectrum of another FFT size (or none yet) shows as silence.
    if (count != expected) std::fill_n(data_.data(), expected, 0.0f);
    const bool useAverage = averaged && count == expected;
    CurveSource curve{data_.data(), expected, useAverage ? 20.0f : 10.0f, 0.0f, snapshot.slope};
    CCurveBuilder::build(map_, curve, points_);
    CCurveBuilder::fillRecord(record, points_);
    record.unused4 = 0;
    record.number = number;
    record.binCount = expected;
    record.sampleRate = map_.sampleRate();
    record.valid = count != 0 ? 1 : 0;
    std::memset(record.unused40, 0, sizeof(record.unused40));
}

bool CDataService::curves(void* request, const DataRequest&, const DataSnapshot& snapshot,
                          DataSources sources) {
    std::lock_guard<std::mutex> guard(serviceLock);
    refreshMap(snapshot, sources.memory);
    auto* out = static_cast<char*>(request);
    std::uint32_t count = 0;
    bool complete = true;
    for (std::uint32_t n = 0; n < kMaxInstanceNumbers; ++n) {
        if ((snapshot.used >> n & 1u) == 0) continue;
        complete = refreshCurve(n, snapshot, sources) && complete;
        char* at = out + sizeof(CurvesReplyHeader) + count * sizeof(CurveRecord);
        std::memcpy(at, &kept_[n].record, sizeof(CurveRecord));
        ++count;
    }
    const float low = kDisplayLowHz, high = kDisplayHighHz;
    std::memcpy(out + offsetof(CurvesReplyHeader, lowHz), &low, sizeof(low));
    std::memcpy(out + offsetof(CurvesReplyHeader, highHz), &high, sizeof(high));
    writeU32(request, offsetof(CurvesReplyHeader, count), count);
    writeU32(request, offsetof(CurvesReplyHeader, size),
             complete ? static_cast<std::uint32_t>(sizeof(CurvesReplyHeader)) + count * CurveRecord::kSize : 0);
    return true;
}

bool CDataService::memoryCurve(void* request, const DataRequest& header, const DataSnapshot& snapshot,
                               DataSources sources) {
    if (header.size != MemoryCurveBlock::kSize || !slotIndicesValid(header)) return false;
    std::lock_guard<std::mutex> guard(serviceLock);
    // A changed FFT size, rate or smoothing recomputes the curve before it is served.
    refreshMap(snapshot, sources.memory);
    if (!sources.memory.serveCurve(header.a, header.b, map_, request)) {
        writeU32(request, offsetof(DataRequest, size), 0);  // an empty slot: no memory to draw
    }
    return true;
}

bool CDataService::instanceMap(void* request, const DataRequest&, const DataSnapshot& snapshot) {
    std::uint8_t used[kMaxInstanceNumbers];
    for (std::uint32_t n = 0; n < kMaxInstanceNumbers; ++n) used[n] = snapshot.used >> n & 1u;
    std::memcpy(static_cast<char*>(request) + offsetof(InstanceMapReply, used), used, sizeof(used));
    writeU32(request, offsetof(DataRequest, size), InstanceMapReply::kSize);
    return true;
}

bool CDataService::sequences(void* request, const DataRequest& header, AnalysisShared& shared) {
    if (header.size != SequencesReply::kSize) return false;
    std::uint32_t sequence[kMaxInstanceNumbers];
    for (std::uint32_t n = 0; n < kMaxInstanceNumbers; ++n)
        sequence[n] = shared.records->readSpectrum(n, [](const SpectrumRecord& current, std::uint32_t) { return current.sequence; });
    std::memcpy(static_cast<char*>(request) + offsetof(SequencesReply, sequences), sequence, sizeof(sequence));
    return true;
}

bool CDataService::readBandMemory(void* request, const DataRequest& header, CMemorySlots& memory) {
    if (header.size != BandMemoryRequest::kSize || !slotIndicesValid(header)) return false;
    BandLevelRecord record;
    if (!memory.readBand(header.a, header.b, record)) return false;
    std::memcpy(static_cast<char*>(request) + offsetof(BandMemoryRequest, record), &record, sizeof(record));
    writeU32(request, offsetof(DataRequest, type), kDataBandMemoryReply);
    return true;
}

}  // namespace qv
