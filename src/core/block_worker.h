// One measurement's block handover: the audio thread fills one of two buffers; a full buffer is
// handed to a worker thread of its own, which runs the measurement job on it. The audio thread
// never waits: a block that finds the worker still busy with the previous one is dropped and
// counted. The worker co-owns this object, so a worker that does not stop in time is detached
// and finishes on memory that is still alive; no thread is ever killed.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/manual_reset_event.h"
#include "platform/wake_signal.h"

namespace qv {

class CBlockWorker : public std::enable_shared_from_this<CBlockWorker> {
public:
    // Runs on the worker thread with a full block and the length it was handed over with.
    using Job = std::function<void(const float* block, std::uint32_t length)>;

    // Starts the worker thread at raised priority; null when no thread could be started.
    static std::shared_ptr<CBlockWorker> start(std::uint32_t capacity, Job job);
    ~CBlockWorker();

    // Audio thread: the buffer being filled and how much of it holds samples.
    float* writeBuffer() { return buffers[writeSelect].data(); }
    std::uint32_t fill = 0;

    // Audio thread: hands the filled buffer to the worker and switches buffers. False when the
    // worker was still busy: the block is dropped (counted) and the same buffer is refilled.
    bool handOver(std::uint32_t length);

    bool isIdle() const { return idle.isSet(); }
    std::uint64_t droppedBlocks() const { return dropped.load(std::memory_order_relaxed); }
    bool isRunning() const { return running.load(std::memory_order_acquire); }

    // Asks the worker to leave and waits up to grace for it. A worker still inside a job then is
    // detached (it keeps this object alive until it leaves). True when the thread was joined.
    bool stop(std::chrono::milliseconds grace);
    // Waits until the worker has finished the block it holds (test and reset use).
    bool waitIdle(std::chrono::milliseconds timeout) { return idle.waitFor(timeout); }

private:
    CBlockWorker(std::uint32_t capacity, Job job);
    void loop();

    std::vector<float> buffers[2];
    std::uint32_t writeSelect = 0;
    std::uint32_t readSelect = 0;
    std::uint32_t readLength = 0;
    Job job;
    platform::ManualResetEvent idle{true};
    // Wakes the worker; giving it takes no lock and is never lost, so the worker sleeps until it
    // is given (no polling).
    platform::WakeSignal work;
    std::atomic<bool> handed{false};  // a block is fully handed over (set after its fields)
    std::atomic<bool> running{true};
    std::atomic<bool> exited{false};
    std::atomic<std::uint64_t> dropped{0};
    std::thread thread;
};

}  // namespace qv
