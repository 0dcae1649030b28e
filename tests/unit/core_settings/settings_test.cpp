#include "recording_observer.h"

namespace {

using namespace qv::settingid;
using Settings = SettingsTest;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST_F(Settings, IndexValuesReadAsTruncOfValuePlusOneTenth) {
    s.set(kFftSize, 2.95f);
    EXPECT_EQ(std::tuple(s.fftSizeIndex(), s.get(kFftSize), seen.last(kFftSize)), std::tuple(3u, 3.0f, 3.0f));
    s.set(kFftSize, 2.85f);
    s.set(kResolution, 10.95f);
    EXPECT_EQ(std::pair(s.commonSettings().fftSizeIndex, s.smoothingIndex()), std::pair(2u, 11u));
    s.set(kArrangement, 0.9f);  // 0.9f + 0.1 stays below 1 in double precision
    EXPECT_EQ(s.get(kArrangement), 0.0f);
}

// Indexes beyond their menu would address sizes and tables that do not exist; non-finite values
// are never stored. Refused writes change and report nothing.
TEST_F(Settings, OutOfMenuAndNonFiniteWritesAreRefused) {
    qv::StateChunk before, after;
    s.fillChunk(before);
    for (auto [id, v] : {std::pair(kFftSize, 5.95f), std::pair(kWindowType, 6.0f), std::pair(kResolution, 12.0f),
                         std::pair(kAnalysisView, -1.2f), std::pair(kAccuracy, 3e9f), std::pair(kCompactLayout, 1e30f)})
        EXPECT_FALSE(s.set(id, v)) << id;
    for (std::uint32_t id : {kAttack, kRelease, kSlope, kAverageTime, kAverageOn, kPeakHoldTime, kPause, kVeil,
                             kSyncOthers, kLevelTopUp, kFreqLowDown, kFftSize, kCompactLayout, kSoloFirst + 1})
        for (float v : {kNaN, kInf, -kInf}) EXPECT_FALSE(s.set(id, v)) << id;
    EXPECT_TRUE(seen.silent());
    s.fillChunk(after);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof(before)), 0);
}

TEST_F(Settings, BitsValuesKeepTheirExactPatterns) {
    const std::uint32_t memorySwitch = kMemorySwitchFirst + 8 * 2 + 3;
    s.set(memorySwitch, std::bit_cast<float>(0x201u));  // a denormal as a float
    EXPECT_EQ(std::pair(std::bit_cast<std::uint32_t>(s.get(memorySwitch)), seen.echoes.back()),
              std::pair(0x201u, std::pair(memorySwitch, 0x201u)));
    EXPECT_EQ(seen.memory, (std::vector{std::make_pair(memorySwitch, 0x201u)}));

    // White is a NaN pattern as a float: still a colour, kept bit for bit.
    s.set(kColourFirst + 4, std::bit_cast<float>(0xFFFFFFFFu));
    s.set(kNamesColourFirst + 6, std::bit_cast<float>(0x7F800001u));  // the names-panel field of slot 6
    s.set(kMemoryStateFirst + 100, std::bit_cast<float>(0xFF800002u));
    EXPECT_EQ(std::tuple(s.getBits(kColourFirst + 4), s.getBits(kColourFirst + 6), s.getBits(kMemoryStateFirst + 100)),
              std::tuple(0xFFFFFFFFu, 0x7F800001u, 0xFF800002u));
    qv::StateChunk chunk;
    s.fillChunk(chunk);
    EXPECT_EQ(std::pair(chunk.colours[4], chunk.colours[6]), std::pair(0xFFFFFFFFu, 0x7F800001u));
}

TEST_F(Settings, InitialValuesMapToTheirPhysicalDefaults) {
    // Attack 450 ms, release 100 ms, slope 3 dB per octave, averaging 1 s, peak hold 2 s.
    const float physical[] = {1 + 799 * s.get(kAttack), 1 + 799 * s.get(kRelease), s.slopeDbPerOctave(), s.averageSeconds(),
                              0.1f + 19.9f * s.get(kPeakHoldTime)},
                expected[] = {450.0f, 100.0f, 3.0f, 1.0f, 2.0f};
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(physical[i], expected[i], 1e-3) << i;
    // The display's default colours for 16 slots (the chunk test pins the first): the odd slots paler.
    EXPECT_EQ(s.getBits(kColourFirst + 1), 0x66CC8CFFu);  // HSV 142.5, 0.5, 0.8
    EXPECT_EQ(s.getBits(kColourFirst + 8), 0xFF00FFFFu);  // hue 300
}

TEST_F(Settings, CommonSettingsAreSharedOnlyWhenChangedHere) {
    s.setInstanceNumber(3);
    s.set(kAccuracy, 1.0f);
    ASSERT_EQ(seen.posted.size(), 1u);
    EXPECT_EQ(std::pair(seen.posted[0].ecoMode, seen.analysis.back()), std::pair(1u, std::pair(1u, 3u)));
    s.set(kAnalysisView, 1.0f);
    EXPECT_EQ(std::tuple(seen.posted.back().displayModes[3], seen.posted.back().displayModes[0], seen.displayModes),
              std::tuple(1u, 0u, 1));
    s.set(kWindowType, 4.0f);
    EXPECT_EQ(seen.windowTypes.back(), 4u);

    // Sync Others: every number takes the view of this one; the block goes out once more.
    seen.clear();
    s.set(kSyncOthers, 1.0f);
    ASSERT_EQ(seen.posted.size(), 1u);
    for (std::uint32_t mode : seen.posted[0].displayModes) EXPECT_EQ(mode, 1u);
    EXPECT_EQ(seen.displayModes, 1);

    // A block from another instance is taken over and shown, but never posted back.
    qv::GlobalSettingsBlock received = s.commonSettings();
    std::tie(received.fftSizeIndex, received.windowType) = std::pair(5u, 2u);
    received.displayModes[3] = received.displayModes[9] = 0;
    seen.clear();
    EXPECT_TRUE(s.applyCommonSettings(received));
    EXPECT_TRUE(seen.posted.empty());
    EXPECT_EQ(std::tuple(seen.last(kFftSize), seen.last(kWindowType), seen.last(kAnalysisView)),
              std::tuple(5.0f, 2.0f, 0.0f));
    EXPECT_EQ(seen.windowTypes, std::vector<std::uint32_t>{2});
    EXPECT_EQ(std::pair(s.displayMode(), s.commonSettings().displayModes[9]), std::pair(0u, 0u));

    seen.clear();
    received.windowType = 6;
    EXPECT_FALSE(s.applyCommonSettings(received));
    std::tie(received.windowType, received.displayModes[12]) = std::pair(3u, 2u);
    EXPECT_FALSE(s.applyCommonSettings(received));
    EXPECT_TRUE(seen.silent() && s.windowType() == 2u);
}

// (Names taken over from other instances: the joining tests.)
TEST_F(Settings, NamesStayTerminatedWithinThirtyTwoBytes) {
    const std::string longName(40, 'x');
    s.setName(2, longName.c_str(), longName.size() + 1);
    EXPECT_EQ(std::string(s.name(2)), std::string(31, 'x'));
    s.set(kNamesRequest, 1.0f);
    s.set(kPostNames, 0.0f);
    EXPECT_EQ(std::pair(seen.namesRequests, seen.namePosts), std::pair(1, 1));
    EXPECT_FALSE(s.set(kNameFieldFirst + 2, 1.0f));
}

}  // namespace
