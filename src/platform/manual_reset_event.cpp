#include "platform/manual_reset_event.h"

namespace qv::platform {

void ManualResetEvent::set() {
    {
        std::lock_guard<std::mutex> guard(lock);
        signalled.store(true, std::memory_order_release);
    }
    changed.notify_all();
}

void ManualResetEvent::wait() {
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [this] { return signalled.load(std::memory_order_acquire); });
}

bool ManualResetEvent::waitFor(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> guard(lock);
    return changed.wait_for(guard, timeout, [this] { return signalled.load(std::memory_order_acquire); });
}

}  // namespace qv::platform
