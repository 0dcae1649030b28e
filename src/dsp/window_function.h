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

    // The values apply(type, b, length) multiplies by, leaving the gain it leaves, for a caller
    // that multiplies itself; null (nothing changed) where apply reads no table: rectangular,
    // length < 2, or longer than the cache.
    const T* values(enumWindowType type, std::uint32_t length);

    // Mean of the window values of the last generate, apply or values; 0 before the first.
    T getGain() const { return m_gain; }

    // From a thread that is not measuring, never while apply or values runs: from now on they
    // read, for this one shaped type and length, the table that every window of the process
    // shares (made on first use, the same values as the own cache), so that many instances keep
    // one copy in the cache instead of one each. Without memory for it they keep their own.
    void share(enumWindowType type, std::uint32_t length);

private:
    struct Table {
        enumWindowType type;
        std::uint32_t length;
        std::vector<T> values;
        T gain;
    };
    bool refreshCache(enumWindowType type, std::uint32_t length);
    // The values and gain apply uses for a shaped type and length >= 2: the shared table, else
    // the own cache; null when neither holds them.
    const T* table(enumWindowType type, std::uint32_t length, T& gain);

    T m_gain = 0;
    // Left unwritten beyond the cached length: the pages of the unused tail stay unmapped.
    std::unique_ptr<T[]> m_cache;
    std::uint32_t m_cacheCapacity = 0;
    enumWindowType m_cacheType = kWindowRectangular;
    std::uint32_t m_cacheLength = 0;  // 0: nothing cached
    T m_cacheGain = 0;
    std::shared_ptr<const Table> m_shared;
};

extern template class CWindowFunction<float>;

}  // namespace qv
