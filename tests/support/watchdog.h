// Waiting for a state instead of a time: a flag to wait for, and a generous watchdog that turns
// a deadlock into a failure instead of a hung test.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

namespace qvtest {

// A flag one thread raises and others wait for (spinning: see StartLine).
class Signal {
public:
    void raise() { raised.store(true, std::memory_order_release); }
    bool isRaised() const { return raised.load(std::memory_order_acquire); }
    void wait() const {
        while (!isRaised()) std::this_thread::yield();
    }

private:
    std::atomic<bool> raised{false};
};

// Fails and ends the process instead of hanging when a deadlock holds the threads. The limit is
// no measure of speed: it only has to be far beyond any machine's slowness.
inline void expectFinishes(std::future<void>& work, std::chrono::seconds limit, const char* what) {
    if (work.wait_for(limit) == std::future_status::ready) return work.get();
    ADD_FAILURE() << what << " did not finish: a deadlock";
    std::fflush(nullptr);
    std::_Exit(1);
}

}  // namespace qvtest
