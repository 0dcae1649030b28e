// Records from another instance (or from an older copy of the library) arriving at a registered
// instance: every route a record can take in, with the size, type and target words as the input
// has them. The receiver may trust nothing but that the buffer holds as many bytes as the size
// word says. Two instances live in the process, so that posts and queries also travel between
// them.
//
// Input: up to 8 records, each a route byte, the 12-byte header and as much payload as its size
// word asks for (missing bytes are zero).
#include <cstdint>
#include <cstring>

#include "core/instance_messages.h"
#include "fuzz_support.h"

namespace {

// The largest record the harness backs with memory; valid records are at most 32840 bytes.
constexpr std::uint32_t kMaxRecordBytes = 65536;
constexpr int kMaxRecords = 8;

struct Instances {
    std::unique_ptr<qv::CPlugin> first = qvfuzz::makeInstance();
    std::unique_ptr<qv::CPlugin> second = qvfuzz::makeInstance();
};

void requireSaneMap(const qv::CPlugin& plugin) {
    for (std::uint32_t i = 0; i < 16; ++i) {
        const std::int32_t n = plugin.instanceNumberAt(i);
        if (n < -1 || n >= 16) qvfuzz::fail("a number map entry left the range -1..15");
    }
    if (plugin.getInstanceNumber() < 0 || plugin.getInstanceNumber() >= 16) qvfuzz::fail("own number left 0..15");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Instances* instances = [] {
        qvfuzz::silenceReports();
        return new Instances;
    }();
    qvfuzz::InputReader input(data, size);
    for (int r = 0; r < kMaxRecords && input.remaining() >= 1 + sizeof(qv::InstanceMessage); ++r) {
        const auto route = input.take<std::uint8_t>();
        qv::InstanceMessage header{};
        input.copy(&header, sizeof(header));
        std::uint32_t bytes = header.size < sizeof(header) ? sizeof(header) : header.size;
        if (bytes > kMaxRecordBytes) bytes = kMaxRecordBytes;
        auto record = qvfuzz::exactBuffer(bytes);
        std::memcpy(record.data(), &header, sizeof(header));
        input.copy(record.data() + sizeof(header), bytes - sizeof(header));

        qv::CPlugin& target = (route & 4) ? *instances->second : *instances->first;
        auto* message = reinterpret_cast<qv::InstanceMessage*>(record.data());
        switch (route & 3) {
            case 0: target.receiveMessage(message); break;
            case 1: target.answerQuery(message); break;
            case 2: target.postToInstance(message); break;
            default: target.queryInstance(message); break;
        }
    }
    for (qv::CPlugin* plugin : {instances->first.get(), instances->second.get()}) {
        requireSaneMap(*plugin);
        qvfuzz::readDisplayData(*plugin);
    }
    qvfuzz::requirePassThrough(*instances->first, 1024);
    return 0;
}
