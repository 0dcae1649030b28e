#include "recording_observer.h"

namespace {

using namespace qv::settingid;
using Bytes = std::vector<std::uint8_t>;
using qvtest::putU32;
using qvtest::u32At;

Bytes chunkOf(const qv::CAnalyzerSettings& s) {
    qv::StateChunk chunk;
    s.fillChunk(chunk);
    Bytes out(sizeof(chunk));
    std::memcpy(out.data(), &chunk, sizeof(chunk));
    return out;
}

std::uint32_t bitsOf(float f) { return std::bit_cast<std::uint32_t>(f); }

// The chunk of an instance whose every chunk field differs from the initial settings.
Bytes changedChunk() {
    qv::CAnalyzerSettings s;
    s.setInstanceNumber(2);
    const std::pair<std::uint32_t, float> writes[] = {
        {kAttack, 0.25f},      {kRelease, 0.75f},     {kSlope, 0.5f},         {kMuteFirst + 5, 1.0f},
        {kSoloFirst + 9, 1.0f}, {kColourFirst + 3, std::bit_cast<float>(0x7F3FFFFFu)}, {kAverageTime, 0.125f},
        {kAverageOn, 1.0f},    {kPeakDisplay, 0.0f},  {kBarsCurves, 0.0f},    {kPeakHold, 0.0f},
        {kPeakHoldTime, 0.875f}, {kLevelTopUp, 1.0f}, {kLevelBottomUp, 1.0f}, {kAccuracy, 1.0f},
        {kArrangement, 2.0f},  {kVeil, 0.5f} /* a switch is on from 0.5 */, {kAnalysisView, 1.0f},
        {kFftSize, 5.0f},      {kFftResponse, 0.0f},  {kWindowType, 4.0f},    {kFreqLowUp, 1.0f},
        {kFreqHighDown, 1.0f}, {kResolution, 7.0f}};
    for (const auto& [id, value] : writes) s.set(id, value);
    s.setName(1, "Bass DI", 32);
    return chunkOf(s);
}

TEST(StateChunk, FieldsLieAtTheirOffsets) {
    const Bytes d = chunkOf(qv::CAnalyzerSettings{});
    ASSERT_EQ(d.size(), 2756u);
    EXPECT_EQ(std::memcmp(d.data() + 8, "sLeX", 4), 0);
    const std::pair<std::size_t, std::uint32_t> defaults[] = {{0, 1u},   {4, 2756u}, {12, 0x20300u}, {100, 0x00FF00FFu},
                                                             {700, static_cast<std::uint32_t>(-90)}, {724, 3u},
                                                             {728, 1u}, {732, 1u},  {736, 10u},     {740, 20000u}};
    for (const auto& [offset, value] : defaults) EXPECT_EQ(u32At(d, offset), value) << "offset " << offset;
    EXPECT_STREQ(reinterpret_cast<const char*>(d.data() + 752 + 15 * 32), "Instance 16");

    const Bytes c = changedChunk();
    const std::pair<std::size_t, std::uint32_t> fields[] = {
        {16, 2u}, {20, bitsOf(0.25f)}, {24, bitsOf(0.75f)}, {28, bitsOf(0.5f)},
        {32 + 4 * 5, 4u + 8u},  // muted, then dimmed by the solo of 9
        {32 + 4 * 9, 5u}, {32, 4u}, {96, 1u}, {100 + 4 * 3, 0x7F3FFFFFu}, {676, bitsOf(0.125f)},
        {680, bitsOf(1.0f)}, {684, 0u}, {688, 0u}, {692, 0u}, {696, bitsOf(0.875f)},
        {700, static_cast<std::uint32_t>(-80)}, {704, 10u}, {708, 1u}, {712, 2u}, {716, 1u}, {720, 1u},
        {724, 5u}, {728, 0u}, {732, 4u}, {736, 20u}, {740, 10000u}, {744, 7u},
    };
    for (const auto& [offset, value] : fields) EXPECT_EQ(u32At(c, offset), value) << "offset " << offset;
    EXPECT_STREQ(reinterpret_cast<const char*>(c.data() + 752 + 32), "Bass DI");

    // Bytes without a field stay 0.
    for (auto [from, to] : {std::pair(164u, 676u), std::pair(748u, 752u), std::pair(1264u, 2756u)})
        for (std::size_t o = from; o < to; ++o) ASSERT_EQ(c[o], 0) << o;
}

// Bytes that belong to the process, not to the saved settings: the number and the S/M states.
void maskProcessFields(Bytes& b) {
    std::memset(b.data() + 16, 0, 4);
    std::memset(b.data() + 32, 0, 68);
}

TEST(StateChunk, RestoringIntoAFreshInstanceReproducesTheChunk) {
    Bytes saved = changedChunk();

    RecordingObserver seen;
    qv::CAnalyzerSettings target(&seen);
    target.setInstanceNumber(6);
    seen.clear();
    ASSERT_TRUE(target.restoreChunk(saved.data(), static_cast<std::int32_t>(saved.size())));
    Bytes restored = chunkOf(target);
    EXPECT_EQ(std::tuple(u32At(restored, 16), u32At(restored, 96), target.showSwitches().packed(5)), std::tuple(6u, 0u, 0u));
    maskProcessFields(saved);
    maskProcessFields(restored);
    EXPECT_EQ(saved, restored);

    // Restored values reach the editor and the other instances like a user's changes.
    EXPECT_EQ(std::tuple(seen.last(kLevelTop), seen.last(kFreqHigh), seen.last(kResolution), seen.last(kAttack)),
              std::tuple(10.0f, 10000.0f, 7.0f, 0.25f));
    ASSERT_EQ(seen.posted.size(), 1u);
    // Own view lands at own number.
    EXPECT_EQ(std::pair(seen.posted[0].fftSizeIndex, seen.posted[0].displayModes[6]), std::pair(5u, 1u));
    EXPECT_EQ(std::tuple(seen.windowTypes, seen.namePosts, seen.displayModes >= 1),
              std::tuple(std::vector<std::uint32_t>{4}, 1, true));
    EXPECT_STREQ(target.name(1), "Bass DI");
}

TEST(StateChunk, BrokenChunksChangeNothing) {
    const Bytes good = changedChunk();

    // One or two fields set out of range (offset 0 for none), or a name left unterminated.
    const struct { std::uint32_t offset, value, offset2, value2; } breakages[] = {
        {0, 2},          {4, 2755},       {8, 0x58656C73 /* "slex" */}, {12, 0x20301},
        {20, 0x7FC00000} /* attack NaN */, {696, 0x7F800000}, {680, 0xFF800000},
        {700, static_cast<std::uint32_t>(-100)}, {704, 30}, {700, static_cast<std::uint32_t>(-5), 704, 0},  // 5 dB wide
        {736, 9},        {740, 20001},    {736, 500, 740, 500}, {708, 2}, {712, 3}, {716, 2}, {720, 2},
        {724, 6},        {728, 2},        {732, 6},         {744, 12},        {2000, 0},
    };
    for (const auto& k : breakages) {
        Bytes broken = good;
        putU32(broken, k.offset, k.value);
        if (k.offset2) putU32(broken, k.offset2, k.value2);
        if (k.offset == 2000) std::memset(broken.data() + 752 + 32 * 7, 'n', 32);  // unterminated name
        RecordingObserver seen;
        qv::CAnalyzerSettings target(&seen);
        const Bytes before = chunkOf(target);
        EXPECT_FALSE(target.restoreChunk(broken.data(), 2756)) << "offset " << k.offset;
        EXPECT_TRUE(seen.silent()) << "offset " << k.offset;
        EXPECT_EQ(chunkOf(target), before) << "offset " << k.offset;
    }

    qv::CAnalyzerSettings target;
    const Bytes before = chunkOf(target);
    for (const auto& [data, size] : {std::pair(good.data(), 2755), std::pair<const std::uint8_t*, int>(nullptr, 2756),
                                     std::pair(good.data(), -1)})
        EXPECT_FALSE(target.restoreChunk(data, size)) << size;
    EXPECT_EQ(chunkOf(target), before);

    // Unused bytes and the process's fields are not read; a longer record is fine.
    Bytes tolerant = good;
    tolerant.resize(3000, 0xEE);
    for (auto [offset, value] : {std::pair(4u, 3000u), std::pair(16u, 99u), std::pair(32u, 0xDEADBEEFu)})
        putU32(tolerant, offset, value);
    tolerant[200] = 0x55;
    EXPECT_TRUE(target.restoreChunk(tolerant.data(), static_cast<std::int32_t>(tolerant.size())));
    EXPECT_EQ(std::pair(target.instanceNumber(), target.fftSizeIndex()), std::pair(0u, 5u));
}

}  // namespace
