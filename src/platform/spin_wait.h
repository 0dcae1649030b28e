// A short, bounded wait for another thread to leave: yields until `done()` holds or `timeout`
// has passed, and answers whether it holds. For waits of a few milliseconds at most, on threads
// that may not block on a lock the other side holds.
#pragma once

#include <chrono>
#include <thread>

namespace qv::platform {

template <class Done>
bool spinUntil(const Done& done, std::chrono::milliseconds timeout) {
    const auto start = std::chrono::steady_clock::now();
    while (!done()) {
        // Compared in milliseconds, so that milliseconds::max() (no limit) cannot overflow.
        if (std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start) >= timeout)
            return done();
        std::this_thread::yield();
    }
    return true;
}

}  // namespace qv::platform
