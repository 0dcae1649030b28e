// Listening to one band: the editor's requests travel to the audio thread through three slots
// and an atomic index (the writer never waits for the reader, the reader never waits at all);
// there the outputs cross-fade between the input and the filtered band, and between the band
// that played and the one that takes over.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "core/plugin.h"
#include "dsp/band_listen.h"
#include "framework/error_report.h"
#include "platform/hot_path.h"

namespace qv {

namespace {

constexpr double kFadeSeconds = 0.010;

struct ListenRequest {
    bool listen = false;
    std::uint32_t fadeFrames = 1;
    BandPassDesign design{};
};

std::uint32_t fadeFramesAt(double sampleRate) {
    const double frames = std::isfinite(sampleRate) ? std::round(kFadeSeconds * sampleRate) : 1.0;
    return static_cast<std::uint32_t>(std::clamp(frames, 1.0, 1048576.0));
}

}  // namespace

// What the audio thread reads in every block comes first, on one cache line.
struct alignas(64) CPlugin::Listening {
    static constexpr int kChunk = 64;
    static constexpr std::uint32_t kFresh = 4;

    // The slot between the sides, kFresh set while the reader has not taken it.
    std::atomic<std::uint32_t> middle{1};
    std::atomic<bool> endPending{false};

    // The audio thread's side.
    std::uint32_t readSlot = 2;
    std::uint32_t fadeFrames = 1;
    std::uint32_t level = 0;  // the band's share of the output, in frames of fadeFrames
    bool wanted = false;      // level heads for fadeFrames (else for 0)
    bool moving = false;      // the other bank takes over from the current one
    std::uint32_t movePosition = 0;
    int current = 0;

    // The writers' side (GUI and host threads), under producerLock.
    std::mutex producerLock;
    std::uint32_t writeSlot = 0;
    std::atomic<bool> requested{false};
    std::array<ListenRequest, 3> slots{};
    BandPassDesign designs[2]{};
    CBandPassBank banks[2];
    float dry[kMaxChannels][kChunk]{}, wet[kMaxChannels][kChunk]{}, incoming[kMaxChannels][kChunk]{};

    void publish(const ListenRequest& request) {
        slots[writeSlot] = request;
        writeSlot = middle.exchange(writeSlot | kFresh, std::memory_order_acq_rel) & 3u;
    }
    const ListenRequest* take() {
        if ((middle.load(std::memory_order_acquire) & kFresh) == 0) return nullptr;
        readSlot = middle.exchange(readSlot, std::memory_order_acq_rel) & 3u;
        return &slots[readSlot];
    }
    bool idle() const { return level == 0 && !wanted; }
    void follow(const ListenRequest& request, float* const* inputs, int sources);
    void run(float* const* inputs, float* const* outputs, std::int32_t numIn, std::int32_t numOut, std::int32_t frames);
};

CPlugin::Listening* CPlugin::makeListening() {
    try {
        return new Listening;
    } catch (const std::bad_alloc&) {
        reportError(kErrNotEnoughMemory, "Nolvatek", "CPlugin::CPlugin");
        throw 0;
    }
}

void CPlugin::ListeningDeleter::operator()(Listening* state) const { delete state; }

void CPlugin::listenToBand(float centreHz) {
    ListenRequest request{true, fadeFramesAt(getSampleRate()), {}};
    if (!designThirdOctaveBand(centreHz, getSampleRate(), request.design)) return;
    std::lock_guard<std::mutex> guard(listening->producerLock);
    listening->publish(request);
    listening->requested.store(true);
}

void CPlugin::stopListening() {
    std::lock_guard<std::mutex> guard(listening->producerLock);
    listening->publish(ListenRequest{false, fadeFramesAt(getSampleRate()), {}});
    listening->requested.store(false);
}

bool CPlugin::isListening() const { return listening->requested.load(); }

void CPlugin::endListening() {
    stopListening();
    listening->endPending.store(true, std::memory_order_release);
}

// A new band while the band is heard takes over through a cross-fade; one that finds the band
// silent simply replaces it.
void CPlugin::Listening::follow(const ListenRequest& request, float* const* inputs, int sources) {
    wanted = request.listen;
    fadeFrames = request.fadeFrames;
    level = std::min(level, fadeFrames);
    if (!request.listen) return;
    if (level == 0) {
        designs[current] = request.design;
        const float* first[kMaxChannels];
        std::copy(inputs, inputs + sources, first);
        banks[current].startHeld(first, sources);
    } else if (request.design != designs[current]) {
        designs[current ^ 1] = request.design;
        banks[current ^ 1].startFrom(banks[current], sources);
        moving = true;
        movePosition = 0;
    }
}

QV_AUDIO_PATH void CPlugin::Listening::run(float* const* inputs, float* const* outputs, std::int32_t numIn, std::int32_t numOut,
                             std::int32_t frames) {
    // A mono input feeds every output; outputs beyond the inputs are silent.
    const int sources = numIn == 1 ? 1 : std::min(numIn, numOut);
    if (endPending.load(std::memory_order_relaxed) && endPending.exchange(false, std::memory_order_acquire))
        level = 0, wanted = false, moving = false;
    if (!moving) {
        if (const ListenRequest* request = take()) follow(*request, inputs, sources);
    }
    if (idle()) {
        passThrough(inputs, outputs, numIn, numOut, frames);
        return;
    }
    float* dryRows[kMaxChannels];
    float* wetRows[kMaxChannels];
    float* incomingRows[kMaxChannels];
    for (int s = 0; s < sources; ++s) dryRows[s] = dry[s], wetRows[s] = wet[s], incomingRows[s] = incoming[s];
    for (std::int32_t done = 0; done < frames; done += kChunk) {
        const int n = std::min(kChunk, frames - done);
        // The input is copied first: an output may be an input's buffer.
        for (int s = 0; s < sources; ++s) {
            if (inputs[s]) {
                std::memcpy(dry[s], inputs[s] + done, static_cast<std::size_t>(n) * sizeof(float));
            } else {
                std::fill_n(dry[s], n, 0.0f);
            }
        }
        const auto step = static_cast<std::uint32_t>(n);
        const std::uint32_t nextLevel = wanted ? std::min(level + step, fadeFrames) : level - std::min(level, step);
        if (!idle()) {
            banks[current].process(designs[current], dryRows, wetRows, sources, n);
            if (moving) {
                const int other = current ^ 1;
                banks[other].process(designs[other], dryRows, incomingRows, sources, n);
                std::uint32_t position = movePosition;
                for (int s = 0; s < sources; ++s) position = rampMix(wet[s], incoming[s], wet[s], n, movePosition, fadeFrames, 1);
                movePosition = position;
                if (movePosition == fadeFrames) current = other, moving = false;
            }
        }
        for (std::int32_t c = 0; c < numOut; ++c) {
            if (!outputs[c]) continue;
            const int s = numIn == 1 ? 0 : c;
            float* out = outputs[c] + done;
            if (s >= sources) {
                std::fill_n(out, n, 0.0f);
            } else if (idle()) {
                std::memcpy(out, dry[s], static_cast<std::size_t>(n) * sizeof(float));
            } else {
                rampMix(dry[s], wet[s], out, n, level, fadeFrames, wanted ? 1 : -1);
            }
        }
        level = nextLevel;
        if (level == 0 && !wanted) moving = false;
    }
}

QV_AUDIO_PATH void CPlugin::writeOutputs(float* const* inputs, float* const* outputs, std::int32_t numIn, std::int32_t numOut,
                           std::int32_t frames) {
    if (!inputs || !outputs || frames <= 0) return;
    listening->run(inputs, outputs, numIn, numOut, frames);
}

}  // namespace qv
