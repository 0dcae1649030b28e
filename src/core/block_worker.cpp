#include "core/block_worker.h"

#include "platform/module.h"
#include "platform/thread_priority.h"

namespace qv {

CBlockWorker::CBlockWorker(std::uint32_t capacity, Job measurement) : job(std::move(measurement)) {
    buffers[0].assign(capacity, 0.0f);
    buffers[1].assign(capacity, 0.0f);
}

std::shared_ptr<CBlockWorker> CBlockWorker::start(std::uint32_t capacity, Job job) {
    std::shared_ptr<CBlockWorker> worker;
    try {
        worker.reset(new CBlockWorker(capacity, std::move(job)));
        worker->thread = std::thread([self = worker] { self->loop(); });
    } catch (...) {
        return nullptr;
    }
    return worker;
}

CBlockWorker::~CBlockWorker() {
    // Reached only once the thread has left (it holds a reference while it runs), or when it was
    // never started; a joinable thread here means it is this very thread releasing the last
    // reference, so it must not join itself.
    if (thread.joinable()) {
        if (thread.get_id() == std::this_thread::get_id()) {
            thread.detach();
        } else {
            thread.join();
        }
    }
}

void CBlockWorker::loop() {
    platform::raiseCurrentThreadPriority();
    while (running.load(std::memory_order_acquire)) {
        work.wait();
        if (!running.load(std::memory_order_acquire)) break;
        // Only a block whose hand-over is complete: a stray wake-up may come while the next
        // hand-over is still writing.
        if (handed.exchange(false, std::memory_order_acq_rel)) {
            try {
                job(buffers[readSelect].data(), readLength);
            } catch (...) {
                // A failed measurement loses one block, never the worker.
            }
            idle.set();
        }
    }
    exited.store(true, std::memory_order_release);
}

bool CBlockWorker::handOver(std::uint32_t length) {
    fill = 0;
    if (!idle.isSet()) {
        dropped.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    idle.reset();
    readSelect = writeSelect;
    readLength = length;
    writeSelect ^= 1u;
    handed.store(true, std::memory_order_release);
    work.give();
    return true;
}

bool CBlockWorker::stop(std::chrono::milliseconds grace) {
    if (!thread.joinable()) return true;
    running.store(false, std::memory_order_release);
    work.give();
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (!exited.load(std::memory_order_acquire) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (exited.load(std::memory_order_acquire)) {
        thread.join();
        return true;
    }
    // The thread runs this library's code to its end, perhaps after the host unloaded it.
    platform::pinModule();
    thread.detach();
    return false;
}

}  // namespace qv
