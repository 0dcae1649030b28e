// Listening to one band: what the outputs carry while listening, during fades and band moves,
// and after release or a reset.
#include <complex>
#include <numbers>

#include "core/plugin.h"
#include "support/test_common.h"

namespace {

using namespace std::chrono_literals;
constexpr double kRate = 48000.0;
constexpr int kFade = 480;  // 10 ms

using Signal = std::function<float(int channel, long frame)>;
Signal tone(double frequency, double amplitude) {  // a little louder on every further channel
    return [=](int c, long t) { return static_cast<float>(amplitude * (1 + 0.02 * c) * std::sin(2 * std::numbers::pi * frequency * t / kRate)); };
}

// An instance run block by block, in place or not, keeping every input and output frame.
struct Rig {
    qv::CPlugin plugin;
    int numIn, numOut;
    bool inPlace;
    std::vector<std::vector<float>> in, out;
    Rig(int i, int o, bool place = false) : plugin(0, i, o), numIn(i), numOut(o), inPlace(place), in(i), out(o) {
        plugin.setSampleRate(kRate);
    }
    long frames() const { return static_cast<long>(out[0].size()); }
    void run(long count, const Signal& signal) {
        for (long t0 = frames(), end = t0 + count; t0 < end; t0 += 512) {
            const long n = std::min(512L, end - t0);
            std::vector<std::vector<float>> buffers(inPlace ? std::max(numIn, numOut) : numIn + numOut, std::vector<float>(n));
            std::vector<void*> ins, outs;
            for (int c = 0; c < numIn; ++c) {
                for (long i = 0; i < n; ++i) in[c].push_back(buffers[c][i] = signal(c, t0 + i));
                ins.push_back(buffers[c].data());
            }
            for (int c = 0; c < numOut; ++c) outs.push_back(buffers[inPlace ? c : numIn + c].data());
            plugin.process(ins.data(), outs.data(), numIn, numOut, static_cast<int>(n), qv::kPrecisionFloat, 0);
            for (int c = 0; c < numOut; ++c) out[c].insert(out[c].end(), static_cast<float*>(outs[c]), static_cast<float*>(outs[c]) + n);
        }
    }
    // The first frame from which on every output is bit-exact what pass-through gives.
    long exactFrom() const {
        long from = 0;
        for (int c = 0; c < numOut; ++c) {
            long k = frames();
            const auto dry = [&](long t) { return numIn == 1 ? in[0][t] : c < numIn ? in[c][t] : 0.0f; };
            while (k > 0 && std::bit_cast<std::uint32_t>(out[c][k - 1]) == std::bit_cast<std::uint32_t>(dry(k - 1))) --k;
            from = std::max(from, k);
        }
        return from;
    }
    // The level of frequency f in output c over the last 100 ms, in dB against amplitude a.
    double dB(int c, double f, double a) const {
        std::complex<double> sum = 0;
        for (long t = frames() - 4800; t < frames(); ++t) sum += double{out[c][t]} * std::polar(1.0, -2 * std::numbers::pi * f * t / kRate);
        return 20 * std::log10(2 * std::abs(sum) / 4800 / a);
    }
};

// Two tones through the 1 kHz band in every channel layout, beside an instance that does not
// listen.
TEST(Listen, KeepsOnlyTheBandInEveryLayoutAndPassesExactlyAfterRelease) {
    const struct {
        int in, out;
        bool inPlace;
    } layouts[] = {{2, 2, false}, {1, 3, true}, {32, 32, true}, {4, 2, false}, {2, 3, true}};
    const Signal tones = [](int c, long t) { return tone(100.0, 0.5)(c, t) + tone(1000.0, 0.4)(c, t); };
    for (const auto& layout : layouts) {
        SCOPED_TRACE(testing::Message() << layout.in << " in, " << layout.out << " out");
        Rig rig(layout.in, layout.out, layout.inPlace), other(2, 2);
        rig.plugin.listenToBand(1000.0f);
        rig.run(14400, tones), other.run(14400, tones);
        for (int c = 0; c < layout.out; ++c) {
            const int s = layout.in == 1 ? 0 : c;
            if (s >= layout.in) {
                EXPECT_EQ(rig.dB(c, 1000.0, 1.0), -HUGE_VAL) << c;  // silent
                continue;
            }
            EXPECT_NEAR(rig.dB(c, 1000.0, 0.4 * (1 + 0.02 * s)), 0.0, 0.5) << c;
            EXPECT_LT(rig.dB(c, 100.0, 0.5 * (1 + 0.02 * s)), -40.0) << c;
        }
        qv::BandLevelRecord bands{};  // the measurements hear both tones all the same
        ASSERT_TRUE(rig.plugin.waitForWorkers(60s) && rig.plugin.readBandRecord(rig.plugin.getInstanceNumber(), bands));
        EXPECT_GT(bands.levels[7], bands.levels[17] - 20.0f);  // the 100 Hz and 1 kHz bands
        rig.plugin.stopListening();
        rig.run(4800, tones), other.run(4800, tones);
        EXPECT_GT(rig.exactFrom(), 14400);
        EXPECT_LE(rig.exactFrom(), 14400 + 2 * kFade);
        EXPECT_EQ(other.exactFrom(), 0);
    }
}

// An offset alone: the band holds nothing of it, so the output is the fade itself, a straight
// ramp down over about 10 ms and back after release. A low tone while the band jumps about,
// out of range, past an infinite input: the output never steps further than the tone itself
// does and a fade allows, and a reset passes the input at once.
TEST(Listen, FadesAndBandMovesMakeNoStepsAndAResetEndsAtOnce) {
    Rig offset(1, 1, true);
    offset.plugin.listenToBand(1000.0f);
    offset.run(1536, [](int, long) { return 0.5f; });
    offset.plugin.stopListening();
    offset.run(1536, [](int, long) { return 0.5f; });
    const std::vector<float>& y = offset.out[0];
    for (long t = 1; t < offset.frames(); ++t) {
        const float step = t < 1536 ? y[t - 1] - y[t] : y[t] - y[t - 1];  // down, then up
        ASSERT_TRUE(step >= 0.0f && step <= 0.5f / (kFade / 2)) << t;
    }
    EXPECT_EQ(std::pair(y[1000], y[1535]), std::pair(0.0f, 0.0f));
    EXPECT_LE(offset.exactFrom(), 1536 + 2 * kFade);

    Rig low(2, 2);
    for (float band : {100.0f, 125.0f, 80.0f, 4000.0f, 1e9f, std::numeric_limits<float>::quiet_NaN(), 50.0f, 100.0f}) {
        low.plugin.listenToBand(band);
        low.run(1024, [&](int c, long t) { return t == 6200 ? std::numeric_limits<float>::infinity() : tone(100.0, 1.0)(c, t); });
    }
    const long lastMove = low.frames();
    low.run(4800, tone(100.0, 1.0));
    EXPECT_NEAR(low.dB(1, 100.0, 1.02), 0.0, 0.5);  // a filter left non-finite would give NaN
    const float slope = 2 * std::numbers::pi * 100 / kRate * 1.02;  // the tone's steepest step
    for (long t = 1; t < low.frames(); ++t) {
        if (t / 128 == 6200 / 128) continue;  // the infinity and the restart after it
        ASSERT_LE(std::abs(low.out[1][t] - low.out[1][t - 1]), slope + 2.04f / kFade) << t;
    }
    EXPECT_GT(low.exactFrom(), lastMove);
    low.plugin.reset(true);
    EXPECT_FALSE(low.plugin.isListening());
    low.run(512, tone(100.0, 1.0));
    EXPECT_EQ(low.exactFrom(), lastMove + 4800);
}

}  // namespace
