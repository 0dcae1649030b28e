#include "core/block_worker.h"

#include "core/worker_pool.h"
#include "platform/hot_path.h"

namespace qv {

CBlockWorker::CBlockWorker(const std::shared_ptr<CWorkerPool>& owner, std::uint32_t capacity, Job measurement, bool zeroed)
    : job(std::move(measurement)), pool(owner) {
    for (auto& buffer : buffers) buffer.reset(zeroed ? new float[capacity]() : new float[capacity]);
}

std::shared_ptr<CBlockWorker> CBlockWorker::start(const std::shared_ptr<CWorkerPool>& pool, std::uint32_t capacity, Job job,
                                                  bool zeroed) {
    if (!pool) return nullptr;
    std::shared_ptr<CBlockWorker> worker;
    try {
        worker.reset(new CBlockWorker(pool, capacity, std::move(job), zeroed));
        pool->join(worker);
    } catch (...) {
        return nullptr;
    }
    return worker;
}

void CBlockWorker::run() {
    try {
        job(buffers[readSelect].get(), readLength);
    } catch (...) {
        // A failed measurement loses one block, never the thread.
    }
    idle.set();
}

QV_AUDIO_PATH bool CBlockWorker::handOver(std::uint32_t length) {
    fill = 0;
    if (!idle.isSet()) {
        dropped.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    idle.reset();
    readSelect = writeSelect;
    readLength = length;
    writeSelect ^= 1u;
    handed.store(true);
    pool->wake();
    return true;
}

bool CBlockWorker::stop(std::chrono::milliseconds grace) {
    pool->leave(this);
    // A block handed over but never claimed will not be measured now.
    if (handed.exchange(false)) idle.set();
    return idle.waitFor(grace);
}

}  // namespace qv
