#include <bit>
#include <cfloat>
#include <cmath>

#include "support/test_common.h"

#include "core/block_worker.h"
#include "core/mixer.h"
#include "core/plugin.h"
#include "core/worker_pool.h"

namespace {

using namespace std::chrono_literals;

// A job that records its block and stays inside until the test opens the gate.
struct Gate {
    std::atomic<bool> open{false};
    std::atomic<int> entered{0}, finished{0};
    std::vector<float> seen;
    void job(const float* block, std::uint32_t n) {
        seen.assign(block, block + n);
        entered++;
        while (!open) std::this_thread::sleep_for(1ms);
        finished++;
    }
};

// Every test holds the copy's pool for its slots and gives it back at the end.
struct Pool {
    std::shared_ptr<qv::CWorkerPool> pool = qv::CWorkerPool::acquire();
    ~Pool() { qv::CWorkerPool::release(pool, 300ms); }
};

TEST(BlockWorker, HandsBlocksOverAndDropsWhileBusyWithoutWaiting) {
    Pool p;
    auto gate = std::make_shared<Gate>();
    auto worker = qv::CBlockWorker::start(p.pool, 8, [gate](const float* block, std::uint32_t n) { gate->job(block, n); });
    ASSERT_TRUE(worker);
    for (int i = 0; i < 8; ++i) worker->writeBuffer()[i] = static_cast<float>(i);
    EXPECT_TRUE(worker->handOver(8));
    while (gate->entered == 0) std::this_thread::yield();
    // The job is stuck: the next blocks are dropped at once, and filling goes on in the other
    // buffer, leaving the block in work untouched.
    for (int i = 0; i < 8; ++i) worker->writeBuffer()[i] = -1.0f;
    EXPECT_EQ(std::pair(worker->handOver(8), worker->handOver(8)), std::pair(false, false));
    EXPECT_EQ(std::pair(worker->droppedBlocks(), worker->fill), std::pair(std::uint64_t{2}, 0u));
    gate->open = true;
    ASSERT_TRUE(worker->waitIdle(2000ms));
    EXPECT_EQ(gate->seen, (std::vector<float>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_TRUE(worker->handOver(8));
    ASSERT_TRUE(worker->waitIdle(2000ms));
    EXPECT_EQ(gate->seen[0], -1.0f);
    EXPECT_TRUE(worker->stop(300ms));
}

TEST(BlockWorker, StuckJobIsLeftAfterTheGraceAndFinishesOnLiveMemory) {
    auto gate = std::make_shared<Gate>();
    std::weak_ptr<qv::CBlockWorker> alive;
    {
        Pool p;
        auto worker = qv::CBlockWorker::start(p.pool, 4, [gate](const float* block, std::uint32_t n) { gate->job(block, n); });
        alive = worker;
        worker->handOver(4);
        while (gate->entered == 0) std::this_thread::yield();
        EXPECT_FALSE(worker->stop(50ms));  // gives up: the job is still inside
    }  // and the pool stops, leaving that thread to finish
    EXPECT_EQ(qv::CWorkerPool::runningThreads(), 0u);
    EXPECT_FALSE(alive.expired());
    gate->open = true;
    while (!alive.expired()) std::this_thread::yield();  // a job that never ended hangs here
    EXPECT_EQ(gate->finished, 1);
}

TEST(WorkerPool, AFewThreadsServeEverySlotAndTheLastHolderStopsThem) {
    EXPECT_EQ(std::tuple(qv::CWorkerPool::threadsFor(0), qv::CWorkerPool::threadsFor(1), qv::CWorkerPool::threadsFor(2),
                         qv::CWorkerPool::threadsFor(3), qv::CWorkerPool::threadsFor(64)),
              std::tuple(2u, 1u, 1u, 2u, 2u));
    for (int life = 0; life < 2; ++life) {
        auto first = std::make_unique<Pool>();
        const std::size_t threads = qv::CWorkerPool::runningThreads();
        EXPECT_EQ(threads, qv::CWorkerPool::threadsFor(std::thread::hardware_concurrency()));
        auto second = std::make_unique<Pool>();
        ASSERT_EQ(first->pool, second->pool);
        // 32 slots, each measuring 50 blocks, handed over from two threads at once.
        std::atomic<int> measured{0};
        std::vector<std::shared_ptr<qv::CBlockWorker>> slots;
        for (int k = 0; k < 32; ++k)
            slots.push_back(qv::CBlockWorker::start(k % 2 ? first->pool : second->pool, 4, [&](const float*, std::uint32_t) { measured++; }));
        auto feed = [&](int from) {
            for (int block = 0; block < 50; ++block) {
                for (int k = from; k < 32; k += 2) {
                    ASSERT_TRUE(slots[static_cast<std::size_t>(k)]->waitIdle(5000ms));
                    slots[static_cast<std::size_t>(k)]->handOver(4);
                }
            }
        };
        std::thread other(feed, 1);
        feed(0);
        other.join();
        for (auto& slot : slots) EXPECT_TRUE(slot->waitIdle(5000ms) && slot->stop(300ms));
        EXPECT_EQ(measured.load(), 32 * 50);
        EXPECT_EQ(qv::CWorkerPool::runningThreads(), threads);
        first.reset();
        EXPECT_EQ(qv::CWorkerPool::runningThreads(), threads);  // one holder is left
        second.reset();
        EXPECT_EQ(qv::CWorkerPool::runningThreads(), 0u);
    }
    // Instances hold it the same way: the first one starts it, the last one stops it.
    auto one = std::make_unique<qv::CPlugin>(0, 2, 2);
    auto two = std::make_unique<qv::CPlugin>(0, 1, 1);
    EXPECT_EQ(qv::CWorkerPool::runningThreads(), qv::CWorkerPool::threadsFor(std::thread::hardware_concurrency()));
    one.reset();
    EXPECT_GT(qv::CWorkerPool::runningThreads(), 0u);
    two.reset();
    EXPECT_EQ(qv::CWorkerPool::runningThreads(), 0u);
}

TEST(Mixer, MeanOfAllInputsWithNonFiniteSamplesAsZero) {
    std::vector<std::vector<float>> channels(8);
    std::vector<const float*> inputs;
    for (std::size_t c = 0; c < 8; ++c) {
        channels[c].assign(16, static_cast<float>(c + 1) * 0.125f);
        inputs.push_back(channels[c].data());
    }
    // Non-finite samples where four are mixed at a time (samples 2..9) and in the rest (10, 11).
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    for (const auto& [c, i, v] : {std::tuple(3u, 5u, nan), std::tuple(0u, 6u, inf), std::tuple(0u, 7u, -inf),
                                  std::tuple(0u, 10u, nan), std::tuple(5u, 11u, inf)})
        channels[c][i] = v;
    float out[10];
    qv::mixToMean(out, inputs.data(), 8, 2, 10);  // samples 2..11
    // (1 + ... + 8) / 8 * 0.125, less the input whose sample is not finite
    const float sums[10] = {36, 36, 36, 32, 35, 35, 36, 36, 35, 30};
    for (int k = 0; k < 10; ++k) EXPECT_FLOAT_EQ(out[k], sums[k] / 8.0f * 0.125f) << k;
    qv::mixToMean(out, inputs.data(), 2, 0, 10);
    const float two = out[9];
    qv::mixToMean(out, inputs.data() + 1, 1, 0, 10);  // a single input is measured as it is
    EXPECT_EQ(std::pair(two, out[9]), std::pair(0.1875f, 0.25f));

    // Every layout (stereo and mono have their own loops) against a plain sample-by-sample mean,
    // bit for bit, with non-finite, denormal and huge samples in the vectors and in the tail.
    const float specials[] = {nan, inf, -inf, 1e-40f, -1e-45f, FLT_MAX, -FLT_MAX, 0.3f, -0.0f, 2.5f, -7.0f};
    for (std::int32_t count : {1, 2, 3}) {
        for (std::size_t c = 0; c < 3; ++c)
            for (std::size_t i = 0; i < 16; ++i) channels[c][i] = specials[(i * 7 + c * 3) % std::size(specials)];
        for (std::int32_t frames : {0, 3, 4, 13}) {
            float mixed[16];
            qv::mixToMean(mixed, inputs.data(), count, 1, frames);
            for (std::int32_t i = 0; i < frames; ++i) {
                float sum = 0.0f;
                for (std::int32_t c = 0; c < count; ++c) {
                    const float x = channels[static_cast<std::size_t>(c)][static_cast<std::size_t>(i + 1)];
                    sum = c == 0 ? (std::isfinite(x) ? x : 0.0f) : sum + (std::isfinite(x) ? x : 0.0f);
                }
                const float want = count > 1 ? sum * (1.0f / static_cast<float>(count)) : sum;
                ASSERT_EQ(std::bit_cast<std::uint32_t>(mixed[i]), std::bit_cast<std::uint32_t>(want)) << count << " " << i;
            }
        }
    }
}

}  // namespace
