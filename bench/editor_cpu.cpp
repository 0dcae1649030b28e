// Whole-process CPU of our host qvhost with one analyzer instance and its editor open (drawn 25
// times a second into an X window, band view and FFT view), against the same run with the
// editor closed; live pink noise at real-time pace in both. The cases run interleaved, round
// after round; the figures are medians, the editor's share as a percentage of one core
// (budget 2 %). Needs an X display: without DISPLAY the bench runs itself under xvfb-run.
//
//   bench_editor_cpu [seconds per run] [rounds]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Usage {
    double cpuSeconds = 0;
    long maxRssKb = 0;
    int status = -1;
};

// Runs a child to its end; its CPU time (user + system, every thread) and peak memory.
Usage run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    Usage u;
    const pid_t pid = fork();
    if (pid == 0) {
        if (std::freopen("/dev/null", "w", stdout) == nullptr) _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (pid < 0) return u;
    struct rusage r {};
    int status = 0;
    if (wait4(pid, &status, 0, &r) != pid) return u;
    u.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    u.cpuSeconds = static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
                   static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
    u.maxRssKb = r.ru_maxrss;
    return u;
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY")) {
        std::vector<char*> again = {const_cast<char*>("xvfb-run"), const_cast<char*>("-a"), argv[0]};
        for (int i = 1; i < argc; ++i) again.push_back(argv[i]);
        again.push_back(nullptr);
        execvp("xvfb-run", again.data());
        std::fprintf(stderr, "bench_editor_cpu: no DISPLAY and no xvfb-run\n");
        return 1;
    }
    const double seconds = argc > 1 ? std::atof(argv[1]) : 4.0;
    const int rounds = std::max(3, argc > 2 ? std::atoi(argv[2]) : 5);
    const fs::path plugin = QV_PLUGIN_PATH;
    const fs::path qvhost = plugin.parent_path().parent_path() / "tools/vsthost/qvhost";
    const fs::path scratch = fs::temp_directory_path() / ("qv-editor-cpu-" + std::to_string(getpid()));
    fs::create_directories(scratch);

    // The instance's state with the FFT view chosen (analysis view at byte 720 of the chunk).
    const std::string bandChunk = (scratch / "bands.chunk").string(), fftChunk = (scratch / "fft.chunk").string();
    if (run({qvhost.string(), plugin.string(), "--signal", "silence", "--seconds", "0.1", "--save-chunk", bandChunk}).status != 0) {
        std::fprintf(stderr, "bench_editor_cpu: %s did not run\n", qvhost.c_str());
        return 1;
    }
    {
        std::ifstream in(bandChunk, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::uint32_t fftView = 1;
        if (bytes.size() >= 724) std::memcpy(&bytes[720], &fftView, 4);
        std::ofstream(fftChunk, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    const std::string secs = std::to_string(seconds);
    const std::vector<std::string> common = {qvhost.string(), plugin.string(), "--signal", "pink", "--seconds", secs};
    struct Case {
        const char* name;
        std::vector<std::string> extra;
        std::vector<double> cpu;
        long rssKb = 0;
    };
    std::vector<Case> cases = {
        {"editor closed", {"--realtime"}, {}, 0},
        {"editor open, band view", {"--editor", "--editor-seconds", secs, "--load-chunk", bandChunk}, {}, 0},
        {"editor open, FFT view", {"--editor", "--editor-seconds", secs, "--load-chunk", fftChunk}, {}, 0},
    };
    for (int round = 0; round < rounds; ++round) {
        for (Case& c : cases) {
            std::vector<std::string> args = common;
            args.insert(args.end(), c.extra.begin(), c.extra.end());
            const Usage u = run(args);
            if (u.status != 0) {
                std::fprintf(stderr, "bench_editor_cpu: %s failed (%d)\n", c.name, u.status);
                return 1;
            }
            c.cpu.push_back(u.cpuSeconds / seconds);
            c.rssKb = std::max(c.rssKb, u.maxRssKb);
        }
    }
    fs::remove_all(scratch);

    const double closed = median(cases[0].cpu);
    std::printf("Whole-process CPU of qvhost, one instance, pink noise at real-time pace, editor at 25 frames/s;\n"
                "medians of %d interleaved runs of %.1f s\n", rounds, seconds);
    std::printf("  %-24s %6.2f%% of one core, peak memory %.1f MB\n", cases[0].name, 100.0 * closed,
                static_cast<double>(cases[0].rssKb) / 1024.0);
    for (std::size_t k = 1; k < cases.size(); ++k) {
        const double extra = 100.0 * (median(cases[k].cpu) - closed);
        std::printf("  %-24s %6.2f%% of one core, editor %+.2f%% (budget 2%%: %s), peak memory %+.1f MB\n",
                    cases[k].name, 100.0 * median(cases[k].cpu), extra, extra <= 2.0 ? "met" : "MISSED",
                    static_cast<double>(cases[k].rssKb - cases[0].rssKb) / 1024.0);
    }
    return 0;
}
