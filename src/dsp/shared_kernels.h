// The low-pass kernel spectra of one band size, shared by the instances of the process: sixteen
// instances at one rate read one copy instead of sixteen. A few slots, each holding the spectrum
// for one rate with a count of its users; an instance takes the slot of its rate, fills a free
// one, or (every slot in use for other rates) keeps its own. Made by a non-measuring thread;
// taking and giving back happen on the measuring thread under a lock no audio thread takes, and
// never allocate.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace qv {

class CSharedKernels {
public:
    static constexpr std::size_t kSlots = 4;

    // The kernels of size n (n floats each), shared with every other holder of that size.
    static std::shared_ptr<CSharedKernels> of(std::uint32_t size);

    std::uint32_t size() const { return m_size; }
    // The spectrum for this rate: a slot's, filled by fill(spectrum) when no slot holds it yet;
    // null when every slot is in use for other rates. Give it back with release().
    template <typename Fill>
    const float* acquire(float rate, Fill fill) {
        std::lock_guard<std::mutex> guard(m_lock);
        Slot* slot = pick(rate);
        if (!slot) return nullptr;
        if (slot->rate != rate) {
            fill(slot->spectrum.data());
            slot->rate = rate;
        }
        ++slot->users;
        return slot->spectrum.data();
    }
    void release(const float* spectrum);

private:
    struct Slot {
        float rate = 0.0f;  // of the spectrum held; 0: none yet (rates are at least 1 Hz)
        std::uint32_t users = 0;
        std::vector<float> spectrum;
    };

    explicit CSharedKernels(std::uint32_t size);
    // The slot holding this rate, else one nobody uses, else null (under the lock).
    Slot* pick(float rate);

    std::uint32_t m_size;
    std::mutex m_lock;
    Slot m_slots[kSlots];
};

}  // namespace qv
