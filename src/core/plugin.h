// One analyzer instance: passes the host's audio through unchanged, mixes the inputs to one
// signal, cuts it into blocks for the band and the spectrum measurement and runs them on two
// worker threads of its own (small transforms run on the audio thread).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

#include "core/analyzer_settings.h"
#include "core/data_service.h"
#include "core/memory_slots.h"
#include "core/settings_observer.h"
#include "core/spectrum_averager.h"
#include "core/state_chunk.h"
#include "dsp/measurement_records.h"
#include "framework/plugin_base.h"

namespace qv {

struct AnalysisShared;
class CBlockWorker;

class CPlugin : public CPluginBase, private ISettingsObserver {
public:
    static constexpr std::int32_t kMaxChannels = 32;
    static constexpr std::int32_t kEditorWidth = 752;
    static constexpr std::int32_t kEditorHeight = 563;
    static constexpr std::int32_t kCompactWidth = 650;
    static constexpr std::int32_t kCompactHeight = 335;
    static constexpr std::uint32_t kBandFftSize = 8192;
    static constexpr std::int32_t kPrimingFrames = 16384;
    static constexpr int kStopGraceMs = 300;

    // Negative channel counts select the default of 2 inputs and 2 outputs.
    CPlugin(std::intptr_t hostArgument, std::int32_t inputs, std::int32_t outputs);
    ~CPlugin() override;

    void getEditorSize(std::int32_t& width, std::int32_t& height) const override;
    void setSampleRate(double rate) override;
    void setParameter(std::uint32_t id, float value, int which, bool noConvert, bool storeInProgram) override;
    float getParameter(std::uint32_t id, int which) const override;
    // Reports an applied setting value to the editor, when one is attached.
    void notifyEditor(std::uint32_t id, float value) override;
    void getProductName(char* buffer, std::size_t capacity) const override;
    std::int32_t getChunk(void** data, bool isPreset) override;
    std::int32_t setChunk(const void* data, std::int32_t size, bool isPreset) override;
    void onReset(bool suspending) override;
    std::int32_t processAudio(void** inputs, void** outputs, std::int32_t numIn, std::int32_t numOut,
                              std::int32_t frames, int precision, std::int32_t flag) override;

    virtual std::uint32_t countInstanceNumbers() const;
    // Every instance measures what any registered instance shows.
    virtual void updateNeededAnalyses();
    // Whether instance number n belongs to a registered instance (only the own one until the
    // registry exists).
    virtual bool isInstanceNumberActive(std::uint32_t n) const { return n == static_cast<std::uint32_t>(instanceNumber); }
    // Re-evaluates which spectra are averaged (plugin_data.cpp).
    virtual void updateAverageMemory();
    // Adds a spectrum of instance number `number` (own or received) to its running average
    // (plugin_data.cpp).
    virtual void average(std::uint32_t number, const SpectrumRecord& record);

    // Seams of the instance registry; until it exists an instance is the only one, index 0.
    virtual void LoadDll() {}
    virtual void freeSharedLibrary() {}
    virtual void registerInstance() {}
    virtual void unregisterInstance() {}

    std::uint8_t inputCount() const { return numInputs; }
    std::uint8_t outputCount() const { return numOutputs; }
    std::int32_t getRegistryIndex() const { return registryIndex; }
    std::int32_t getInstanceNumber() const { return instanceNumber; }
    bool isRefused() const { return refused; }

    // Measurement state (read by the display service and by tests).
    std::uint32_t fftSizeIndex() const { return fftIndex.load(std::memory_order_relaxed); }
    bool bandsAreNeeded() const { return bandsNeeded.load(std::memory_order_relaxed); }
    bool spectrumIsNeeded() const { return spectrumNeeded.load(std::memory_order_relaxed); }
    std::uint64_t droppedBandBlocks() const;
    std::uint64_t droppedSpectrumBlocks() const;
    std::uint32_t bandBlocksMeasured() const;
    std::uint32_t spectrumBlocksMeasured() const;
    std::uint32_t inlineSpectrumBlocks() const { return inlineSpectra.load(std::memory_order_relaxed); }
    AnalysisShared& analysis() { return *shared; }
    // Waits until both workers have finished the blocks they hold; false when time ran out.
    bool waitForWorkers(std::chrono::milliseconds timeout);
    // Test hook: every measurement job first sleeps this long.
    void setTestJobDelay(int milliseconds);

private:
    void startWorkers();
    void stopWorkers();
    void prime();
    // Measurement jobs: they touch only the shared state, and the instance only through the
    // shared state's guard (a detached worker may outlive it).
    static void runBandJob(AnalysisShared& state, CPlugin* owner, const float* block);
    static void runSpectrumJob(AnalysisShared& state, CPlugin* owner, float* block);
    // Posts a measurement record to every other instance (registry seam).
    virtual void postToOthers(void* record) { (void)record; }
    void collectBands(const float* const* inputs, std::int32_t frames);
    void collectSpectrum(const float* const* inputs, std::int32_t frames, std::uint32_t blockLength);
    void resetBandRecords();
    // Copies the settings the audio path and the workers read into their atomics.
    void applyEngineSettings();

    // Settings observer.
    void commonSettingsChanged(const GlobalSettingsBlock& block) override;
    void analysisSettingsChanged(std::uint32_t ecoMode, std::uint32_t fftSizeIndex) override;
    void windowTypeChanged(std::uint32_t windowType) override;
    void displayModeChanged() override;
    void averageSwitchChanged() override { updateAverageMemory(); }
    void namesRequested() override;
    void postNames() override {}
    void memorySwitch(std::uint32_t id, std::uint32_t bits) override;  // plugin_data.cpp

    std::uint8_t numInputs;
    std::uint8_t numOutputs;
    std::shared_ptr<AnalysisShared> shared;
    std::shared_ptr<CBlockWorker> bandWorker;
    std::shared_ptr<CBlockWorker> spectrumWorker;
    std::uint32_t bandBlockLength = 0;  // new samples per band block (half the band transform)
    std::uint32_t bandFftSize = 0;
    std::atomic<std::uint32_t> fftIndex{3};
    std::uint32_t lastFftSizeIndex = 3;
    std::atomic<bool> bandsNeeded{true};
    std::atomic<bool> spectrumNeeded{false};
    std::atomic<std::uint32_t> inlineSpectra{0};
    bool priming = false;
    std::int32_t registryIndex = 0;
    std::int32_t instanceNumber = 0;
    bool refused = false;
    // Guards the settings and the chunk; nested inside the registry lock, never around it.
    mutable std::recursive_mutex instanceLock;
    CAnalyzerSettings settings;
    StateChunk chunk{};

    // ---- Memory slots, averaging and display data (plugin_data.cpp) ----
public:
    // The typed requests of the editor and the display (DataRequest, core/data_request.h).
    bool getData(void* request) override;
    bool putData(void* request) override;
    CMemorySlots& memorySlots() { return *memory; }
    CSpectrumAverager& spectrumAverager() { return *averager; }
    const CDataService& dataService() const { return *displayData; }

private:
    // Called for every applied setting value, before it is echoed to the editor.
    void settingApplied(std::uint32_t id);
    // Keeps the memory-switch settings of the band view and of the FFT view apart.
    void switchMemoryView();
    void setMemoryState(std::uint32_t id, std::uint32_t state);
    void storeSpectrumMemory(std::uint32_t number, std::uint32_t slot);
    DataSnapshot takeDataSnapshot();
    DataSources dataSources() { return DataSources{*shared, *memory, *averager}; }
    template <typename T>
    static std::unique_ptr<T> allocateDataPart();

    static constexpr std::uint32_t kMemorySettings = settingid::kAverageTime - settingid::kMemorySwitchFirst;
    std::unique_ptr<CSpectrumAverager> averager = allocateDataPart<CSpectrumAverager>();
    std::unique_ptr<CMemorySlots> memory = allocateDataPart<CMemorySlots>();
    std::unique_ptr<CDataService> displayData = allocateDataPart<CDataService>();
    std::uint32_t memoryView = 0;  // display mode whose memory settings the settings hold
    // Memory switches (91..218) and memory states (219..346) of each view, under instanceLock.
    std::uint32_t memorySettings[2][kMemorySettings] = {};
};

// Copies every input to its output; a single input goes to every output, and outputs beyond
// the inputs are silenced, so no host output is ever left unwritten.
template <typename Sample>
void passThrough(Sample* const* inputs, Sample* const* outputs, std::int32_t numIn, std::int32_t numOut, std::int32_t frames);

}  // namespace qv
