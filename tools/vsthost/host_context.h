// The host side of the VST 2.4 callback: what our host answers when a plug-in calls it, and a
// count of every call, for the report and for tests. One context may serve several effects.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <mutex>

#include "host/vst_abi.h"

namespace qv::vsthost {

class HostContext {
public:
    static constexpr vst::VstIntPtr kHostVersion = 2400;

    HostContext() = default;
    ~HostContext();
    HostContext(const HostContext&) = delete;
    HostContext& operator=(const HostContext&) = delete;

    // The function handed to a plug-in's entry point.
    static vst::VstIntPtr callback(vst::AEffect* effect, vst::VstInt32 opcode, vst::VstInt32 index,
                                   vst::VstIntPtr value, void* ptr, float opt);

    // Calls that carry this effect are answered by this context from now on.
    void attach(vst::AEffect* effect);
    void detach(vst::AEffect* effect);

    // Makes this context answer the calls a plug-in makes on this thread before its effect
    // exists (inside the entry point, where the effect argument is still null).
    class EntryScope {
    public:
        explicit EntryScope(HostContext& host);
        ~EntryScope();
        EntryScope(const EntryScope&) = delete;
        EntryScope& operator=(const EntryScope&) = delete;

    private:
        HostContext* previous_;
    };

    // The answer for one call; callback() routes here.
    vst::VstIntPtr answer(vst::AEffect* effect, vst::VstInt32 opcode, vst::VstInt32 index, vst::VstIntPtr value,
                          void* ptr, float opt);

    void setSampleRate(float rate) { sampleRate_.store(rate); }
    float sampleRate() const { return sampleRate_.load(); }
    void setBlockSize(vst::VstInt32 frames) { blockSize_.store(frames); }
    vst::VstInt32 blockSize() const { return blockSize_.load(); }
    // What audioMasterVersion answers: 2400 unless a test plays an older or broken host.
    void setVersion(vst::VstIntPtr version) { version_.store(version); }
    // What audioMasterCurrentId answers (the id of the effect being created, for shell plug-ins).
    void setCurrentId(vst::VstInt32 id) { currentId_.store(id); }

    // How often the plug-in made a call with this opcode (opcodes 0..63; others count as 64).
    int calls(vst::VstInt32 opcode) const;
    // The last audioMasterAutomate: parameter index and value.
    int lastAutomatedIndex() const { return lastAutomatedIndex_.load(); }
    float lastAutomatedValue() const { return lastAutomatedValue_.load(); }

    // The host's answer to a plug-in's canDo question: 1 for what this host does, else 0.
    static vst::VstIntPtr canDo(const char* text);

    // Serves audioMasterSizeWindow (index = width, value = height) while set: its answer goes back
    // to the plug-in, and canDo("sizeWindow") answers 1. Without one the host refuses (0).
    using SizeWindowHandler = std::function<bool(int width, int height)>;
    void setSizeWindowHandler(SizeWindowHandler handler);

private:
    std::atomic<float> sampleRate_{44100.0f};
    std::atomic<vst::VstInt32> blockSize_{1024};
    std::atomic<vst::VstIntPtr> version_{kHostVersion};
    std::atomic<vst::VstInt32> currentId_{0};
    std::atomic<int> lastAutomatedIndex_{-1};
    std::atomic<float> lastAutomatedValue_{0.0f};
    std::array<std::atomic<int>, 65> calls_{};
    std::mutex sizeLock_;
    SizeWindowHandler sizeWindow_;
};

}  // namespace qv::vsthost
