// The instances of one process know each other through the registry of the sibling library:
// joining and leaving it, the records they post to each other and the queries they answer.
//
// Locks, outermost first: the registry lock (only while joining or leaving), then one instance
// lock at a time. A record is handed to another instance without holding own instanceLock;
// settings changes made under it are queued and sent once it is released (sendPendingPosts).
// The one exception is a joining instance querying its first peer: nobody can reach it yet.
// Measurement records go only to instances of other library copies (those of this copy read
// the copy's records in place) and take only the copy's record locks, and only if free.
//
// A call into another instance is counted in the registry (enter/leave) between finding its
// port and returning from it; a leaving instance first withdraws its port and then waits until
// no counted call remains, so no record ever reaches an instance that is being destroyed.
#include <cstring>
#include <new>

#include "core/analysis_shared.h"
#include "core/plugin.h"
#include "core/registry_messages.h"
#include "framework/error_report.h"
#include "framework/parameter_sink.h"
#include "platform/module.h"

namespace qv {

namespace {

constexpr std::uint32_t kSlots = kMaxRegistryInstances;

// The entry points of the port: plain C calls that stay inside this copy of the library.
extern "C" std::int32_t portReceiveMessage(void* instance, InstanceMessage* record) {
    try {
        return static_cast<CPlugin*>(instance)->receiveMessage(record) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

extern "C" std::int32_t portAnswerQuery(void* instance, InstanceMessage* record) {
    try {
        return static_cast<CPlugin*>(instance)->answerQuery(record) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

void clearMap(InstanceMapBlock& block) {
    block.header = InstanceMessage{InstanceMapBlock::kSize, kMsgMapPost, 0};
    block.unused12 = 0;
    block.senderIndex = 0;
    for (std::int32_t& n : block.numbers) n = -1;
    block.leaving = 0;
}

// Numbers outside 0..15 in a map from elsewhere mean "no instance".
void sanitiseMap(InstanceMapBlock& block) {
    for (std::int32_t& n : block.numbers) {
        if (n < 0 || n >= static_cast<std::int32_t>(kSlots)) n = -1;
    }
}

}  // namespace

// ---- the sibling library -------------------------------------------------------------------

void CPlugin::LoadDll() {
    auto library = std::make_unique<CRegistryLibrary>();
    if (!library->open(platform::moduleFolder())) {
        reportError(kErrLibraryMissing, "Nolvatek: Quorvane", "CPlugin::LoadDll");
        throw 0;
    }
    registry = std::move(library);
}

void CPlugin::freeSharedLibrary() {
    if (registry) registry->close();
    registry.reset();
}

std::uint32_t CPlugin::registeredInstances() const { return registry ? registry->count() : 0; }

// ---- joining and leaving -------------------------------------------------------------------

void CPlugin::registerInstance() {
    if (!registry) {
        refused = true;
        return;
    }
    const CRegistryLibrary& lib = *registry;
    CRegistryLockGuard registryGuard(lib);
    registryIndex = -1;
    const std::uint32_t count = lib.count();
    if (count >= kSlots) {
        refused = true;
        registryIndex = instanceNumber = 0;
        return;
    }

    InstanceMapBlock ownMap{};
    BandLevelRecord ownBands{};
    {
        std::lock_guard<std::recursive_mutex> guard(instanceLock);
        ownBands = bandFloor();
        clearMap(mapBlock);
        lib.setCount(count + 1);
        std::int32_t slot = -1;
        for (std::uint32_t i = 0; i < kSlots && slot < 0; ++i) {
            if (!lib.inUse(i)) slot = static_cast<std::int32_t>(i);
        }
        bool foundPeer = false;
        if (slot >= 0) {
            lib.setInUse(static_cast<std::uint32_t>(slot), true);
            // The first instance found hands over its number map, common settings and names.
            for (std::uint32_t j = 0; j < kSlots && count + 1 >= 2 && !foundPeer; ++j) {
                if (j == static_cast<std::uint32_t>(slot) || !lib.object(j)) continue;
                InstanceMapBlock map{};
                map.header = InstanceMessage{InstanceMapBlock::kSize, kMsgMapQuery, j};
                if (!queryInstance(&map.header)) continue;
                foundPeer = true;
                sanitiseMap(map);
                std::memcpy(mapBlock.numbers, map.numbers, sizeof(mapBlock.numbers));
                GlobalSettingsBlock common{};
                common.header = InstanceMessage{GlobalSettingsBlock::kSize, kMsgSettingsQuery, j};
                if (queryInstance(&common.header)) settings.applyCommonSettings(common);
                InstanceNamesBlock names{};
                names.header = InstanceMessage{InstanceNamesBlock::kSize, kMsgNames, j};
                if (queryInstance(&names.header)) settings.takeNames(names.names);
            }
        }
        if (slot < 0 || (slot != 0 && !foundPeer)) {
            // The registry disagrees with itself (a full table under a low count, or slot 0 taken
            // by nobody who answers): stay out and leave it as it was.
            if (slot >= 0) lib.setInUse(static_cast<std::uint32_t>(slot), false);
            lib.setCount(count);
            refused = true;
            registryIndex = instanceNumber = 0;
            return;
        }
        registryIndex = slot;
        mapBlock.senderIndex = static_cast<std::uint32_t>(slot);
        mapBlock.numbers[slot] = -1;  // whatever the peer still had there is gone
        std::int32_t number = 0;
        while (number < static_cast<std::int32_t>(kSlots) && isInstanceNumberActive(static_cast<std::uint32_t>(number))) ++number;
        mapBlock.numbers[slot] = number;
        takeOwnNumber(number);
        shared->ownIndex.store(static_cast<std::uint32_t>(slot));
        // A new instance starts in the band view; the change goes to the others like any other.
        settings.set(settingid::kAnalysisView, 0.0f);
        port = InstancePort{sizeof(InstancePort), InstancePort::kVersion, this, &portReceiveMessage, &portAnswerQuery};
        lib.setObject(static_cast<std::uint32_t>(slot), &port);
        registered = true;
        shared->records->memberJoined();
        ownMap = mapBlock;
    }

    // Tell the others who joined, and give them this instance's bands at once: whatever a
    // leaver under this number showed is replaced by the floor.
    postToEveryIndex(&ownMap, false);
    const std::uint32_t own = shared->ownNumber.load();
    ownBands.type = kMsgBandLevels;
    ownBands.source = own;
    ownBands.sequence = shared->bandSequence.fetch_add(1);
    shared->records->writeBands(own, ownBands, true);
    postMeasurement(&ownBands);
    sendPendingPosts();
}

void CPlugin::unregisterInstance() {
    if (!registered || !registry) return;
    const CRegistryLibrary& lib = *registry;
    const auto slot = static_cast<std::uint32_t>(registryIndex);
    CRegistryLockGuard registryGuard(lib);
    {
        std::lock_guard<std::recursive_mutex> guard(instanceLock);
        lib.setObject(slot, nullptr);
        shared->records->memberLeft();
    }
    // Calls already inside this instance finish first. They may need instanceLock, so it is not
    // held while waiting. The slot (and its place in the count) stays taken until no counted
    // call is left in it: a call that outlives the wait keeps it, and the instance, until a
    // later delete finds it gone (see operator delete), so a newcomer never inherits the count.
    const bool drained = lib.drain(slot, std::chrono::milliseconds(kStopGraceMs));
    InstanceMapBlock leavingMap{};
    {
        std::lock_guard<std::recursive_mutex> guard(instanceLock);
        if (drained) {
            releaseSlot(slot);
        } else {
            undrainedSlot = static_cast<std::int32_t>(slot);
        }
        mapBlock.leaving = 1;
        leavingMap = mapBlock;
        mapBlock.numbers[slot] = -1;
        registered = false;
    }
    postToEveryIndex(&leavingMap, false);
}

void CPlugin::releaseSlot(std::uint32_t slot) {
    const CRegistryLibrary& lib = *registry;
    lib.setInUse(slot, false);
    const std::uint32_t count = lib.count();
    lib.setCount(count > 0 ? count - 1 : 0);
}

// ---- numbers -------------------------------------------------------------------------------

bool CPlugin::isInstanceNumberActive(std::uint32_t n) const {
    std::lock_guard<std::recursive_mutex> guard(instanceLock);
    for (std::int32_t held : mapBlock.numbers) {
        if (held >= 0 && static_cast<std::uint32_t>(held) == n) return true;
    }
    return false;
}

std::uint32_t CPlugin::countInstanceNumbers() const {
    std::lock_guard<std::recursive_mutex> guard(instanceLock);
    std::uint32_t n = 0;
    for (std::int32_t held : mapBlock.numbers) n += held >= 0 ? 1 : 0;
    return n;
}

std::int32_t CPlugin::instanceNumberAt(std::uint32_t index) const {
    if (index >= kSlots) return -1;
    std::lock_guard<std::recursive_mutex> guard(instanceLock);
    return mapBlock.numbers[index];
}

// Caller holds instanceLock.
void CPlugin::takeOwnNumber(std::int32_t number) {
    if (number < 0 || number >= static_cast<std::int32_t>(kSlots)) return;
    instanceNumber = number;
    shared->ownNumber.store(static_cast<std::uint32_t>(number));
    settings.setInstanceNumber(static_cast<std::uint32_t>(number));
}

bool CPlugin::renumberInstances(std::uint32_t mode, std::int32_t a, std::int32_t b) {
    if (mode > RenumberMessage::kSwap || a < 0 || b < 0 || a >= static_cast<std::int32_t>(kSlots) ||
        b >= static_cast<std::int32_t>(kSlots) || !registered) {
        return false;
    }
    RenumberMessage message{};
    message.header = InstanceMessage{RenumberMessage::kSize, kMsgRenumber, 0};
    message.mode = mode;
    message.numberA = a;
    message.numberB = b;
    postToEveryIndex(&message, true);
    return true;
}

// ---- posting -------------------------------------------------------------------------------

bool CPlugin::callInstance(std::uint32_t index, void* record, bool query) {
    if (!registry || refused || index >= kSlots) return false;
    auto* target = static_cast<const InstancePort*>(registry->enter(index));
    if (!target) return false;
    // The port stays valid only until the call is left.
    const bool usable = isUsablePort(target);
    if (usable) (query ? target->answerQuery : target->receiveMessage)(target->instance, static_cast<InstanceMessage*>(record));
    registry->leave(index);
    return usable;
}

bool CPlugin::postToInstance(InstanceMessage* record) {
    if (!record) return true;
    if (!isValidPost(record)) return false;
    return callInstance(messageHeader(record).target, record, false);
}

bool CPlugin::queryInstance(InstanceMessage* record) {
    if (!record) return true;
    if (!isValidQuery(record)) return false;
    return callInstance(messageHeader(record).target, record, true);
}

void CPlugin::postToEveryIndex(void* record, bool includeOwn) {
    const std::uint32_t own = shared->ownIndex.load();
    for (std::uint32_t j = 0; j < kSlots; ++j) {
        if (j == own && !includeOwn) continue;
        setMessageTarget(record, j);
        postToInstance(static_cast<InstanceMessage*>(record));
    }
}

void CPlugin::postMeasurement(void* record) {
    if (!registry || refused || !isValidPost(static_cast<InstanceMessage*>(record))) return;
    // Every registered instance is of this copy (its members counted in after the registry's
    // count went up and out before it goes down, so they are read first): nobody to post to.
    // An instance of another copy entering meanwhile gets the next record.
    const std::uint32_t members = shared->records->members();
    if (registry->count() <= members) return;
    const std::uint32_t own = shared->ownIndex.load();
    for (std::uint32_t j = 0; j < kSlots; ++j) {
        if (j == own) continue;
        auto* target = static_cast<const InstancePort*>(registry->enter(j));
        if (!target) continue;
        // Instances of this copy read the record in place and share its averages' histories.
        if (isUsablePort(target) && target->receiveMessage != &portReceiveMessage) {
            setMessageTarget(record, j);
            target->receiveMessage(target->instance, static_cast<InstanceMessage*>(record));
        }
        registry->leave(j);
    }
}

void CPlugin::postToOthers(void* record) {
    if (!record || refused || !registered) return;
    switch (messageHeader(record).type) {
        case kMsgBandLevels: {
            // The own record stays readable while the copy is stamped for every target.
            BandLevelRecord copy;
            std::memcpy(&copy, record, sizeof(copy));
            postMeasurement(&copy);
            break;
        }
        case kMsgSpectrum:
            // The spectrum job's scratch record: only that job touches it.
            postMeasurement(record);
            setMessageTarget(record, shared->ownIndex.load());
            break;
        case kMsgSettingsPost: {
            // Called from a settings change under instanceLock: sent once it is released.
            std::lock_guard<std::recursive_mutex> guard(instanceLock);
            std::memcpy(&pendingSettings, record, sizeof(pendingSettings));
            settingsPending = true;
            break;
        }
        default: break;
    }
}

void CPlugin::postNames() {
    std::lock_guard<std::recursive_mutex> guard(instanceLock);
    namesPending = true;
}

void CPlugin::shareNames() {
    postNames();
    sendPendingPosts();
}

void CPlugin::sendPendingPosts() {
    if (refused || !registered) return;
    std::lock_guard<std::recursive_mutex> sending(outboxLock);
    GlobalSettingsBlock common{};
    InstanceNamesBlock names{};
    bool sendSettings = false, sendNames = false;
    {
        std::lock_guard<std::recursive_mutex> guard(instanceLock);
        sendSettings = settingsPending;
        sendNames = namesPending;
        settingsPending = namesPending = false;
        if (sendSettings) common = pendingSettings;
        if (sendNames) std::memcpy(names.names, settings.names(), sizeof(names.names));
    }
    if (sendSettings) {
        common.header = InstanceMessage{GlobalSettingsBlock::kSize, kMsgSettingsPost, 0};
        postToEveryIndex(&common, false);
    }
    if (sendNames) {
        names.header = InstanceMessage{InstanceNamesBlock::kSize, kMsgNames, 0};
        postToEveryIndex(&names, true);
    }
}

// ---- answering and receiving ---------------------------------------------------------------

bool CPlugin::answerQuery(InstanceMessage* record) {
    if (!record || !isValidQuery(record)) return false;
    std::lock_guard<std::recursive_mutex> guard(instanceLock);
    switch (messageHeader(record).type) {
        case kMsgMapQuery: std::memcpy(record, &mapBlock, sizeof(mapBlock)); return true;
        case kMsgSettingsQuery: std::memcpy(record, &settings.commonSettings(), sizeof(GlobalSettingsBlock)); return true;
        case kMsgNames:
            std::memcpy(reinterpret_cast<InstanceNamesBlock*>(record)->names, settings.names(), sizeof(InstanceNamesBlock::names));
            return true;
        default: return false;
    }
}

bool CPlugin::receiveMessage(InstanceMessage* record) {
    if (!record || refused || !isValidPost(record)) return false;
    switch (messageHeader(record).type) {
        case kMsgBandLevels: {
            const auto& bands = *reinterpret_cast<const BandLevelRecord*>(record);
            if (!acceptsMeasurement(bands.target, bands.source)) return false;
            receiveBands(bands);
            return true;
        }
        case kMsgSpectrum: {
            const auto& spectrum = *reinterpret_cast<const SpectrumRecord*>(record);
            if (!acceptsMeasurement(spectrum.target, spectrum.source)) return false;
            receiveSpectrum(spectrum);
            return true;
        }
        case kMsgMapPost: {
            const auto& block = *reinterpret_cast<const InstanceMapBlock*>(record);
            // A map "from" this instance's own index (one that left this slot before it was
            // taken again, or a forged record) would clear or replace its own number.
            if (block.senderIndex >= kSlots || block.senderIndex == shared->ownIndex.load()) return false;
            receiveMap(block);
            return true;
        }
        case kMsgRenumber: receiveRenumber(*reinterpret_cast<const RenumberMessage*>(record)); return true;
        case kMsgSettingsPost: {
            std::lock_guard<std::recursive_mutex> guard(instanceLock);
            return settings.applyCommonSettings(*reinterpret_cast<const GlobalSettingsBlock*>(record));
        }
        case kMsgNames: {
            InstanceNamesBlock taken{};
            taken.header = InstanceMessage{InstanceNamesBlock::kSize, kMsgNames, 0};
            {
                std::lock_guard<std::recursive_mutex> guard(instanceLock);
                // takeNames cuts every name to 31 characters and a terminator, whatever arrived.
                settings.takeNames(reinterpret_cast<const InstanceNamesBlock*>(record)->names);
                std::memcpy(taken.names, settings.names(), sizeof(taken.names));
            }
            // The editor hears of it on this (the sender's) thread, with no lock held.
            withParameterSink([&](IParameterSink& sink) { sink.receiveData(&taken); });
            return true;
        }
        default: return false;
    }
}

bool CPlugin::acceptsMeasurement(std::uint32_t target, std::uint32_t source) const {
    return target == shared->ownIndex.load() && source < kSlots && source != shared->ownNumber.load();
}

void CPlugin::receiveBands(const BandLevelRecord& record) {
    // Every instance of this copy gets the record; the first one writes it.
    if (shared->records->writeBands(record.source, record, false, true) == CCopyRecords::Write::kBusy)
        recordsDropped.fetch_add(1, std::memory_order_relaxed);
}

void CPlugin::receiveSpectrum(const SpectrumRecord& record) {
    if (shared->records->writeSpectrum(record.source, record, false, true) == CCopyRecords::Write::kBusy) {
        recordsDropped.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    // Averages are kept per instance number, for received spectra as for the own ones.
    average(record.source, record);
}

void CPlugin::receiveMap(const InstanceMapBlock& block) {
    {
        std::lock_guard<std::recursive_mutex> guard(instanceLock);
        const std::int32_t number = block.numbers[block.senderIndex];
        const bool valid = number >= 0 && number < static_cast<std::int32_t>(kSlots);
        mapBlock.numbers[block.senderIndex] = block.leaving != 0 || !valid ? -1 : number;
        settings.setInstanceNumber(static_cast<std::uint32_t>(instanceNumber));
        updateNeededAnalyses();
    }
    updateAverageMemory();
}

void CPlugin::receiveRenumber(const RenumberMessage& message) {
    const std::int32_t a = message.numberA, b = message.numberB;
    if (message.mode > RenumberMessage::kSwap || a < 0 || b < 0 || a >= static_cast<std::int32_t>(kSlots) ||
        b >= static_cast<std::int32_t>(kSlots)) {
        return;
    }
    {
        std::lock_guard<std::recursive_mutex> guard(instanceLock);
        std::int32_t x = -1, y = -1;  // registry indexes holding b and a
        for (std::uint32_t i = 0; i < kSlots; ++i) {
            if (mapBlock.numbers[i] == b) x = static_cast<std::int32_t>(i);
            if (mapBlock.numbers[i] == a) y = static_cast<std::int32_t>(i);
        }
        if (y < 0) return;
        if (message.mode == RenumberMessage::kRename) {
            // Two instances under one number would write into each other's records.
            if (x >= 0 && x != y) return;
            mapBlock.numbers[y] = b;
        } else {
            if (x < 0) return;
            mapBlock.numbers[x] = a;
            mapBlock.numbers[y] = b;
        }
        if (registryIndex >= 0 && registryIndex < static_cast<std::int32_t>(kSlots)) takeOwnNumber(mapBlock.numbers[registryIndex]);
        updateNeededAnalyses();
    }
    updateAverageMemory();
}

// ---- reading the records of every number ---------------------------------------------------

bool CPlugin::readBandRecord(std::uint32_t number, BandLevelRecord& out) const {
    if (number >= kSlots) return false;
    out = shared->records->readBands(number, [](const BandLevelRecord& current, std::uint32_t) { return current; });
    out.target = shared->ownIndex.load();
    return true;
}

bool CPlugin::readSpectrumRecord(std::uint32_t number, SpectrumRecord& out) const {
    if (number >= kSlots) return false;
    shared->records->readSpectrum(number, [&](const SpectrumRecord& current, std::uint32_t) {
        std::memcpy(&out, &current, spectrumBytesOf(current));
    });
    out.target = shared->ownIndex.load();
    return true;
}

}  // namespace qv
