// Listening to one third-octave band: a fourth-order Butterworth band-pass (two second-order
// sections, each with zeros at DC and at Nyquist), designed off the audio thread and run on up to
// 32 channels in double precision, two channels at a time so their recursions overlap.
#pragma once

#include <array>
#include <cstdint>

namespace qv {

struct BandPassDesign {
    double gain = 0;  // scales the input: unity at the centre
    double a1[2] = {}, a2[2] = {};  // the denominators 1 + a1 z^-1 + a2 z^-2 of the sections
    double centreHz = 0;  // the centre after clamping
    bool operator==(const BandPassDesign&) const = default;
};

// The band whose edges lie a sixth of an octave either side of centreHz, at the given rate. The
// centre is clamped to [kMinCentreHz, kMaxCentreShare * rate] and the upper edge to
// kMaxEdgeShare * rate, so the band stays below Nyquist. False (design untouched) for a centre
// that is not finite or a rate too low to hold the lowest band.
inline constexpr double kMinCentreHz = 10.0;
inline constexpr double kMaxCentreShare = 0.45;
inline constexpr double kMaxEdgeShare = 0.49;
bool designThirdOctaveBand(double centreHz, double sampleRate, BandPassDesign& design);

// The filter state of every channel. Direct form I: the input history is the same for any
// design, so a new design can take it over from the one that played before.
class CBandPassBank {
public:
    static constexpr int kMaxChannels = 32;

    // From rest, as if each channel's input had held its first sample for ever: a band-pass
    // answers that with silence, so a signal's offset starts no transient.
    void startHeld(const float* const* firstSamples, int channels);
    // From rest on the input history of another bank (a band that takes over from another).
    void startFrom(const CBandPassBank& other, int channels);
    // Filters frames of every channel from in to out (distinct buffers). A channel whose state
    // went non-finite starts again from rest, so a NaN or an infinity passes and is forgotten.
    void process(const BandPassDesign& design, const float* const* in, float* const* out, int channels, int frames);

private:
    struct State {
        double x1 = 0, x2 = 0;  // input
        double y1 = 0, y2 = 0;  // first section's output
        double v1 = 0, v2 = 0;  // second section's output
    };
    static void filterPair(const BandPassDesign& design, State& s0, State& s1, const float* in0, const float* in1,
                           float* out0, float* out1, int frames);
    std::array<State, kMaxChannels> m_state{};
};

// out = from + (p / length) * (to - from), where frame i takes p = position + direction * (i + 1)
// (direction +1 or -1) held within [0, length]: where p is 0 or length, out is exactly from or
// to. out may be from. Returns the position after the last frame.
std::uint32_t rampMix(const float* from, const float* to, float* out, int frames, std::uint32_t position,
                      std::uint32_t length, int direction);

}  // namespace qv
