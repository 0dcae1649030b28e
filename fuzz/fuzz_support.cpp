#include "fuzz_support.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "core/analyzer_settings.h"
#include "core/data_request.h"
#include "core/state_chunk.h"
#include "framework/error_report.h"

namespace qvfuzz {

namespace {
void dropMessage(const char*, const char*) {}
}  // namespace

void silenceReports() { qv::setMessageSink(&dropMessage); }

std::unique_ptr<qv::CPlugin> makeInstance() {
    auto plugin = std::make_unique<qv::CPlugin>(0, 2, 2);
    plugin->setSampleRate(44100.0);
    plugin->waitForWorkers(std::chrono::seconds(5));
    return plugin;
}

void fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

void requirePassThrough(qv::CPlugin& plugin, std::int32_t frames) {
    constexpr std::int32_t kBlock = 512;
    std::vector<float> in[2], out[2];
    for (int c = 0; c < 2; ++c) {
        in[c].resize(kBlock);
        out[c].assign(kBlock, -7.0f);
    }
    std::uint32_t seed = 12345;
    for (std::int32_t done = 0; done < frames; done += kBlock) {
        const std::int32_t n = frames - done < kBlock ? frames - done : kBlock;
        for (int c = 0; c < 2; ++c) {
            for (std::int32_t i = 0; i < n; ++i) {
                seed = seed * 1664525u + 1013904223u;
                in[c][static_cast<std::size_t>(i)] = static_cast<float>(static_cast<std::int32_t>(seed)) * 4.6566e-10f;
            }
        }
        void* ins[2] = {in[0].data(), in[1].data()};
        void* outs[2] = {out[0].data(), out[1].data()};
        plugin.process(ins, outs, 2, 2, n, qv::kPrecisionFloat, 0);
        for (int c = 0; c < 2; ++c) {
            if (std::memcmp(in[c].data(), out[c].data(), static_cast<std::size_t>(n) * sizeof(float)) != 0) {
                fail("audio did not pass through unchanged");
            }
        }
    }
    if (!plugin.waitForWorkers(std::chrono::seconds(10))) fail("the workers did not finish their blocks");
}

void readDisplayData(qv::CPlugin& plugin) {
    auto ask = [&plugin](std::uint32_t bytes, std::uint32_t type, std::uint32_t a, std::uint32_t b) {
        std::vector<std::uint8_t> buffer = exactBuffer(bytes);
        const qv::DataRequest header{bytes, type, a, b};
        std::memcpy(buffer.data(), &header, sizeof(header));
        plugin.getData(buffer.data());
    };
    ask(qv::bandRecordsReplyBytes(16), qv::kDataBandRecords, 1, 0);
    ask(qv::kCurvesRequestBytes, qv::kDataCurves, 0, 0);
    ask(qv::MemoryCurveBlock::kSize, qv::kDataMemoryCurve, 0, 0);
    ask(qv::InstanceMapReply::kSize, qv::kDataInstanceMap, 0, 0);
    ask(qv::SequencesReply::kSize, qv::kDataSequences, 0, 0);
}

void requireValidChunk(qv::CPlugin& plugin) {
    void* data = nullptr;
    const std::int32_t size = plugin.getChunk(&data, false);
    if (size != static_cast<std::int32_t>(qv::StateChunk::kSize) || data == nullptr) fail("getChunk gave no chunk");
    if (!qv::StateChunk::isValid(data, size)) fail("getChunk gave a chunk with a foreign header");
    qv::CAnalyzerSettings fresh;
    if (!fresh.restoreChunk(data, size)) fail("getChunk gave a chunk that a new instance refuses");
}

}  // namespace qvfuzz
