// What the unit tests share: GoogleTest, the standard headers they use, and a capture of the
// messages the product shows.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "framework/error_report.h"

namespace qvtest {

using namespace std::chrono_literals;

// 4-byte values of a byte buffer at a byte offset.
inline std::uint32_t u32At(const std::vector<std::uint8_t>& b, std::size_t offset) {
    std::uint32_t v;
    std::memcpy(&v, b.data() + offset, 4);
    return v;
}
inline float f32At(const std::vector<std::uint8_t>& b, std::size_t offset) { return std::bit_cast<float>(u32At(b, offset)); }
inline void putU32(std::vector<std::uint8_t>& b, std::size_t offset, std::uint32_t v) { std::memcpy(b.data() + offset, &v, 4); }

// Captures the messages shown while it lives, as "title|text".
struct MessageCapture {
    static inline std::vector<std::string> messages;
    qv::MessageSink previous = qv::setMessageSink([](const char* title, const char* text) {
        messages.push_back(std::string(title) + "|" + text);
    });
    MessageCapture() { messages.clear(); }
    ~MessageCapture() { qv::setMessageSink(previous); }
};

}  // namespace qvtest
