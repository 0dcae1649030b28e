#include "vsthost/host_command.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "vsthost/editor_session.h"
#include "vsthost/effect_identity.h"
#include "vsthost/host_context.h"
#include "vsthost/hosted_effect.h"
#include "vsthost/os.h"
#include "vsthost/plugin_library.h"
#include "vsthost/renderer.h"
#include "vsthost/wav_file.h"

namespace qv::vsthost {

namespace {

bool readBytes(const std::string& path, std::vector<std::uint8_t>* bytes) {
    std::ifstream in(os::nativePath(path), std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(os::nativePath(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string decibels(double linear) {
    if (!(linear > 0.0)) return "-inf dBFS";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f dBFS", 20.0 * std::log10(linear));
    return text;
}

// Level of each output and how it compares with the input of the same number.
void printOutputs(const AudioBuffer& in, const AudioBuffer& out, std::ostream& report) {
    bool allIdentical = out.channels() > 0;
    for (int c = 0; c < out.channels(); ++c) {
        const float* o = out.channel(c);
        double peak = 0.0, energy = 0.0, maxDiff = 0.0;
        std::size_t nonFinite = 0;
        const bool paired = c < in.channels();
        for (std::size_t i = 0; i < out.frames(); ++i) {
            if (!std::isfinite(o[i])) {
                ++nonFinite;
                continue;
            }
            peak = std::max(peak, static_cast<double>(std::abs(o[i])));
            energy += static_cast<double>(o[i]) * o[i];
            if (paired) maxDiff = std::max(maxDiff, std::abs(static_cast<double>(o[i]) - in.channel(c)[i]));
        }
        const double rms = out.frames() ? std::sqrt(energy / static_cast<double>(out.frames())) : 0.0;
        report << "output " << c << ": peak " << decibels(peak) << ", rms " << decibels(rms);
        const bool identical =
            paired && std::memcmp(o, in.channel(c), out.frames() * sizeof(float)) == 0;
        if (identical) report << ", bit-identical to input " << c;
        else if (paired) report << ", max difference from input " << c << ": " << maxDiff;
        if (nonFinite) report << ", " << nonFinite << " non-finite samples";
        report << '\n';
        allIdentical = allIdentical && identical;
    }
    report << "pass-through: " << (allIdentical ? "bit-identical" : "changed") << '\n';
}

int process(const HostOptions& options, HostedEffect& effect, std::ostream& report, std::ostream& err) {
    AudioBuffer input;
    double rate = options.sampleRate.value_or(44100.0);
    std::string error;
    std::string source;
    if (!options.inputFile.empty()) {
        double fileRate = 0.0;
        if (!readWav(options.inputFile, &input, &fileRate, &error)) {
            err << "qvhost: " << error << '\n';
            return 1;
        }
        rate = options.sampleRate.value_or(fileRate);
        source = options.inputFile;
    } else {
        const int channels = options.channels.value_or(std::max(effect.numInputs(), 1));
        input = generateSignal(*options.signal, rate, channels);
        const SignalSettings& sig = *options.signal;
        char text[160];
        if (sig.kind == SignalKind::Sine) {
            std::snprintf(text, sizeof text, "sine %g Hz", sig.frequency);
        } else if (sig.kind == SignalKind::Sweep) {
            std::snprintf(text, sizeof text, "sweep %g to %g Hz", sig.frequency, sig.endFrequency);
        } else {
            std::snprintf(text, sizeof text, "%s", signalKindName(sig.kind));
        }
        source = text;
        std::snprintf(text, sizeof text, ", amplitude %g, %g s", sig.amplitude, sig.seconds);
        source += text;
    }
    if (!options.saveInputFile.empty() && !writeWav(options.saveInputFile, input, rate, &error)) {
        err << "qvhost: " << error << '\n';
        return 1;
    }

    RenderSettings settings;
    settings.sampleRate = rate;
    settings.blockSize = options.blockSize;
    settings.realTime = options.realTime;
    const RenderResult result = render(effect, input, settings);
    if (!result.ok) {
        err << "qvhost: " << result.error << '\n';
        return 1;
    }
    report << "input: " << source << ", " << input.channels() << " channel(s), " << input.frames() << " frames\n";
    report << "processing: " << rate << " Hz, block " << options.blockSize << ", " << result.blocks << " blocks"
           << (options.realTime ? ", real-time pace" : "") << '\n';
    char line[160];
    std::snprintf(line, sizeof line, "cpu: %.6f s for %.3f s of audio (%.3f s wall)\n", result.cpuSeconds,
                  result.audioSeconds, result.wallSeconds);
    report << line;
    std::snprintf(line, sizeof line, "cpu per audio second: %.6f\n", result.cpuPerAudioSecond());
    report << line;
    printOutputs(input, result.output, report);
    if (!options.outputFile.empty()) {
        if (!writeWav(options.outputFile, result.output, rate, &error)) {
            err << "qvhost: " << error << '\n';
            return 1;
        }
        report << "output written: " << options.outputFile << '\n';
    }
    return 0;
}

int showEditor(const HostOptions& options, HostedEffect& effect, std::ostream& report, std::ostream& err) {
    AudioBuffer input;
    double rate = options.sampleRate.value_or(44100.0);
    if (!options.inputFile.empty()) {
        double fileRate = 0.0;
        std::string error;
        if (!readWav(options.inputFile, &input, &fileRate, &error)) {
            err << "qvhost: " << error << '\n';
            return 1;
        }
        rate = options.sampleRate.value_or(fileRate);
    } else if (options.signal) {
        input = generateSignal(*options.signal, rate, options.channels.value_or(std::max(effect.numInputs(), 1)));
    }
    EditorSessionSettings settings;
    settings.cycles = options.editorCycles;
    settings.holdSeconds = options.editorSeconds;
    settings.screenshotFile = options.screenshotFile;
    settings.destroyFrameFirst = options.destroyFrameFirst;
    settings.sampleRate = rate;
    settings.blockSize = options.blockSize;
    return runEditorSession(effect, input, settings, report, err);
}

int run(const HostOptions& options, std::ostream& report, std::ostream& err) {
    std::string error;
    auto library = PluginLibrary::load(options.pluginPath, &error);
    if (!library) {
        err << "qvhost: " << error << '\n';
        return 1;
    }
    HostContext host;
    if (options.sampleRate) host.setSampleRate(static_cast<float>(*options.sampleRate));
    host.setBlockSize(options.blockSize);
    auto effect = HostedEffect::create(library, host, &error);
    if (!effect) {
        err << "qvhost: " << options.pluginPath << ": " << error << '\n';
        return 1;
    }
    report << "plug-in: " << options.pluginPath << '\n';
    report << "entry: " << library->entryName() << '\n';

    if (!options.loadChunkFile.empty()) {
        std::vector<std::uint8_t> bytes;
        if (!readBytes(options.loadChunkFile, &bytes)) {
            err << "qvhost: cannot read " << options.loadChunkFile << '\n';
            return 1;
        }
        const vst::VstIntPtr answer = effect->setChunk(bytes);
        report << "chunk loaded: " << bytes.size() << " bytes, effSetChunk answered " << answer << '\n';
    }

    IdentityQuery query;
    query.editorRect = options.editorRect;
    printIdentity(gatherIdentity(*effect, query), report);

    if (options.editor) {
        if (const int rc = showEditor(options, *effect, report, err)) return rc;
    } else if (options.processes()) {
        if (const int rc = process(options, *effect, report, err)) return rc;
    }
    if (!options.saveChunkFile.empty()) {
        const std::vector<std::uint8_t> bytes = effect->chunk();
        if (!writeBytes(options.saveChunkFile, bytes)) {
            err << "qvhost: cannot write " << options.saveChunkFile << '\n';
            return 1;
        }
        report << "chunk saved: " << bytes.size() << " bytes to " << options.saveChunkFile << '\n';
    }
    effect->close();
    return 0;
}

}  // namespace

int runHostCommand(const HostOptions& options, std::ostream& out, std::ostream& err) {
    if (options.reportFile.empty()) return run(options, out, err);
    std::ofstream file(os::nativePath(options.reportFile), std::ios::trunc);
    if (!file) {
        err << "qvhost: cannot write " << options.reportFile << '\n';
        return 1;
    }
    const int rc = run(options, file, err);
    file.flush();
    return rc;
}

}  // namespace qv::vsthost
