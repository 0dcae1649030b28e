// The qvhost command line, and the process CPU clock it reports with.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "vsthost/host_options.h"
#include "vsthost/os.h"

namespace qv::vsthost {
namespace {

std::optional<HostOptions> parse(std::vector<std::string> args, std::string* error = nullptr) {
    std::string ignored;
    return parseHostOptions(args, error ? error : &ignored);
}

TEST(HostOptions, ReadsEverySetting) {
    const auto o = parse({"p.so", "--signal", "sweep", "--freq", "50", "--seconds", "2.5", "--seed", "9",
                          "--rate", "48000", "--block", "333", "--channels", "3", "--out", "o.wav", "--save-input",
                          "i.wav", "--realtime", "--save-chunk", "c.bin", "--load-chunk", "l.bin", "--report", "r.txt"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->pluginPath, "p.so");
    ASSERT_TRUE(o->signal);
    EXPECT_EQ(o->signal->kind, SignalKind::Sweep);
    EXPECT_EQ(o->signal->frequency, 50.0);
    EXPECT_EQ(o->signal->endFrequency, 20000.0);
    EXPECT_EQ(o->signal->seconds, 2.5);
    EXPECT_EQ(o->signal->seed, 9u);
    EXPECT_EQ(o->sampleRate, 48000.0);
    EXPECT_EQ(o->blockSize, 333);
    EXPECT_EQ(o->channels, 3);
    EXPECT_TRUE(o->realTime);
    EXPECT_EQ(o->saveChunkFile, "c.bin");
    EXPECT_EQ(o->loadChunkFile, "l.bin");
    EXPECT_EQ(o->reportFile, "r.txt");
    // A sweep starts at 20 Hz unless told otherwise; a sine sits at 1 kHz.
    EXPECT_EQ(parse({"p.so", "--signal", "sweep"})->signal->frequency, 20.0);
    EXPECT_EQ(parse({"p.so", "--signal", "sine"})->signal->frequency, 1000.0);
    EXPECT_FALSE(parse({"p.so"})->processes());
    EXPECT_TRUE(parse({"--help"})->help);
}

TEST(HostOptions, RejectsCommandLinesThatCannotRun) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "no plug-in given"},
        {{"a.so", "b.so"}, "more than one plug-in given: b.so"},
        {{"p.so", "--block"}, "--block needs a value"},
        {{"p.so", "--block", "0"}, "--block needs a size from 1 to 1048576"},
        {{"p.so", "--block", "12x"}, "--block needs a size from 1 to 1048576"},
        {{"p.so", "--rate", "nan"}, "--rate needs a sample rate from 1 to 1000000 Hz"},
        {{"p.so", "--signal", "square"}, "unknown signal 'square' (sine, white, pink, silence, sweep)"},
        {{"p.so", "--signal", "sine", "--freq", "-5"}, "--freq needs a frequency above 0 Hz"},
        {{"p.so", "--signal", "sine", "--in", "x.wav"}, "--in and --signal exclude each other"},
        {{"p.so", "--freq", "100"}, "signal settings need --signal"},
        {{"p.so", "--out", "o.wav"}, "--out, --save-input and --realtime need --in or --signal"},
        {{"p.so", "--channels", "0"}, "--channels needs a count from 1 to 256"},
        {{"p.so", "--bogus", "1"}, "unknown option --bogus"},
    };
    for (const auto& [args, expected] : cases) {
        std::string error;
        EXPECT_FALSE(parse(args, &error));
        EXPECT_EQ(error, expected);
    }
}

TEST(CpuClock, CountsTheWorkOfEveryThread) {
    // Two threads each burn 40 ms of their own CPU time; the process clock must see both.
    constexpr double kBurn = 0.04;
    std::atomic<int> ready{0};
    std::vector<double> burnt(2, 0.0);
    const double before = os::processCpuSeconds();
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&, t] {
            const double start = os::threadCpuSeconds();
            volatile double sink = 0.0;
            while (os::threadCpuSeconds() - start < kBurn) {
                for (int i = 0; i < 10000; ++i) sink = sink + i * 0.5;
            }
            burnt[static_cast<std::size_t>(t)] = os::threadCpuSeconds() - start;
            ready.fetch_add(1);
        });
    }
    for (std::thread& t : threads) t.join();
    const double used = os::processCpuSeconds() - before;
    ASSERT_EQ(ready.load(), 2);
    // The clocks tick in steps of up to 15.6 ms on Windows.
    EXPECT_GE(used, burnt[0] + burnt[1] - 0.032);
}

}  // namespace
}  // namespace qv::vsthost
