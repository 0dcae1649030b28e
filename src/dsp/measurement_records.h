// The two measurement records: third-octave band levels and the FFT power spectrum. They are
// the payloads the analysis writes, the records instances post to each other and what the
// display reads, so their layouts are fixed (little-endian, 32-bit fields). Both begin with the
// three fields every instance message begins with: size in bytes, type, target registry index.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv {

constexpr std::uint32_t kThirdOctaveBandCount = 31;
constexpr std::uint32_t kMessageTypeBandLevels = 4;
constexpr std::uint32_t kMessageTypeSpectrum = 8;

struct BandLevelRecord {
    std::uint32_t size;      // always 272
    std::uint32_t type;      // kMessageTypeBandLevels
    std::uint32_t target;    // target registry index
    std::uint32_t source;    // source instance number
    std::uint32_t sequence;  // sequence number
    std::uint32_t flag;      // 0; in copies handed to the display, its switch flag
    float peaks[kThirdOctaveBandCount];   // dB; the measurement writes the band levels here too
    float levels[kThirdOctaveBandCount];  // dB
};

static_assert(sizeof(BandLevelRecord) == 272);
static_assert(offsetof(BandLevelRecord, size) == 0);
static_assert(offsetof(BandLevelRecord, type) == 4);
static_assert(offsetof(BandLevelRecord, target) == 8);
static_assert(offsetof(BandLevelRecord, source) == 12);
static_assert(offsetof(BandLevelRecord, sequence) == 16);
static_assert(offsetof(BandLevelRecord, flag) == 20);
static_assert(offsetof(BandLevelRecord, peaks) == 24);
static_assert(offsetof(BandLevelRecord, levels) == 148);

// Bins of the largest spectrum a record carries (N = 16384) and the float slots it has room for.
constexpr std::uint32_t kSpectrumMaxBins = 8193;
constexpr std::uint32_t kSpectrumRecordSlots = 8198;

struct SpectrumRecord {
    std::uint32_t size;      // bytes: spectrumRecordBytes(count)
    std::uint32_t type;      // kMessageTypeSpectrum
    std::uint32_t target;    // target registry index
    std::uint32_t source;    // source instance number
    std::uint32_t sequence;  // sequence number
    std::uint32_t unused0;
    std::uint32_t count;     // bins: N/2 + 1
    float sampleRate;        // Hz, of the analysed block
    std::uint32_t valid;     // 1 on the copy handed to the display
    std::uint8_t unused1[12];
    float power[kSpectrumRecordSlots];  // linear power per bin; bin k lies at k * sampleRate / N
};

static_assert(sizeof(SpectrumRecord) == 32840);
static_assert(offsetof(SpectrumRecord, size) == 0);
static_assert(offsetof(SpectrumRecord, type) == 4);
static_assert(offsetof(SpectrumRecord, target) == 8);
static_assert(offsetof(SpectrumRecord, source) == 12);
static_assert(offsetof(SpectrumRecord, sequence) == 16);
static_assert(offsetof(SpectrumRecord, unused0) == 20);
static_assert(offsetof(SpectrumRecord, count) == 24);
static_assert(offsetof(SpectrumRecord, sampleRate) == 28);
static_assert(offsetof(SpectrumRecord, valid) == 32);
static_assert(offsetof(SpectrumRecord, unused1) == 36);
static_assert(offsetof(SpectrumRecord, power) == 48);

// The size field of a spectrum record with count bins (four bytes beyond the last bin are
// counted; the record always has room for them).
constexpr std::uint32_t spectrumRecordBytes(std::uint32_t count) { return 52 + 4 * count; }
static_assert(spectrumRecordBytes(kSpectrumMaxBins) <= sizeof(SpectrumRecord));
// The bytes of record worth copying: its size when that is a possible one, else the whole record.
inline std::uint32_t spectrumBytesOf(const SpectrumRecord& record) {
    return record.size >= spectrumRecordBytes(0) && record.size <= sizeof(SpectrumRecord)
               ? record.size
               : static_cast<std::uint32_t>(sizeof(SpectrumRecord));
}

}  // namespace qv
