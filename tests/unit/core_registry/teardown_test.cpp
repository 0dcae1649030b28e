// Instances leaving while others post to them, and settings changed in several instances at
// once: nothing reaches a destroyed instance and no two instances wait for each other.
#include <atomic>
#include <cstdlib>
#include <future>

#include "registry_support.h"

namespace qvtest {
namespace {

using Teardown = RegistryTest;

// Fails and ends the process instead of hanging when a deadlock holds the threads.
void expectFinishes(std::future<void>& work, std::chrono::seconds limit, const char* what) {
    if (work.wait_for(limit) == std::future_status::ready) return;
    ADD_FAILURE() << what << " did not finish: a deadlock";
    std::fflush(nullptr);
    std::_Exit(1);
}

TEST_F(Teardown, PostsRacingAnInstanceThatLeavesNeverReachItOnceItIsGone) {
    auto a = makeInstance();
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> delivered{0};
    // Three senders aim at index 1, where instances come and go.
    auto sender = [&](int kind) {
        auto spectrum = std::make_unique<qv::SpectrumRecord>();
        spectrum->type = qv::kMsgSpectrum;
        spectrum->count = 2049;
        spectrum->size = 52 + 4 * 2049;
        spectrum->source = 0;
        qv::GlobalSettingsBlock common{};
        common.header = qv::InstanceMessage{qv::GlobalSettingsBlock::kSize, qv::kMsgSettingsPost, 1};
        qv::InstanceNamesBlock names{};
        names.header = qv::InstanceMessage{qv::InstanceNamesBlock::kSize, qv::kMsgNames, 1};
        std::snprintf(names.names[0], 32, "Sender");
        std::uint32_t round = 0;
        while (!stop.load()) {
            bool ok = false;
            if (kind == 0) {
                spectrum->target = 1;
                spectrum->sequence = round;
                ok = a->postToInstance(reinterpret_cast<qv::InstanceMessage*>(spectrum.get()));
            } else if (kind == 1) {
                common.header.target = 1;
                common.fftSizeIndex = round % 6;
                ok = a->postToInstance(&common.header);
            } else {
                names.header.target = 1;
                ok = a->postToInstance(&names.header);
            }
            delivered.fetch_add(ok ? 1 : 0);
            ++round;
        }
    };
    std::vector<std::thread> senders;
    for (int kind = 0; kind < 3; ++kind) senders.emplace_back(sender, kind);

    auto churn = std::async(std::launch::async, [&] {
        for (int round = 0; round < 25; ++round) {
            auto b = makeInstance();
            EXPECT_EQ(b->getRegistryIndex(), 1);
            std::this_thread::sleep_for(2ms);
        }
    });
    expectFinishes(churn, std::chrono::seconds(120), "creating and destroying instances");
    stop.store(true);
    for (auto& t : senders) t.join();
    EXPECT_GT(delivered.load(), 0u);
    EXPECT_EQ(a->registeredInstances(), 1u);
    EXPECT_EQ(a->countInstanceNumbers(), 1u);
}

TEST_F(Teardown, SettingsChangedInTwoInstancesAtOnceNeverDeadlock) {
    auto a = makeInstance(), b = makeInstance();
    auto changeA = std::async(std::launch::async, [&] {
        for (int i = 0; i < 1500; ++i) {
            a->setParameter(id::kFftSize, static_cast<float>(i % 6), 0, false, true);
            if (i % 10 == 0) a->setParameter(id::kPostNames, 1.0f, 0, false, true);
        }
    });
    auto changeB = std::async(std::launch::async, [&] {
        for (int i = 0; i < 1500; ++i) {
            b->setParameter(id::kWindowType, static_cast<float>(i % 6), 0, false, true);
            if (i % 10 == 0) b->setParameter(id::kSyncOthers, 1.0f, 0, false, true);
        }
    });
    expectFinishes(changeA, std::chrono::seconds(120), "changing settings of the first instance");
    expectFinishes(changeB, std::chrono::seconds(120), "changing settings of the second instance");
    // Both ended with the same common settings: the last state sent is the one kept.
    EXPECT_EQ(a->getParameter(id::kFftSize, 0), b->getParameter(id::kFftSize, 0));
    EXPECT_EQ(a->getParameter(id::kWindowType, 0), b->getParameter(id::kWindowType, 0));
    EXPECT_EQ(a->getParameter(id::kFftSize, 0), 5.0f);
    EXPECT_EQ(b->getParameter(id::kWindowType, 0), 5.0f);
}

}  // namespace
}  // namespace qvtest
