// The plug-in as a host meets it: identity, configuration from the file name, programs, chunk and
// editor size, texts that fit the host's buffers. Bad input gets a clear answer and never a crash (a
// missing or old host, every opcode with odd arguments); closed instances leave nothing behind; audio
// passes through bit for bit in every configuration, at the block sizes at the edges and in place
// (parallel instances: the registry stress test; event lists: the adapter's unit test).
#include <array>
#include <climits>

#include "support/test_common.h"
#include "test_support.h"
#include "vsthost/effect_identity.h"

namespace qv::vsthost {
namespace {

constexpr vst::VstInt32 kStereoId = 0x6A377034;  // "j7p4"
constexpr vst::VstInt32 kMonoId = 0x33397231;    // "39r1"

TEST(QuorvaneIdentity, DefaultFileIsTheStereoAnalyzerWithOneProgramAndItsChunk) {
    test::Loaded loaded = test::load(test::pluginPath());
    ASSERT_TRUE(loaded) << loaded.error;
    const EffectIdentity id = gatherIdentity(*loaded.effect, IdentityQuery{.editorRect = true});
    EXPECT_EQ(std::tuple(loaded.library->entryName(), id.effectName, id.product, id.vendor, id.uniqueId),
              std::tuple("VSTPluginMain", "Quorvane_2in_2out", "Quorvane_2in_2out", "Nolvatek", kStereoId));
    EXPECT_EQ(std::tuple(id.vendorVersion, id.vstVersion, id.category, id.flags, id.initialDelay, id.numInputs,
                         id.numOutputs, id.numParams),
              std::tuple(2402, 2400, 1, 561, 0, 2, 2, 0));
    EXPECT_EQ(id.programs, std::vector<std::string>{"default"});
    for (const auto& [question, answer] : id.canDo) EXPECT_EQ(answer, 0) << question;
    EXPECT_TRUE(id.overflows.empty());
    ASSERT_TRUE(id.editorRect);
    EXPECT_EQ(std::tuple(id.editorRect->top, id.editorRect->left, id.editorRect->bottom, id.editorRect->right),
              std::tuple(0, 0, 563, 752));
    // The chunk: 2756 bytes that start with format 1, the size, the tag and the version.
    ASSERT_EQ(id.chunk.size(), 2756u);
    EXPECT_EQ(std::tuple(qvtest::u32At(id.chunk, 0), qvtest::u32At(id.chunk, 4), std::string(&id.chunk[8], &id.chunk[12]),
                         qvtest::u32At(id.chunk, 12)),
              std::tuple(1u, 2756u, "sLeX", 0x20300u));

    HostedEffect& e = *loaded.effect;
    EXPECT_EQ(e.dispatch(vst::effIdentify, 7, -3, nullptr, 2.0f), 0x4E764566);  // "NvEf"
    EXPECT_EQ(std::tuple(e.programNameIndexed(0).result, e.programNameIndexed(1).result,
                         e.programNameIndexed(-1).result, e.dispatch(vst::effSetBypass, 0, 1)),
              std::tuple(1, 0, 0, 0));
    EXPECT_EQ(e.chunk(true), id.chunk);
    // Settings as a user leaves them (level top +10 dB, FFT 16384, Blackman-Harris, 200 Hz) come
    // back whole; a chunk with one setting out of range, or that is no chunk, is refused whole.
    auto put = [](std::vector<std::uint8_t> chunk, std::size_t offset, std::uint32_t v) {
        return qvtest::putU32(chunk, offset, v), chunk;
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
    EXPECT_FALSE(e.programName().overflow || e.programNameIndexed(0).overflow);
    EXPECT_LE(e.programName().text.size(), 23u);
}

TEST(QuorvaneIdentity, CopiesTakeTheirConfigurationFromTheFileNameAndPassAudioThroughBitIdentical) {
    const struct { const char* stem; int inputs, outputs; vst::VstInt32 id; const char* name, *folder; } cases[] = {
        {"Quorvane_1in_1out", 1, 1, kMonoId, "Quorvane_1in_1out", ""},
        {"Quorvane_8in_8out_x64", 8, 8, kStereoId, "Quorvane_8in_8out", ""},
        {"Quorvane_1in_2out", 1, 2, kStereoId, "Quorvane_1in_2out", ""},
        {"Quorvane_2in_1out", 2, 2, kStereoId, "Quorvane_2in_2out", ""},
        // A user's folder named in other scripts: its path reaches the plug-in whole, and the
        // registry library beside it is found.
        {"Quorvane_6in_6out", 6, 6, kStereoId, "Quorvane_6in_6out", "\xC5\x81\xC3\xB3" "d\xC5\xBA \xD0\x9C\xD1\x83\xD0\xB7\xD1\x8B\xD0\xBA\xD0\xB0 \xE9\x9F\xB3\xE6\xA5\xBD"},
    };
    // All copies stay loaded together: each is its own module with its own configuration.
    std::vector<test::Loaded> all;
    for (const auto& c : cases) {
        const std::string folder = *c.folder ? test::scratchDir("copies/script") + "/" + c.folder : "";
        all.push_back(test::load(test::pluginCopy(c.stem, folder)));
    }
    for (std::size_t i = 0; i < all.size(); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.stem);
        ASSERT_TRUE(all[i]) << all[i].error;
        HostedEffect& e = *all[i].effect;
        EXPECT_EQ(std::tuple(e.numInputs(), e.numOutputs(), e.uniqueId()), std::tuple(c.inputs, c.outputs, c.id));
        EXPECT_EQ(std::tuple(e.effectName().text, e.productString().text), std::tuple(c.name, c.name));
        // Independent noise on each channel: a swapped or mixed channel shows.
        const AudioBuffer in = test::noise(c.inputs, 20000);
        for (int block : {64, 441, 4096}) test::expectPassThrough(in, test::run(e, in, block), std::to_string(block));
    }
}

// A host that loads the plug-in by a relative path and then changes its working folder: the
// plug-in's own path was made absolute while it loaded, so its registry library is still found.
TEST(QuorvaneIdentity, ARelativeLoadFindsItsRegistryAfterTheWorkingFolderChanged) {
    if (std::string(os::libraryExtension()) == ".dll") GTEST_SKIP() << "Windows gives every module a full path";
    namespace fs = std::filesystem;
    const std::string copy = test::pluginCopy("Quorvane_1in_1out", test::scratchDir("copies/relative"));
    const fs::path before = fs::current_path();
    fs::current_path(fs::path(copy).parent_path());
    std::string error;
    auto library = PluginLibrary::load("./Quorvane_1in_1out.so", &error);
    fs::current_path(test::scratchDir("elsewhere"));  // no registry library here
    HostContext host;
    std::unique_ptr<HostedEffect> effect;
    if (library) effect = HostedEffect::create(library, host, &error);
    fs::current_path(before);
    ASSERT_TRUE(library && effect) << error;
    EXPECT_EQ(effect->numInputs(), 1);
}

TEST(QuorvaneRobustness, NoHostOrAHostWithoutVersionGetsNoEffect) {
    test::Loaded loaded = test::load(test::pluginPath());  // loads the library once
    ASSERT_TRUE(loaded.library) << loaded.error;
    testing::internal::CaptureStderr();
    EXPECT_EQ(loaded.library->entry()(nullptr), nullptr);
    HostContext oldHost;
    oldHost.setVersion(0);
    std::string error;
    EXPECT_EQ(HostedEffect::create(loaded.library, oldHost, &error), nullptr);
    EXPECT_EQ(std::pair(error, oldHost.calls(vst::audioMasterVersion)),
              std::pair(std::string("the entry point returned no effect"), 1));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // refusing a host is not worth a report

    // The other exported names behave as the entry point does.
    for (const char* name : {"main", "MAIN"}) {
        auto entry = reinterpret_cast<EntryProc>(loaded.library->symbol(name));
        ASSERT_NE(entry, nullptr) << name;
        HostContext host;
        HostContext::EntryScope scope(host);
        vst::AEffect* effect = entry(&HostContext::callback);
        ASSERT_NE(effect, nullptr) << name;
        EXPECT_EQ(effect->uniqueID, kStereoId);
        EXPECT_EQ(effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f), 1);
    }
}

TEST(QuorvaneRobustness, EveryOpcodeWithOddArgumentsAndOtherInstancesComingAndGoingLeaveItWorking) {
    test::Loaded loaded = test::load(test::pluginPath());
    ASSERT_TRUE(loaded) << loaded.error;
    HostedEffect& e = *loaded.effect;
    // Programs and parameters that do not exist are ignored and read 0.
    for (const vst::VstIntPtr p : {1LL, -1LL, 1LL * INT_MAX, 1LL * INT_MIN, 1LL << 40, 0LL}) {
        e.setProgram(p);
        EXPECT_EQ(e.program(), 0) << "after effSetProgram " << p;
    }
    EXPECT_EQ(e.programName().text, "default");
    e.setParameter(0, 0.5f), e.setParameter(-1, 0.5f);
    EXPECT_EQ(std::pair(e.parameter(0), e.parameter(INT_MAX)), std::pair(0.0f, 0.0f));
    EXPECT_FALSE(e.parameterName(5).overflow || e.parameterDisplay(-1).overflow);
    std::vector<vst::VstInt32> opcodes = {-1, 101, 1000, 65536, INT_MAX, INT_MIN};
    for (vst::VstInt32 op = 0; op <= 100; ++op) opcodes.push_back(op == vst::effClose ? -1 : op);

    for (vst::VstInt32 op : opcodes) {
        SCOPED_TRACE("opcode " + std::to_string(op));
        // The speaker arrangement opcodes carry a pointer in value: null is the only odd one a host sends.
        const bool valueIsPointer = op == vst::effSetSpeakerArrangement || op == vst::effGetSpeakerArrangement;
        for (vst::VstInt32 index : {0, 1, -1, INT_MAX})
            for (const vst::VstIntPtr value : {0, 1, -1})
                if (value == 0 || !valueIsPointer) e.dispatch(op, index, value);
        // A zeroed buffer where the plug-in may read or write a record; not as a parent window.
        if (op != vst::effEditOpen) {
            alignas(16) std::array<unsigned char, 4096> buffer{};
            e.dispatch(op, 0, 0, buffer.data(), 0.0f);
        }
    }
    e.dispatch(vst::effEditClose);

    // Instances come and go; each takes its threads and memory with it (ASan checks the memory
    // when the process ends).
    const std::optional<int> threadsBefore = os::threadCount();
    for (int round = 0; round < 12; ++round) {
        test::Loaded other = test::load(test::pluginPath());
        ASSERT_TRUE(other) << other.error;
        if (round % 3 == 0) test::run(*other.effect, test::noise(2, 2000), 256);
        if (round % 3 == 1) other->resume();  // closed while running: the host suspends it first
        EXPECT_EQ(other->close(), 1);
    }
    EXPECT_EQ(os::threadCount(), threadsBefore);  // both empty where the platform has no count
    EXPECT_EQ(std::tuple(e.effectName().text, e.uniqueId(), e.chunk().size()),
              std::tuple("Quorvane_2in_2out", kStereoId, 2756u));
    const AudioBuffer in = test::noise(2, 3000);
    EXPECT_TRUE(test::run(e, in, 512).bitIdentical(in));
}

TEST(QuorvaneAudio, BlockSizesAtTheEdgesEmptyBlocksAndInPlaceProcessing) {
    test::Loaded loaded = test::load(test::pluginPath());
    ASSERT_TRUE(loaded) << loaded.error;
    // 65536 is the largest block the first scratch buffer holds; 65537 needs a new one.
    const AudioBuffer small = test::noise(2, 3000, 2), large = test::noise(2, 65537 * 2 + 100, 3);
    test::expectPassThrough(small, test::run(*loaded.effect, small, 1), "block 1");
    for (int block : {65536, 65537}) test::expectPassThrough(large, test::run(*loaded.effect, large, block), "large");
    test::expectPassThrough(small, test::run(*loaded.effect, small, 256), "block 256 after 65537");

    loaded->setBlockSize(512), loaded->resume();
    float guard[2] = {7.0f, 7.0f};
    float *in[2] = {&guard[0], &guard[0]}, *out[2] = {&guard[1], &guard[1]}, *none[2] = {nullptr, nullptr};
    loaded->process(in, out, 0);
    loaded->process(none, none, 0);
    EXPECT_EQ(guard[1], 7.0f);
    // Some hosts hand the same buffers as input and output.
    const AudioBuffer reference = test::noise(2, 4096, 5);
    AudioBuffer work = reference;
    for (std::size_t start = 0; start < work.frames(); start += 512) {
        float* buffers[2] = {work.channel(0) + start, work.channel(1) + start};
        loaded->process(buffers, buffers, 512);
    }
    loaded->suspend();
    EXPECT_TRUE(work.bitIdentical(reference));
}

}  // namespace
}  // namespace qv::vsthost
