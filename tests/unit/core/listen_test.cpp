// Listening to one band: what the outputs carry while listening, during the fades and band moves,
// and after release; and that the audio path allocates nothing for it. Allocations of this
// executable's threads are counted while a test asks.
#include <complex>
#include <cstdlib>
#include <new>
#include <numbers>

#include "core/plugin.h"
#include "support/test_common.h"

namespace {
thread_local bool t_counting = false;
thread_local int t_allocations = 0;
void* allocate(std::size_t size) {
    if (t_counting) ++t_allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

template <typename F>
int allocationsIn(F&& f) {
    std::tie(t_counting, t_allocations) = std::pair(true, 0);
    f();
    t_counting = false;
    return t_allocations;
}

constexpr double kRate = 48000.0;
constexpr int kFade = 480;  // 10 ms

using Signal = std::function<float(int channel, long frame)>;
Signal tones(std::vector<std::pair<double, double>> parts) {  // (frequency, amplitude)
    return [parts](int channel, long t) {
        double v = 0;
        for (auto [f, a] : parts) v += a * (1.0 + 0.02 * channel) * std::sin(2 * std::numbers::pi * f * static_cast<double>(t) / kRate);
        return static_cast<float>(v);
    };
}

// An instance run block by block, in place or not; every input and output sample is kept.
struct Rig {
    qv::CPlugin plugin;
    int numIn, numOut;
    std::vector<std::vector<float>> buffers, in, out;
    bool inPlace;
    int allocations = 0;  // by the audio path
    Rig(int i, int o, bool place) : plugin(0, i, o), numIn(i), numOut(o), inPlace(place) {
        plugin.setSampleRate(kRate);
        buffers.assign(static_cast<std::size_t>(place ? std::max(i, o) : i + o), std::vector<float>(512));
        in.resize(static_cast<std::size_t>(i)), out.resize(static_cast<std::size_t>(o));
    }
    long frames() const { return static_cast<long>(out[0].size()); }
    void run(long count, const Signal& signal) {
        std::vector<void*> ins, outs;
        for (int c = 0; c < numIn; ++c) ins.push_back(buffers[static_cast<std::size_t>(c)].data());
        for (int c = 0; c < numOut; ++c) outs.push_back(buffers[static_cast<std::size_t>(inPlace ? c : numIn + c)].data());
        for (long done = 0; done < count; done += 512) {
            const int n = static_cast<int>(std::min(512L, count - done));
            for (int c = 0; c < numIn; ++c) {
                for (int i = 0; i < n; ++i) in[c].push_back(static_cast<float*>(ins[c])[i] = signal(c, frames() + i));
            }
            allocations += allocationsIn([&] { plugin.process(ins.data(), outs.data(), numIn, numOut, n, qv::kPrecisionFloat, 0); });
            for (int c = 0; c < numOut; ++c) out[c].insert(out[c].end(), static_cast<float*>(outs[c]), static_cast<float*>(outs[c]) + n);
        }
    }
    // What pass-through gives output c at frame t.
    float dry(int c, long t) const { return numIn == 1 ? in[0][t] : c < numIn ? in[c][t] : 0.0f; }
    // The first frame from which on every output is bit-exact pass-through.
    long exactFrom() const {
        long from = 0;
        for (int c = 0; c < numOut; ++c) {
            long k = frames();
            while (k > 0 && std::bit_cast<std::uint32_t>(out[c][k - 1]) == std::bit_cast<std::uint32_t>(dry(c, k - 1))) --k;
            from = std::max(from, k);
        }
        return from;
    }
    // Amplitude of frequency f in output c over the last 100 ms.
    double amplitude(int c, double f) const {
        std::complex<double> sum = 0;
        for (long t = frames() - 4800; t < frames(); ++t) sum += static_cast<double>(out[c][t]) * std::polar(1.0, -2 * std::numbers::pi * f * t / kRate);
        return 2 * std::abs(sum) / 4800;
    }
};

// Two tones, 100 Hz and 1 kHz, through the 1 kHz band in every channel layout, beside an instance
// that does not listen.
TEST(Listen, KeepsOnlyTheBandInEveryLayoutAndPassesExactlyAfterRelease) {
    const struct {
        int in, out;
        bool inPlace;
    } layouts[] = {{2, 2, false}, {1, 3, true}, {32, 32, true}, {4, 2, false}, {2, 3, true}};
    const Signal signal = tones({{100.0, 0.5}, {1000.0, 0.4}});
    for (const auto& layout : layouts) {
        SCOPED_TRACE(testing::Message() << layout.in << " in, " << layout.out << " out");
        Rig rig(layout.in, layout.out, layout.inPlace), other(2, 2, false);
        rig.plugin.listenToBand(1000.0f);
        EXPECT_TRUE(rig.plugin.isListening());
        rig.run(14400, signal), other.run(14400, signal);
        for (int c = 0; c < layout.out; ++c) {
            const int s = layout.in == 1 ? 0 : c;
            if (s >= layout.in) {
                EXPECT_EQ(rig.amplitude(c, 1000.0), 0.0);
                continue;
            }
            const double tone = 0.4 * (1.0 + 0.02 * s);
            EXPECT_NEAR(20 * std::log10(rig.amplitude(c, 1000.0) / tone), 0.0, 0.5) << c;
            EXPECT_LT(20 * std::log10(rig.amplitude(c, 100.0) / 0.5), -40.0) << c;
        }
        const long stop = rig.frames();
        rig.plugin.stopListening();
        EXPECT_FALSE(rig.plugin.isListening());
        rig.run(4800, signal), other.run(4800, signal);
        EXPECT_GT(rig.exactFrom(), stop);
        EXPECT_LE(rig.exactFrom(), stop + 2 * kFade);
        EXPECT_EQ(other.exactFrom(), 0);
    }
}

// An offset alone: the band holds nothing of it, so the output is the fade itself, a straight
// ramp down over about 10 ms and back after release. A tone heard while the band jumps about:
// the output never steps further than the tone itself does and a fade allows.
TEST(Listen, FadesAndBandMovesMakeNoSteps) {
    Rig offset(1, 1, true);
    offset.plugin.listenToBand(1000.0f);
    offset.run(1536, [](int, long) { return 0.5f; });
    offset.plugin.stopListening();
    offset.run(1536, [](int, long) { return 0.5f; });
    const std::vector<float>& y = offset.out[0];
    for (long t = 1; t < offset.frames(); ++t) {
        const float step = t < 1536 ? y[t - 1] - y[t] : y[t] - y[t - 1];  // down, then up
        ASSERT_GE(step, 0.0f) << t;
        ASSERT_LE(step, 0.5f / (kFade / 2)) << t;
    }
    EXPECT_EQ(std::pair(y[1000], y[1535]), std::pair(0.0f, 0.0f));
    EXPECT_GT(offset.exactFrom(), 1536 + kFade / 2);
    EXPECT_LE(offset.exactFrom(), 1536 + 2 * kFade);

    Rig tone(2, 2, false);
    const Signal signal = tones({{100.0, 1.0}});
    for (float band : {100.0f, 125.0f, 80.0f, 4000.0f, 100.0f, 30000.0f, 50.0f, 100.0f}) {
        tone.plugin.listenToBand(band);
        tone.run(1024, signal);
    }
    tone.plugin.stopListening();
    tone.run(2048, signal);
    float largest = 0.0f;
    for (long t = 1; t < tone.frames(); ++t) largest = std::max(largest, std::abs(tone.in[0][t] - tone.in[0][t - 1]));
    // Each frame of a fade moves the output by at most 1/kFade of the gap between the signals.
    for (long t = 1; t < tone.frames(); ++t) ASSERT_LE(std::abs(tone.out[1][t] - tone.out[1][t - 1]), largest + 2.0f / kFade) << t;
    EXPECT_LE(tone.exactFrom(), 8 * 1024 + 2 * kFade);
}

// Presses, moves, a band out of range, a refused centre, a NaN in the input, release and a reset
// while listening: nothing allocates, the band comes back from the NaN and the reset passes at once.
TEST(Listen, AllocatesNothingSurvivesNonFiniteInputAndEndsAtAReset) {
    Rig rig(2, 2, true);
    const Signal signal = tones({{1000.0, 0.5}});
    const int gui = allocationsIn([&] {
        rig.plugin.listenToBand(1000.0f);
        rig.plugin.listenToBand(4000.0f);
        rig.plugin.listenToBand(1e9f);
        rig.plugin.listenToBand(std::numeric_limits<float>::quiet_NaN());  // refused: the band stays
        rig.plugin.stopListening();
    });
    rig.plugin.listenToBand(1000.0f);
    rig.run(1024, signal);
    rig.plugin.listenToBand(1e9f);
    rig.run(1024, signal);
    rig.plugin.listenToBand(1000.0f);
    rig.run(1024, [&](int c, long t) { return t % 1000 == 7 ? std::numeric_limits<float>::infinity() : signal(c, t); });
    rig.run(14400, signal);
    rig.plugin.stopListening();
    rig.run(1024, signal);
    EXPECT_EQ(std::pair(gui, rig.allocations), std::pair(0, 0));
    EXPECT_NEAR(rig.amplitude(0, 1000.0), 0.5, 0.5 * 0.06);  // a filter left non-finite gives NaN

    rig.plugin.listenToBand(1000.0f);
    rig.run(1024, signal);
    const long reset = rig.frames();
    rig.plugin.reset(true);
    EXPECT_FALSE(rig.plugin.isListening());
    rig.run(512, signal);
    EXPECT_EQ(rig.exactFrom(), reset);
}

}  // namespace
