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

// A failure heard under a lock waits until the host adapter shows it from a call that holds
// none: not while joining, not inside a data request (an editor reading the map holds the
// registry and instance locks when a newcomer arrives), one box at a time.
qv::CPlugin* showing = nullptr;
int shownDepth = 0, deepest = 0;

TEST_F(AverageUpdates, AFailureHeardWhileAnotherInstanceJoinsIsShownAfterwards) {
    MessageCapture capture;
    auto receiver = makeInstance();
    receiver->setParameter(id::kAnalysisView, 1.0f, 0, false, true);
    receiver->setParameter(id::kAverageOn, 1.0f, 0, false, true);
    receiver->spectrumAverager().setAllocator([](std::size_t) -> void* { return nullptr; });
    // The newcomer posts its number map under the registry lock: the receiver's averaging fails
    // then, and the report waits, through setting changes and data requests alike.
    auto joiner = makeInstance();
    receiver->setParameter(id::kAttack, 0.5f, 0, false, true);
    std::vector<std::uint8_t> map(32, 0);
    std::tie(map[0], map[4]) = std::pair(32, qv::kDataInstanceMap);
    ASSERT_TRUE(receiver->getData(map.data()));
    EXPECT_TRUE(capture.messages.empty() && !receiver->spectrumAverager().active());

    // The box's modal loop lets the host call again: that call shows nothing of its own.
    showing = receiver.get();
    const qv::MessageSink plain = qv::setMessageSink([](const char* title, const char* text) {
        deepest = std::max(deepest, ++shownDepth);
        MessageCapture::messages.push_back(std::string(title) + "|" + text);
        showing->showPendingMessages();
        --shownDepth;
    });
    receiver->showPendingMessages();
    qv::setMessageSink(plain);
    EXPECT_EQ(capture.messages,
              std::vector<std::string>{"Quorvane - An Error occured|Unable to allocate memory to enable average mode."});
    EXPECT_EQ(deepest, 1);
    receiver->showPendingMessages();
    EXPECT_EQ(capture.messages.size(), 1u);  // shown once
}

}  // namespace
}  // namespace qvtest
