// What an instance serves to the editor and the display: the typed data requests, the memory
// slots behind the memory switches, and the spectrum averaging.
#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <utility>

#include "core/analysis_shared.h"
#include "core/plugin.h"
#include "framework/error_report.h"

namespace qv {

namespace {

constexpr const char* kOptionalFeatureTitle = "Quorvane - An Error occured";

std::uint32_t readU32(const void* request, std::size_t offset) {
    std::uint32_t value;
    std::memcpy(&value, static_cast<const char*>(request) + offset, sizeof(value));
    return value;
}

}  // namespace

template <typename T>
std::unique_ptr<T> CPlugin::allocateDataPart() {
    try {
        return std::make_unique<T>();
    } catch (const std::bad_alloc&) {
        reportError(kErrNotEnoughMemory, "Nolvatek", "CPlugin::CPlugin");
        throw 0;
    }
}

template std::unique_ptr<CSpectrumAverager> CPlugin::allocateDataPart<CSpectrumAverager>();
template std::unique_ptr<CMemorySlots> CPlugin::allocateDataPart<CMemorySlots>();
template std::unique_ptr<CDataService> CPlugin::allocateDataPart<CDataService>();

// ---- Data requests ----

bool CPlugin::getData(void* request) {
    if (request == nullptr) return false;
    const std::uint32_t size = readU32(request, 0);
    // A request of 16 bytes or more is a DataRequest: its type word means what the data service
    // says (3 is the instance map), whatever its size. The base's parameter snapshots, which
    // count their size in words, are taken only below that (no setting snapshot fits there),
    // so no byte count is ever read as a word count and overrun.
    if (size < sizeof(DataRequest)) {
        const std::uint32_t values = size - 1;
        return size >= 2 && (values == getNumParams() || values == getNumParamIds()) && CPluginBase::getData(request);
    }
    const DataSnapshot snapshot = takeDataSnapshot();
    return displayData->get(request, snapshot, dataSources());
}

bool CPlugin::putData(void* request) {
    if (request == nullptr || readU32(request, 0) < sizeof(DataRequest)) return false;
    if (readU32(request, offsetof(DataRequest, type)) != kDataNames) return displayData->put(request, dataSources());

    NamesRequest names;
    if (readU32(request, 0) != NamesRequest::kSize) return false;
    std::memcpy(&names, request, sizeof(names));
    if (names.header.a >= kMaxInstanceNumbers) return false;
    {
        std::lock_guard<std::recursive_mutex> guard(instanceLock);
        settings.setName(names.header.a, names.names[names.header.a], sizeof(names.names[0]));
    }
    // Shared with every instance, this one included (outside the instance lock: no instance
    // lock is held while another instance is called).
    shareNames();
    return true;
}

DataSnapshot CPlugin::takeDataSnapshot() {
    std::lock_guard<std::recursive_mutex> guard(instanceLock);
    DataSnapshot snapshot;
    snapshot.key.sampleRate = static_cast<float>(getSampleRate());
    snapshot.key.fftSize = CSpectrumAverager::fftSizeOf(settings.fftSizeIndex());
    snapshot.key.smoothingIndex = settings.smoothingIndex();
    snapshot.key.freqLow = settings.frequencyRange().low();
    snapshot.key.freqHigh = settings.frequencyRange().high();
    snapshot.key.rangeLow = settings.levelRange().low();
    snapshot.key.rangeHigh = settings.levelRange().high();
    snapshot.slope = settings.slopeDbPerOctave();
    for (std::uint32_t n = 0; n < kMaxInstanceNumbers; ++n) {
        if (isInstanceNumberActive(n)) snapshot.used |= 1u << n;
        if (settings.showSwitches().hidden(n)) snapshot.hidden |= 1u << n;
    }
    return snapshot;
}

// ---- Settings taps ----

void CPlugin::settingApplied(std::uint32_t id) {
    if (id == settingid::kAverageTime) {
        std::lock_guard<std::recursive_mutex> guard(instanceLock);
        averager->setSeconds(settings.averageSeconds());
    } else if (id == settingid::kAnalysisView) {
        // Reported after own display mode changed and before the editor reads the memory states.
        switchMemoryView();
    }
}

void CPlugin::switchMemoryView() {
    std::lock_guard<std::recursive_mutex> guard(instanceLock);
    const std::uint32_t view = settings.displayMode() == 1 ? 1 : 0;
    if (view == memoryView) return;
    releasePauseOnViewChange();
    for (std::uint32_t k = 0; k < kMemorySettings; ++k) {
        const std::uint32_t id = settingid::kMemorySwitchFirst + k;
        // The switch states are kept here as they are set; the editor writes the other states.
        if (id >= settingid::kMemoryStateFirst) memorySettings[memoryView][k] = settings.getBits(id);
        settings.storeBits(id, memorySettings[view][k]);
    }
    memoryView = view;
}

void CPlugin::releasePauseOnViewChange() {
    if (!settings.paused()) return;
    constexpr std::uint32_t kPauseSlot = CMemorySlots::kSlots - 1;  // M8
    for (std::uint32_t i = 0; i < CMemorySlots::kInstances; ++i) {
        const std::uint32_t index = i * CMemorySlots::kSlots + kPauseSlot;
        setMemoryState(settingid::kMemorySwitchFirst + index, 1);  // deleted
        settings.storeBits(settingid::kMemoryStateFirst + index, 0);  // the switch empty
        if (memoryView == 1 && memory->holdsSpectrum(i, kPauseSlot)) memory->release(i, kPauseSlot);
    }
    settings.set(settingid::kPause, 0.0f);
}

// ---- Memory slots ----

void CPlugin::setMemoryState(std::uint32_t id, std::uint32_t state) {
    memorySettings[memoryView][id - settingid::kMemorySwitchFirst] = state;
    settings.storeBits(id, state);
}

// A memory switch of instance number i, memory s was written (under the instance lock). The
// action code travels in bits 8..15; the setting then holds the slot's new state (1..4) as bits.
void CPlugin::memorySwitch(std::uint32_t id, std::uint32_t bits) {
    const std::uint32_t index = id - settingid::kMemorySwitchFirst;
    const std::uint32_t i = index / CMemorySlots::kSlots;
    const std::uint32_t s = index % CMemorySlots::kSlots;
    if (id < settingid::kMemorySwitchFirst || i >= CMemorySlots::kInstances) return;
    switchMemoryView();
    const bool fftView = settings.displayMode() == 1;
    switch (bits >> 8 & 0xFFu) {
        case 1:  // delete
            setMemoryState(id, 1);
            if (fftView && memory->holdsSpectrum(i, s)) memory->release(i, s);
            break;
        case 2:  // store; in band view the editor sends the band graph with putData
            setMemoryState(id, 2);
            if (fftView) storeSpectrumMemory(i, s);
            break;
        case 3:  // select: this slot shown, the other seven of the instance not
            for (std::uint32_t k = 0; k < CMemorySlots::kSlots; ++k)
                setMemoryState(settingid::kMemorySwitchFirst + i * CMemorySlots::kSlots + k, k == s ? 3 : 4);
            break;
        case 4:
            setMemoryState(id, 4);
            break;
        default:  // no action: the setting keeps the slot's state
            settings.storeBits(id, memorySettings[memoryView][index]);
            break;
    }
}

void CPlugin::storeSpectrumMemory(std::uint32_t number, std::uint32_t slot) {
    switch (memory->store(number, slot, *shared, settings.slopeDbPerOctave())) {
        case CMemorySlots::StoreResult::kSpectrumAllocFailed:
            queueMessage(kOptionalFeatureTitle, "Unable to allocate memory for memory slot (1).");
            break;
        case CMemorySlots::StoreResult::kCurveAllocFailed:
            queueMessage(kOptionalFeatureTitle, "Unable to allocate memory for memory slot (2).");
            break;
        default: break;
    }
}

// ---- Messages ----

void CPlugin::queueMessage(const char* title, const char* text) {
    std::lock_guard<std::mutex> guard(messageLock);
    for (std::uint32_t i = 0; i < queuedCount; ++i) {
        if (queuedMessages[i].text == text) return;  // one report of each trouble is enough
    }
    if (queuedCount < kMaxQueuedMessages) queuedMessages[queuedCount++] = QueuedMessage{title, text};
}

void CPlugin::showPendingMessages() {
    if (showingMessages.exchange(true)) return;
    for (;;) {
        QueuedMessage next{};
        {
            std::lock_guard<std::mutex> guard(messageLock);
            if (queuedCount == 0) break;
            next = queuedMessages[0];
            std::copy(queuedMessages.begin() + 1, queuedMessages.begin() + queuedCount, queuedMessages.begin());
            --queuedCount;
        }
        showMessage(next.title, next.text);
    }
    showingMessages.store(false);
}

// ---- Spectrum averaging ----
// Both operations key the averages by instance number: the histories are joined for the numbers
// in use and every spectrum is added under the number it came from, once for the library copy
// whichever instance of the copy hands it over.

void CPlugin::updateAverageMemory() {
    bool wanted = false;
    std::uint32_t used = 0;
    {
        std::lock_guard<std::recursive_mutex> guard(instanceLock);
        wanted = settings.displayMode() == 1 && settings.averageOn();
        for (std::uint32_t n = 0; n < kMaxInstanceNumbers; ++n) {
            if (isInstanceNumberActive(n)) used |= 1u << n;
        }
        averager->setSeconds(settings.averageSeconds());
    }
    if (!averager->update(wanted, used)) {
        queueMessage(kOptionalFeatureTitle, "Unable to allocate memory to enable average mode.");
    }
}

void CPlugin::average(std::uint32_t number, const SpectrumRecord& record) {
    averager->add(number, record);
}

}  // namespace qv
