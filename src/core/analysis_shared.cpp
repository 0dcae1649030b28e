#include "core/analysis_shared.h"

#include "platform/spin_wait.h"

namespace qv {

bool AnalysisShared::retire(std::chrono::milliseconds timeout) {
    alive.store(false);
    return platform::spinUntil([this] { return inFlight.load() == 0; }, timeout);
}

}  // namespace qv
