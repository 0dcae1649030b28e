// The producer side of everything the editor and its spectrum display draw: the typed requests
// of getData (types 0, 1, 2, 3, 7, 101) and putData (type 101) answered from the measurement
// records, the spectrum averages and the memory slots. (Type 32, renaming, needs the settings
// and is answered by the instance itself.)
//
// Every request is checked completely before anything is written; a request that fails a check
// returns false and leaves the caller's buffer as it was, except that a type 1 request with too
// small a buffer gets size 0. Requests come from the GUI thread 25 times a second; the column
// map, the curve records and their scratch space are guarded by one lock, taken after (never
// around) the instance lock.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>

#include "core/data_request.h"
#include "core/data_service_columns.h"
#include "core/data_service_curves.h"

namespace qv {

struct AnalysisShared;
class CMemorySlots;
class CSpectrumAverager;

// The settings a request depends on, read under the instance lock before the request runs.
struct DataSnapshot {
    ColumnMapKey key;
    float slope = 0.0f;          // dB per octave
    std::uint32_t used = 0;      // bit n: some instance holds number n
    std::uint32_t hidden = 0;    // bit n: the show switches hide number n
};

struct DataSources {
    AnalysisShared& shared;
    CMemorySlots& memory;
    CSpectrumAverager& averager;
};

class CDataService {
public:
    CDataService() = default;
    CDataService(const CDataService&) = delete;
    CDataService& operator=(const CDataService&) = delete;

    // request points at a buffer of at least `size` bytes (its own size field, >= 16) whose
    // header names `type`. False for an unknown type or a failed condition.
    bool get(void* request, const DataSnapshot& snapshot, DataSources sources);
    bool put(const void* request, DataSources sources);

    // The live column map as of the last request (tests and the bench).
    const CColumnMap& columnMap() const { return map_; }

private:
    bool bandRecords(void* request, const DataRequest& header, const DataSnapshot& snapshot, AnalysisShared& shared);
    bool curves(void* request, const DataRequest& header, const DataSnapshot& snapshot, DataSources sources);
    bool memoryCurve(void* request, const DataRequest& header, const DataSnapshot& snapshot, DataSources sources);
    static bool instanceMap(void* request, const DataRequest& header, const DataSnapshot& snapshot);
    static bool sequences(void* request, const DataRequest& header, AnalysisShared& shared);
    static bool readBandMemory(void* request, const DataRequest& header, CMemorySlots& memory);
    // Rebuilds the column map when a key changed; every memory curve is then recomputed.
    void refreshMap(const DataSnapshot& snapshot, CMemorySlots& memory);
    // One instance's curve into records_[k]; false when its spectrum record was empty.
    bool buildCurve(CurveRecord& record, std::uint32_t number, const DataSnapshot& snapshot, DataSources sources);

    std::mutex serviceLock;
    CColumnMap map_;
    std::array<CurveRecord, kMaxInstanceNumbers> records_{};
    std::array<float, kSpectrumMaxBins> data_{};
    CurvePoints points_;
};

}  // namespace qv
