#include "core/plugin.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "core/analysis_shared.h"
#include "core/block_worker.h"
#include "core/instance_messages.h"
#include "core/worker_pool.h"
#include "framework/error_report.h"
#include "framework/param_container.h"
#include "framework/parameter_sink.h"
#include "framework/program_container.h"
#include "platform/module.h"
#include "platform/hot_path.h"

namespace qv {

CPlugin::CPlugin(std::intptr_t, std::int32_t inputs, std::int32_t outputs) {
    const bool given = inputs > 0 && outputs > 0 && inputs <= kMaxChannels && outputs <= kMaxChannels;
    numInputs = static_cast<std::uint8_t>(given ? inputs : 2);
    numOutputs = static_cast<std::uint8_t>(given ? outputs : 2);
    try {
        auto parameterSet = std::make_unique<CParamContainer>();
        auto bank = std::make_unique<CProgramContainer>(parameterSet.get());
        adoptParamsAndPrograms(std::move(parameterSet), std::move(bank));
    } catch (const std::bad_alloc&) {
        reportError(kErrNotEnoughMemory, "Nolvatek", "CPlugin::CPlugin");
        throw 0;
    }
    config.numInputs = numInputs;
    config.numOutputs = numOutputs;
    config.programsAreChunks = 1;
    config.reservedCapability = 1;
    setLatency(0);
    chunk.fillHeader();

    try {
        shared = std::make_shared<AnalysisShared>();
    } catch (const std::bad_alloc&) {
        reportError(kErrNotEnoughMemory, "Nolvatek", "CPlugin::CPlugin");
        throw 0;
    }
    averager->follow(fftIndex, shared->sampleRate);
    settings.setObserver(this);
    CAlgorithm& algorithm = shared->algorithm;
    algorithm.setBandFftSize(kBandFftSize);
    bandBlockLength = algorithm.getBandWindowLength();
    settings.setAverageBasis(getSampleRate(), bandBlockLength);
    try {
        shared->records = CCopyRecords::acquire(bandFloor());
    } catch (const std::bad_alloc&) {
        reportError(kErrNotEnoughMemory, "Nolvatek", "CPlugin::CPlugin");
        throw 0;
    }

    // From here on threads exist: every failure stops them before it leaves.
    try {
        startWorkers();
        try {
            LoadDll();
            registerInstance();
            // A refused instance only passes audio: it keeps no state for the host.
            if (refused) chunkDisabled = true;
            std::lock_guard<std::recursive_mutex> guard(instanceLock);
            settings.setInstanceNumber(static_cast<std::uint32_t>(instanceNumber));
            shared->ownNumber.store(static_cast<std::uint32_t>(instanceNumber));
            shared->ownIndex.store(static_cast<std::uint32_t>(registryIndex));
            applyEngineSettings();
        } catch (...) {
            reportError(kErrCannotInitialize, "Nolvatek", "CPlugin::CPlugin");
            throw 0;
        }
        prime();
    } catch (...) {
        while (!shutDown(std::chrono::milliseconds(kStopGraceMs))) {
        }
        throw;
    }
}

CPlugin::~CPlugin() {
    // Through delete, nothing runs inside this instance any more by now; an instance destroyed
    // otherwise (not made by new) has no such fallback and waits until its calls have left.
    while (!shutDown(std::chrono::milliseconds(kStopGraceMs))) {
    }
    freeSharedLibrary();
}

namespace {

// Instances deleted while a call was still inside them: kept whole until it has left.
struct ParkedInstances {
    std::mutex lock;
    std::vector<CPlugin*> list;
};
// Made by the first park (which pins the module, so it stays reachable) and never destroyed:
// deletes may come at exit. Null while nothing was ever parked.
ParkedInstances* parkedInstances(bool make) {
    static std::atomic<ParkedInstances*> parked{nullptr};
    if (make) {
        static ParkedInstances* const made = [] {
            auto* list = new ParkedInstances();
            parked.store(list);
            return list;
        }();
        return made;
    }
    return parked.load();
}

void destroy(CPlugin* instance) {
    void* storage = dynamic_cast<void*>(instance);
    instance->~CPlugin();
    ::operator delete(storage);
}

}  // namespace

void CPlugin::operator delete(CPlugin* instance, std::destroying_delete_t) {
    if (instance->shutDown(std::chrono::milliseconds(kStopGraceMs))) {
        destroy(instance);
    } else {
        // A worker or another instance is still inside: it finishes on an instance that stays
        // whole, in a module that stays mapped after the host unloads it.
        platform::pinModule();
        ParkedInstances& parked = *parkedInstances(true);
        std::lock_guard<std::mutex> guard(parked.lock);
        parked.list.push_back(instance);
    }
    freeParked();
}

void CPlugin::freeParked() {
    ParkedInstances* parked = parkedInstances(false);
    if (!parked) return;
    std::vector<CPlugin*> done;
    {
        std::lock_guard<std::mutex> guard(parked->lock);
        auto& list = parked->list;
        for (auto it = list.begin(); it != list.end();) {
            if ((*it)->shutDown(std::chrono::milliseconds(0))) {
                done.push_back(*it);
                it = list.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (CPlugin* instance : done) destroy(instance);
}

std::size_t CPlugin::parkedCount() {
    ParkedInstances* parked = parkedInstances(false);
    if (!parked) return 0;
    std::lock_guard<std::mutex> guard(parked->lock);
    return parked->list.size();
}

bool CPlugin::shutDown(std::chrono::milliseconds wait) {
    const bool workersOut = stopWorkers(wait);
    unregisterInstance();
    if (undrainedSlot >= 0 && registry && registry->drain(static_cast<std::uint32_t>(undrainedSlot), wait)) {
        // The late call has left: only now may another instance take the slot.
        CRegistryLockGuard registryGuard(*registry);
        releaseSlot(static_cast<std::uint32_t>(undrainedSlot));
        undrainedSlot = -1;
    }
    return workersOut && undrainedSlot < 0;
}

void CPlugin::startWorkers() {
    std::shared_ptr<AnalysisShared> state = shared;
    pool = CWorkerPool::acquire();
    // The jobs hold the shared state; they reach this instance only through its guard.
    // A band block is handed over only once collected whole, and the measurement reads only it.
    bandWorker = CBlockWorker::start(pool, bandBlockLength, [this, state](const float* block, std::uint32_t) {
        runBandJob(*state, this, block);
    }, false);
    if (!bandWorker) {
        showMessage("Nolvatek - Error", "Quorvane init failed - Please contact technical support.");
        throw 0;
    }
    spectrumWorker = CBlockWorker::start(pool, 16384, [this, state](const float* block, std::uint32_t length) {
        runSpectrumJob(*state, this, const_cast<float*>(block), length);
    }, false);  // a spectrum block is handed over only once collected whole
    if (!spectrumWorker) {
        showMessage("Nolvatek - Error", "Quorvane init failed (2) - Please contact technical support.");
        throw 0;
    }
}

bool CPlugin::stopWorkers(std::chrono::milliseconds wait) {
    // Calls from the jobs into this instance end here; a job that does not end within the grace
    // period keeps its pool thread and finishes on the shared state it co-owns.
    const bool out = !shared || shared->retire(wait);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStopGraceMs);
    const auto left = [&] {
        return std::max(std::chrono::milliseconds(0),
                        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()));
    };
    if (bandWorker) bandWorker->stop(left());
    if (spectrumWorker) spectrumWorker->stop(left());
    bandWorker.reset();
    spectrumWorker.reset();
    CWorkerPool::release(pool, left());
    return out;
}

void CPlugin::prime() {
    // Exercises every path once with silence before the host starts.
    // Both paths run whatever is needed: `priming` stands in for the spectrum being needed, so
    // that what updateNeededAnalyses decides meanwhile (the port is published) is kept.
    const std::uint8_t savedIn = numInputs, savedOut = numOutputs;
    numInputs = numOutputs = 2;
    priming = true;
    std::vector<float> silence(kPrimingFrames, 0.0f);
    void* channels[2] = {silence.data(), silence.data()};
    onReset(false);
    processAudio(channels, channels, 2, 2, kPrimingFrames, kPrecisionFloat, 0);
    onReset(false);
    numInputs = savedIn;
    numOutputs = savedOut;
    priming = false;
}

void CPlugin::getEditorSize(std::int32_t& width, std::int32_t& height) const {
    std::lock_guard<std::recursive_mutex> guard(instanceLock);
    const bool compact = settings.compactLayout();
    width = compact ? kCompactWidth : kEditorWidth;
    height = compact ? kCompactHeight : kEditorHeight;
}

void CPlugin::setParameter(std::uint32_t id, float value, int which, bool noConvert, bool storeInProgram) {
    if (id < getNumParams()) {
        CPluginBase::setParameter(id, value, which, noConvert, storeInProgram);
        return;
    }
    {
        std::lock_guard<std::recursive_mutex> guard(instanceLock);
        settings.set(id, value);
    }
    sendPendingPosts();
}

void CPlugin::setSampleRate(double rate) {
    CPluginBase::setSampleRate(rate);
    std::lock_guard<std::recursive_mutex> guard(instanceLock);
    settings.setAverageBasis(rate, bandBlockLength);
}

float CPlugin::getParameter(std::uint32_t id, int which) const {
    if (id < getNumParams()) return CPluginBase::getParameter(id, which);
    std::lock_guard<std::recursive_mutex> guard(instanceLock);
    return settings.get(id);
}

void CPlugin::notifyEditor(std::uint32_t id, float value) {
    settingApplied(id);
    withParameterSink([&](IParameterSink& sink) { sink.setParameter(static_cast<std::int32_t>(id), value); });
}

void CPlugin::namesRequested() {
    InstanceNamesBlock record{};
    record.header = InstanceMessage{InstanceNamesBlock::kSize, kMsgNames, 0};
    std::memcpy(record.names, settings.names(), sizeof(record.names));
    withParameterSink([&](IParameterSink& sink) { sink.receiveData(&record); });
}

void CPlugin::applyEngineSettings() {
    analysisSettingsChanged(settings.ecoMode(), settings.fftSizeIndex());
    windowTypeChanged(settings.windowType());
    displayModeChanged();
}

void CPlugin::commonSettingsChanged(const GlobalSettingsBlock& block) {
    GlobalSettingsBlock outgoing = block;
    postToOthers(&outgoing);
}

void CPlugin::analysisSettingsChanged(std::uint32_t ecoMode, std::uint32_t fftSizeIndex) {
    shared->ecoMode.store(ecoMode);
    if (fftSizeIndex <= 5) fftIndex.store(fftSizeIndex);
}

void CPlugin::windowTypeChanged(std::uint32_t windowType) { shared->algorithm.setWindowType(windowType); }

void CPlugin::displayModeChanged() {
    updateNeededAnalyses();
    updateAverageMemory();
}

void CPlugin::getProductName(char* buffer, std::size_t capacity) const {
    if (!buffer || capacity == 0) return;
    std::strncpy(buffer, "Quorvane", capacity - 1);
    buffer[capacity - 1] = '\0';
}

std::int32_t CPlugin::getChunk(void** data, bool) {
    if (chunkDisabled || !data) return 0;
    std::lock_guard<std::recursive_mutex> guard(instanceLock);
    settings.fillChunk(chunk);
    *data = &chunk;
    return static_cast<std::int32_t>(sizeof(chunk));
}

// Restores this instance's settings from a chunk the host saved; a chunk that does not
// validate changes nothing.
std::int32_t CPlugin::setChunk(const void* data, std::int32_t size, bool) {
    bool restored = false;
    {
        std::lock_guard<std::recursive_mutex> guard(instanceLock);
        restored = settings.restoreChunk(data, size);
    }
    sendPendingPosts();
    return restored ? 1 : 0;
}

void CPlugin::updateNeededAnalyses() {
    std::lock_guard<std::recursive_mutex> guard(instanceLock);
    const GlobalSettingsBlock& block = settings.commonSettings();
    bool bands = false, spectrum = false;
    for (std::uint32_t n = 0; n < 16; ++n) {
        if (!isInstanceNumberActive(n)) continue;
        bands = bands || block.displayModes[n] == 0;
        spectrum = spectrum || block.displayModes[n] == 1;
    }
    bandsNeeded = bands;
    spectrumNeeded = spectrum;
}

bool CPlugin::waitForWorkers(std::chrono::milliseconds timeout) {
    const bool bands = !bandWorker || bandWorker->waitIdle(timeout);
    return (!spectrumWorker || spectrumWorker->waitIdle(timeout)) && bands;
}

std::uint64_t CPlugin::droppedBandBlocks() const { return bandWorker ? bandWorker->droppedBlocks() : 0; }
std::uint64_t CPlugin::droppedSpectrumBlocks() const { return spectrumWorker ? spectrumWorker->droppedBlocks() : 0; }
std::uint32_t CPlugin::bandBlocksMeasured() const { return shared->bandSequence.load(); }
std::uint32_t CPlugin::spectrumBlocksMeasured() const { return shared->spectrumSequence.load(); }

template <typename Sample>
QV_AUDIO_PATH void passThrough(Sample* const* inputs, Sample* const* outputs, std::int32_t numIn, std::int32_t numOut, std::int32_t frames) {
    if (!inputs || !outputs || frames <= 0) return;
    const auto bytes = static_cast<std::size_t>(frames) * sizeof(Sample);
    for (std::int32_t c = 0; c < numOut; ++c) {
        Sample* out = outputs[c];
        if (!out) continue;
        const Sample* in = numIn == 1 ? inputs[0] : (c < numIn ? inputs[c] : nullptr);
        if (in == nullptr) {
            std::memset(out, 0, bytes);
        } else if (in != out) {
            std::memmove(out, in, bytes);
        }
    }
}

template void passThrough<float>(float* const*, float* const*, std::int32_t, std::int32_t, std::int32_t);
template void passThrough<double>(double* const*, double* const*, std::int32_t, std::int32_t, std::int32_t);

}  // namespace qv
