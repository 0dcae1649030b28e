// The measurement threads of one library copy: a few threads serve the block jobs of every
// instance of the copy, instead of threads of each instance. Each instance's job slots
// (CBlockWorker) join the pool; the audio thread marks a slot's block handed over and wakes a
// pool thread only when one sleeps, with no lock and no allocation. Pool threads scan the slots
// in turn, so no instance's jobs starve another's.
//
// The first instance of the copy starts the threads (acquire), the last one stops them (release)
// within the bounded wait teardown uses: a thread still inside a job then is detached and
// finishes on the pool and the slot it co-owns, in a module pinned for it. Never started or
// stopped from a library's load or unload, nor from a static constructor or destructor.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/wake_signal.h"

namespace qv {

class CBlockWorker;

class CWorkerPool : public std::enable_shared_from_this<CWorkerPool> {
public:
    // Threads of a pool on a machine with `hardware` hardware threads (0: unknown): two, leaving
    // the host at least one, and at least one.
    static unsigned threadsFor(unsigned hardware) { return hardware == 0 || hardware > 2 ? 2u : 1u; }

    // The copy's pool, its threads started by the first caller; null when no thread could be
    // started. Every acquire is matched by one release.
    static std::shared_ptr<CWorkerPool> acquire();
    // The last release stops the threads, waiting up to grace for each.
    static void release(std::shared_ptr<CWorkerPool>& pool, std::chrono::milliseconds grace);
    // Threads the copy's pool runs now (0 while no instance holds it).
    static std::size_t runningThreads();

    CWorkerPool() = default;
    ~CWorkerPool();
    CWorkerPool(const CWorkerPool&) = delete;
    CWorkerPool& operator=(const CWorkerPool&) = delete;

    // GUI thread: a slot joins or leaves. After leave no pool thread claims its block any more.
    void join(const std::shared_ptr<CBlockWorker>& slot);
    void leave(const CBlockWorker* slot);

    // Audio thread (or a pool thread): wakes one sleeping pool thread, if one sleeps and no
    // wake-up is on its way already. No lock, no allocation.
    void wake();

private:
    struct Runner {
        std::thread thread;
        std::atomic<bool> exited{false};
    };
    bool start(unsigned count);
    // False when the threads did not all leave in time (those are detached).
    bool stop(std::chrono::milliseconds grace);
    void loop(Runner& runner);
    // Claims and runs the next handed-over block, in turn after the last one claimed.
    bool runOne();

    // An instance's slots: its band and its spectrum measurement.
    static constexpr std::size_t kSlotsPerInstance = 2;

    std::mutex slotLock;  // never taken by an audio thread
    std::vector<std::shared_ptr<CBlockWorker>> slots;
    std::atomic<std::size_t> slotCount{0};  // slots.size(), read without the lock
    std::size_t nextSlot = 0;
    platform::WakeSignal signal;
    std::atomic<int> sleepers{0};
    std::atomic<bool> wakePending{false};
    std::atomic<bool> running{true};
    std::vector<std::unique_ptr<Runner>> runners;
};

}  // namespace qv
