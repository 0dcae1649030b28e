// The state record handed to the host as the instance's chunk: a 16-byte header and the
// analyzer's settings, each at a fixed offset. Little-endian; float settings as their IEEE bit
// patterns; bytes without a field are 0.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace qv {

static_assert(std::endian::native == std::endian::little, "the chunk is little-endian");

struct StateChunk {
    static constexpr std::uint32_t kFormat = 1;
    static constexpr std::uint32_t kSize = 2756;
    static constexpr std::uint32_t kVersion = 0x00020300;
    static constexpr char kTag[4] = {'s', 'L', 'e', 'X'};

    std::uint32_t format;
    std::uint32_t size;
    char tag[4];
    std::uint32_t version;
    std::uint32_t instanceNumber;
    std::uint32_t knobBits[3];       // attack, release, slope
    std::uint32_t showSwitches[16];  // state + 8 * (saved & 1), per instance number
    std::uint32_t soloCount;
    std::uint32_t colours[16];  // packed RGBA per instance number
    std::uint8_t unused164[512];
    std::uint32_t averageBits[2];  // average time, average on
    std::uint32_t peakBits[4];     // peak display, bars/curves, peak hold, peak-hold time
    std::int32_t rangeLow;         // dB
    std::int32_t rangeHigh;        // dB
    std::uint32_t ecoMode;
    std::uint32_t arrangement;
    std::uint32_t veil;  // 0 or 1
    std::uint32_t displayMode;
    std::uint32_t fftSizeIndex;
    std::uint32_t fftResponse;  // 0 instant, 1 smooth
    std::uint32_t windowType;
    std::uint32_t freqLow;   // Hz
    std::uint32_t freqHigh;  // Hz
    std::uint32_t resolution;
    std::uint32_t unused748;
    char names[16][32];
    std::uint8_t unused1264[1492];

    // Zeroes the whole record and writes the header.
    void clear();
    // Writes the header; the settings stay as they are.
    void fillHeader();
    // Whether data of size bytes starts with a header this version reads.
    static bool isValid(const void* data, std::int32_t size);
};

static_assert(sizeof(StateChunk) == StateChunk::kSize);
static_assert(offsetof(StateChunk, size) == 4 && offsetof(StateChunk, tag) == 8);
static_assert(offsetof(StateChunk, version) == 12 && offsetof(StateChunk, instanceNumber) == 16);
static_assert(offsetof(StateChunk, knobBits) == 20 && offsetof(StateChunk, showSwitches) == 32);
static_assert(offsetof(StateChunk, soloCount) == 96 && offsetof(StateChunk, colours) == 100);
static_assert(offsetof(StateChunk, unused164) == 164 && offsetof(StateChunk, averageBits) == 676);
static_assert(offsetof(StateChunk, peakBits) == 684);
static_assert(offsetof(StateChunk, rangeLow) == 700 && offsetof(StateChunk, rangeHigh) == 704);
static_assert(offsetof(StateChunk, ecoMode) == 708 && offsetof(StateChunk, arrangement) == 712);
static_assert(offsetof(StateChunk, veil) == 716 && offsetof(StateChunk, displayMode) == 720);
static_assert(offsetof(StateChunk, fftSizeIndex) == 724 && offsetof(StateChunk, fftResponse) == 728);
static_assert(offsetof(StateChunk, windowType) == 732 && offsetof(StateChunk, freqLow) == 736);
static_assert(offsetof(StateChunk, freqHigh) == 740 && offsetof(StateChunk, resolution) == 744);
static_assert(offsetof(StateChunk, unused748) == 748 && offsetof(StateChunk, names) == 752);
static_assert(offsetof(StateChunk, unused1264) == 1264);

}  // namespace qv
