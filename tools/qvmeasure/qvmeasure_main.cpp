// qvmeasure: runs a signal through one analyzer instance, the way a host feeds it, and shows
// what the instance measured: the 31 third-octave bands as a chart, the strongest FFT peaks,
// and a picture of both on the display's axis.
//
//   qvmeasure [--signal mix|pink|white|sine|sweep] [--freq HZ] [--rate HZ] [--seconds S]
//             [--in FILE.wav] [--fft 0..5] [--png FILE]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/analysis_shared.h"
#include "core/data_request.h"
#include "core/plugin.h"
#include "core/setting_ids.h"
#include "measure_report.h"
#include "vsthost/signal_generator.h"
#include "vsthost/wav_file.h"

using namespace qv;

namespace {

struct Options {
    std::string signal = "mix";
    double frequency = 1000.0;
    double rate = 48000.0;
    double seconds = 3.0;
    std::string input;
    std::uint32_t fftIndex = 3;
    std::string png;
};

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!value) return false;
        if (arg == "--signal") o.signal = value;
        else if (arg == "--freq") o.frequency = std::atof(value);
        else if (arg == "--rate") o.rate = std::atof(value);
        else if (arg == "--seconds") o.seconds = std::atof(value);
        else if (arg == "--in") o.input = value;
        else if (arg == "--fft") o.fftIndex = static_cast<std::uint32_t>(std::atoi(value));
        else if (arg == "--png") o.png = value;
        else return false;
        ++i;
    }
    return o.rate >= 8000 && o.seconds > 0 && o.fftIndex <= 5;
}

// A chord over soft pink noise: 100 Hz, 1 kHz and 6.3 kHz, the kind of signal a mix bus carries.
vsthost::AudioBuffer makeSignal(const Options& o) {
    using vsthost::SignalKind;
    vsthost::SignalSettings settings;
    settings.seconds = o.seconds;
    settings.frequency = o.frequency;
    if (o.signal != "mix") {
        const auto kind = vsthost::parseSignalKind(o.signal);
        settings.kind = kind ? *kind : SignalKind::Pink;
        return vsthost::generateSignal(settings, o.rate, 2);
    }
    settings.kind = SignalKind::Pink;
    settings.amplitude = 0.05;
    vsthost::AudioBuffer audio = vsthost::generateSignal(settings, o.rate, 2);
    const double tones[3][2] = {{100.0, 0.3}, {1000.0, 0.2}, {6300.0, 0.1}};
    for (int c = 0; c < 2; ++c) {
        float* samples = audio.channel(c);
        for (std::size_t i = 0; i < audio.frames(); ++i) {
            double v = 0;
            for (const auto& tone : tones) v += tone[1] * std::sin(2.0 * M_PI * tone[0] * static_cast<double>(i) / o.rate);
            samples[i] += static_cast<float>(v);
        }
    }
    return audio;
}

// Feeds the audio in host blocks of 512 and lets the workers finish each block before the next,
// so no block is dropped however fast this runs.
void feed(CPlugin& plugin, vsthost::AudioBuffer& audio) {
    std::vector<float> left(512), right(512);
    for (std::size_t pos = 0; pos + 512 <= audio.frames(); pos += 512) {
        void* in[2] = {audio.channel(0) + pos, audio.channel(audio.channels() > 1 ? 1 : 0) + pos};
        void* out[2] = {left.data(), right.data()};
        plugin.process(in, out, 2, 2, 512, kPrecisionFloat, 0);
        plugin.waitForWorkers(std::chrono::milliseconds(2000));
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: qvmeasure [--signal mix|pink|white|sine|sweep] [--freq HZ] [--rate HZ] "
                             "[--seconds S] [--in FILE.wav] [--fft 0..5] [--png FILE]\n");
        return 2;
    }
    vsthost::AudioBuffer audio;
    std::string description;
    if (!options.input.empty()) {
        std::string error;
        if (!vsthost::readWav(options.input, &audio, &options.rate, &error)) {
            std::fprintf(stderr, "qvmeasure: %s\n", error.c_str());
            return 1;
        }
        description = options.input;
    } else {
        audio = makeSignal(options);
        description = options.signal == "mix" ? "100 Hz, 1 kHz and 6.3 kHz over pink noise" : options.signal;
    }

    std::unique_ptr<CPlugin> plugin;
    try {
        plugin = std::make_unique<CPlugin>(0, 2, 2);
    } catch (...) {
        std::fprintf(stderr, "qvmeasure: the analyzer instance could not be created\n");
        return 1;
    }
    plugin->setSampleRate(options.rate);
    const auto own = static_cast<std::uint32_t>(plugin->getInstanceNumber());

    // Third-octave bands, as the display asks for them.
    feed(*plugin, audio);
    std::vector<unsigned char> request(bandRecordsReplyBytes(kMaxInstanceNumbers));
    auto* header = reinterpret_cast<DataRequest*>(request.data());
    *header = DataRequest{static_cast<std::uint32_t>(request.size()), kDataBandRecords, 1, 0};
    BandLevelRecord bands{};
    if (plugin->getData(request.data())) {
        const auto* records = reinterpret_cast<const BandLevelRecord*>(request.data() + sizeof(DataRequest));
        for (std::uint32_t i = 0; i < header->b; ++i) {
            if (records[i].source == own) bands = records[i];
        }
    }

    // The FFT view, as curve points on the display's columns.
    plugin->setParameter(settingid::kAnalysisView, 1.0f, 0, false, true);
    plugin->setParameter(settingid::kFftSize, static_cast<float>(options.fftIndex), 0, false, true);
    feed(*plugin, audio);
    std::vector<unsigned char> curves(kCurvesRequestBytes);
    *reinterpret_cast<DataRequest*>(curves.data()) = DataRequest{kCurvesRequestBytes, kDataCurves, 0, 0};
    CurveRecord curve{};
    if (plugin->getData(curves.data())) {
        const auto* reply = reinterpret_cast<const CurvesReplyHeader*>(curves.data());
        const auto* records = reinterpret_cast<const CurveRecord*>(curves.data() + sizeof(CurvesReplyHeader));
        for (std::uint32_t i = 0; reply->size != 0 && i < reply->count; ++i) {
            if (records[i].number == own) curve = records[i];
        }
    }
    CColumnMap map;
    const std::uint32_t fftSize = 512u << options.fftIndex;
    map.build(curve.valid ? curve.sampleRate : static_cast<float>(options.rate), fftSize, 0);

    std::printf("Signal: %s, %.1f s at %.0f Hz\n\nThird-octave bands (HiRes):\n", description.c_str(), options.seconds, options.rate);
    std::printf("%s", measure::bandChart(bands, -90.0f).c_str());
    std::printf("\nFFT, %u points, Hann window:\n%s", fftSize, measure::curvePeaks(curve, map).c_str());
    if (!options.png.empty()) {
        measure::BandTable table;
        for (std::uint32_t b = 0; b < 31; ++b) table[b] = plugin->analysis().algorithm.getBand(b);
        const std::string title = "Quorvane: " + description;
        if (!measure::writePicture(options.png, table, bands, curve, map, -90.0f, title)) {
            std::fprintf(stderr, "qvmeasure: cannot write %s\n", options.png.c_str());
            return 1;
        }
        std::printf("\npicture: %s\n", options.png.c_str());
    }
    return 0;
}
