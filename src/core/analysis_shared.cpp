#include "core/analysis_shared.h"

#include <thread>

namespace qv {

AnalysisShared::AnalysisShared() {
    for (auto& s : bandSelect) s.store(0);
    for (auto& s : spectrumSelect) s.store(0);
}

void AnalysisShared::retire() {
    alive.store(false);
    while (inFlight.load() != 0) std::this_thread::yield();
}

}  // namespace qv
