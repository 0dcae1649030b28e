// Window functions for spectrum analysis: generate writes the window into a buffer, apply
// multiplies a buffer by it in place; both leave the gain (mean window value) of the call.
//
// Values follow one fixed recipe so that every path sees the same numbers: the angle step
// c = 2 pi / (M - 1) (and its multiples for the higher terms) in single precision, the cosine
// of c * i in single precision, the weighted sum in double, stored in T. apply keeps the last
// window it computed (type and length) and reuses it while both stay the same.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace qv {

enum enumWindowType : std::uint32_t {
    kWindowRectangular = 0,
    kWindowHann = 1,
    kWindowHamming = 2,
    kWindowBlackman = 3,
    kWindowBlackmanHarris = 4,
    kWindowFlatTop = 5,
};
constexpr std::uint32_t kWindowTypeCount = 6;

template <typename T>
class CWindowFunction {
public:
    static constexpr std::uint32_t kDefaultCacheLength = 65536;

    // cacheLength: the longest window apply keeps (allocated here); longer ones are computed
    // value by value on every call.
    explicit CWindowFunction(std::uint32_t cacheLength = kDefaultCacheLength);

    // Rectangular: gain 0, or 1 with b = 1 when length >= 2. Shaped windows with length < 2
    // change nothing (the gain keeps its value).
    void generate(enumWindowType type, T* b, std::uint32_t length);
    // Rectangular: gain 1, b unchanged. Shaped windows with length < 2 change nothing.
    void apply(enumWindowType type, T* b, std::uint32_t length);

    // Mean of the window values of the last generate or apply; 0 before the first.
    T getGain() const { return m_gain; }

private:
    bool refreshCache(enumWindowType type, std::uint32_t length);

    T m_gain = 0;
    // Left unwritten beyond the cached length: the pages of the unused tail stay unmapped.
    std::unique_ptr<T[]> m_cache;
    std::uint32_t m_cacheCapacity = 0;
    enumWindowType m_cacheType = kWindowRectangular;
    std::uint32_t m_cacheLength = 0;  // 0: nothing cached
    T m_cacheGain = 0;
};

extern template class CWindowFunction<float>;

}  // namespace qv
