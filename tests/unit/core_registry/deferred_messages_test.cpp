// Messages raised while a lock is held wait until a call that holds none shows them, and a
// refused instance keeps no state for the host.
#include <atomic>

#include "framework/error_report.h"
#include "registry_support.h"

namespace qvtest {
namespace {

std::atomic<int> shown{0};
void countShown(const char*, const char* text) {
    if (std::strcmp(text, "Unable to allocate memory to enable average mode.") == 0) shown++;
}

using DeferredMessages = RegistryTest;

TEST_F(DeferredMessages, AFailureHeardWhileAnotherInstanceJoinsIsShownAfterwards) {
    const qv::MessageSink previous = qv::setMessageSink(&countShown);
    shown = 0;
    auto receiver = makeInstance();
    receiver->setParameter(id::kAnalysisView, 1.0f, 0, false, true);
    receiver->setParameter(id::kAverageOn, 1.0f, 0, false, true);
    receiver->spectrumAverager().setAllocator([](std::size_t) -> void* { return nullptr; });
    // The newcomer posts its number map under the registry lock: the receiver's averaging fails
    // then, and the report waits.
    auto joiner = makeInstance();
    EXPECT_EQ(shown.load(), 0);
    EXPECT_FALSE(receiver->spectrumAverager().active());
    receiver->setParameter(id::kAttack, 0.5f, 0, false, true);
    EXPECT_EQ(shown.load(), 1);
    receiver->setParameter(id::kAttack, 0.25f, 0, false, true);
    EXPECT_EQ(shown.load(), 1);  // shown once
    qv::setMessageSink(previous);
}

TEST_F(DeferredMessages, TheSeventeenthInstanceAnswersNoChunk) {
    std::vector<std::unique_ptr<qv::CPlugin>> instances;
    for (int i = 0; i < 17; ++i) instances.push_back(makeInstance());
    void* data = nullptr;
    EXPECT_EQ(instances[15]->getChunk(&data, false), 2756);
    EXPECT_EQ(instances[16]->getChunk(&data, false), 0);
}

}  // namespace
}  // namespace qvtest
