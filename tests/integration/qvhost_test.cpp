// The host tool as the other tests rely on it: its command line, WAV files, chunk files, the
// identity report of the plug-in, its fixture plug-ins, and its sine.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "test_support.h"
#include "vsthost/fixtures/fixture_record.h"
#include "vsthost/host_command.h"
#include "vsthost/host_options.h"
#include "vsthost/os.h"
#include "vsthost/signal_generator.h"
#include "vsthost/wav_file.h"

namespace fs = std::filesystem;

namespace qv::vsthost {
namespace {

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// "label: value" lines of a report; the first line of each label counts.
std::map<std::string, std::string> reportLines(const std::string& text) {
    std::map<std::string, std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto colon = line.find(": ");
        if (colon != std::string::npos) lines.emplace(line.substr(0, colon), line.substr(colon + 2));
    }
    return lines;
}

struct CommandResult {
    int status = -1;
    std::map<std::string, std::string> report;
    std::string errors;
};

CommandResult command(const std::vector<std::string>& args) {
    CommandResult result;
    std::string error;
    const auto options = parseHostOptions(args, &error);
    EXPECT_TRUE(options) << error;
    if (!options) return result;
    std::ostringstream out, err;
    result.status = runHostCommand(*options, out, err);
    result.report = reportLines(out.str());
    result.errors = err.str();
    return result;
}

TEST(Qvhost, OptionsAreReadAndCommandLinesThatCannotRunAreRefused) {
    std::string error;
    const auto o = parseHostOptions({"p.so", "--signal", "sweep", "--seconds", "2.5", "--rate", "48000", "--block",
                                     "333", "--channels", "3", "--realtime", "--load-chunk", "l.bin"}, &error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->signal->kind, SignalKind::Sweep);
    EXPECT_EQ(o->signal->frequency, 20.0);  // a sweep starts at 20 Hz unless told otherwise
    EXPECT_EQ(o->signal->seconds, 2.5);
    EXPECT_EQ(std::tuple(o->sampleRate, o->blockSize, o->channels, o->realTime), std::tuple(48000.0, 333, 3, true));
    EXPECT_EQ(o->loadChunkFile, "l.bin");
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{}, "no plug-in given"},
        {{"p.so", "--block", "0"}, "--block needs a size from 1 to 1048576"},
        {{"p.so", "--block", "12x"}, "--block needs a size from 1 to 1048576"},
        {{"p.so", "--rate", "nan"}, "--rate needs a sample rate from 1 to 1000000 Hz"},
        {{"p.so", "--signal", "square"}, "unknown signal 'square' (sine, white, pink, silence, sweep)"},
        {{"p.so", "--signal", "sine", "--in", "x.wav"}, "--in and --signal exclude each other"},
        {{"p.so", "--out", "o.wav"}, "--out, --save-input and --realtime need --in or --signal"},
        {{"p.so", "--channels", "0"}, "--channels needs a count from 1 to 256"},
    };
    for (const auto& [args, expected] : refused) {
        EXPECT_FALSE(parseHostOptions(args, &error));
        EXPECT_EQ(error, expected);
    }
}

TEST(Qvhost, ProgramReportsThePluginsIdentityAndFailsCleanly) {
    const fs::path dir(test::scratchDir("qvhost-identity"));
    const std::string report = (dir / "report.txt").string(), console = (dir / "console.txt").string();
    ASSERT_EQ(os::runProcess({QV_QVHOST_PATH, test::pluginPath(), "--editor-rect", "--report", report}, console), 0)
        << readText(console);
    auto lines = reportLines(readText(report));
    EXPECT_EQ(lines["effect name"], "Quorvane_2in_2out");
    EXPECT_EQ(lines["flags"], "561 (editor replacing chunks no-tail)");
    EXPECT_EQ(lines["editor size"], "752 x 563");
    EXPECT_EQ(lines["chunk"], "2756 bytes: 01 00 00 00 c4 0a 00 00 73 4c 65 58 00 03 02 00");
    EXPECT_NE(lines["canDo"].find("bypass=0"), std::string::npos) << lines["canDo"];
    EXPECT_EQ(lines.count("warning"), 0u);

    EXPECT_EQ(os::runProcess({QV_QVHOST_PATH, test::fixturePath("null")}, console), 1);
    EXPECT_NE(readText(console).find("the entry point returned no effect"), std::string::npos) << readText(console);
    EXPECT_EQ(os::runProcess({QV_QVHOST_PATH, test::pluginPath(), "--block", "0"}, console), 2);
}

// Every configuration passing audio through is the plug-in's own test; here the tool writes
// what it generated and reads it back as the input of a second run.
TEST(Qvhost, SignalAndWavFilesPassThroughBitIdentical) {
    const fs::path dir(test::scratchDir("qvhost-audio"));
    const std::string in = (dir / "in.wav").string(), out = (dir / "out.wav").string();
    CommandResult r = command({test::pluginPath(), "--signal", "white", "--seconds", "0.25", "--rate", "48000",
                               "--block", "333", "--save-input", in});
    ASSERT_EQ(r.status, 0) << r.errors;
    EXPECT_EQ(r.report["pass-through"], "bit-identical");
    EXPECT_EQ(r.report["processing"], "48000 Hz, block 333, 37 blocks");
    r = command({test::pluginPath(), "--in", in, "--block", "4096", "--out", out});
    ASSERT_EQ(r.status, 0) << r.errors;
    AudioBuffer before, after;
    double rateIn = 0, rateOut = 0;
    std::string error;
    ASSERT_TRUE(readWav(in, &before, &rateIn, &error)) << error;
    ASSERT_TRUE(readWav(out, &after, &rateOut, &error)) << error;
    EXPECT_EQ(std::pair(rateIn, rateOut), std::pair(48000.0, 48000.0));
    EXPECT_EQ(before.frames(), 12000u);
    EXPECT_EQ(before.channels(), 2);
    EXPECT_TRUE(after.bitIdentical(before));
    const CommandResult absent = command({test::pluginPath(), "--in", (dir / "absent.wav").string()});
    EXPECT_EQ(absent.status, 1);
    EXPECT_NE(absent.errors.find("absent.wav"), std::string::npos) << absent.errors;
}

TEST(Qvhost, ChunkFilesRoundTripAndACorruptRangeIsRefusedWhole) {
    const fs::path dir(test::scratchDir("qvhost-chunk"));
    const std::string first = (dir / "first.bin").string(), edited = (dir / "edited.bin").string(),
                      second = (dir / "second.bin").string();
    CommandResult r = command({test::pluginPath(), "--save-chunk", first});
    ASSERT_EQ(r.status, 0) << r.errors;
    const std::string defaults = readText(first);
    ASSERT_EQ(defaults.size(), 2756u);
    auto put = [](std::string chunk, size_t offset, std::uint32_t v) {
        std::memcpy(&chunk[offset], &v, 4);
        return chunk;
    };
    // Settings as a user leaves them: level top +10 dB, FFT 16384, Blackman-Harris, 200 Hz.
    const std::string settings = put(put(put(put(defaults, 704, 10), 724, 5), 732, 4), 736, 200);
    for (const auto& [chunk, answer, saved] : {std::tuple(settings, "1", settings),
                                               std::tuple(put(settings, 704, 99), "0", defaults)}) {
        std::ofstream(edited, std::ios::binary) << chunk;
        r = command({test::pluginPath(), "--load-chunk", edited, "--save-chunk", second});
        ASSERT_EQ(r.status, 0) << r.errors;
        EXPECT_EQ(r.report["chunk loaded"], std::string("2756 bytes, effSetChunk answered ") + answer);
        EXPECT_EQ(readText(second), saved);
    }
}

TEST(Qvhost, FixturePluginsSeeTheCallsOfARealHostAndEveryBlockSizeCoversTheSignal) {
    EXPECT_EQ(test::load(test::fixturePath("null")).error, "the entry point returned no effect");
    test::Loaded loaded = test::load(test::fixturePath("main"));
    ASSERT_TRUE(loaded) << loaded.error;
    EXPECT_EQ(loaded.library->entryName(), "main");
    auto* record = reinterpret_cast<fixture::RecordProc>(loaded.library->symbol("fixtureRecord"))();
    EXPECT_EQ(std::tuple(record->version, record->sampleRate, record->blockSize), std::tuple(2400, 44100, 1024));
    SignalSettings sig;
    sig.kind = SignalKind::White;
    sig.seconds = 1000.0 / 44100.0;
    const AudioBuffer in = generateSignal(sig, 44100.0, 2);
    for (int block : {1, 999, 1000, 1001, 4096}) {  // the fixture inverts its input
        const AudioBuffer out = test::run(*loaded.effect, in, block);
        ASSERT_EQ(out.frames(), in.frames());
        for (int c = 0; c < 2; ++c)
            for (std::size_t i = 0; i < in.frames(); ++i) ASSERT_EQ(out.channel(c)[i], -in.channel(c)[i]) << block;
    }
    EXPECT_EQ(loaded->close(), 1);
    const std::vector<int> seen(record->opcodes, record->opcodes + std::min(record->opcodeCount.load(), 256));
    const std::vector<int> head = {vst::effOpen, vst::effSetSampleRate, vst::effSetBlockSize, vst::effMainsChanged,
                                   vst::effStartProcess};
    ASSERT_GE(seen.size(), head.size() + 1);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), seen.begin()));
    EXPECT_EQ(seen.back(), vst::effClose);
}

TEST(Qvhost, ASineHasItsRmsAndFrequency) {
    SignalSettings sig;
    sig.amplitude = 0.5;
    const AudioBuffer sine = generateSignal(sig, 48000.0, 1);  // 1 kHz for one second
    double energy = 0;
    int crossings = 0;
    for (std::size_t i = 0; i < sine.frames(); ++i) {
        energy += static_cast<double>(sine.channel(0)[i]) * sine.channel(0)[i];
        crossings += i > 0 && (sine.channel(0)[i - 1] < 0.0f) != (sine.channel(0)[i] < 0.0f);
    }
    EXPECT_NEAR(std::sqrt(energy / 48000.0), 0.5 / std::sqrt(2.0), 1e-5);
    EXPECT_NEAR(crossings, 2000, 1);
}

}  // namespace
}  // namespace qv::vsthost
