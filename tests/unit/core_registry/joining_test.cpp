// Joining and leaving the registry: what a new instance takes over, the limit of 16, which slot
// and number a newcomer gets, and renumbering seen from every instance.
#include "registry_support.h"

namespace qvtest {
namespace {

using Joining = RegistryTest;

TEST_F(Joining, ASecondInstanceTakesOverNamesCommonSettingsAndTheNumberMap) {
    auto first = makeInstance();
    EXPECT_EQ(std::pair(first->getRegistryIndex(), number(*first)), std::pair(0, 0));
    for (auto [setting, value] : {std::pair(id::kFftSize, 5.0f), std::pair(id::kWindowType, 4.0f),
                                  std::pair(id::kAccuracy, 1.0f), std::pair(id::kAnalysisView, 1.0f)})
        first->setParameter(setting, value, 0, false, true);
    qv::InstanceNamesBlock renamed{{qv::InstanceNamesBlock::kSize, qv::kMsgNames, 0}};
    for (int i = 0; i < 16; ++i) std::snprintf(renamed.names[i], 32, "Track %d", i + 1);
    ASSERT_TRUE(first->postToInstance(&renamed.header));  // to itself, as the editor's rename does

    auto second = makeInstance();
    EXPECT_EQ(std::pair(second->getRegistryIndex(), number(*second)), std::pair(1, 1));
    EXPECT_EQ(std::tuple(second->getParameter(id::kFftSize, 0), second->getParameter(id::kWindowType, 0),
                         second->getParameter(id::kAccuracy, 0), second->fftSizeIndex()),
              std::tuple(5.0f, 4.0f, 1.0f, 5u));
    // The newcomer starts in the band view, while it knows that number 0 shows the spectrum.
    EXPECT_EQ(std::tuple(second->getParameter(id::kAnalysisView, 0), second->bandsAreNeeded(), second->spectrumIsNeeded()),
              std::tuple(0.0f, true, true));
    EXPECT_EQ(std::pair(names(*second), names(*second)[15]), std::pair(names(*first), std::string("Track 16")));

    const std::vector<int> expected = {0, 1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    for (auto* p : {first.get(), second.get()}) EXPECT_EQ(numberMap(*p), expected);
    // Joining in the band view did not change the first instance's settings; number 1 shows bands.
    EXPECT_EQ(std::tuple(first->countInstanceNumbers(), first->getParameter(id::kFftSize, 0),
                         first->getParameter(id::kAnalysisView, 0), first->bandsAreNeeded()),
              std::tuple(2u, 5.0f, 1.0f, true));
    // Later changes reach the newcomer too: a new size, and with Sync Others the view.
    first->setParameter(id::kFftSize, 1.0f, 0, false, true);
    first->setParameter(id::kSyncOthers, 1.0f, 0, false, true);
    EXPECT_EQ(std::tuple(second->fftSizeIndex(), second->getParameter(id::kAnalysisView, 0), second->bandsAreNeeded()),
              std::tuple(1u, 1.0f, false));
    second.reset();
    EXPECT_EQ(std::tuple(first->instanceNumberAt(1), first->countInstanceNumbers(), first->bandsAreNeeded()),
              std::tuple(-1, 1u, false));
}

TEST_F(Joining, TheSeventeenthIsRefusedButPassesAudioAndALeaverFreesTheLowestSlotAndNumber) {
    std::vector<std::unique_ptr<qv::CPlugin>> instances;
    for (int i = 0; i < 16; ++i) {
        instances.push_back(makeInstance());
        ASSERT_FALSE(instances.back()->instanceLimitReached()) << i;
        EXPECT_EQ(std::pair(instances.back()->getRegistryIndex(), number(*instances.back())), std::pair(i, i));
    }
    auto extra = makeInstance();
    EXPECT_EQ(std::pair(extra->instanceLimitReached(), extra->registeredInstances()), std::pair(true, 16u));
    void* chunk = nullptr;  // and keeps no state for the host
    EXPECT_EQ(std::pair(instances[15]->getChunk(&chunk, false), extra->getChunk(&chunk, false)), std::pair(2756, 0));
    const std::uint32_t measured = extra->bandBlocksMeasured();
    Feeder feed(*extra, 2, 4096 * 3);
    feed.sine(100.0, 44100.0, 4096 * 3);
    EXPECT_EQ(std::pair(feed.out, extra->bandBlocksMeasured()), std::pair(feed.in, measured));  // and nothing else
    extra.reset();
    EXPECT_EQ(instances[0]->registeredInstances(), 16u);  // leaving changed nothing either

    // Indexes 2 and 7 swap numbers; then indexes 2 (number 7) and 4 (number 4) leave.
    ASSERT_TRUE(instances[0]->renumberInstances(qv::RenumberMessage::kSwap, 2, 7));
    instances[2].reset();
    instances[4].reset();
    EXPECT_EQ(instances[0]->countInstanceNumbers(), 14u);
    auto newcomer = makeInstance();
    EXPECT_EQ(std::tuple(newcomer->instanceLimitReached(), newcomer->getRegistryIndex(), number(*newcomer)),
              std::tuple(false, 2, 4));
    for (auto [index, expected] : {std::pair(2u, 4), std::pair(4u, -1), std::pair(7u, 2)})
        EXPECT_EQ(instances[15]->instanceNumberAt(index), expected) << index;
}

TEST_F(Joining, SwappingAndRenamingNumbersChangesEveryMap) {
    auto a = makeInstance(), b = makeInstance(), c = makeInstance();
    ASSERT_TRUE(b->renumberInstances(qv::RenumberMessage::kSwap, 0, 1));
    EXPECT_EQ(std::tuple(number(*a), number(*b), number(*c), a->getInstanceNumber()), std::tuple(1, 0, 2, 1));
    auto map = [](std::vector<int> head) { return head.resize(16, -1), head; };
    for (auto* p : {a.get(), b.get(), c.get()}) EXPECT_EQ(numberMap(*p), map({1, 0, 2}));

    // Renaming gives the instance holding number a the free number b; a held b is refused, so
    // that no two instances ever share a number.
    ASSERT_TRUE(a->renumberInstances(qv::RenumberMessage::kRename, 2, 9));
    EXPECT_EQ(number(*c), 9);
    ASSERT_TRUE(a->renumberInstances(qv::RenumberMessage::kRename, 9, 0));
    for (auto* p : {a.get(), b.get(), c.get()}) EXPECT_EQ(numberMap(*p), map({1, 0, 9}));
    EXPECT_FALSE(a->renumberInstances(qv::RenumberMessage::kSwap, 0, 16));

    // A newcomer takes the lowest number nobody holds.
    auto d = makeInstance();
    EXPECT_EQ(std::pair(d->getRegistryIndex(), number(*d)), std::pair(3, 2));
    EXPECT_EQ(numberMap(*d), map({1, 0, 9, 2}));
}

TEST_F(Joining, NamesFromOthersAreAlwaysTerminatedWithinTheirBytes) {
    auto a = makeInstance(), b = makeInstance();
    qv::InstanceNamesBlock raw{{qv::InstanceNamesBlock::kSize, qv::kMsgNames, 1}};
    std::memset(raw.names, 'x', sizeof(raw.names));  // no terminator anywhere
    std::memcpy(raw.names[3], "Drums\0garbage", 13);
    ASSERT_TRUE(a->postToInstance(&raw.header));
    const auto held = names(*b);
    EXPECT_EQ(std::tuple(held[0], held[3], held[15]), std::tuple(std::string(31, 'x'), "Drums", std::string(31, 'x')));
    // Bytes after a terminator are cleared too, so what is passed on is clean.
    void* data = nullptr;
    b->getChunk(&data, false);
    const auto* name3 = static_cast<const char*>(data) + 752 + 32 * 3;
    for (int i = 5; i < 32; ++i) EXPECT_EQ(name3[i], 0) << i;

    // Writing setting 3 shares own names with everybody.
    b->setParameter(id::kPostNames, 1.0f, 0, false, true);
    EXPECT_EQ(names(*a), held);
}

}  // namespace
}  // namespace qvtest
