#include "core/analysis_shared.h"

#include <new>

#include "core/stream_copy.h"
#include "platform/spin_wait.h"

namespace qv {

namespace {

AnalysisShared::SpectrumTable* zeroedTable() {
    void* table = std::calloc(1, sizeof(AnalysisShared::SpectrumTable));
    if (!table) throw std::bad_alloc();
    return static_cast<AnalysisShared::SpectrumTable*>(table);
}

}  // namespace

AnalysisShared::AnalysisShared() : spectrumStorage(zeroedTable()), spectrumRecords(*spectrumStorage) {
    for (auto& s : bandSelect) s.store(0);
    for (auto& s : spectrumSelect) s.store(0);
}

bool AnalysisShared::retire(std::chrono::milliseconds timeout) {
    alive.store(false);
    return platform::spinUntil([this] { return inFlight.load() == 0; }, timeout);
}

void AnalysisShared::writeSpectrum(std::uint32_t number, const SpectrumRecord& record) {
    const std::uint32_t idle = spectrumSelect[number].load(std::memory_order_relaxed) ^ 1u;
    streamCopy(&spectrumRecords[number][idle], &record, record.size);
    spectrumSelect[number].store(idle, std::memory_order_release);
}

}  // namespace qv
