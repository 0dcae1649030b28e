#include "vsthost/host_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace qv::vsthost {

namespace {

bool parseDouble(const std::string& text, double* out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v)) return false;
    *out = v;
    return true;
}

bool parseInt(const std::string& text, long long low, long long high, long long* out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < low || v > high) return false;
    *out = v;
    return true;
}

}  // namespace

const char* hostUsage() {
    return "usage: qvhost PLUGIN [options]\n"
           "Loads a VST 2.4 plug-in, prints its identity and optionally runs audio through it.\n"
           "  --in FILE          process a WAV file\n"
           "  --signal KIND      process a generated signal: sine, white, pink, silence, sweep\n"
           "  --freq HZ          sine frequency, sweep start (1000; sweep 20)\n"
           "  --freq-end HZ      sweep end (20000)\n"
           "  --amp A            peak amplitude, 1 = full scale (0.5)\n"
           "  --seconds S        signal length (1)\n"
           "  --seed N           noise seed (1)\n"
           "  --rate HZ          sample rate (the WAV's, else 44100)\n"
           "  --block N          block size in frames (512)\n"
           "  --channels N       channels of the generated signal (the plug-in's inputs)\n"
           "  --out FILE         write the output as 32-bit float WAV\n"
           "  --save-input FILE  write the signal that went in as 32-bit float WAV\n"
           "  --realtime         feed blocks at the pace of real time\n"
           "  --load-chunk FILE  hand the file to the plug-in with effSetChunk after opening\n"
           "  --save-chunk FILE  write the plug-in's chunk (effGetChunk) at the end\n"
           "  --report FILE      write the report into FILE instead of standard output\n"
           "  --editor-rect      also ask the editor size (effEditGetRect)\n"
           "  --editor           open the editor in a window of its size and keep it open until the\n"
           "                     window is closed; audio (the --in/--signal input repeated, else\n"
           "                     silence) runs meanwhile at real-time pace on an audio thread\n"
           "  --editor-seconds S keep each opening of the editor S seconds, then close it\n"
           "  --editor-cycles N  open and close the editor N times (each 0 s unless --editor-seconds)\n"
           "  --screenshot FILE  save a PNG of the window during the last opening\n"
           "  --destroy-frame-first  destroy the window before effEditClose, as some hosts do\n";
}

std::optional<HostOptions> parseHostOptions(const std::vector<std::string>& args, std::string* error) {
    HostOptions options;
    std::optional<double> frequency, endFrequency, amplitude, seconds;
    std::optional<long long> seed;
    bool cyclesGiven = false;
    auto fail = [error](const std::string& text) -> std::optional<HostOptions> {
        if (error) *error = text;
        return std::nullopt;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (arg == "--realtime") {
            options.realTime = true;
            continue;
        }
        if (arg == "--editor-rect") {
            options.editorRect = true;
            continue;
        }
        if (arg == "--editor" || arg == "--destroy-frame-first") {
            (arg == "--editor" ? options.editor : options.destroyFrameFirst) = true;
            continue;
        }
        if (arg.rfind("--", 0) != 0) {
            if (!options.pluginPath.empty()) return fail("more than one plug-in given: " + arg);
            options.pluginPath = arg;
            continue;
        }
        if (i + 1 >= args.size()) return fail(arg + " needs a value");
        const std::string& value = args[++i];
        double number = 0.0;
        long long integer = 0;
        if (arg == "--in") {
            options.inputFile = value;
        } else if (arg == "--signal") {
            const auto kind = parseSignalKind(value);
            if (!kind) return fail("unknown signal '" + value + "' (sine, white, pink, silence, sweep)");
            options.signal = SignalSettings{};
            options.signal->kind = *kind;
        } else if (arg == "--freq" || arg == "--freq-end") {
            if (!parseDouble(value, &number) || number <= 0.0) return fail(arg + " needs a frequency above 0 Hz");
            (arg == "--freq" ? frequency : endFrequency) = number;
        } else if (arg == "--amp") {
            if (!parseDouble(value, &number) || number < 0.0) return fail("--amp needs an amplitude of 0 or more");
            amplitude = number;
        } else if (arg == "--seconds") {
            if (!parseDouble(value, &number) || number < 0.0 || number > 3600.0) {
                return fail("--seconds needs a length from 0 to 3600");
            }
            seconds = number;
        } else if (arg == "--seed") {
            if (!parseInt(value, 0, 0xFFFFFFFFll, &integer)) return fail("--seed needs a number from 0 to 4294967295");
            seed = integer;
        } else if (arg == "--rate") {
            if (!parseDouble(value, &number) || number < 1.0 || number > 1e6) {
                return fail("--rate needs a sample rate from 1 to 1000000 Hz");
            }
            options.sampleRate = number;
        } else if (arg == "--block") {
            if (!parseInt(value, 1, 1 << 20, &integer)) return fail("--block needs a size from 1 to 1048576");
            options.blockSize = static_cast<int>(integer);
        } else if (arg == "--channels") {
            if (!parseInt(value, 1, 256, &integer)) return fail("--channels needs a count from 1 to 256");
            options.channels = static_cast<int>(integer);
        } else if (arg == "--out") {
            options.outputFile = value;
        } else if (arg == "--save-input") {
            options.saveInputFile = value;
        } else if (arg == "--save-chunk") {
            options.saveChunkFile = value;
        } else if (arg == "--load-chunk") {
            options.loadChunkFile = value;
        } else if (arg == "--editor-cycles") {
            if (!parseInt(value, 1, 1000000, &integer)) return fail("--editor-cycles needs a count from 1 to 1000000");
            options.editorCycles = static_cast<int>(integer);
            cyclesGiven = true;
        } else if (arg == "--editor-seconds") {
            if (!parseDouble(value, &number) || number < 0.0 || number > 86400.0) {
                return fail("--editor-seconds needs a length from 0 to 86400");
            }
            options.editorSeconds = number;
        } else if (arg == "--screenshot") {
            options.screenshotFile = value;
        } else if (arg == "--report") {
            options.reportFile = value;
        } else {
            return fail("unknown option " + arg);
        }
    }

    if (options.help) return options;
    if (options.pluginPath.empty()) return fail("no plug-in given");
    const bool editorSettings =
        cyclesGiven || options.editorSeconds >= 0.0 || !options.screenshotFile.empty() || options.destroyFrameFirst;
    if (editorSettings && !options.editor) return fail("editor settings need --editor");
    if (options.editor && (!options.outputFile.empty() || !options.saveInputFile.empty())) {
        return fail("--out and --save-input cannot be combined with --editor");
    }
    // Cycles without a length are quick open-close rounds.
    if (options.editor && cyclesGiven && options.editorSeconds < 0.0) options.editorSeconds = 0.0;
    if (!options.inputFile.empty() && options.signal) return fail("--in and --signal exclude each other");
    const bool signalSettings = frequency || endFrequency || amplitude || seconds || seed;
    if (signalSettings && !options.signal) return fail("signal settings need --signal");
    if (!options.processes() && (!options.outputFile.empty() || !options.saveInputFile.empty() || options.realTime)) {
        return fail("--out, --save-input and --realtime need --in or --signal");
    }
    if (options.signal) {
        SignalSettings& sig = *options.signal;
        if (sig.kind == SignalKind::Sweep) sig.frequency = 20.0;
        if (frequency) sig.frequency = *frequency;
        if (endFrequency) sig.endFrequency = *endFrequency;
        if (amplitude) sig.amplitude = *amplitude;
        if (seconds) sig.seconds = *seconds;
        if (seed) sig.seed = static_cast<std::uint32_t>(*seed);
    }
    return options;
}

}  // namespace qv::vsthost
