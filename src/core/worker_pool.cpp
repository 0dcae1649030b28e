#include "core/worker_pool.h"

#include <algorithm>

#include "core/block_worker.h"
#include "platform/module.h"
#include "platform/thread_priority.h"
#include "platform/hot_path.h"

namespace qv {

namespace {

// The copy's pool and how many hold it. The last instance stops the pool, so by the time the
// library is unloaded (and this is destroyed) it holds none; no thread is ever joined here.
struct CopyPool {
    std::mutex lock;
    std::shared_ptr<CWorkerPool> pool;
    std::size_t holders = 0;
    std::atomic<std::size_t> threads{0};
};

CopyPool& copyPool() {
    static CopyPool copy;
    return copy;
}

}  // namespace

std::shared_ptr<CWorkerPool> CWorkerPool::acquire() {
    CopyPool& copy = copyPool();
    std::lock_guard<std::mutex> guard(copy.lock);
    if (!copy.pool) {
        std::shared_ptr<CWorkerPool> pool;
        try {
            pool = std::make_shared<CWorkerPool>();
        } catch (...) {
            return nullptr;
        }
        const unsigned count = threadsFor(std::thread::hardware_concurrency());
        if (!pool->start(count)) {
            pool->stop(std::chrono::milliseconds(300));
            return nullptr;
        }
        copy.pool = pool;
        copy.threads.store(count);
    }
    ++copy.holders;
    return copy.pool;
}

void CWorkerPool::release(std::shared_ptr<CWorkerPool>& pool, std::chrono::milliseconds grace) {
    if (!pool) return;
    CopyPool& copy = copyPool();
    std::lock_guard<std::mutex> guard(copy.lock);
    if (pool == copy.pool && --copy.holders == 0) {
        copy.pool->stop(grace);
        copy.pool.reset();
        copy.threads.store(0);
    }
    pool.reset();
}

std::size_t CWorkerPool::runningThreads() { return copyPool().threads.load(); }

CWorkerPool::~CWorkerPool() {
    // Reached once every thread was joined or detached (a running one holds the pool).
    for (auto& runner : runners) {
        if (runner->thread.joinable()) runner->thread.detach();
    }
}

bool CWorkerPool::start(unsigned count) {
    try {
        for (unsigned k = 0; k < count; ++k) {
            auto runner = std::make_unique<Runner>();
            Runner& r = *runner;
            runners.push_back(std::move(runner));
            r.thread = std::thread([self = shared_from_this(), &r] { self->loop(r); });
        }
    } catch (...) {
        return false;
    }
    return true;
}

bool CWorkerPool::stop(std::chrono::milliseconds grace) {
    running.store(false);
    for (std::size_t k = 0; k < runners.size(); ++k) signal.give();
    const auto deadline = std::chrono::steady_clock::now() + grace;
    bool all = true;
    for (auto& runner : runners) {
        if (!runner->thread.joinable()) continue;
        while (!runner->exited.load() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (runner->exited.load()) {
            runner->thread.join();
        } else {
            // Still inside a job: it runs this library's code to its end, perhaps after the host
            // unloaded it.
            platform::pinModule();
            runner->thread.detach();
            all = false;
        }
    }
    std::lock_guard<std::mutex> guard(slotLock);
    slots.clear();
    slotCount.store(0, std::memory_order_relaxed);
    return all;
}

void CWorkerPool::join(const std::shared_ptr<CBlockWorker>& slot) {
    std::lock_guard<std::mutex> guard(slotLock);
    slots.push_back(slot);
    slotCount.store(slots.size(), std::memory_order_relaxed);
}

void CWorkerPool::leave(const CBlockWorker* slot) {
    std::lock_guard<std::mutex> guard(slotLock);
    const auto found = std::find_if(slots.begin(), slots.end(), [slot](const auto& s) { return s.get() == slot; });
    if (found != slots.end()) slots.erase(found);
    slotCount.store(slots.size(), std::memory_order_relaxed);
}

QV_AUDIO_PATH void CWorkerPool::wake() {
    if (sleepers.load() > 0 && !wakePending.exchange(true)) signal.give();
}

void CWorkerPool::loop(Runner& runner) {
    platform::raiseCurrentThreadPriority();
    while (running.load()) {
        if (runOne()) continue;
        // Announce the sleep, then look once more: a block handed over meanwhile either is seen
        // here or finds a sleeper to wake.
        sleepers.fetch_add(1);
        if (!running.load() || runOne()) {
            sleepers.fetch_sub(1);
            continue;
        }
        signal.wait();
        sleepers.fetch_sub(1);
        wakePending.store(false);
        // Woken by a handover while other instances' slots may hand over in the same period:
        // the waker goes on first where it shares the processor, handing those blocks over with
        // no wake-up each (this thread is awake now); they are then all taken in one run.
        if (slotCount.load(std::memory_order_relaxed) > kSlotsPerInstance) std::this_thread::yield();
    }
    runner.exited.store(true);
}

bool CWorkerPool::runOne() {
    std::shared_ptr<CBlockWorker> job;
    bool more = false;
    {
        std::lock_guard<std::mutex> guard(slotLock);
        const std::size_t n = slots.size();
        for (std::size_t k = 0; k < n && !more; ++k) {
            const std::size_t i = (nextSlot + k) % n;
            if (!job) {
                if (slots[i]->claim()) {
                    job = slots[i];
                    nextSlot = (i + 1) % n;
                }
            } else {
                more = slots[i]->hasBlock();
            }
        }
    }
    if (!job) return false;
    // More blocks wait: another sleeping thread takes them meanwhile.
    if (more) wake();
    job->run();
    return true;
}

}  // namespace qv
