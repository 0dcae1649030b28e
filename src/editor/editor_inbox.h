// Where the core reports to the editor: applied setting values and records (names of the
// instances). The core calls from whatever thread made a change: the host's GUI thread, another
// instance's worker posting to this one, a registry change. On the editor's GUI thread a report
// reaches the editor at once; from any other thread only the latest value per setting and the
// latest names record are kept, under a lock, and the editor's next timer pass takes them
// (deliver). No allocation and no call out of the inbox happens under the lock.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "core/data_request.h"
#include "framework/parameter_sink.h"

namespace qv {

class CEditor;

class CEditorInbox final : public IParameterSink {
public:
    // Values of higher indices reported from other threads are dropped (the analyzer's settings
    // end at 387).
    static constexpr std::uint32_t kMaxIndices = 1024;

    explicit CEditorInbox(CEditor& editor);

    // The calling thread is the editor's GUI thread from now on (the thread that constructs the
    // inbox until then).
    void setGuiThread();
    bool onGuiThread() const;

    void setParameter(std::int32_t index, float value) override;
    void receiveData(const void* record) override;

    // GUI thread: hands every kept report to the editor, values in the order they first arrived,
    // then the names.
    void deliver();
    // Forgets every kept report.
    void discard();

private:
    void forget(std::int32_t index);

    CEditor& editor;
    std::atomic<std::thread::id> guiThread;
    std::mutex lock;
    std::array<float, kMaxIndices> values{};
    std::array<bool, kMaxIndices> pending{};
    std::array<std::uint16_t, kMaxIndices> order{};
    std::uint32_t pendingCount = 0;
    NamesRequest names{};
    bool namesPending = false;
};

}  // namespace qv
