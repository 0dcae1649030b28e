#include "dsp/window_function.h"

#include <cmath>
#include <new>
#include <utility>

#include "dsp/process_shared.h"

namespace qv {

namespace {

constexpr float kTwoPi = 6.2831855f;

// Single-precision angle steps 2 pi k / D for k = 1..4 and the shaped window's value at i.
template <typename T>
struct WindowShape {
    enumWindowType type;
    T d;
    T step[4];

    WindowShape(enumWindowType t, std::uint32_t length) : type(t), d(static_cast<T>(length - 1)) {
        for (int k = 0; k < 4; ++k) step[k] = static_cast<T>(kTwoPi * static_cast<T>(k + 1)) / d;
    }

    T value(std::uint32_t i) const {
        const T x = static_cast<T>(i);
        auto cosine = [&](int k, T at) { return static_cast<double>(std::cos(step[k - 1] * at)); };
        double w;
        switch (type) {
            case kWindowHamming:
                w = 0.54 - 0.46 * cosine(1, x);
                break;
            case kWindowBlackman:
                w = 0.42 - 0.5 * cosine(1, x) + 0.08 * cosine(2, x);
                break;
            case kWindowBlackmanHarris: {
                const T centred = x - d / static_cast<T>(2);
                w = 0.35875 + 0.48829 * cosine(1, centred) + 0.14128 * cosine(2, centred) +
                    0.01168 * cosine(3, centred);
                break;
            }
            case kWindowFlatTop:
                w = 0.2156 - 0.416 * cosine(1, x) + 0.2781 * cosine(2, x) - 0.0836 * cosine(3, x) +
                    0.0069 * cosine(4, x);
                break;
            default:  // Hann
                w = 0.5 * (1.0 - cosine(1, x));
                break;
        }
        return static_cast<T>(w);
    }
};

}  // namespace

template <typename T>
CWindowFunction<T>::CWindowFunction(std::uint32_t cacheLength)
    : m_cache(cacheLength ? new T[cacheLength] : nullptr), m_cacheCapacity(cacheLength) {}

template <typename T>
void CWindowFunction<T>::generate(enumWindowType type, T* b, std::uint32_t length) {
    if (type == kWindowRectangular) {
        m_gain = 0;
        if (length < 2) return;
        for (std::uint32_t i = 0; i < length; ++i) b[i] = 1;
        m_gain = 1;
        return;
    }
    if (length < 2) return;
    const WindowShape<T> shape(type, length);
    double sum = 0;
    for (std::uint32_t i = 0; i < length; ++i) {
        b[i] = shape.value(i);
        sum += b[i];
    }
    m_gain = static_cast<T>(sum / length);
}

template <typename T>
bool CWindowFunction<T>::refreshCache(enumWindowType type, std::uint32_t length) {
    if (length > m_cacheCapacity) return false;
    if (m_cacheLength != length || m_cacheType != type) {
        const WindowShape<T> shape(type, length);
        double sum = 0;
        for (std::uint32_t i = 0; i < length; ++i) {
            m_cache[i] = shape.value(i);
            sum += m_cache[i];
        }
        m_cacheGain = static_cast<T>(sum / length);
        m_cacheType = type;
        m_cacheLength = length;
    }
    return true;
}

template <typename T>
const T* CWindowFunction<T>::table(enumWindowType type, std::uint32_t length, T& gain) {
    if (m_shared && m_shared->type == type && m_shared->length == length) {
        gain = m_shared->gain;
        return m_shared->values.data();
    }
    if (!refreshCache(type, length)) return nullptr;
    gain = m_cacheGain;
    return m_cache.get();
}

template <typename T>
void CWindowFunction<T>::share(enumWindowType type, std::uint32_t length) {
    m_shared.reset();
    if (type == kWindowRectangular || length < 2) return;
    try {
        m_shared = processShared<const Table>(std::pair<std::uint32_t, std::uint32_t>(type, length), [&] {
            auto made = std::make_shared<Table>(Table{type, length, std::vector<T>(length), 0});
            const WindowShape<T> shape(type, length);
            double sum = 0;
            for (std::uint32_t i = 0; i < length; ++i) {
                made->values[i] = shape.value(i);
                sum += made->values[i];
            }
            made->gain = static_cast<T>(sum / length);
            return made;
        });
    } catch (const std::bad_alloc&) {
        m_shared.reset();
    }
}

template <typename T>
void CWindowFunction<T>::apply(enumWindowType type, T* b, std::uint32_t length) {
    if (type == kWindowRectangular) {
        m_gain = 1;
        return;
    }
    if (length < 2) return;
    T gain = 0;
    if (const T* w = table(type, length, gain)) {
        for (std::uint32_t i = 0; i < length; ++i) b[i] *= w[i];
        m_gain = gain;
        return;
    }
    const WindowShape<T> shape(type, length);
    double sum = 0;
    for (std::uint32_t i = 0; i < length; ++i) {
        const T w = shape.value(i);
        b[i] *= w;
        sum += w;
    }
    m_gain = static_cast<T>(sum / length);
}

template <typename T>
const T* CWindowFunction<T>::values(enumWindowType type, std::uint32_t length) {
    if (type == kWindowRectangular || length < 2) return nullptr;
    T gain = 0;
    const T* w = table(type, length, gain);
    if (w) m_gain = gain;
    return w;
}

template class CWindowFunction<float>;

}  // namespace qv
