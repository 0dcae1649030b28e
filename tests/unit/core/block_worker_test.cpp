#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

#include "core/block_worker.h"
#include "core/mixer.h"

namespace {

using namespace std::chrono_literals;

// A gate the test opens to let a stuck job finish.
struct Gate {
    std::atomic<bool> open{false};
    std::atomic<int> entered{0};
    std::atomic<int> finished{0};
    std::vector<float> seen;
};

TEST(BlockWorker, HandsBlocksOverAndDropsWhileBusyWithoutWaiting) {
    auto gate = std::make_shared<Gate>();
    auto worker = qv::CBlockWorker::start(8, [gate](const float* block, std::uint32_t n) {
        gate->seen.assign(block, block + n);
        gate->entered++;
        while (!gate->open) std::this_thread::sleep_for(1ms);
        gate->finished++;
    });
    ASSERT_TRUE(worker);
    for (int i = 0; i < 8; ++i) worker->writeBuffer()[i] = static_cast<float>(i);
    EXPECT_TRUE(worker->handOver(8));
    while (gate->entered == 0) std::this_thread::yield();
    // The worker is stuck in the job: the next blocks are dropped at once, and filling goes on
    // in the other buffer, leaving the block in work untouched.
    for (int i = 0; i < 8; ++i) worker->writeBuffer()[i] = -1.0f;
    EXPECT_FALSE(worker->handOver(8));
    EXPECT_FALSE(worker->handOver(8));
    EXPECT_EQ(worker->droppedBlocks(), 2u);
    EXPECT_EQ(worker->fill, 0u);
    gate->open = true;
    ASSERT_TRUE(worker->waitIdle(2000ms));
    EXPECT_EQ(gate->seen, (std::vector<float>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_TRUE(worker->handOver(8));
    ASSERT_TRUE(worker->waitIdle(2000ms));
    EXPECT_EQ(gate->seen[0], -1.0f);
    EXPECT_TRUE(worker->stop(300ms));
}

TEST(BlockWorker, StuckWorkerIsLeftAfterTheGraceAndFinishesOnLiveMemory) {
    auto gate = std::make_shared<Gate>();
    std::weak_ptr<qv::CBlockWorker> alive;
    {
        auto worker = qv::CBlockWorker::start(4, [gate](const float*, std::uint32_t) {
            gate->entered++;
            while (!gate->open) std::this_thread::sleep_for(1ms);
            gate->finished++;
        });
        alive = worker;
        worker->handOver(4);
        while (gate->entered == 0) std::this_thread::yield();
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_FALSE(worker->stop(50ms));
        const auto waited = std::chrono::steady_clock::now() - t0;
        EXPECT_GE(waited, 50ms);
        EXPECT_LT(waited, 5s);
    }
    // The owner is gone; the detached worker still holds its state.
    EXPECT_FALSE(alive.expired());
    gate->open = true;
    for (int i = 0; i < 2000 && !alive.expired(); ++i) std::this_thread::sleep_for(1ms);
    EXPECT_TRUE(alive.expired());
    EXPECT_EQ(gate->finished, 1);
}

TEST(Mixer, MeanOfAllInputsWithNonFiniteSamplesAsZero) {
    std::vector<std::vector<float>> channels(8, std::vector<float>(16));
    std::vector<const float*> inputs;
    for (int c = 0; c < 8; ++c) {
        for (int i = 0; i < 16; ++i) channels[static_cast<size_t>(c)][static_cast<size_t>(i)] = static_cast<float>(c + 1) * 0.125f;
        inputs.push_back(channels[static_cast<size_t>(c)].data());
    }
    channels[3][5] = std::numeric_limits<float>::quiet_NaN();
    channels[0][6] = std::numeric_limits<float>::infinity();
    channels[0][7] = -std::numeric_limits<float>::infinity();
    float out[10];
    qv::mixToMean(out, inputs.data(), 8, 2, 10);  // samples 2..11
    EXPECT_FLOAT_EQ(out[0], 4.5f * 0.125f);        // (1 + ... + 8) / 8 * 0.125
    EXPECT_FLOAT_EQ(out[3], (36.0f - 4.0f) / 8.0f * 0.125f);
    EXPECT_FLOAT_EQ(out[4], (36.0f - 1.0f) / 8.0f * 0.125f);
    EXPECT_FLOAT_EQ(out[5], (36.0f - 1.0f) / 8.0f * 0.125f);
    for (float v : out) EXPECT_TRUE(std::isfinite(v));
    const float* mono[1] = {channels[1].data()};
    qv::mixToMean(out, mono, 1, 0, 10);
    EXPECT_EQ(out[9], 0.25f);  // a single input is measured as it is
}

}  // namespace
