// Sixteen instances in one process, all registered and posting their records to each other:
// every instance in the FFT view at 4096 points with averaging on, at real-time pace (48 kHz,
// blocks of 512, pink noise), CPU above the host's own loop as a share of one core (medians of
// interleaved runs); and the memory each instance after the first adds, ours beside the
// reference analyzer (LSP Spectrum Analyzer x1).
//
//   bench_instances [seconds per run] [rounds]
#include "realtime_run.h"

using namespace qvbench;

namespace {

// Resident bytes the 2nd..16th instance add, each, once they have processed a second of audio.
double bytesPerExtraInstance(const std::shared_ptr<PluginLibrary>& library, HostContext& host, bool ours) {
    Effects effects;
    effects.push_back(openEffect(library, host, ours));
    runRealtime(effects, 0.5);
    const long one = residentBytes();
    for (int i = 1; i < 16; ++i) effects.push_back(openEffect(library, host, ours));
    runRealtime(effects, 1.0);
    const long sixteen = residentBytes();
    for (auto& e : effects) e->close();
    return static_cast<double>(sixteen - one) / 15.0;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    const int rounds = std::max(5, argc > 2 ? std::atoi(argv[2]) : 5);
    auto [ours, reference] = loadContenders(QV_PLUGIN_PATH);
    if (!ours) return 1;
    HostContext host;
    configureHost(host);

    // Memory first, in a process that has not yet run the CPU cases.
    const double oursBytes = bytesPerExtraInstance(ours, host, true);
    const double referenceBytes = reference ? bytesPerExtraInstance(reference, host, false) : 0.0;

    std::vector<double> dry, fft, lsp;
    for (int round = 0; round < rounds; ++round) {
        Effects none;
        dry.push_back(runRealtime(none, seconds));
        Effects effects;
        for (int i = 0; i < 16; ++i) effects.push_back(openEffect(ours, host, true, 1, 3, true));
        runRealtime(effects, 0.25);
        fft.push_back(runRealtime(effects, seconds));
        for (auto& e : effects) e->close();
        if (!reference) continue;
        Effects theirs;
        for (int i = 0; i < 16; ++i) theirs.push_back(openEffect(reference, host, false));
        runRealtime(theirs, 0.25);
        lsp.push_back(runRealtime(theirs, seconds));
        for (auto& e : theirs) e->close();
    }
    const double host0 = median(dry);
    std::printf("16 instances, 48 kHz, blocks of 512, pink noise, real-time pace; medians of %d interleaved runs of %.1f s\n",
                rounds, seconds);
    std::printf("  host loop alone:                          %7.3f%% of one core\n", percent(host0));
    const double ourFft = median(fft) - host0;
    std::printf("  ours, FFT view 4096 + averaging:          %7.3f%% above the host loop (budget 1.5%%: %s)\n",
                percent(ourFft), percent(ourFft) <= 1.5 ? "met" : "MISSED");
    if (!lsp.empty()) std::printf("  LSP x1 (its defaults):                    %7.3f%% above the host loop\n", percent(median(lsp) - host0));
    std::printf("Memory each instance after the first adds (resident, after processing):\n");
    std::printf("  ours:   %.2f MiB  (budget 1.5 MiB: %s)\n", oursBytes / 1048576.0, oursBytes <= 1.5 * 1048576.0 ? "met" : "MISSED");
    if (reference) std::printf("  LSP x1: %.2f MiB\n", referenceBytes / 1048576.0);
    return 0;
}
