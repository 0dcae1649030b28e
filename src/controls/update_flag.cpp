#include "controls/update_flag.h"

namespace qv {

void CUpdateFlag::resetUpdate() { pending.store(0, std::memory_order_relaxed); }

// Release/acquire: what a writer stored before asking for a redraw is visible to the pass that
// consumes the request.
void CUpdateFlag::setUpdate() { pending.store(1, std::memory_order_release); }

bool CUpdateFlag::needsUpdate() {
    if (alwaysUpdate.load(std::memory_order_relaxed)) return true;
    return pending.exchange(0, std::memory_order_acq_rel) > 0;
}

void CUpdateFlag::setAlwaysUpdate(bool on) { alwaysUpdate.store(on, std::memory_order_relaxed); }

}  // namespace qv
