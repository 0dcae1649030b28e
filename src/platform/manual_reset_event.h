// A manual-reset event: stays signalled until reset, releasing every waiter meanwhile.
// isSet() is a lock-free check for the audio thread; set() holds the lock only to notify.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace qv::platform {

class ManualResetEvent {
public:
    explicit ManualResetEvent(bool initiallySet = false) : signalled(initiallySet) {}
    ManualResetEvent(const ManualResetEvent&) = delete;
    ManualResetEvent& operator=(const ManualResetEvent&) = delete;

    void set();
    void reset() { signalled.store(false, std::memory_order_release); }
    bool isSet() const { return signalled.load(std::memory_order_acquire); }
    void wait();
    // False when the time ran out before the event was set.
    bool waitFor(std::chrono::milliseconds timeout);

private:
    std::atomic<bool> signalled;
    std::mutex lock;
    std::condition_variable changed;
};

}  // namespace qv::platform
