// The qvhost command: run as a program on the plug-in for the identity report, and through
// runHostCommand for processing, WAV files and chunk files.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "test_support.h"
#include "vsthost/host_command.h"
#include "vsthost/os.h"
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

void writeText(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
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
    int status;
    std::string report, errors;
};

CommandResult command(const std::vector<std::string>& args) {
    CommandResult result{};
    std::string error;
    const auto options = parseHostOptions(args, &error);
    EXPECT_TRUE(options) << error;
    if (!options) return result;
    std::ostringstream out, err;
    result.status = runHostCommand(*options, out, err);
    result.report = out.str();
    result.errors = err.str();
    return result;
}

TEST(QvhostCommand, ProgramReportsThePluginsIdentity) {
    const fs::path dir(test::scratchDir("qvhost-identity"));
    const std::string report = (dir / "report.txt").string(), console = (dir / "console.txt").string();
    const int status = os::runProcess({QV_QVHOST_PATH, test::pluginPath(), "--editor-rect", "--report", report}, console);
    ASSERT_EQ(status, 0) << readText(console);
    auto lines = reportLines(readText(report));
    EXPECT_EQ(lines["effect name"], "Quorvane_2in_2out");
    EXPECT_EQ(lines["vendor"], "Nolvatek");
    EXPECT_EQ(lines["product"], "Quorvane_2in_2out");
    EXPECT_EQ(lines["unique id"], "j7p4 (0x6A377034)");
    EXPECT_EQ(lines["vendor version"], "2300");
    EXPECT_EQ(lines["VST version"], "2400");
    EXPECT_EQ(lines["category"], "1 (effect)");
    EXPECT_EQ(lines["flags"], "561 (editor replacing chunks no-tail)");
    EXPECT_EQ(lines["inputs"], "2");
    EXPECT_EQ(lines["outputs"], "2");
    EXPECT_EQ(lines["programs"], "1");
    EXPECT_EQ(lines["program 0"], "default");
    EXPECT_EQ(lines["parameters"], "0");
    EXPECT_NE(lines["canDo"].find("bypass=0"), std::string::npos) << lines["canDo"];
    EXPECT_EQ(lines["editor size"], "752 x 563");
    EXPECT_EQ(lines["chunk"], "2756 bytes: 01 00 00 00 c4 0a 00 00 73 4c 65 58 00 03 02 00");
    EXPECT_EQ(lines.count("warning"), 0u);
}

TEST(QvhostCommand, ProgramFailsCleanlyOnBadPluginsAndBadArguments) {
    const fs::path dir(test::scratchDir("qvhost-fail"));
    const std::string console = (dir / "console.txt").string();
    EXPECT_EQ(os::runProcess({QV_QVHOST_PATH, test::fixturePath("null")}, console), 1);
    EXPECT_NE(readText(console).find("the entry point returned no effect"), std::string::npos) << readText(console);
    EXPECT_EQ(os::runProcess({QV_QVHOST_PATH, test::pluginPath(), "--block", "0"}, console), 2);
    EXPECT_NE(readText(console).find("usage: qvhost PLUGIN"), std::string::npos) << readText(console);
}

TEST(QvhostCommand, GeneratedSignalComesOutBitIdenticalInEveryConfiguration) {
    const fs::path dir(test::scratchDir("qvhost-audio"));
    for (const char* stem : {"Quorvane_2in_2out", "Quorvane_1in_1out", "Quorvane_8in_8out_x64"}) {
        SCOPED_TRACE(stem);
        const std::string in = (dir / (std::string(stem) + "-in.wav")).string();
        const std::string out = (dir / (std::string(stem) + "-out.wav")).string();
        const CommandResult r = command({test::pluginCopy(stem), "--signal", "white", "--seconds", "0.25", "--rate",
                                         "48000", "--block", "333", "--save-input", in, "--out", out});
        ASSERT_EQ(r.status, 0) << r.errors;
        auto lines = reportLines(r.report);
        EXPECT_EQ(lines["pass-through"], "bit-identical");
        EXPECT_EQ(lines["processing"], "48000 Hz, block 333, 37 blocks");
        EXPECT_GE(std::stod(lines["cpu per audio second"]), 0.0);
        AudioBuffer before, after;
        double rateIn = 0, rateOut = 0;
        std::string error;
        ASSERT_TRUE(readWav(in, &before, &rateIn, &error)) << error;
        ASSERT_TRUE(readWav(out, &after, &rateOut, &error)) << error;
        EXPECT_EQ(rateOut, 48000.0);
        EXPECT_EQ(before.frames(), 12000u);
        EXPECT_TRUE(after.bitIdentical(before));
    }
}

TEST(QvhostCommand, WavFileInWavFileOut) {
    const fs::path dir(test::scratchDir("qvhost-wav"));
    const std::string in = (dir / "in.wav").string(), out = (dir / "out.wav").string();
    CommandResult r = command({test::pluginPath(), "--signal", "sweep", "--seconds", "0.2", "--rate", "96000",
                               "--save-input", in});
    ASSERT_EQ(r.status, 0) << r.errors;
    r = command({test::pluginPath(), "--in", in, "--block", "4096", "--out", out});
    ASSERT_EQ(r.status, 0) << r.errors;
    AudioBuffer before, after;
    double rate = 0;
    std::string error;
    ASSERT_TRUE(readWav(in, &before, &rate, &error)) << error;
    ASSERT_TRUE(readWav(out, &after, &rate, &error)) << error;
    EXPECT_EQ(rate, 96000.0);  // the file's own rate
    EXPECT_TRUE(after.bitIdentical(before));

    r = command({test::pluginPath(), "--in", (dir / "absent.wav").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.errors.find("absent.wav"), std::string::npos) << r.errors;
}

TEST(QvhostCommand, ChunkFilesRoundTrip) {
    const fs::path dir(test::scratchDir("qvhost-chunk"));
    const std::string first = (dir / "first.bin").string(), edited = (dir / "edited.bin").string(),
                      second = (dir / "second.bin").string(), broken = (dir / "broken.bin").string(),
                      third = (dir / "third.bin").string();
    CommandResult r = command({test::pluginPath(), "--signal", "pink", "--seconds", "0.1", "--save-chunk", first});
    ASSERT_EQ(r.status, 0) << r.errors;
    EXPECT_EQ(reportLines(r.report)["chunk saved"], "2756 bytes to " + first);
    const std::string defaults = readText(first);
    ASSERT_EQ(defaults.size(), 2756u);

    // Settings as a user leaves them: level top +10 dB, FFT 16384, Blackman-Harris, 200 Hz.
    std::string settings = defaults;
    auto put = [&](std::string& chunk, size_t offset, std::uint32_t v) { std::memcpy(&chunk[offset], &v, 4); };
    put(settings, 704, 10);
    put(settings, 724, 5);
    put(settings, 732, 4);
    put(settings, 736, 200);
    writeText(edited, settings);
    r = command({test::pluginPath(), "--load-chunk", edited, "--save-chunk", second});
    ASSERT_EQ(r.status, 0) << r.errors;
    EXPECT_EQ(reportLines(r.report)["chunk loaded"], "2756 bytes, effSetChunk answered 1");
    EXPECT_EQ(readText(second), settings);  // a new instance gives back what it was handed

    // A corrupt range is refused whole: nothing of the chunk is applied.
    std::string corrupt = settings;
    put(corrupt, 704, 99);
    writeText(broken, corrupt);
    r = command({test::pluginPath(), "--load-chunk", broken, "--save-chunk", third});
    ASSERT_EQ(r.status, 0) << r.errors;
    EXPECT_EQ(reportLines(r.report)["chunk loaded"], "2756 bytes, effSetChunk answered 0");
    EXPECT_EQ(readText(third), defaults);

    r = command({test::pluginPath(), "--load-chunk", (dir / "absent.bin").string()});
    EXPECT_EQ(r.status, 1);
}

}  // namespace
}  // namespace qv::vsthost
