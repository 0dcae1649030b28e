// The producer side of everything the editor and its spectrum display draw: the typed requests
// of getData (types 0, 1, 2, 3, 7, 101) and putData (type 101) answered from the measurement
// records, the spectrum averages and the memory slots. (Type 32, renaming, needs the settings
// and is answered by the instance itself.)
//
// Every request is checked completely before anything is written; a request that fails a check
// returns false and leaves the caller's buffer as it was, except that a type 1 request with too
// small a buffer gets size 0. Requests come from the GUI thread 25 times a second; the column
// map, the curve records and their scratch space are guarded by one lock, taken after (never
// around) the instance lock. No audio or worker thread takes that lock.
//
// Each instance number's curve is kept with the inputs it was built from and served again until
// one of them changes, so a pass where no spectrum arrived costs a few comparisons per number.
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

// Everything a curve record is built from besides the map's tables: a curve is rebuilt when any
// field differs from the kept one. A source record is known by its sequence number and buffer;
// every sender numbers its records upwards, so only two writes under one sequence number between
// two requests (a number just taken over by an instance whose count matches) would go unseen.
struct CurveInputs {
    std::uint32_t mapGeneration = 0;  // counts map rebuilds (rate, FFT size, smoothing, ranges)
    std::uint32_t sequence = 0;       // of the source spectrum record
    std::uint32_t buffer = 0;         // which of its two buffers: every write flips it
    std::uint32_t count = 0;          // bins of the source record
    std::uint32_t target = 0;
    std::uint32_t slopeBits = 0;      // the slope setting, as bits
    std::uint32_t averaging = 0;      // averaging was active
    std::uint32_t averageVersion = 0;  // of the number's published mean, while averaging

    bool operator==(const CurveInputs&) const = default;
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
    // Brings number's kept curve up to date (rebuilt only when its inputs changed); false when
    // its spectrum record was empty.
    bool refreshCurve(std::uint32_t number, const DataSnapshot& snapshot, DataSources sources);
    // Builds the curve of number from its current record (or mean) into its kept record and
    // notes the inputs it used: those seen just before, with the record's as copied.
    void buildCurve(std::uint32_t number, const DataSnapshot& snapshot, DataSources sources, const CurveInputs& seen);

    struct KeptCurve {
        bool built = false;
        CurveInputs inputs;
        CurveRecord record{};
    };

    std::mutex serviceLock;
    CColumnMap map_;
    std::uint32_t mapGeneration_ = 0;
    std::array<KeptCurve, kMaxInstanceNumbers> kept_{};
    std::array<float, kSpectrumMaxBins> data_{};
    CurvePoints points_;
};

}  // namespace qv
