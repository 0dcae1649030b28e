// Instances leaving while others post to them, and settings changed in several instances at
// once: nothing reaches a destroyed instance and no two instances wait for each other.
#include <cstdlib>
#include <future>

#include "framework/parameter_sink.h"
#include "registry_support.h"
#include "support/watchdog.h"

namespace qvtest {
namespace {

using Teardown = RegistryTest;

TEST_F(Teardown, PostsRacingAnInstanceThatLeavesNeverReachItOnceItIsGone) {
    auto a = makeInstance();
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> delivered{0};
    // Three senders aim at index 1, where instances come and go: spectra, common settings, names.
    auto sender = [&](int kind) {
        auto spectrum = std::make_unique<qv::SpectrumRecord>();
        std::tie(spectrum->type, spectrum->count, spectrum->size, spectrum->source, spectrum->target) =
            std::tuple(qv::kMsgSpectrum, 2049u, 52u + 4u * 2049u, 0u, 1u);
        qv::GlobalSettingsBlock common{{qv::GlobalSettingsBlock::kSize, qv::kMsgSettingsPost, 1}};
        qv::InstanceNamesBlock names{{qv::InstanceNamesBlock::kSize, qv::kMsgNames, 1}};
        std::snprintf(names.names[0], 32, "Sender");
        qv::InstanceMessage* messages[] = {reinterpret_cast<qv::InstanceMessage*>(spectrum.get()), &common.header,
                                           &names.header};
        for (std::uint32_t round = 0; !stop.load(); ++round) {
            spectrum->sequence = round;
            common.fftSizeIndex = round % 6;
            messages[kind]->target = 1;
            delivered.fetch_add(a->postToInstance(messages[kind]) ? 1 : 0);
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
    EXPECT_EQ(std::pair(a->registeredInstances(), a->countInstanceNumbers()), std::pair(1u, 1u));
}

// An editor that keeps the names post it hears (on the sender's thread) until released.
struct HoldingSink : qv::IParameterSink {
    Signal entered, released;
    void setParameter(std::int32_t, float) override {}
    void receiveData(const void*) override {
        entered.raise();
        released.wait();
    }
};

// The host deletes an instance (through the base pointer) while another instance's post is
// still inside it past the grace: it is parked whole, keeping its registry slot, so a newcomer
// takes another slot and never waits for that post; once the post has left, the next delete
// frees it and its slot. ASan sees any use of freed memory on the way.
TEST_F(Teardown, AnInstanceDeletedWithACallInsideIsFreedOnceTheCallLeaves) {
    auto a = makeInstance(), b = makeInstance();
    ASSERT_EQ(b->getRegistryIndex(), 1);
    HoldingSink editor;
    b->setParameterSink(&editor);
    auto post = std::async(std::launch::async, [&] {
        qv::InstanceNamesBlock names{{qv::InstanceNamesBlock::kSize, qv::kMsgNames, 1}};
        return a->postToInstance(&names.header);
    });
    editor.entered.wait();
    std::unique_ptr<qv::CPluginBase> asTheHostHoldsIt(b.release());
    asTheHostHoldsIt.reset();
    EXPECT_EQ(qv::CPlugin::parkedCount(), 1u);
    auto c = makeInstance();
    EXPECT_EQ(std::pair(c->getRegistryIndex(), a->registeredInstances()), std::pair(2, 3u));
    EXPECT_EQ(a->countInstanceNumbers(), 2u);  // the parked one has left the map

    editor.released.raise();
    EXPECT_TRUE(post.get());
    c.reset();  // any later delete
    EXPECT_EQ(std::pair(qv::CPlugin::parkedCount(), a->registeredInstances()), std::pair(std::size_t{0}, 1u));
    auto d = makeInstance();
    EXPECT_EQ(d->getRegistryIndex(), 1);

    // A leaving map that names the receiver's own index (a former holder of its slot) leaves
    // the receiver's number where it is.
    qv::InstanceMapBlock former{{qv::InstanceMapBlock::kSize, qv::kMsgMapPost, 1}};
    former.senderIndex = 1;
    former.leaving = 1;
    for (std::int32_t& n : former.numbers) n = -1;
    a->postToInstance(&former.header);
    EXPECT_EQ(std::pair(d->instanceNumberAt(1), d->countInstanceNumbers()), std::pair(d->getInstanceNumber(), 2u));
}

TEST_F(Teardown, SettingsChangedInTwoInstancesAtOnceNeverDeadlock) {
    auto a = makeInstance(), b = makeInstance();
    // Each instance walks a common setting through its menu and, every tenth time, posts to all.
    auto change = [](qv::CPlugin* p, std::uint32_t setting, std::uint32_t post) {
        return std::async(std::launch::async, [=] {
            for (int i = 0; i < 1500; ++i) {
                p->setParameter(setting, static_cast<float>(i % 6), 0, false, true);
                if (i % 10 == 0) p->setParameter(post, 1.0f, 0, false, true);
            }
        });
    };
    auto changeA = change(a.get(), id::kFftSize, id::kPostNames);
    auto changeB = change(b.get(), id::kWindowType, id::kSyncOthers);
    expectFinishes(changeA, std::chrono::seconds(120), "changing settings of the first instance");
    expectFinishes(changeB, std::chrono::seconds(120), "changing settings of the second instance");
    // Both ended with the same common settings: the last state sent is the one kept.
    for (auto* p : {a.get(), b.get()})
        EXPECT_EQ(std::pair(p->getParameter(id::kFftSize, 0), p->getParameter(id::kWindowType, 0)), std::pair(5.0f, 5.0f));
}

}  // namespace
}  // namespace qvtest
