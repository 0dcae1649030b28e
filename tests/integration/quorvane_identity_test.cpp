// The plug-in as a host first meets it: identity, configuration from the file name, programs,
// chunk and editor size, and texts that fit the host's buffers.
#include <gtest/gtest.h>

#include <cstring>
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

TEST(QuorvaneIdentity, DefaultFileIsTheStereoAnalyzer) {
    test::Loaded loaded = test::load(test::pluginPath());
    ASSERT_TRUE(loaded) << loaded.error;
    EXPECT_EQ(loaded.library->entryName(), "VSTPluginMain");
    IdentityQuery query;
    query.editorRect = true;
    const EffectIdentity id = gatherIdentity(*loaded.effect, query);
    EXPECT_EQ(id.effectName, "Quorvane_2in_2out");
    EXPECT_EQ(id.product, "Quorvane_2in_2out");
    EXPECT_EQ(id.vendor, "Nolvatek");
    EXPECT_EQ(id.uniqueId, kStereoId);
    EXPECT_EQ(formatUniqueId(id.uniqueId), "j7p4 (0x6A377034)");
    EXPECT_EQ(id.vendorVersion, 2300);
    EXPECT_EQ(id.vstVersion, 2400);
    EXPECT_EQ(id.category, 1);
    EXPECT_EQ(id.flags, 561);
    EXPECT_EQ(id.numInputs, 2);
    EXPECT_EQ(id.numOutputs, 2);
    EXPECT_EQ(id.initialDelay, 0);
    EXPECT_EQ(id.programs, std::vector<std::string>{"default"});
    EXPECT_EQ(id.numParams, 0);
    for (const auto& [question, answer] : id.canDo) EXPECT_EQ(answer, 0) << question;
    EXPECT_TRUE(id.overflows.empty());
    ASSERT_TRUE(id.editorRect);
    EXPECT_EQ(id.editorRect->top, 0);
    EXPECT_EQ(id.editorRect->left, 0);
    EXPECT_EQ(id.editorRect->bottom, 563);
    EXPECT_EQ(id.editorRect->right, 752);

    ASSERT_EQ(id.chunk.size(), 2756u);
    EXPECT_EQ(word(id.chunk, 0), 1u);
    EXPECT_EQ(word(id.chunk, 4), 2756u);
    EXPECT_EQ(std::memcmp(id.chunk.data() + 8, "sLeX", 4), 0);
    EXPECT_EQ(word(id.chunk, 12), 0x00020300u);
}

TEST(QuorvaneIdentity, CopiesTakeTheirConfigurationFromTheFileName) {
    struct Case {
        const char* stem;
        int inputs, outputs;
        vst::VstInt32 id;
        const char* name;
    };
    const Case cases[] = {
        {"Quorvane_1in_1out", 1, 1, kMonoId, "Quorvane_1in_1out"},
        {"Quorvane_8in_8out_x64", 8, 8, kStereoId, "Quorvane_8in_8out"},
        {"Quorvane_2in_1out", 2, 2, kStereoId, "Quorvane_2in_2out"},
        {"Quorvane_1in_2out", 1, 2, kStereoId, "Quorvane_1in_2out"},
        {"Quorvane_40in_40out", 2, 2, kStereoId, "Quorvane_2in_2out"},
    };
    // All copies stay loaded together: each is its own module with its own configuration.
    std::vector<test::Loaded> all;
    for (const Case& c : cases) all.push_back(test::load(test::pluginCopy(c.stem)));
    test::Loaded original = test::load(test::pluginPath());
    ASSERT_TRUE(original) << original.error;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.stem);
        ASSERT_TRUE(all[i]) << all[i].error;
        EXPECT_EQ(all[i]->numInputs(), c.inputs);
        EXPECT_EQ(all[i]->numOutputs(), c.outputs);
        EXPECT_EQ(all[i]->uniqueId(), c.id);
        EXPECT_EQ(all[i]->effectName().text, c.name);
        EXPECT_EQ(all[i]->productString().text, c.name);
    }
    EXPECT_EQ(original->numInputs(), 2);
    EXPECT_EQ(original->uniqueId(), kStereoId);
}

TEST(QuorvaneIdentity, ProgramsChunkAndOpcodeAnswers) {
    test::Loaded loaded = test::load(test::pluginPath());
    ASSERT_TRUE(loaded) << loaded.error;
    HostedEffect& e = *loaded.effect;
    EXPECT_EQ(e.dispatch(vst::effIdentify), 0x4E764566);  // "NvEf"
    EXPECT_EQ(e.dispatch(vst::effIdentify, 7, -3, nullptr, 2.0f), 0x4E764566);
    EXPECT_EQ(e.programName().text, "default");
    EXPECT_EQ(e.programNameIndexed(0).result, 1);
    EXPECT_EQ(e.programNameIndexed(1).result, 0);
    EXPECT_EQ(e.programNameIndexed(-1).result, 0);
    EXPECT_EQ(e.canDo("receiveVstMidiEvent"), 0);
    EXPECT_EQ(e.canDo("bypass"), 0);
    EXPECT_EQ(e.canDo(""), 0);
    EXPECT_EQ(e.dispatch(vst::effSetBypass, 0, 1), 0);
    EXPECT_EQ(e.dispatch(vst::effGetTailSize), 0);
    EXPECT_EQ(e.dispatch(vst::effEditKeyDown, 'a', 0), 0);

    // A chunk handed back is not applied: the next chunk is the same record.
    const std::vector<std::uint8_t> before = e.chunk();
    ASSERT_EQ(before.size(), 2756u);
    std::vector<std::uint8_t> garbage(2756, 0xEE);
    EXPECT_EQ(e.setChunk(garbage), 0);
    EXPECT_EQ(e.setChunk({}), 0);
    EXPECT_EQ(e.chunk(), before);
    EXPECT_EQ(e.chunk(true), before);
}

TEST(QuorvaneIdentity, ProgramNamesFitTheirBuffer) {
    test::Loaded loaded = test::load(test::pluginPath());
    ASSERT_TRUE(loaded) << loaded.error;
    // A name longer than the 24 bytes a program name may take is stored, but a host buffer only
    // ever receives what fits.
    std::string longName(100, 'n');
    loaded->dispatch(vst::effSetProgramName, 0, 0, longName.data());
    const TextAnswer name = loaded->programName();
    EXPECT_FALSE(name.overflow) << name.bytesWritten << " bytes written";
    EXPECT_LE(name.text.size(), 23u);
    EXPECT_FALSE(loaded->programNameIndexed(0).overflow);
}

}  // namespace
}  // namespace qv::vsthost
