// A registry library whose answers come from a fuzz input: an honest registry (as QuorvaneSys
// keeps it) whose answers a script bends, one byte per call, into what an older or foreign
// library might say: another version or capacity, any count or in-use flag, a slot's object
// where another is asked for, no object to call, a drain that gives up. It never answers an address no
// instance published, nor a drain finished while a counted call is inside: a library that does
// that brings any caller down, and says nothing about the plug-in. Once the script has run out,
// every answer is honest.
#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "sys/xel_block.h"

namespace {

struct Fake {
    std::mutex lock;           // the registry lock of operation 6
    std::mutex scriptLock;     // guards the script and the model below
    std::vector<std::uint8_t> script;
    std::size_t next = 0;
    std::uint32_t count = 0;
    std::array<std::uint8_t, qv::kXelRegistryCapacity> inUse{};
    std::array<void*, qv::kXelRegistryCapacity> objects{};
    std::array<std::atomic<std::uint32_t>, qv::kXelRegistryCapacity> calls{};

    // The script's byte for this call, or 0 (honest) once it has run out.
    std::uint8_t take() { return next < script.size() ? script[next++] : 0; }
    std::uint32_t takeWord() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = v << 8 | take();
        return v;
    }
};

Fake& fake() {
    static Fake f;
    return f;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void QvFakeRegistryScript(const std::uint8_t* data, std::size_t size) {
    Fake& f = fake();
    std::lock_guard<std::mutex> guard(f.scriptLock);
    f.script.assign(data, data + size);
    f.next = 0;
}

extern "C" __attribute__((visibility("default"))) qv::XelBlock DoXelData(std::uint32_t operation, std::uint32_t write,
                                                                        qv::XelBlock block) {
    Fake& f = fake();
    const bool slot = block.index < qv::kXelRegistryCapacity;
    const std::uint32_t i = slot ? block.index : 0;
    if (operation == qv::kXelLock) {  // honest, and outside the model's lock: it blocks
        write ? f.lock.lock() : f.lock.unlock();
        return block;
    }
    if (operation == qv::kXelDrain) {
        std::uint8_t bend;
        {
            std::lock_guard<std::mutex> guard(f.scriptLock);
            bend = f.take();
        }
        if (!slot) return block;
        if (bend >= 0xC0) {  // gives up at once
            block.inUse = 1;
            return block;
        }
        // Honest: waits up to the limit (count) for the calls to leave.
        for (std::uint32_t spins = 0; f.calls[i].load() != 0 && (block.count == 0 || spins < block.count * 200u); ++spins)
            std::this_thread::yield();
        block.inUse = f.calls[i].load() != 0 ? 1 : 0;
        return block;
    }
    std::lock_guard<std::mutex> guard(f.scriptLock);
    const std::uint8_t bend = f.take();
    const bool honest = bend < 0x80;
    switch (operation) {
        case qv::kXelVersion: block.version = honest ? qv::kXelRegistryVersion : f.takeWord(); break;
        case qv::kXelCapacity: block.capacity = honest ? qv::kXelRegistryCapacity : f.takeWord(); break;
        case qv::kXelCount:
            if (write) {
                f.count = block.count;
            } else {
                block.count = honest ? f.count : f.takeWord();
            }
            break;
        case qv::kXelInUse:
            if (!slot) break;
            if (write) {
                f.inUse[i] = block.inUse;
            } else {
                block.inUse = honest ? f.inUse[i] : static_cast<std::uint8_t>(bend & 1);
            }
            break;
        case qv::kXelObject:
            if (!slot) break;
            if (write) {
                f.objects[i] = block.object;
            } else {
                block.object = honest ? f.objects[i] : (bend & 1 ? f.objects[bend >> 1 & 15] : nullptr);
            }
            break;
        case qv::kXelEnter:
            // Bent: the slot seems empty (a call counted under one slot into another's object
            // would let that one be freed under it).
            block.object = slot && honest ? f.objects[i] : nullptr;
            if (block.object) f.calls[i].fetch_add(1);
            break;
        case qv::kXelLeave:
            if (slot && f.calls[i].load() > 0) f.calls[i].fetch_sub(1);
            break;
        default: break;
    }
    return block;
}
