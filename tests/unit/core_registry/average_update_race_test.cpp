// Two threads reshaping one receiver's average histories at once: a joining instance's map post
// (made under the registry lock) and a common-settings post from another instance's
// setParameter. Released together round after round, so a sanitizer sees them meet.
#include <atomic>
#include <latch>

#include "registry_support.h"

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
        std::latch go(2);
        std::atomic<bool> through{false};
        std::thread member([&] {
            go.arrive_and_wait();
            if (joining) joiner = makeInstance();
            else joiner.reset();
            through.store(true);
        });
        go.arrive_and_wait();
        for (int view = 0; !through.load(); view ^= 1) {
            sender->setParameter(id::kAnalysisView, static_cast<float>(view), 0, false, true);
        }
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

}  // namespace
}  // namespace qvtest
