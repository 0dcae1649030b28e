#include "platform/wake_signal.h"

#include <semaphore.h>

#include <cerrno>
#include <system_error>
#include "platform/hot_path.h"

namespace qv::platform {

// A POSIX semaphore: sem_post is a lock-free increment plus a wake-up call when someone sleeps.
struct WakeSignal::Handle {
    sem_t semaphore;
};

WakeSignal::WakeSignal() : handle(std::make_unique<Handle>()) {
    if (sem_init(&handle->semaphore, 0, 0) != 0) throw std::system_error(errno, std::generic_category(), "sem_init");
}

WakeSignal::~WakeSignal() { sem_destroy(&handle->semaphore); }

QV_AUDIO_PATH void WakeSignal::give() { sem_post(&handle->semaphore); }

void WakeSignal::wait() {
    while (sem_wait(&handle->semaphore) != 0 && errno == EINTR) {
    }
}

}  // namespace qv::platform
