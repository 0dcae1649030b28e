// Whole-process cost of analyzer instances with default settings, ours beside the reference
// analyzer (LSP Spectrum Analyzer x1) hosted the same way, at real-time pace (48 kHz, blocks of
// 512, pink noise). The cases run interleaved, round after round, so that whatever else the
// machine does falls on all of them alike; the figures are medians over the rounds, CPU above
// the host's own loop as a share of one core, and ours against the reference.
//
//   bench_core_cpu [seconds per run] [rounds]
#include "realtime_run.h"

using namespace qvbench;

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    const int rounds = std::max(5, argc > 2 ? std::atoi(argv[2]) : 5);
    auto [ours, reference] = loadContenders(QV_PLUGIN_PATH);
    if (!ours) return 1;
    HostContext host;
    configureHost(host);

    struct Case {
        const char* name;
        std::shared_ptr<PluginLibrary> library;
        int instances;
        std::vector<double> runs;
    };
    std::vector<Case> cases = {{"host loop alone", nullptr, 0, {}},
                               {"ours x1", ours, 1, {}},
                               {"LSP x1, 1 instance", reference, 1, {}},
                               {"ours x16", ours, 16, {}},
                               {"LSP x1, 16 instances", reference, 16, {}}};
    for (int round = 0; round < rounds; ++round) {
        for (Case& c : cases) {
            if (c.instances > 0 && !c.library) continue;
            Effects effects;
            for (int i = 0; i < c.instances; ++i) effects.push_back(openEffect(c.library, host, c.library == ours));
            runRealtime(effects, 0.25);  // settle: first blocks, page faults
            c.runs.push_back(runRealtime(effects, seconds));
            for (auto& e : effects) e->close();
        }
    }

    const double dry = median(cases[0].runs);
    std::printf("Whole-process CPU, 48 kHz, blocks of 512, pink noise, real-time pace; medians of %d interleaved runs of %.1f s\n",
                rounds, seconds);
    std::printf("  %-24s %7.3f%% of one core\n", cases[0].name, percent(dry));
    for (std::size_t k = 1; k < cases.size(); ++k) {
        if (cases[k].runs.empty()) {
            std::printf("  %-24s not installed (%s)\n", cases[k].name, kReferencePath);
            continue;
        }
        const double m = median(cases[k].runs);
        std::printf("  %-24s %7.3f%% of one core, %.3f%% above the host loop\n", cases[k].name, percent(m), percent(m - dry));
    }
    if (!cases[2].runs.empty()) {
        const double one = ratio(median(cases[1].runs) - dry, median(cases[2].runs) - dry);
        const double sixteen = ratio(median(cases[3].runs) - dry, median(cases[4].runs) - dry);
        std::printf("  ours / LSP x1, 1 instance:   %.2f x  (budget 1.0 x: %s)\n", one, one <= 1.0 ? "met" : "MISSED");
        std::printf("  ours / LSP x1, 16 instances: %.2f x  (budget 1.0 x: %s)\n", sixteen, sixteen <= 1.0 ? "met" : "MISSED");
    }
    return 0;
}
