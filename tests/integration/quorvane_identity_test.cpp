// The plug-in as a host first meets it: identity, configuration from the file name, programs,
// chunk and editor size, texts that fit the host's buffers, and audio through every copy.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "test_support.h"
#include "vsthost/effect_identity.h"

namespace qv::vsthost {
namespace {

constexpr vst::VstInt32 kStereoId = 0x6A377034;  // "j7p4"
constexpr vst::VstInt32 kMonoId = 0x33397231;    // "39r1"

std::uint32_t word(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 | static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

TEST(QuorvaneIdentity, DefaultFileIsTheStereoAnalyzerWithOneProgramAndItsChunk) {
    test::Loaded loaded = test::load(test::pluginPath());
    ASSERT_TRUE(loaded) << loaded.error;
    EXPECT_EQ(loaded.library->entryName(), "VSTPluginMain");
    IdentityQuery query;
    query.editorRect = true;
    const EffectIdentity id = gatherIdentity(*loaded.effect, query);
    EXPECT_EQ(std::tuple(id.effectName, id.product, id.vendor, id.uniqueId),
              std::tuple("Quorvane_2in_2out", "Quorvane_2in_2out", "Nolvatek", kStereoId));
    EXPECT_EQ(std::tuple(id.vendorVersion, id.vstVersion, id.category, id.flags, id.initialDelay),
              std::tuple(2300, 2400, 1, 561, 0));
    EXPECT_EQ(std::tuple(id.numInputs, id.numOutputs, id.numParams), std::tuple(2, 2, 0));
    EXPECT_EQ(id.programs, std::vector<std::string>{"default"});
    for (const auto& [question, answer] : id.canDo) EXPECT_EQ(answer, 0) << question;
    EXPECT_TRUE(id.overflows.empty());
    ASSERT_TRUE(id.editorRect);
    EXPECT_EQ(std::tuple(id.editorRect->top, id.editorRect->left, id.editorRect->bottom, id.editorRect->right),
              std::tuple(0, 0, 563, 752));
    // The chunk: 2756 bytes that start with format 1, the size, the tag and the version.
    ASSERT_EQ(id.chunk.size(), 2756u);
    EXPECT_EQ(std::tuple(word(id.chunk, 0), word(id.chunk, 4), word(id.chunk, 12)), std::tuple(1u, 2756u, 0x20300u));
    EXPECT_EQ(std::memcmp(id.chunk.data() + 8, "sLeX", 4), 0);

    HostedEffect& e = *loaded.effect;
    EXPECT_EQ(e.dispatch(vst::effIdentify, 7, -3, nullptr, 2.0f), 0x4E764566);  // "NvEf"
    EXPECT_EQ(std::tuple(e.programNameIndexed(0).result, e.programNameIndexed(1).result,
                         e.programNameIndexed(-1).result, e.dispatch(vst::effSetBypass, 0, 1)),
              std::tuple(1, 0, 0, 0));
    EXPECT_EQ(e.chunk(true), id.chunk);
    // Settings as a user leaves them (level top +10 dB, FFT 16384, Blackman-Harris, 200 Hz) come
    // back whole; a chunk with one setting out of range, or that is no chunk, is refused whole.
    auto put = [](std::vector<std::uint8_t> chunk, std::size_t offset, std::uint32_t v) {
        std::memcpy(&chunk[offset], &v, 4);
        return chunk;
    };
    const auto settings = put(put(put(put(id.chunk, 704, 10), 724, 5), 732, 4), 736, 200);
    const std::pair<std::vector<std::uint8_t>, vst::VstIntPtr> chunks[] = {
        {settings, 1}, {put(settings, 704, 99), 0}, {std::vector<std::uint8_t>(2756, 0xEE), 0}, {{}, 0}};
    for (const auto& [chunk, answer] : chunks) {
        EXPECT_EQ(e.setChunk(chunk), answer);
        EXPECT_EQ(e.chunk(), settings);
    }
    // A program name longer than its 24 bytes is stored, but a host buffer gets only what fits.
    std::string longName(100, 'n');
    e.dispatch(vst::effSetProgramName, 0, 0, longName.data());
    EXPECT_FALSE(e.programName().overflow);
    EXPECT_LE(e.programName().text.size(), 23u);
    EXPECT_FALSE(e.programNameIndexed(0).overflow);
}

TEST(QuorvaneIdentity, CopiesTakeTheirConfigurationFromTheFileNameAndPassAudioThroughBitIdentical) {
    const struct {
        const char* stem;
        int inputs, outputs;
        vst::VstInt32 id;
        const char* name;
    } cases[] = {
        {"Quorvane_1in_1out", 1, 1, kMonoId, "Quorvane_1in_1out"},
        {"Quorvane_8in_8out_x64", 8, 8, kStereoId, "Quorvane_8in_8out"},
        {"Quorvane_6in_6out", 6, 6, kStereoId, "Quorvane_6in_6out"},
        {"Quorvane_1in_2out", 1, 2, kStereoId, "Quorvane_1in_2out"},
        {"Quorvane_2in_1out", 2, 2, kStereoId, "Quorvane_2in_2out"},
        {"Quorvane_40in_40out", 2, 2, kStereoId, "Quorvane_2in_2out"},
    };
    // All copies stay loaded together: each is its own module with its own configuration.
    std::vector<test::Loaded> all;
    for (const auto& c : cases) all.push_back(test::load(test::pluginCopy(c.stem)));
    test::Loaded original = test::load(test::pluginPath());
    ASSERT_TRUE(original) << original.error;
    EXPECT_EQ(std::pair(original->numInputs(), original->uniqueId()), std::pair(2, kStereoId));
    for (std::size_t i = 0; i < all.size(); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.stem);
        ASSERT_TRUE(all[i]) << all[i].error;
        HostedEffect& e = *all[i].effect;
        EXPECT_EQ(std::tuple(e.numInputs(), e.numOutputs(), e.uniqueId()), std::tuple(c.inputs, c.outputs, c.id));
        EXPECT_EQ(std::pair(e.effectName().text, e.productString().text), std::pair(std::string(c.name), std::string(c.name)));
        // Independent noise on each channel: a swapped or mixed channel shows.
        const AudioBuffer in = test::noise(c.inputs, 20000);
        for (int block : {64, 441, 4096}) test::expectPassThrough(in, test::run(e, in, block), "block " + std::to_string(block));
    }
}

}  // namespace
}  // namespace qv::vsthost
