#include "platform/wake_signal.h"

#include <windows.h>

#include <system_error>
#include "platform/hot_path.h"

namespace qv::platform {

// An auto-reset event: SetEvent never blocks, and a set event stays set until one wait takes it.
struct WakeSignal::Handle {
    HANDLE event = nullptr;
};

WakeSignal::WakeSignal() : handle(std::make_unique<Handle>()) {
    handle->event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!handle->event) throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "CreateEvent");
}

WakeSignal::~WakeSignal() { CloseHandle(handle->event); }

QV_AUDIO_PATH void WakeSignal::give() { SetEvent(handle->event); }

void WakeSignal::wait() { WaitForSingleObject(handle->event, INFINITE); }

}  // namespace qv::platform
