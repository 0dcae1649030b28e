// The typed requests through which the editor and the spectrum display read from and write to an
// analyzer instance (getData / putData), and the records the instance answers with. Little-endian,
// fixed layout: a request is a buffer that begins with a DataRequest header whose size field holds
// the caller's capacity in bytes on input and the bytes written on output (0 = no data).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "dsp/measurement_records.h"

namespace qv {

static_assert(std::endian::native == std::endian::little, "requests are little-endian");

enum DataRequestType : std::uint32_t {
    kDataBandRecords = 0,      // get: the band record of every instance
    kDataCurves = 1,           // get: the spectrum of every instance as display points
    kDataMemoryCurve = 2,      // get: a memory slot's spectrum as display points
    kDataInstanceMap = 3,      // get: which instance numbers are in use
    kDataSequences = 7,        // get: the sequence number of every instance's spectrum
    kDataNames = 32,           // put: rename one instance and share the names
    kDataBandMemory = 101,     // get and put: a memory slot's band graph
    kDataBandMemoryReply = 253,  // type of an answered band-memory request
};

struct DataRequest {
    std::uint32_t size;  // capacity in bytes on input, bytes written on output
    std::uint32_t type;
    std::uint32_t a;
    std::uint32_t b;
};
static_assert(sizeof(DataRequest) == 16);
static_assert(offsetof(DataRequest, type) == 4 && offsetof(DataRequest, a) == 8 && offsetof(DataRequest, b) == 12);

// Shape of the display's frequency axis: 556 columns from 10 Hz to 20 kHz, log spaced.
constexpr std::uint32_t kDisplayColumns = 556;
constexpr float kDisplayLowHz = 10.0f;
constexpr float kDisplayHighHz = 20000.0f;
constexpr float kSilenceDb = -200.0f;  // levels below 1e-34 (linear)
constexpr std::uint32_t kCurveValues = 557;
constexpr std::uint32_t kMaxInstanceNumbers = 16;
constexpr std::uint32_t kMemorySlotsPerInstance = 8;

// One instance's spectrum as dB values on the display's columns: value 0 at 10 Hz (when
// hasFirst), value k + 1 at the column of column-map entry k, the last at 20 kHz (when hasLast).
struct CurveRecord {
    static constexpr std::uint32_t kSize = 2284;

    std::uint32_t size;        // kSize
    std::uint32_t unused4;
    std::uint32_t target;      // target field of the source spectrum record
    std::uint32_t number;      // instance number
    std::uint32_t sequence;    // sequence number of the source spectrum record
    std::uint32_t switchFlag;  // 1 when the show switches hide this instance number
    std::uint32_t valueCount;  // m
    std::uint32_t binCount;    // N/2 + 1
    float sampleRate;
    std::uint32_t valid;       // 1 when a spectrum was present
    std::uint8_t unused40[8];
    std::uint32_t hasFirst;
    std::uint32_t hasLast;
    float values[kCurveValues];  // dB
};
static_assert(sizeof(CurveRecord) == CurveRecord::kSize);
static_assert(offsetof(CurveRecord, target) == 8 && offsetof(CurveRecord, number) == 12);
static_assert(offsetof(CurveRecord, sequence) == 16 && offsetof(CurveRecord, switchFlag) == 20);
static_assert(offsetof(CurveRecord, valueCount) == 24 && offsetof(CurveRecord, binCount) == 28);
static_assert(offsetof(CurveRecord, sampleRate) == 32 && offsetof(CurveRecord, valid) == 36);
static_assert(offsetof(CurveRecord, hasFirst) == 48 && offsetof(CurveRecord, hasLast) == 52);
static_assert(offsetof(CurveRecord, values) == 56);

// Type 1 reply header; the CurveRecords follow from offset 32.
struct CurvesReplyHeader {
    std::uint32_t size;   // 32 + 2284 * count, or 0 when a source spectrum was empty
    std::uint32_t count;  // records that follow (takes the place of the type)
    std::uint32_t a;
    std::uint32_t b;
    float lowHz;   // 10
    float highHz;  // 20000
    std::uint32_t unused24[2];
};
static_assert(sizeof(CurvesReplyHeader) == 32);
static_assert(offsetof(CurvesReplyHeader, count) == 4 && offsetof(CurvesReplyHeader, lowHz) == 16);
static_assert(offsetof(CurvesReplyHeader, highHz) == 20);
constexpr std::uint32_t kCurvesRequestBytes = sizeof(CurvesReplyHeader) + kMaxInstanceNumbers * CurveRecord::kSize;
static_assert(kCurvesRequestBytes == 36576);

// Type 0: the header, then one BandLevelRecord per instance; b = records written.
constexpr std::uint32_t bandRecordsReplyBytes(std::uint32_t records) {
    return sizeof(DataRequest) + records * sizeof(BandLevelRecord);
}

// Type 3: byte n of the payload is 1 when some instance holds number n.
struct InstanceMapReply {
    static constexpr std::uint32_t kSize = 32;
    DataRequest header;
    std::uint8_t used[kMaxInstanceNumbers];
};
static_assert(sizeof(InstanceMapReply) == InstanceMapReply::kSize && offsetof(InstanceMapReply, used) == 16);

// Type 7: the sequence number of the current spectrum of every instance number.
struct SequencesReply {
    static constexpr std::uint32_t kSize = 100;
    DataRequest header;
    std::uint32_t sequences[kMaxInstanceNumbers];
    std::uint8_t unused80[20];
};
static_assert(sizeof(SequencesReply) == SequencesReply::kSize && offsetof(SequencesReply, sequences) == 16);

// Type 101: a = instance number, b = memory slot; the band graph follows the header.
struct BandMemoryRequest {
    static constexpr std::uint32_t kSize = 288;
    DataRequest header;
    BandLevelRecord record;
};
static_assert(sizeof(BandMemoryRequest) == BandMemoryRequest::kSize && offsetof(BandMemoryRequest, record) == 16);

// Type 32: a = the name to take; the 16 names follow the header, 32 bytes each.
struct NamesRequest {
    static constexpr std::uint32_t kSize = 528;
    DataRequest header;
    char names[kMaxInstanceNumbers][32];
};
static_assert(sizeof(NamesRequest) == NamesRequest::kSize && offsetof(NamesRequest, names) == 16);

// One point of a memory curve's own point map.
struct MemoryCurvePoint {
    float level;  // dB, tilted by the slope the slot was stored with
    std::uint16_t column;
    std::uint16_t unused;
};
static_assert(sizeof(MemoryCurvePoint) == 8 && offsetof(MemoryCurvePoint, column) == 4);

// Type 2 (a = instance number, b = memory slot, size exactly 6784): a stored spectrum as display
// points. values[] follows the live column map the same way CurveRecord::values does: value 0 at
// 10 Hz, value k + 1 at live entry k, the last at 20 kHz when hasLast; -200 where the stored
// spectrum has no data. points[] is the curve on the stored spectrum's own map (level and column).
struct MemoryCurveBlock {
    static constexpr std::uint32_t kSize = 6784;
    static constexpr std::uint32_t kValues = 558;
    static constexpr std::uint32_t kPoints = 558;

    DataRequest header;
    float sampleRate;          // of the stored spectrum
    std::uint32_t unused20;
    std::uint32_t hasFirst;
    std::uint32_t hasLast;
    std::uint32_t binCount;    // of the stored spectrum
    std::uint32_t valueCount;  // values[] entries that carry the curve
    std::uint32_t recompute;   // 0 in every reply: curves are brought up to date first
    std::uint32_t slopeTaken;  // 1: slope holds the tilt of the moment of storing
    float slope;               // dB per octave
    std::uint8_t unused52[12];
    std::uint32_t pointMapOffset;  // byte offset of points[] in this block
    std::uint32_t pointCount;      // points[] entries in use (the high half of a 64-bit field)
    float values[kValues];
    MemoryCurvePoint points[kPoints];
    std::uint8_t unused6768[16];
};
static_assert(sizeof(MemoryCurveBlock) == MemoryCurveBlock::kSize);
static_assert(offsetof(MemoryCurveBlock, sampleRate) == 16 && offsetof(MemoryCurveBlock, hasFirst) == 24);
static_assert(offsetof(MemoryCurveBlock, hasLast) == 28 && offsetof(MemoryCurveBlock, binCount) == 32);
static_assert(offsetof(MemoryCurveBlock, valueCount) == 36 && offsetof(MemoryCurveBlock, recompute) == 40);
static_assert(offsetof(MemoryCurveBlock, slopeTaken) == 44 && offsetof(MemoryCurveBlock, slope) == 48);
static_assert(offsetof(MemoryCurveBlock, pointMapOffset) == 64 && offsetof(MemoryCurveBlock, values) == 72);
static_assert(offsetof(MemoryCurveBlock, points) == 2304);

}  // namespace qv
