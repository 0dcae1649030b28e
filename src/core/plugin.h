// One analyzer instance: passes the host's audio through unchanged (or one band of it while its
// editor listens), mixes the inputs to one signal, cuts it into blocks for the band and the
// spectrum measurement and runs them on the worker pool of its library copy (core/worker_pool.h).
// The audio thread takes no lock, allocates nothing and waits for nothing: a block that finds its
// slot still busy is dropped and counted.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>

#include "core/analyzer_settings.h"
#include "core/data_service.h"
#include "core/memory_slots.h"
#include "core/registry_library.h"
#include "core/registry_port.h"
#include "core/settings_observer.h"
#include "core/spectrum_averager.h"
#include "core/state_chunk.h"
#include "dsp/measurement_records.h"
#include "framework/plugin_base.h"

namespace qv {

struct AnalysisShared;
class CBlockWorker;
class CWorkerPool;

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
    // delete stops the workers and leaves the registry, waiting a bounded time for calls still
    // inside the instance (its workers', other instances'). When some are still inside it is not
    // destroyed: it is parked, whole, its registry slot kept, and the module pinned, so they
    // finish on live memory and mapped code. Every delete then frees the parked instances whose
    // calls have left.
    static void operator delete(CPlugin* instance, std::destroying_delete_t);
    // Instances parked by delete and not freed yet.
    static std::size_t parkedCount();
    static void* operator new(std::size_t size) { return ::operator new(size); }
    static void operator delete(void* storage) { ::operator delete(storage); }  // a constructor that threw

    void getEditorSize(std::int32_t& width, std::int32_t& height) const override;
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
    // Whether instance number n belongs to a registered instance (some entry of the number map).
    virtual bool isInstanceNumberActive(std::uint32_t n) const;
    // Re-evaluates which spectra are averaged (plugin_data.cpp).
    virtual void updateAverageMemory();
    // Adds a spectrum of instance number `number` (own or received) to the running averages of
    // every instance of this library copy, once whichever instance hands it over (plugin_data.cpp).
    virtual void average(std::uint32_t number, const SpectrumRecord& record);

    // The instance registry (plugin_registry.cpp): loads the sibling library from the plug-in's
    // folder (error code 4 and throw when it is missing or foreign), joins and leaves.
    virtual void LoadDll();
    virtual void freeSharedLibrary();
    virtual void registerInstance();
    virtual void unregisterInstance();

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
    AnalysisShared& analysis() { return *shared; }
    // Waits until both workers have finished the blocks they hold; false when time ran out.
    bool waitForWorkers(std::chrono::milliseconds timeout);

    // Listening to one band (plugin_listen.cpp), GUI thread: while listening, this instance's
    // outputs play only the third-octave band centred on centreHz (moved by further calls; a
    // centre that is not finite is ignored, one beyond 0.45 times the rate clamped);
    // stopListening fades back to exact pass-through. A reset ends listening at once. The
    // measurements always read the input.
    void listenToBand(float centreHz);
    void stopListening();
    bool isListening() const;

private:
    // The outputs of a float block: pass-through, or the band while listening (audio thread).
    void writeOutputs(float* const* inputs, float* const* outputs, std::int32_t numIn, std::int32_t numOut, std::int32_t frames);
    // Stops listening without a fade: the next block passes through (reset).
    void endListening();
    struct Listening;
    struct ListeningDeleter {
        void operator()(Listening* state) const;
    };
    static Listening* makeListening();
    std::unique_ptr<Listening, ListeningDeleter> listening{makeListening()};

private:
    void startWorkers();
    // False when a worker's call into this instance outlived the wait.
    bool stopWorkers(std::chrono::milliseconds wait);
    // Stops the workers and leaves the registry, waiting up to `wait` for calls still inside;
    // true when none is left. Called again on a parked instance, with no wait.
    bool shutDown(std::chrono::milliseconds wait);
    // Frees the parked instances whose late calls have left.
    static void freeParked();
    void prime();
    // Measurement jobs: they touch only the shared state, and the instance only through the
    // shared state's guard (a detached worker may outlive it).
    static void runBandJob(AnalysisShared& state, CPlugin* owner, const float* block);
    static void runSpectrumJob(AnalysisShared& state, CPlugin* owner, float* block, std::uint32_t length);
    // Posts a record to every other registered instance: measurement records (types 4, 8) at
    // once, and only to instances of other library copies (this copy's read its records in
    // place); the common settings (type 5) once instanceLock is released (sendPendingPosts).
    virtual void postToOthers(void* record);
    void collectBands(const float* const* inputs, std::int32_t frames);
    void collectSpectrum(const float* const* inputs, std::int32_t frames, std::uint32_t blockLength);
    // The band record every level at the floor of the level range (tilted by the slope).
    BandLevelRecord bandFloor() const;
    // Puts the own number's band record of the copy back to the floor (a registered instance).
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
    void postNames() override;
    void memorySwitch(std::uint32_t id, std::uint32_t bits) override;  // plugin_data.cpp

    std::uint8_t numInputs;
    std::uint8_t numOutputs;
    std::shared_ptr<AnalysisShared> shared;
    std::shared_ptr<CWorkerPool> pool;  // held from the first worker started to the last stopped
    std::shared_ptr<CBlockWorker> bandWorker;
    std::shared_ptr<CBlockWorker> spectrumWorker;
    std::uint32_t bandBlockLength = 0;  // new samples per band block (half the band transform)
    std::atomic<std::uint32_t> fftIndex{3};
    std::uint32_t lastFftSizeIndex = 3;
    std::atomic<bool> bandsNeeded{true};
    std::atomic<bool> spectrumNeeded{false};
    std::atomic<bool> fillResetPending{false};  // set by onReset, consumed by the audio thread
    // Audio thread: the bits of the rate last stored in shared->sampleRate (none at first), and
    // whether the spectrum worker's fill may be above 0.
    std::uint32_t publishedRate = 0xFFFFFFFFu;
    bool spectrumCollecting = true;
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
    // Also keeps the band-mode average length (setting 349) in step with the rate.
    void setSampleRate(double rate) override;
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
    // The pause froze the graph in M8 of the view shown: a view change from any source ends it
    // there (M8 deleted in that view), before the other view's settings come back.
    void releasePauseOnViewChange();
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

    // ---- registry and messages (plugin_registry.cpp) -------------------------------------------
public:
    // Checks type and size (types 2, 3, 4, 5, 8, 32) and hands the record to the instance at its
    // target registry index. False when the record is malformed or the slot holds no instance; a
    // null record is accepted. Never reaches an instance that is leaving.
    virtual bool postToInstance(InstanceMessage* record);
    // The same for queries (types 1, 6, 32), answered in place by the target.
    virtual bool queryInstance(InstanceMessage* record);
    // Fills a query with own data: type 1 the number map, 6 the common settings, 32 the names.
    virtual bool answerQuery(InstanceMessage* record);
    // A record posted by another instance (or by this one to itself); checked by size and type,
    // false when ignored. Measurement records come only from other library copies and go into
    // this copy's records; they never wait: when the buffers are being read or written the
    // record is dropped (droppedRecords).
    virtual bool receiveMessage(InstanceMessage* record);

    // Limit flag: the registry was full when this instance was created, so it only passes audio.
    bool instanceLimitReached() const { return chunkDisabled; }
    // Sends a renumbering (type 3) to every registered instance, this one included: mode 0 gives
    // the instance holding number a the free number b, mode 1 swaps numbers a and b.
    bool renumberInstances(std::uint32_t mode, std::int32_t a, std::int32_t b);
    // Posts the 16 names (type 32) to every registered instance, this one included. Call without
    // holding instanceLock.
    void shareNames();
    // The number held by registry index (-1: none).
    std::int32_t instanceNumberAt(std::uint32_t index) const;
    // Copies of the current band and spectrum record of instance number n in this copy's records
    // (false for n >= 16), their target this instance's registry index; safe against records
    // arriving at the same time.
    bool readBandRecord(std::uint32_t number, BandLevelRecord& out) const;
    bool readSpectrumRecord(std::uint32_t number, SpectrumRecord& out) const;
    // The instance count of the process-wide registry (0 without the sibling library).
    std::uint32_t registeredInstances() const;
    std::uint64_t droppedRecords() const { return recordsDropped.load(std::memory_order_relaxed); }

private:
    // Posts what settings changes queued while instanceLock was held: the common settings block
    // (type 5, to every other instance) and the names (type 32, to every instance). Must be
    // called without holding instanceLock, so that no instance lock is ever taken inside another.
    void sendPendingPosts();
    // Hands a record to the instance at index through its published port.
    bool callInstance(std::uint32_t index, void* record, bool query);
    // Stamps each target index into the record and posts it there.
    void postToEveryIndex(void* record, bool includeOwn);
    // The same for a measurement record, to the instances of other library copies only.
    void postMeasurement(void* record);
    void receiveBands(const BandLevelRecord& record);
    void receiveSpectrum(const SpectrumRecord& record);
    void receiveMap(const InstanceMapBlock& block);
    void receiveRenumber(const RenumberMessage& message);
    void takeOwnNumber(std::int32_t number);
    // Gives the registry slot back (under the registry lock): free flag, count one less.
    void releaseSlot(std::uint32_t slot);
    // Whether a measurement record from another instance is for this one.
    bool acceptsMeasurement(std::uint32_t target, std::uint32_t source) const;

public:
    // Messages raised while a lock may be held (this instance's, the registry lock of an instance
    // joining or posting, an editor's while it reads data) wait here; the host adapter shows them
    // from a GUI call that holds none. One box at a time: a call that comes while one is up (from
    // its modal loop) shows nothing. Texts are literals.
    void showPendingMessages() override;

private:
    void queueMessage(const char* title, const char* text);
    std::atomic<bool> showingMessages{false};
    struct QueuedMessage {
        const char* title;
        const char* text;
    };
    static constexpr std::uint32_t kMaxQueuedMessages = 4;
    std::mutex messageLock;  // held only to queue or take messages, never while showing one
    std::array<QueuedMessage, kMaxQueuedMessages> queuedMessages{};
    std::uint32_t queuedCount = 0;

    std::unique_ptr<CRegistryLibrary> registry;
    InstancePort port{};
    InstanceMapBlock mapBlock{};          // number of every registry index (guarded by instanceLock)
    std::atomic<bool> registered{false};  // holds a registry slot
    std::int32_t undrainedSlot = -1;      // the slot left while calls into it were still inside
    // Serialises sending the queued posts, so that an older state never arrives last; recursive
    // because an editor may write a setting while it hears of a post.
    std::recursive_mutex outboxLock;
    bool settingsPending = false;  // the queue, guarded by instanceLock
    bool namesPending = false;
    GlobalSettingsBlock pendingSettings{};
    std::atomic<std::uint64_t> recordsDropped{0};
};

// Copies every input to its output; a single input goes to every output, and outputs beyond
// the inputs are silenced, so no host output is ever left unwritten.
template <typename Sample>
void passThrough(Sample* const* inputs, Sample* const* outputs, std::int32_t numIn, std::int32_t numOut, std::int32_t frames);

}  // namespace qv
