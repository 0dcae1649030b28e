// Input gate in front of the measurements: samples whose magnitude is not above the threshold
// become 0, so near-silence measures as silence and denormals never reach the transforms.
// Samples that are not finite (NaN, infinities) also become 0: they carry no level.
#pragma once

#include <cstdint>

#include "dsp/audio_processor.h"

namespace qv {

template <typename T>
class CDenormalGuard : public CAudioProcessor<T> {
public:
    enum enumMode : std::uint32_t { kModeGate = 0 };

    explicit CDenormalGuard(float thresholdDb = -180.0f);

    // Threshold from a level in dB: 10^(dB/20), -180 dB = 1e-9.
    void setThresholdDb(float thresholdDb);
    T getThreshold() const { return m_threshold; }
    enumMode getMode() const { return kModeGate; }

    void process(T* data, std::uint32_t frames) override;
    // The same gate from in to out (in == out is allowed) in one pass that also applies a
    // window: out gets the gated samples times window[i] when window is not null. The values
    // are those of process and a window's apply done one after the other.
    void gate(const T* in, T* out, const T* window, std::uint32_t frames) const;

private:
    T m_threshold = 0;
};

extern template class CDenormalGuard<float>;

// For its lifetime, the calling thread flushes denormal results to zero and reads denormal
// operands as zero (FTZ and DAZ in MXCSR), so denormal input costs what clean input costs; the
// caller's control word is put back when it ends. Copies are untouched: only arithmetic flushes.
class CFlushDenormalsScope {
public:
    CFlushDenormalsScope();
    ~CFlushDenormalsScope();
    CFlushDenormalsScope(const CFlushDenormalsScope&) = delete;
    CFlushDenormalsScope& operator=(const CFlushDenormalsScope&) = delete;

private:
    unsigned int saved_;
};

}  // namespace qv
