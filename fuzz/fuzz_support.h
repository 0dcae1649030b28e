// Pieces the fuzz targets share: analyzer instances built in-process the way the tests build
// them, the pass-through check, and a reporter that keeps the product's error messages quiet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "core/plugin.h"

namespace qvfuzz {

// Error reports and plain messages of the product go nowhere: fuzz inputs provoke them on purpose.
void silenceReports();

// A registered analyzer instance with 2 inputs and 2 outputs, primed, its workers idle.
std::unique_ptr<qv::CPlugin> makeInstance();

// Ends the run with a message: the fuzzer and the replay both see it as a crash.
[[noreturn]] void fail(const char* what);

// Runs `frames` of a deterministic signal through the instance in host-sized blocks, waits for
// the workers and fails unless every output equals its input bit for bit.
void requirePassThrough(qv::CPlugin& plugin, std::int32_t frames);

// Reads the display data an editor reads on every draw pass (band records, curves, the instance
// map, the sequences), so that whatever an input changed is also consumed.
void readDisplayData(qv::CPlugin& plugin);

// Fails unless getChunk gives a chunk of 2756 bytes that a new instance's settings accept.
void requireValidChunk(qv::CPlugin& plugin);

// Bytes taken from the front of a fuzz input; what runs out reads as zero.
class InputReader {
public:
    InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    std::size_t remaining() const { return empty() ? 0 : size_ - pos_; }
    template <typename T>
    T take() {
        T value{};
        copy(&value, sizeof(value));
        return value;
    }
    // Copies up to n bytes into out and zero-fills the rest.
    void copy(void* out, std::size_t n) {
        const std::size_t have = n < remaining() ? n : remaining();
        if (have) std::memcpy(out, data_ + pos_, have);
        if (have < n) std::memset(static_cast<std::uint8_t*>(out) + have, 0, n - have);
        pos_ += have;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// A buffer of exactly `bytes` bytes on the heap, so that the address sanitizer sees any access
// past the size its record claims.
inline std::vector<std::uint8_t> exactBuffer(std::size_t bytes) { return std::vector<std::uint8_t>(bytes); }

}  // namespace qvfuzz
