// Audio passes through the plug-in unchanged, bit for bit, at every block size a host may
// choose, in place and after event lists (every channel configuration: the identity tests;
// parallel instances: the registry stress test).
#include <gtest/gtest.h>

#include <vector>

#include "test_support.h"
#include "vsthost/event_list.h"

namespace qv::vsthost {
namespace {

TEST(QuorvaneAudio, BlockSizesAtTheEdgesEmptyBlocksInPlaceProcessingAndHugeEventLists) {
    test::Loaded loaded = test::load(test::pluginPath());
    ASSERT_TRUE(loaded) << loaded.error;
    // 65536 is the largest block the first scratch buffer holds; 65537 needs a new one.
    const AudioBuffer small = test::noise(2, 3000, 2), large = test::noise(2, 65537 * 2 + 100, 3);
    test::expectPassThrough(small, test::run(*loaded.effect, small, 1), "block 1");
    for (int block : {65536, 65537}) test::expectPassThrough(large, test::run(*loaded.effect, large, block), "large");
    test::expectPassThrough(small, test::run(*loaded.effect, small, 256), "block 256 after 65537");

    std::vector<vst::VstMidiEvent> events;
    for (int i = 0; i < 10000; ++i) {
        events.push_back(EventList::midi(static_cast<std::uint8_t>(0x90 | (i & 15)), static_cast<std::uint8_t>(i & 127),
                                         0xFF, i % 700 - 50));
    }
    EventList list(std::move(events));
    loaded->setBlockSize(512);
    loaded->resume();
    EXPECT_EQ(loaded->processEvents(list), 1);
    EXPECT_EQ(loaded->processEvents(list), 1);
    EXPECT_EQ(loaded->dispatch(vst::effProcessEvents), 1);  // no list at all
    float guard[2] = {7.0f, 7.0f};
    float* in[2] = {&guard[0], &guard[0]};
    float* out[2] = {&guard[1], &guard[1]};
    loaded->process(in, out, 0);
    EXPECT_EQ(guard[1], 7.0f);
    float* none[2] = {nullptr, nullptr};
    loaded->process(none, none, 0);
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
