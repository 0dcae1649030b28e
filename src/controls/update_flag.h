// The needs-redraw state of a view, polled by the window's refresh pass. A request may come from
// any thread; the pass consumes it, so a request made while a pass runs is seen either by that
// pass or by the next one, never lost.
#pragma once

#include <atomic>
#include <cstdint>

namespace qv {

class CUpdateFlag {
public:
    CUpdateFlag() = default;
    CUpdateFlag(const CUpdateFlag&) = delete;
    CUpdateFlag& operator=(const CUpdateFlag&) = delete;
    virtual ~CUpdateFlag() = default;

    // Drops a pending request.
    virtual void resetUpdate();
    // Requests one redraw; several requests before a pass give one redraw. Any thread.
    virtual void setUpdate();
    // True when a redraw is due: always with alwaysUpdate, else once per request (consumed).
    virtual bool needsUpdate();
    virtual void setAlwaysUpdate(bool on);

    bool isAlwaysUpdate() const { return alwaysUpdate.load(std::memory_order_relaxed); }

private:
    // The exchange in needsUpdate is the lock of the counter: a request between the pass's read
    // and its reset cannot be lost.
    std::atomic<std::int32_t> pending{0};
    std::atomic<bool> alwaysUpdate{false};
};

}  // namespace qv
