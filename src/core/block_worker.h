// One measurement's block handover: the audio thread fills one of two buffers; a full buffer is
// handed to the worker pool of the library copy, whose threads run the measurement job on it.
// The audio thread never waits: a block that finds the previous one not yet measured is dropped
// and counted. A pool thread holds the slot while it runs its job, so a job that does not end in
// time finishes on memory that is still alive; no thread is ever killed.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/manual_reset_event.h"

namespace qv {

class CWorkerPool;

class CBlockWorker {
public:
    // Runs on a pool thread with a full block and the length it was handed over with.
    using Job = std::function<void(const float* block, std::uint32_t length)>;

    // A slot of the pool's; null when its buffers could not be allocated. Buffers start zeroed,
    // or unwritten (their pages unmapped until a block is collected) for a job that reads only
    // the samples collected.
    static std::shared_ptr<CBlockWorker> start(const std::shared_ptr<CWorkerPool>& pool, std::uint32_t capacity, Job job,
                                               bool zeroed = true);

    // Audio thread: the buffer being filled and how much of it holds samples.
    float* writeBuffer() { return buffers[writeSelect].get(); }
    std::uint32_t fill = 0;

    // Audio thread: hands the filled buffer to the pool and switches buffers. False when the
    // previous block was not measured yet: the block is dropped (counted) and the same buffer
    // is refilled.
    bool handOver(std::uint32_t length);

    bool isIdle() const { return idle.isSet(); }
    std::uint64_t droppedBlocks() const { return dropped.load(std::memory_order_relaxed); }

    // Leaves the pool (no block is claimed any more) and waits up to grace for a job in progress.
    // False when one is still inside: it finishes on this slot, which its pool thread holds.
    bool stop(std::chrono::milliseconds grace);
    // Waits until the slot's block has been measured (test and reset use).
    bool waitIdle(std::chrono::milliseconds timeout) { return idle.waitFor(timeout); }

    // Pool thread, under the pool's slot lock: takes the block handed over, if any.
    bool claim() { return handed.exchange(false); }
    bool hasBlock() const { return handed.load(); }
    // Pool thread: measures the claimed block.
    void run();

private:
    CBlockWorker(const std::shared_ptr<CWorkerPool>& pool, std::uint32_t capacity, Job job, bool zeroed);

    std::unique_ptr<float[]> buffers[2];
    std::uint32_t writeSelect = 0;
    std::uint32_t readSelect = 0;
    std::uint32_t readLength = 0;
    Job job;
    std::shared_ptr<CWorkerPool> pool;
    platform::ManualResetEvent idle{true};
    std::atomic<bool> handed{false};  // a block is fully handed over (set after its fields)
    std::atomic<std::uint64_t> dropped{0};
};

}  // namespace qv
