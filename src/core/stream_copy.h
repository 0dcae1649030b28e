// Copies a record that this thread will not read again (readers on other threads copy it out
// later, if at all) with streaming stores: the copy neither reads the destination into the
// cache first nor pushes the data this thread works on out of it. The stores are fenced before
// returning, so a release store after the call (a selector flip) publishes them.
#pragma once

#include <emmintrin.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace qv {

inline void streamCopy(void* destination, const void* source, std::size_t bytes) {
    auto* to = static_cast<unsigned char*>(destination);
    const auto* from = static_cast<const unsigned char*>(source);
    const std::size_t head = std::min(bytes, (16 - reinterpret_cast<std::uintptr_t>(to) % 16) % 16);
    std::memcpy(to, from, head);
    std::size_t done = head;
    for (; done + 16 <= bytes; done += 16)
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + done),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + done)));
    std::memcpy(to + done, from + done, bytes - done);
    _mm_sfence();
}

}  // namespace qv
