#include "platform/clock.h"

#include <windows.h>

namespace qv::platform {

// The tick count the window system stamps its messages with (a 64-bit count: no wrap).
double monotonicMs() { return static_cast<double>(GetTickCount64()); }

}  // namespace qv::platform
