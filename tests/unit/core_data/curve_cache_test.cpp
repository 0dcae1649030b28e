#include "data_test_support.h"

namespace {

using namespace qvtest;

void ramp(TestPlugin& p, std::uint32_t count, std::uint32_t sequence, float scale) {
    p.putSpectrum(0, count, 44100.0f, [scale](std::uint32_t k) { return scale / static_cast<float>(k + 1); }, sequence);
}

// Each step changes one input of the kept curves: the instance must answer exactly as a new data
// service reading the same records and settings answers, and differently from before the step.
const std::pair<const char*, std::function<void(TestPlugin&)>> kSteps[] = {
    {"start", [](TestPlugin& p) { p.fftView(), p.fftSizeIndex(0), p.smoothing(3), ramp(p, 257, 1, 1.0f); }},
    {"two more spectra", [](TestPlugin& p) { ramp(p, 257, 2, 0.7f), ramp(p, 257, 3, 0.5f); }},
    {"same sequence rewritten", [](TestPlugin& p) { ramp(p, 257, 3, 0.25f); }},
    {"slope", [](TestPlugin& p) { p.slope(6.0f); }},
    {"smoothing", [](TestPlugin& p) { p.smoothing(0); }},
    {"sample rate", [](TestPlugin& p) { p.setSampleRate(48000.0); }},
    {"FFT size", [](TestPlugin& p) { p.fftSizeIndex(1); }},
    {"spectrum of the new size", [](TestPlugin& p) { ramp(p, 513, 4, 1.0f); }},
    {"averaging on", [](TestPlugin& p) { p.set(id::kAverageOn, 1.0f), p.averageFlat(513, 4.0f); }},
    {"new mean, same spectrum", [](TestPlugin& p) { p.averageFlat(513, 0.01f); }},
    {"averaging off", [](TestPlugin& p) { p.set(id::kAverageOn, 0.0f); }},
};

TEST(CurveCache, EveryChangedInputRebuildsExactlyAsANewServiceBuilds) {
    TestPlugin p;
    std::vector<std::uint8_t> before, reply, again, rebuilt;  // rebuilt by a new data service
    for (const auto& [name, step] : kSteps) {
        step(p);
        for (auto* r : {&reply, &again, &rebuilt}) *r = request(qv::kCurvesRequestBytes, qv::kDataCurves);
        ASSERT_TRUE(p.getData(reply.data()) && p.getData(again.data()));
        const float slope = 20.0f * p.getParameter(id::kSlope, 0) - 10.0f;
        const qv::DataSnapshot now{p.dataService().columnMap().key(), slope, 1u};
        ASSERT_TRUE(std::make_unique<qv::CDataService>()->get(rebuilt.data(), now,
                                                              {p.analysis(), p.memorySlots(), p.spectrumAverager()}));
        EXPECT_EQ(reply, again) << name;  // served again unchanged
        EXPECT_EQ(reply, rebuilt) << name;
        EXPECT_NE(reply, before) << name;
        before = reply;
    }
}

}  // namespace
