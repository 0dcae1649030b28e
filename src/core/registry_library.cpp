#include "core/registry_library.h"

#include <algorithm>

namespace qv {

namespace {

XelBlock slotBlock(std::uint32_t index) {
    XelBlock block{};
    block.index = index;
    return block;
}

}  // namespace

std::string CRegistryLibrary::fileName() { return std::string("QuorvaneSys") + platform::DynamicLibrary::extension(); }

bool CRegistryLibrary::open(const std::string& folder) {
    close();
    if (!library.open(folder + fileName())) return false;
    proc = reinterpret_cast<DoXelDataProc>(library.symbol("DoXelData"));
    if (proc && call(kXelVersion, 0, XelBlock{}).version == kXelRegistryVersion &&
        call(kXelCapacity, 0, XelBlock{}).capacity == kXelRegistryCapacity && countsCalls()) {
        return true;
    }
    close();
    return false;
}

// Counted calls and the bounded drain came after the version number: an earlier library of
// the same version answers them by handing the block back unchanged. Asked under the registry
// lock, so that no instance takes a free slot meanwhile.
bool CRegistryLibrary::countsCalls() const {
    CRegistryLockGuard guard(*this);
    XelBlock probe = slotBlock(kXelRegistryCapacity);
    static int sentinel;
    probe.object = &sentinel;
    if (call(kXelEnter, 0, probe).object != nullptr) return false;  // no slot there: nothing entered
    // A free slot has no call inside, only the passing count of a post that finds it empty: an
    // honest drain answers 0 for some free slot at once, a library without it never does.
    bool anyFree = false;
    for (std::uint32_t i = kXelRegistryCapacity; i-- > 0;) {
        if (inUse(i)) continue;
        anyFree = true;
        XelBlock drainProbe = slotBlock(i);
        drainProbe.count = 10;  // milliseconds
        drainProbe.inUse = 1;
        if (call(kXelDrain, 0, drainProbe).inUse == 0) return true;
    }
    return !anyFree;  // with every slot taken the registry is full, which joining finds out itself
}

void CRegistryLibrary::close() {
    proc = nullptr;
    library.close();
}

XelBlock CRegistryLibrary::call(std::uint32_t operation, std::uint32_t write, XelBlock block) const {
    return proc ? proc(operation, write, block) : XelBlock{};
}

void CRegistryLibrary::lock() const { call(kXelLock, 1, XelBlock{}); }
void CRegistryLibrary::unlock() const { call(kXelLock, 0, XelBlock{}); }

std::uint32_t CRegistryLibrary::count() const { return call(kXelCount, 0, XelBlock{}).count; }

void CRegistryLibrary::setCount(std::uint32_t count) const {
    XelBlock block{};
    block.count = count;
    call(kXelCount, 1, block);
}

bool CRegistryLibrary::inUse(std::uint32_t index) const { return call(kXelInUse, 0, slotBlock(index)).inUse != 0; }

void CRegistryLibrary::setInUse(std::uint32_t index, bool used) const {
    XelBlock block = slotBlock(index);
    block.inUse = used ? 1 : 0;
    call(kXelInUse, 1, block);
}

void* CRegistryLibrary::object(std::uint32_t index) const { return call(kXelObject, 0, slotBlock(index)).object; }

void CRegistryLibrary::setObject(std::uint32_t index, void* object) const {
    XelBlock block = slotBlock(index);
    block.object = object;
    call(kXelObject, 1, block);
}

void* CRegistryLibrary::enter(std::uint32_t index) const { return call(kXelEnter, 0, slotBlock(index)).object; }
void CRegistryLibrary::leave(std::uint32_t index) const { call(kXelLeave, 0, slotBlock(index)); }
bool CRegistryLibrary::drain(std::uint32_t index, std::chrono::milliseconds timeout) const {
    XelBlock block = slotBlock(index);
    // 0 would mean no limit.
    block.count = static_cast<std::uint32_t>(std::max<std::chrono::milliseconds::rep>(timeout.count(), 1));
    return call(kXelDrain, 0, block).inUse == 0;
}

}  // namespace qv
