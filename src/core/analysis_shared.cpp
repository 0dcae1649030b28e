#include "core/analysis_shared.h"

#include <thread>

namespace qv {

AnalysisShared::AnalysisShared() {
    for (auto& s : bandSelect) s.store(0);
    for (auto& s : spectrumSelect) s.store(0);
}

bool AnalysisShared::retire(std::chrono::milliseconds timeout) {
    alive.store(false);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (inFlight.load() != 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    return inFlight.load() == 0;
}

}  // namespace qv
