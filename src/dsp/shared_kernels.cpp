#include "dsp/shared_kernels.h"

#include "dsp/process_shared.h"

namespace qv {

std::shared_ptr<CSharedKernels> CSharedKernels::of(std::uint32_t size) {
    return processShared<CSharedKernels>(size,
                                         [&] { return std::shared_ptr<CSharedKernels>(new CSharedKernels(size)); });
}

CSharedKernels::CSharedKernels(std::uint32_t size) : m_size(size) {
    for (Slot& slot : m_slots) slot.spectrum.assign(size, 0.0f);
}

CSharedKernels::Slot* CSharedKernels::pick(float rate) {
    Slot* free = nullptr;
    for (Slot& slot : m_slots) {
        if (slot.rate == rate) return &slot;
        if (slot.users == 0 && !free) free = &slot;
    }
    return free;
}

void CSharedKernels::release(const float* spectrum) {
    if (!spectrum) return;
    std::lock_guard<std::mutex> guard(m_lock);
    for (Slot& slot : m_slots)
        if (slot.spectrum.data() == spectrum && slot.users > 0) --slot.users;
}

}  // namespace qv
