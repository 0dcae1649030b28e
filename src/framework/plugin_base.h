// The host-independent half of every instance: capability record, sample rate, latency,
// parameters and programs, a double-buffered MIDI event queue, and the handshake that keeps a
// reset from running in the middle of an audio block. It never talks to the host itself.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

namespace qv {

class CParamContainer;
class IParameterSink;
class CProgramContainer;

#pragma pack(push, 1)
// The ten-byte capability record that the host adapter reads once.
struct PluginConfig {
    std::uint8_t isInstrument;
    std::uint8_t numInputs;
    std::uint8_t numOutputs;
    std::uint8_t programsAreChunks;
    std::uint8_t hasTail;
    std::uint8_t reservedCapability;
    std::uint8_t canBypass;
    std::uint8_t canDoubleReplacing;
    std::uint8_t receivesEvents;
    std::uint8_t reservedFlag;
};
#pragma pack(pop)
static_assert(sizeof(PluginConfig) == 10);
static_assert(offsetof(PluginConfig, receivesEvents) == 8);

// One host MIDI event as the core receives it.
struct MidiEventRecord {
    std::uint8_t channel;  // 0..15
    std::uint8_t status;   // high nibble only
    std::uint8_t data1;    // 0..127
    std::uint8_t data2;    // 0..127
    std::int32_t deltaFrames;
};
static_assert(sizeof(MidiEventRecord) == 8 && offsetof(MidiEventRecord, deltaFrames) == 4);

enum : int { kPrecisionFloat = 4, kPrecisionDouble = 5 };

// Sorts by delta frames: merge sort, insertion sort below 64 records. On equal deltas the merge
// takes the record of the second half first; insertion moves a record only past greater deltas.
void sortEventsByDelta(MidiEventRecord* records, std::uint32_t count, MidiEventRecord* scratch);

class CPluginBase {
public:
    static constexpr std::uint32_t kMaxEvents = 8192;

    CPluginBase();
    virtual ~CPluginBase();
    CPluginBase(const CPluginBase&) = delete;
    CPluginBase& operator=(const CPluginBase&) = delete;

    virtual void setLatency(std::uint32_t samples);
    virtual std::uint32_t getLatency() const { return latency; }
    // Written by the host thread, read on the audio thread.
    virtual void setSampleRate(double rate) { sampleRate.store(rate, std::memory_order_relaxed); }
    virtual double getSampleRate() const { return sampleRate.load(std::memory_order_relaxed); }
    virtual const PluginConfig* getConfig() const { return &config; }
    virtual void setBlockSize(std::int32_t) {}
    virtual bool latencyChanged();
    virtual void getEditorSize(std::int32_t& width, std::int32_t& height) const {
        width = -1;
        height = -1;
    }
    virtual std::uint32_t getNumParams() const { return numParams; }
    virtual std::uint32_t getNumParamIds() const;

    virtual void setParameterValue(std::uint32_t index, float value, int which, bool noConvert, bool storeInProgram);
    virtual void setParameter(std::uint32_t index, float value, int which, bool noConvert, bool storeInProgram) {
        setParameterValue(index, value, which, noConvert, storeInProgram);
    }
    virtual float getParameter(std::uint32_t index, int which) const;
    // Reports an applied value to the editor.
    virtual void notifyEditor(std::uint32_t index, float value) = 0;

    virtual const char* getParameterName(std::uint32_t index) const;
    virtual const char* getParameterLabel(std::uint32_t index) const;
    virtual float getParameterMin(std::uint32_t index) const;
    virtual float getParameterMax(std::uint32_t index) const;
    virtual float getParameterDefault(std::uint32_t index) const;
    virtual std::uint32_t getParameterType(std::uint32_t index) const;

    void setPendingValue(std::uint32_t index, float value) {
        pendingValueIndex = index;
        pendingValue = value;
    }
    void getPendingValue(std::uint32_t& index, float& value) const {
        index = pendingValueIndex;
        value = pendingValue;
    }

    // Bit 1 (value 1) host-settable, bit 2 (value 2) automatable.
    virtual void setParameterFlags(std::uint32_t index, std::uint8_t bits);
    virtual std::uint8_t getParameterFlags(std::uint32_t index) const;
    virtual bool canHostSet(std::uint32_t index) const;
    virtual bool canAutomate(std::uint32_t index) const;

    // Typed data exchange with the editor (the derived core answers the analyzer's requests).
    virtual bool putData(void* request) { return request == nullptr; }
    virtual bool getData(void* request);
    // Shows what the core held back for the user (message boxes raised where a lock may be held).
    // Called by the host adapter on the GUI thread, from a host call that holds no lock.
    virtual void showPendingMessages() {}

    // The opaque user block: copyUserBlockOut/In take a buffer that starts with a u32 byte count.
    void setUserBlock(void* block, std::uint32_t size) {
        userBlock = block;
        userBlockSize = size;
    }
    void* getUserBlock() const { return userBlock; }
    std::uint32_t getUserBlockSize() const { return userBlockSize; }
    void copyUserBlockOut(void* buffer) const;
    void copyUserBlockIn(const void* buffer);

    virtual std::uint32_t getNumPrograms() const { return numPrograms; }
    virtual std::uint32_t getCurrentProgram() const;
    virtual void setProgram(std::uint32_t index);
    virtual void setProgramName(const char* text);
    // Copies the current program's name (NUL-terminated) into at most capacity bytes.
    virtual void getProgramName(char* buffer, std::size_t capacity) const;
    virtual bool getProgramNameIndexed(std::int32_t category, std::uint32_t index, char* buffer,
                                       std::size_t capacity) const;

    // The state chunk: returns its size and points data at it, or 0.
    virtual std::int32_t getChunk(void** data, bool isPreset);
    virtual std::int32_t setChunk(const void* data, std::int32_t size, bool isPreset);

    virtual void getVendorString(char* buffer, std::size_t capacity) const;
    virtual void getProductName(char* buffer, std::size_t capacity) const = 0;
    void setChannelCount(std::uint8_t inputs, std::uint8_t outputs) {
        config.numInputs = inputs;
        config.numOutputs = outputs;
    }
    bool isChunkDisabled() const { return chunkDisabled; }
    virtual void setBypass(bool on) { bypassed = on; }

    // Resets the analysis state; runs between audio blocks (see reset). It must also be safe
    // beside a block that overran reset's wait: it only asks the audio thread to restart.
    virtual void onReset(bool suspending) = 0;
    // inputs/outputs point at float* (precision 4) or double* (precision 5) channel arrays.
    virtual std::int32_t processAudio(void** inputs, void** outputs, std::int32_t numInputs,
                                      std::int32_t numOutputs, std::int32_t frames, int precision,
                                      std::int32_t flag) = 0;

    // Host thread: waits until no audio block runs, at most kResetWaitMs, then calls onReset.
    void reset(bool suspending);
    static constexpr int kResetWaitMs = 500;
    // Audio thread: fetches this block's events, then processAudio.
    std::int32_t process(void** inputs, void** outputs, std::int32_t numInputs, std::int32_t numOutputs,
                         std::int32_t frames, int precision, std::int32_t flag);

    void setDeltaQuantum(std::uint32_t n) { deltaQuantum = (deltaQuantum & 1u) ? 0 : n; }
    // Host thread: queues events for the next blocks (only when the core takes events).
    void receiveEvents(const MidiEventRecord* records, std::uint32_t count);
    // Audio thread: the events of a block of frames, sorted by delta.
    void fetchEvents(const MidiEventRecord*& list, std::uint32_t& count, std::int32_t frames);
    virtual void onEvent(const MidiEventRecord&) {}
    virtual void onEventList(const MidiEventRecord*, std::uint32_t) {}
    void setRawEventList(bool on) { rawEventList = on; }
    void setRawEventDeltas(bool on) { rawEventDeltas = on; }

    // The editor that applied values are echoed to; null while there is none. Setting it waits
    // for calls into the previous sink that other threads are making, so a detached editor can
    // be deleted at once.
    void setParameterSink(IParameterSink* sink) {
        std::lock_guard<std::recursive_mutex> guard(sinkLock);
        parameterSink = sink;
    }
    // Calls f(sink) when an editor is attached; the editor stays attached until f returns.
    template <typename F>
    void withParameterSink(F&& f) {
        std::lock_guard<std::recursive_mutex> guard(sinkLock);
        if (parameterSink) f(*parameterSink);
    }
    void setHostAdapter(void* adapter) { hostAdapter = adapter; }
    void* getHostAdapter() const { return hostAdapter; }
    bool isResetDone() const { return resetDone.load(std::memory_order_acquire); }

protected:
    // Called by the derived constructor once params and programs exist.
    void adoptParamsAndPrograms(std::unique_ptr<CParamContainer> parameterSet,
                                std::unique_ptr<CProgramContainer> programBank);

    std::unique_ptr<CParamContainer> params;
    std::uint32_t numParams = 0;
    std::unique_ptr<CProgramContainer> programs;
    std::uint32_t numPrograms = 0;
    PluginConfig config{};
    bool bypassed = false;
    std::atomic<double> sampleRate{44100.0};
    std::uint32_t latency = 0;
    std::unique_ptr<std::uint8_t[]> parameterFlags;  // null: every parameter settable and automatable
    void* userBlock = nullptr;
    std::uint32_t userBlockSize = 0;
    std::uint32_t pendingValueIndex = 0;
    float pendingValue = 0;
    bool chunkDisabled = false;
    void* hostAdapter = nullptr;
    std::recursive_mutex sinkLock;  // taken only around calls into the sink
    IParameterSink* parameterSink = nullptr;
    bool latencyChangedFlag = false;
    bool loadingProgram = false;

private:
    struct EventQueue;
    std::unique_ptr<EventQueue> events;
    std::atomic<bool> inProcess{false};
    std::atomic<bool> resetRequested{false};
    std::atomic<bool> resetDone{false};
    std::uint32_t deltaQuantum = 0;
    bool eventsEnabled = true;
    bool rawEventList = false;
    bool rawEventDeltas = false;
};

}  // namespace qv
