// Average histories reshaped from other instances' posts: a joining instance's map post (made
// under the registry lock) meeting a common-settings post, and a failure heard under that lock.

#include "registry_support.h"
#include "support/start_line.h"

namespace qvtest {
namespace {

using AverageUpdates = RegistryTest;

TEST_F(AverageUpdates, AJoiningInstanceAndACommonSettingsPostMeetInOneReceiver) {
    auto receiver = makeInstance();
    receiver->setParameter(id::kAnalysisView, 1.0f, 0, false, true);
    receiver->setParameter(id::kAverageOn, 1.0f, 0, false, true);
    auto sender = makeInstance();
    ASSERT_TRUE(receiver->spectrumAverager().active());

    // Each round a newcomer joins, then leaves, while the sender keeps switching its own view
    // until the newcomer is through.
    auto meet = [&](std::unique_ptr<qv::CPlugin>& joiner, bool joining) {
        StartLine go(2);
        std::atomic<bool> through{false};
        std::thread member([&] {
            go.arriveAndWait();
            joiner = joining ? makeInstance() : nullptr;
            through.store(true);
        });
        go.arriveAndWait();
        for (int view = 0; !through.load(); view ^= 1)
            sender->setParameter(id::kAnalysisView, static_cast<float>(view), 0, false, true);
        member.join();
    };
    for (int round = 0; round < 16; ++round) {
        std::unique_ptr<qv::CPlugin> joiner;
        meet(joiner, true);
        ASSERT_EQ(receiver->countInstanceNumbers(), 3u);
        meet(joiner, false);
    }
    // Whatever order the posts came in, the receiver still averages.
    EXPECT_TRUE(receiver->spectrumAverager().active());
}

// A failure heard under a lock waits until a call that holds none shows it.
TEST_F(AverageUpdates, AFailureHeardWhileAnotherInstanceJoinsIsShownAfterwards) {
    MessageCapture capture;
    auto receiver = makeInstance();
    receiver->setParameter(id::kAnalysisView, 1.0f, 0, false, true);
    receiver->setParameter(id::kAverageOn, 1.0f, 0, false, true);
    receiver->spectrumAverager().setAllocator([](std::size_t) -> void* { return nullptr; });
    // The newcomer posts its number map under the registry lock: the receiver's averaging fails
    // then, and the report waits.
    auto joiner = makeInstance();
    EXPECT_TRUE(capture.messages.empty() && !receiver->spectrumAverager().active());
    receiver->setParameter(id::kAttack, 0.5f, 0, false, true);
    EXPECT_EQ(capture.messages,
              std::vector<std::string>{"Quorvane - An Error occured|Unable to allocate memory to enable average mode."});
    receiver->setParameter(id::kAttack, 0.25f, 0, false, true);
    EXPECT_EQ(capture.messages.size(), 1u);  // shown once
}

}  // namespace
}  // namespace qvtest
