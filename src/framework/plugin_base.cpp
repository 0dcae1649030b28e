#include "framework/plugin_base.h"

#include <bit>
#include <chrono>
#include <cstring>
#include <string>

#include "framework/param_container.h"
#include "framework/program_container.h"
#include "platform/spin_wait.h"
#include "platform/hot_path.h"

namespace qv {

// Two buffers the host thread fills and the audio thread drains in turn, plus the block's output
// list, the events carried over to later blocks and the sort's scratch space.
struct CPluginBase::EventQueue {
    std::mutex lock;
    std::array<std::array<MidiEventRecord, kMaxEvents>, 2> buffers{};
    std::array<std::uint32_t, 2> counts{};
    std::array<MidiEventRecord, kMaxEvents> output{};
    std::array<MidiEventRecord, kMaxEvents> pending{};
    std::array<MidiEventRecord, kMaxEvents> scratch{};
    std::uint32_t outputCount = 0;
    std::uint32_t pendingCount = 0;
    bool writingSecond = false;
};

CPluginBase::CPluginBase() : events(std::make_unique<EventQueue>()) {}

CPluginBase::~CPluginBase() = default;

void CPluginBase::adoptParamsAndPrograms(std::unique_ptr<CParamContainer> parameterSet,
                                         std::unique_ptr<CProgramContainer> programBank) {
    params = std::move(parameterSet);
    programs = std::move(programBank);
    numParams = params ? params->size() : 0;
    numPrograms = programs ? programs->size() : 0;
}

void CPluginBase::setLatency(std::uint32_t samples) {
    latency = samples;
    latencyChangedFlag = true;
}

bool CPluginBase::latencyChanged() {
    const bool changed = latencyChangedFlag;
    latencyChangedFlag = false;
    return changed;
}

std::uint32_t CPluginBase::getNumParamIds() const { return params ? params->getNumIds() : 0; }

void CPluginBase::setParameterValue(std::uint32_t index, float value, int which, bool noConvert, bool storeInProgram) {
    if (loadingProgram || !params) return;
    params->setValue(index, value, which, noConvert);
    if (storeInProgram && programs) programs->setValue(index, params->getValue(index, 0));
}

float CPluginBase::getParameter(std::uint32_t index, int which) const {
    return params ? params->getValue(index, which) : 0.0f;
}

const char* CPluginBase::getParameterName(std::uint32_t index) const { return params ? params->getName(index) : nullptr; }
const char* CPluginBase::getParameterLabel(std::uint32_t index) const { return params ? params->getLabel(index) : nullptr; }
float CPluginBase::getParameterMin(std::uint32_t index) const { return params ? params->getMinimum(index) : 0.0f; }
float CPluginBase::getParameterMax(std::uint32_t index) const { return params ? params->getMaximum(index) : 0.0f; }
float CPluginBase::getParameterDefault(std::uint32_t index) const { return params ? params->getDefault(index) : 0.0f; }
std::uint32_t CPluginBase::getParameterType(std::uint32_t index) const { return params ? params->getKind(index) : 0; }

void CPluginBase::setParameterFlags(std::uint32_t index, std::uint8_t bits) {
    if (index >= numParams) return;
    if (!parameterFlags) {
        parameterFlags = std::make_unique<std::uint8_t[]>(numParams);
        std::memset(parameterFlags.get(), 3, numParams);
    }
    parameterFlags[index] = bits & 3u;
}

std::uint8_t CPluginBase::getParameterFlags(std::uint32_t index) const {
    if (index >= numParams) return 0;
    return parameterFlags ? parameterFlags[index] : 3;
}

bool CPluginBase::canHostSet(std::uint32_t index) const {
    return index >= numParams || !parameterFlags || (parameterFlags[index] & 1u) != 0;
}

bool CPluginBase::canAutomate(std::uint32_t index) const {
    return index >= numParams || !parameterFlags || (parameterFlags[index] & 2u) != 0;
}

bool CPluginBase::getData(void* request) {
    auto* words = static_cast<std::uint32_t*>(request);
    if (words == nullptr || words[0] <= 1) return true;
    const std::uint32_t n = words[0] - 1;
    if (n != getNumParamIds() && n != getNumParams()) return false;
    for (std::uint32_t i = 0; i < n; ++i) words[1 + i] = std::bit_cast<std::uint32_t>(getParameter(i, 0));
    return true;
}

void CPluginBase::copyUserBlockOut(void* buffer) const {
    if (!buffer || !userBlock) return;
    std::uint32_t n;
    std::memcpy(&n, buffer, sizeof(n));
    if (userBlockSize >= n) std::memcpy(static_cast<char*>(buffer) + sizeof(n), userBlock, n);
}

void CPluginBase::copyUserBlockIn(const void* buffer) {
    if (!buffer || !userBlock) return;
    std::uint32_t n;
    std::memcpy(&n, buffer, sizeof(n));
    if (userBlockSize >= n) std::memcpy(userBlock, static_cast<const char*>(buffer) + sizeof(n), n);
}

std::uint32_t CPluginBase::getCurrentProgram() const { return programs ? programs->getCurrent() : 0; }

void CPluginBase::setProgram(std::uint32_t index) {
    if (!programs) return;
    loadingProgram = true;
    programs->setProgram(index);
    loadingProgram = false;
}

void CPluginBase::setProgramName(const char* text) {
    if (programs) programs->setCurrentName(text);
}

namespace {
void copyText(char* buffer, std::size_t capacity, const std::string& text) {
    if (!buffer || capacity == 0) return;
    const std::size_t n = text.size() < capacity ? text.size() : capacity - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}
}  // namespace

void CPluginBase::getProgramName(char* buffer, std::size_t capacity) const {
    copyText(buffer, capacity, programs ? programs->getCurrentName() : std::string());
}

bool CPluginBase::getProgramNameIndexed(std::int32_t, std::uint32_t index, char* buffer, std::size_t capacity) const {
    std::string name;
    if (!programs || !programs->getName(index, name)) return false;
    copyText(buffer, capacity, name);
    return true;
}

std::int32_t CPluginBase::getChunk(void**, bool) { return 0; }
std::int32_t CPluginBase::setChunk(const void*, std::int32_t, bool) { return 0; }

void CPluginBase::getVendorString(char* buffer, std::size_t capacity) const { copyText(buffer, capacity, "Nolvatek"); }

void CPluginBase::reset(bool suspending) {
    resetRequested.store(true, std::memory_order_release);
    // A host that resets while it processes gets its reset all the same once the wait runs out.
    platform::spinUntil([this] { return !inProcess.load(std::memory_order_acquire); },
                        std::chrono::milliseconds(kResetWaitMs));
    onReset(suspending);
    resetDone.store(true, std::memory_order_release);
    resetRequested.store(false, std::memory_order_release);
}

QV_AUDIO_PATH std::int32_t CPluginBase::process(void** inputs, void** outputs, std::int32_t numIn, std::int32_t numOut,
                                  std::int32_t frames, int precision, std::int32_t flag) {
    inProcess.store(true, std::memory_order_release);
    resetDone.store(false, std::memory_order_relaxed);
    if (config.receivesEvents && eventsEnabled) {
        const MidiEventRecord* list = nullptr;
        std::uint32_t count = 0;
        fetchEvents(list, count, frames);
        if (rawEventList) {
            if (count > 0) onEventList(list, count);
        } else {
            for (std::uint32_t i = 0; i < count; ++i) onEvent(list[i]);
        }
    }
    const std::int32_t result = processAudio(inputs, outputs, numIn, numOut, frames, precision, flag);
    inProcess.store(false, std::memory_order_release);
    return result;
}

void CPluginBase::receiveEvents(const MidiEventRecord* records, std::uint32_t count) {
    if (!config.receivesEvents || !records) return;
    EventQueue& q = *events;
    std::lock_guard<std::mutex> guard(q.lock);
    const int side = q.writingSecond ? 1 : 0;
    std::uint32_t& fill = q.counts[side];
    const std::uint32_t n = count < kMaxEvents - fill ? count : kMaxEvents - fill;
    for (std::uint32_t i = 0; i < n; ++i) {
        MidiEventRecord r = records[i];
        if (deltaQuantum != 0) {
            r.deltaFrames = static_cast<std::int32_t>(static_cast<std::uint32_t>(r.deltaFrames) & (0u - deltaQuantum));
        }
        q.buffers[side][fill + i] = r;
    }
    fill += n;
}

void CPluginBase::fetchEvents(const MidiEventRecord*& list, std::uint32_t& count, std::int32_t frames) {
    list = nullptr;
    count = 0;
    if (!config.receivesEvents) return;
    EventQueue& q = *events;
    int side;
    std::uint32_t taken;
    {
        std::lock_guard<std::mutex> guard(q.lock);
        side = q.writingSecond ? 0 : 1;
        taken = q.counts[side];
        q.counts[side] = 0;
        q.writingSecond = !q.writingSecond;
    }
    const auto& incoming = q.buffers[side];
    if (rawEventDeltas) {
        std::memcpy(q.output.data(), incoming.data(), taken * sizeof(MidiEventRecord));
        q.outputCount = taken;
        list = q.output.data();
        count = taken;
        return;
    }
    // Carried events come first, then the new ones; those beyond this block wait for a later one.
    std::uint32_t out = 0, keep = 0;
    auto route = [&](MidiEventRecord r, auto& carried) {
        if (r.deltaFrames < frames) {
            if (out < kMaxEvents) q.output[out++] = r;
        } else if (keep < kMaxEvents) {
            r.deltaFrames -= frames;
            carried[keep++] = r;
        }
    };
    std::array<MidiEventRecord, kMaxEvents>& carried = q.scratch;
    for (std::uint32_t i = 0; i < q.pendingCount; ++i) route(q.pending[i], carried);
    for (std::uint32_t i = 0; i < taken; ++i) route(incoming[i], carried);
    std::memcpy(q.pending.data(), carried.data(), keep * sizeof(MidiEventRecord));
    q.pendingCount = keep;
    for (std::uint32_t i = 0; i < out; ++i) {
        if (q.output[i].deltaFrames < 0) q.output[i].deltaFrames = 0;
    }
    sortEventsByDelta(q.output.data(), out, q.scratch.data());
    q.outputCount = out;
    list = q.output.data();
    count = out;
}

void sortEventsByDelta(MidiEventRecord* records, std::uint32_t count, MidiEventRecord* scratch) {
    if (count < 64) {
        for (std::uint32_t i = 1; i < count; ++i) {
            const MidiEventRecord r = records[i];
            std::uint32_t j = i;
            while (j > 0 && records[j - 1].deltaFrames > r.deltaFrames) {
                records[j] = records[j - 1];
                --j;
            }
            records[j] = r;
        }
        return;
    }
    const std::uint32_t half = count / 2;
    sortEventsByDelta(records, half, scratch);
    sortEventsByDelta(records + half, count - half, scratch);
    std::uint32_t a = 0, b = half, o = 0;
    while (a < half && b < count) {
        // On equal deltas the second half's record goes first.
        scratch[o++] = records[b].deltaFrames <= records[a].deltaFrames ? records[b++] : records[a++];
    }
    while (a < half) scratch[o++] = records[a++];
    while (b < count) scratch[o++] = records[b++];
    std::memcpy(records, scratch, count * sizeof(MidiEventRecord));
}

}  // namespace qv
