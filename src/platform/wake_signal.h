// A wake-up that one thread waits for and any thread gives without taking a lock: give() never
// blocks and is never lost (a wake-up given while nobody waits is kept for the next wait), so the
// audio thread can wake a worker and the worker needs no polling timeout. Waiters re-check their
// own state after each return; wake-ups given several times may return several times.
#pragma once

#include <memory>

namespace qv::platform {

class WakeSignal {
public:
    WakeSignal();  // throws std::bad_alloc or std::system_error when the platform has none to give
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    void give();
    void wait();

private:
    struct Handle;
    std::unique_ptr<Handle> handle;
};

}  // namespace qv::platform
