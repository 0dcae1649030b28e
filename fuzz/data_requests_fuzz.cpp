// Typed requests from the editor and the display (getData / putData) of every type, with the
// capacity, type and argument words as the input has them. The instance may trust nothing but
// that the buffer holds as many bytes as the capacity word says. The instance shows the FFT view
// and holds a measured spectrum and a stored memory, so that every reply has data behind it.
//
// Input: up to 8 requests, each a direction byte (bit 0: put), the 16-byte header and as much
// payload as its capacity word asks for (missing bytes are zero).
#include <bit>
#include <cstdint>
#include <cstring>

#include "core/data_request.h"
#include "core/setting_ids.h"
#include "fuzz_support.h"

namespace {

// The largest buffer the harness backs with memory; the largest reply is 36576 bytes.
constexpr std::uint32_t kMaxRequestBytes = 65536;
constexpr int kMaxRequests = 8;

std::unique_ptr<qv::CPlugin> makeMeasuringInstance() {
    auto plugin = qvfuzz::makeInstance();
    plugin->setParameter(qv::settingid::kAnalysisView, 1.0f, 0, false, false);
    qvfuzz::requirePassThrough(*plugin, 16384);
    // Store the spectrum into memory 0 of the own number (action code 2 in bits 8..15).
    const std::uint32_t own = static_cast<std::uint32_t>(plugin->getInstanceNumber());
    plugin->setParameter(qv::settingid::kMemorySwitchFirst + 8 * own, std::bit_cast<float>(2u << 8 | 1u), 0, false, false);
    return plugin;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto plugin = [] {
        qvfuzz::silenceReports();
        return makeMeasuringInstance();
    }();
    qvfuzz::InputReader input(data, size);
    for (int r = 0; r < kMaxRequests && input.remaining() >= 1 + sizeof(qv::DataRequest); ++r) {
        const auto direction = input.take<std::uint8_t>();
        qv::DataRequest header{};
        input.copy(&header, sizeof(header));
        std::uint32_t bytes = header.size < sizeof(header) ? sizeof(header) : header.size;
        if (bytes > kMaxRequestBytes) bytes = kMaxRequestBytes;
        auto request = qvfuzz::exactBuffer(bytes);
        std::memcpy(request.data(), &header, sizeof(header));
        input.copy(request.data() + sizeof(header), bytes - sizeof(header));
        if (direction & 1) {
            plugin->putData(request.data());
        } else {
            plugin->getData(request.data());
        }
    }
    qvfuzz::readDisplayData(*plugin);
    qvfuzz::requirePassThrough(*plugin, 512);
    return 0;
}
