#include "editor/editor_inbox.h"

#include <bit>
#include <cstring>

#include "editor/editor.h"

namespace qv {

static_assert(CEditorInbox::kMaxIndices <= 65536, "indices are kept as 16 bits");

CEditorInbox::CEditorInbox(CEditor& owner) : editor(owner), guiThread(std::this_thread::get_id()) {}

void CEditorInbox::setGuiThread() { guiThread.store(std::this_thread::get_id()); }

bool CEditorInbox::onGuiThread() const { return guiThread.load() == std::this_thread::get_id(); }

void CEditorInbox::forget(std::int32_t index) {
    if (index < 0 || static_cast<std::uint32_t>(index) >= kMaxIndices) return;
    std::lock_guard<std::mutex> guard(lock);
    pending[static_cast<std::size_t>(index)] = false;  // a newer value arrived; the kept one is stale
}

void CEditorInbox::setParameter(std::int32_t index, float value) {
    if (onGuiThread()) {
        forget(index);
        editor.setParameter(index, value);
        return;
    }
    if (index < 0 || static_cast<std::uint32_t>(index) >= kMaxIndices) return;
    const auto i = static_cast<std::size_t>(index);
    std::lock_guard<std::mutex> guard(lock);
    values[i] = value;
    if (!pending[i]) {
        pending[i] = true;
        // A slot forgotten on the GUI thread may still sit in the order: kept once, checked later.
        bool listed = false;
        for (std::uint32_t k = 0; k < pendingCount && !listed; ++k) listed = order[k] == i;
        if (!listed) order[pendingCount++] = static_cast<std::uint16_t>(i);
    }
}

void CEditorInbox::receiveData(const void* record) {
    if (!record) return;
    DataRequest header;
    std::memcpy(&header, record, sizeof(header.size) + sizeof(header.type));
    const bool isValue = header.size == CEditor::kParameterRecordSize && header.type == CEditor::kParameterRecordType;
    const bool isNames = header.size == NamesRequest::kSize && header.type == kDataNames;
    if (onGuiThread()) {
        if (isNames) {
            std::lock_guard<std::mutex> guard(lock);
            namesPending = false;
        } else if (isValue) {
            std::memcpy(&header, record, sizeof(header));
            forget(static_cast<std::int32_t>(header.a));
        }
        editor.receiveData(record);
        return;
    }
    if (isValue) {
        std::memcpy(&header, record, sizeof(header));
        if (header.a < kMaxIndices) setParameter(static_cast<std::int32_t>(header.a), std::bit_cast<float>(header.b));
    } else if (isNames) {
        std::lock_guard<std::mutex> guard(lock);
        std::memcpy(&names, record, sizeof(names));
        namesPending = true;
    }
}

void CEditorInbox::deliver() {
    // Taken out under the lock, handed on without it: the editor may call into the core, which
    // may report again on this thread.
    std::array<std::uint16_t, kMaxIndices> ids;
    std::array<float, kMaxIndices> taken;
    std::uint32_t count = 0;
    NamesRequest takenNames;
    bool hasNames = false;
    {
        std::lock_guard<std::mutex> guard(lock);
        for (std::uint32_t k = 0; k < pendingCount; ++k) {
            const std::uint16_t i = order[k];
            if (!pending[i]) continue;
            pending[i] = false;
            ids[count] = i;
            taken[count++] = values[i];
        }
        pendingCount = 0;
        if (namesPending) {
            std::memcpy(&takenNames, &names, sizeof(names));
            namesPending = false;
            hasNames = true;
        }
    }
    for (std::uint32_t k = 0; k < count && editor.isOpen(); ++k) editor.setParameter(ids[k], taken[k]);
    if (hasNames && editor.isOpen()) editor.receiveData(&takenNames);
}

void CEditorInbox::discard() {
    std::lock_guard<std::mutex> guard(lock);
    for (std::uint32_t k = 0; k < pendingCount; ++k) pending[order[k]] = false;
    pendingCount = 0;
    namesPending = false;
}

}  // namespace qv
