// The audio path of an instance: pass-through, mixing, block collection and the two jobs.
#include <bit>
#include <chrono>
#include <cstring>

#include <xmmintrin.h>

#include "core/analysis_shared.h"
#include "core/block_worker.h"
#include "core/mixer.h"
#include "core/plugin.h"
#include "dsp/denormal_guard.h"
#include "platform/hot_path.h"

namespace qv {

QV_AUDIO_PATH std::int32_t CPlugin::processAudio(void** inputs, void** outputs, std::int32_t numIn, std::int32_t numOut,
                                   std::int32_t frames, int precision, std::int32_t) {
    if (numIn < 1 || numIn > kMaxChannels || numOut < 1 || numOut > kMaxChannels || frames < 0) return 0;
    if (precision == kPrecisionDouble) {
        // Not measured (the host is told there is no double path), but never left unwritten.
        passThrough(reinterpret_cast<double* const*>(inputs), reinterpret_cast<double* const*>(outputs), numIn, numOut, frames);
        return 0;
    }
    if (precision != kPrecisionFloat || !inputs) return 0;
    const auto* const* in = reinterpret_cast<const float* const*>(inputs);
    // The state this block reads elsewhere, asked for at once instead of one miss after another.
    _mm_prefetch(reinterpret_cast<const char*>(bandWorker.get()), _MM_HINT_T0);
    _mm_prefetch(reinterpret_cast<const char*>(listening.get()), _MM_HINT_T0);
    // Denormal and non-finite operands cost what clean ones cost; the host's MXCSR comes back.
    const CFlushDenormalsScope flushDenormals;

    // Stored only when it changes, so that the audio thread leaves the line alone that the
    // jobs write their sequence numbers to.
    const float rate = priming ? 44100.0f : static_cast<float>(getSampleRate());
    if (std::bit_cast<std::uint32_t>(rate) != publishedRate) {
        publishedRate = std::bit_cast<std::uint32_t>(rate);
        shared->sampleRate.store(rate, std::memory_order_relaxed);
    }
    // The audio thread owns the fill counts: a reset only asks for them to restart.
    if (fillResetPending.load(std::memory_order_relaxed) && fillResetPending.exchange(false, std::memory_order_acquire)) {
        bandWorker->fill = 0;
        spectrumWorker->fill = 0;
    }
    const std::uint32_t index = fftIndex.load(std::memory_order_relaxed);
    const std::uint32_t spectrumLength = CSpectrumAverager::fftSizeOf(index);
    if (index != lastFftSizeIndex) {
        lastFftSizeIndex = index;
        spectrumWorker->fill = 0;
    }

    if (!refused && frames > 0) {
        collectBands(in, frames);
        collectSpectrum(in, frames, spectrumLength);
    }
    writeOutputs(reinterpret_cast<float* const*>(inputs), reinterpret_cast<float* const*>(outputs), numIn, numOut, frames);
    return 0;
}

namespace {

// Mixes frames into the worker's buffer; each time blockLength samples are in, onFull runs.
// No length (a measurement whose memory could not be had) collects nothing.
template <typename OnFull>
void fillBlocks(CBlockWorker& worker, const float* const* in, std::int32_t numInputs, std::int32_t frames,
                std::uint32_t blockLength, OnFull onFull) {
    if (blockLength == 0) return;
    std::int32_t done = 0;
    while (done < frames) {
        const auto n = std::min<std::int32_t>(frames - done, static_cast<std::int32_t>(blockLength - worker.fill));
        mixToMean(worker.writeBuffer() + worker.fill, in, numInputs, done, n);
        worker.fill += static_cast<std::uint32_t>(n);
        done += n;
        if (worker.fill >= blockLength) onFull();
    }
}

}  // namespace

QV_AUDIO_PATH void CPlugin::collectBands(const float* const* in, std::int32_t frames) {
    CBlockWorker& worker = *bandWorker;
    if (!bandsNeeded.load(std::memory_order_relaxed)) {
        worker.fill = 0;
        return;
    }
    fillBlocks(worker, in, numInputs, frames, bandBlockLength, [&] { worker.handOver(bandBlockLength); });
}

QV_AUDIO_PATH void CPlugin::collectSpectrum(const float* const* in, std::int32_t frames, std::uint32_t blockLength) {
    CBlockWorker& worker = *spectrumWorker;
    if ((!spectrumNeeded.load(std::memory_order_relaxed) && !priming) || blockLength == 0) {
        // Restarted once, then left alone: a worker not collecting is not touched block after block.
        if (spectrumCollecting) worker.fill = 0, spectrumCollecting = false;
        return;
    }
    spectrumCollecting = true;
    // The block travels with the size it was collected at and is transformed at that size.
    fillBlocks(worker, in, numInputs, frames, blockLength, [&] { worker.handOver(blockLength); });
}

void CPlugin::runBandJob(AnalysisShared& state, CPlugin* owner, const float* block) {
    CAlgorithm& algorithm = state.algorithm;
    const std::uint32_t own = state.ownNumber.load() & 15u;
    // Measured into the job's own record, then published in the copy's records (dropped there,
    // never waited for, when a read holds the buffer) while the instance is alive: a job that
    // outlived its instance never writes over a newcomer under the same number.
    BandLevelRecord& record = state.bandScratch;
    algorithm.setEcoMode(state.ecoMode.load());
    algorithm.analyzeBands(block, &record, state.sampleRate.load());
    record.size = sizeof(BandLevelRecord);
    record.type = 4;
    record.source = own;
    record.target = state.ownIndex.load();
    record.sequence = state.bandSequence.load();
    if (state.enterInstance()) {
        state.records->writeBands(own, record, false);
        owner->postToOthers(&record);
        state.leaveInstance();
    }
    state.bandSequence.fetch_add(1);
}

void CPlugin::runSpectrumJob(AnalysisShared& state, CPlugin* owner, float* block, std::uint32_t length) {
    SpectrumRecord& scratch = state.spectrumScratch;
    scratch.count = 0;
    state.algorithm.analyzeSpectrum(block, length, &scratch, state.sampleRate.load());
    if (scratch.count == 0) return;  // no transform for the requested size
    const std::uint32_t own = state.ownNumber.load() & 15u;
    scratch.size = 52 + 4 * scratch.count;
    scratch.type = 8;
    scratch.source = own;
    scratch.target = state.ownIndex.load();
    scratch.sequence = state.spectrumSequence.load();
    if (state.enterInstance()) {
        state.records->writeSpectrum(own, scratch, false);
        owner->average(own, scratch);
        owner->postToOthers(&scratch);
        state.leaveInstance();
    }
    state.spectrumSequence.fetch_add(1);
}

BandLevelRecord CPlugin::bandFloor() const {
    // Band b lies b/3 octave above 20 Hz: the floor follows the slope tilt.
    std::lock_guard<std::recursive_mutex> guard(instanceLock);
    const auto rangeLow = static_cast<float>(settings.levelRange().low());
    const float slopeDbPerOctave = settings.slopeDbPerOctave();
    BandLevelRecord record{};
    record.size = sizeof(BandLevelRecord);
    for (int b = 0; b < 31; ++b) {
        const float level = rangeLow - static_cast<float>(b) * slopeDbPerOctave / 3.0f;
        record.peaks[b] = level;
        record.levels[b] = level;
    }
    return record;
}

void CPlugin::resetBandRecords() {
    // Only the own number's record: the others belong to instances that measure on.
    if (!registered.load()) return;
    BandLevelRecord record = bandFloor();
    record.source = shared->ownNumber.load();
    record.sequence = shared->bandSequence.load();
    shared->records->writeBands(record.source, record, true);
}

void CPlugin::onReset(bool) {
    endListening();
    if (numInputs == 0 || numOutputs == 0 || (numInputs != numOutputs && numInputs != 1)) return;
    // Blocks already handed over finish first; no new ones come while the host resets.
    waitForWorkers(std::chrono::milliseconds(kStopGraceMs));
    fillResetPending.store(true, std::memory_order_release);
    resetBandRecords();
    shared->algorithm.resetBandHistory();
    averager->clear();
}

}  // namespace qv
