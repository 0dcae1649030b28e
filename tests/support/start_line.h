// Releases two or more threads together. A spinning stand-in for std::latch: the mingw-w64
// standard library's atomic wait can miss its wake-up, which left tests blocked under Wine.
#pragma once

#include <atomic>
#include <thread>

namespace qvtest {

class StartLine {
public:
    explicit StartLine(int threads) : waiting(threads) {}
    void arriveAndWait() {
        waiting.fetch_sub(1, std::memory_order_acq_rel);
        while (waiting.load(std::memory_order_acquire) > 0) std::this_thread::yield();
    }

private:
    std::atomic<int> waiting;
};

}  // namespace qvtest
