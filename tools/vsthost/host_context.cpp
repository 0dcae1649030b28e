#include "vsthost/host_context.h"

#include <cstring>
#include <mutex>
#include <unordered_map>

namespace qv::vsthost {

namespace {

// Effects known to the host and the context that answers for each. Plug-ins may call back from
// any thread, so the map is locked; the lock is held only for the lookup.
std::mutex g_mapLock;
std::unordered_map<const vst::AEffect*, HostContext*>& effectMap() {
    static std::unordered_map<const vst::AEffect*, HostContext*> map;
    return map;
}

thread_local HostContext* t_entryHost = nullptr;

// Answers for calls that reach no context at all: a plain host with default settings.
HostContext& fallbackHost() {
    static HostContext host;
    return host;
}

void copyText(void* ptr, const char* text, std::size_t capacity) {
    if (!ptr) return;
    char* out = static_cast<char*>(ptr);
    std::size_t n = std::strlen(text);
    if (n >= capacity) n = capacity - 1;
    std::memcpy(out, text, n);
    out[n] = '\0';
}

}  // namespace

HostContext::~HostContext() {
    std::lock_guard lock(g_mapLock);
    auto& map = effectMap();
    for (auto it = map.begin(); it != map.end();) {
        it = it->second == this ? map.erase(it) : std::next(it);
    }
}

void HostContext::attach(vst::AEffect* effect) {
    if (!effect) return;
    std::lock_guard lock(g_mapLock);
    effectMap()[effect] = this;
}

void HostContext::detach(vst::AEffect* effect) {
    std::lock_guard lock(g_mapLock);
    effectMap().erase(effect);
}

HostContext::EntryScope::EntryScope(HostContext& host) : previous_(t_entryHost) { t_entryHost = &host; }
HostContext::EntryScope::~EntryScope() { t_entryHost = previous_; }

vst::VstIntPtr HostContext::callback(vst::AEffect* effect, vst::VstInt32 opcode, vst::VstInt32 index,
                                     vst::VstIntPtr value, void* ptr, float opt) {
    HostContext* host = nullptr;
    if (effect) {
        std::lock_guard lock(g_mapLock);
        auto it = effectMap().find(effect);
        if (it != effectMap().end()) host = it->second;
    }
    if (!host) host = t_entryHost;
    if (!host) host = &fallbackHost();
    return host->answer(effect, opcode, index, value, ptr, opt);
}

int HostContext::calls(vst::VstInt32 opcode) const {
    const std::size_t slot = opcode >= 0 && opcode < 64 ? static_cast<std::size_t>(opcode) : 64;
    return calls_[slot].load();
}

vst::VstIntPtr HostContext::canDo(const char* text) {
    if (!text) return 0;
    static const char* const kSupported[] = {"sendVstEvents", "sendVstMidiEvent", "startStopProcess",
                                             "acceptIOChanges"};
    for (const char* s : kSupported) {
        if (std::strcmp(text, s) == 0) return 1;
    }
    return 0;
}

void HostContext::setSizeWindowHandler(SizeWindowHandler handler) {
    std::lock_guard lock(sizeLock_);
    sizeWindow_ = std::move(handler);
}

vst::VstIntPtr HostContext::answer(vst::AEffect*, vst::VstInt32 opcode, vst::VstInt32 index, vst::VstIntPtr value,
                                   void* ptr, float opt) {
    calls_[opcode >= 0 && opcode < 64 ? static_cast<std::size_t>(opcode) : 64].fetch_add(1);
    switch (opcode) {
    case vst::audioMasterAutomate:
        lastAutomatedIndex_.store(index);
        lastAutomatedValue_.store(opt);
        return 0;
    case vst::audioMasterVersion:
        return version_.load();
    case vst::audioMasterCurrentId:
        return currentId_.load();
    case vst::audioMasterIOChanged:
        return 1;  // the host reads the channel counts again before every run
    case vst::audioMasterGetSampleRate:
        return static_cast<vst::VstIntPtr>(sampleRate_.load());
    case vst::audioMasterGetBlockSize:
        return blockSize_.load();
    case vst::audioMasterGetVendorString:
        copyText(ptr, "Nolvatek", vst::kVstMaxVendorStrLen);
        return ptr ? 1 : 0;
    case vst::audioMasterGetProductString:
        copyText(ptr, "qvhost", vst::kVstMaxProductStrLen);
        return ptr ? 1 : 0;
    case vst::audioMasterGetVendorVersion:
        return 1;
    case vst::audioMasterCanDo:
        if (ptr && std::strcmp(static_cast<const char*>(ptr), "sizeWindow") == 0) {
            std::lock_guard lock(sizeLock_);
            return sizeWindow_ ? 1 : 0;
        }
        return canDo(static_cast<const char*>(ptr));
    case vst::audioMasterSizeWindow: {
        SizeWindowHandler handler;
        {
            std::lock_guard lock(sizeLock_);
            handler = sizeWindow_;
        }
        const bool sane = index > 0 && index <= 16384 && value > 0 && value <= 16384;
        return handler && sane && handler(index, static_cast<int>(value)) ? 1 : 0;
    }
    case vst::audioMasterGetLanguage:
        return 1;  // English
    case vst::audioMasterBeginEdit:
    case vst::audioMasterEndEdit:
        return 1;
    default:
        return 0;
    }
}

}  // namespace qv::vsthost
