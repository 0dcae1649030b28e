// Raises the calling thread to the highest priority of the normal (non-real-time) class that
// the platform allows this process. Returns false when the platform refused; the thread then
// keeps running at its old priority.
#pragma once

namespace qv::platform {
bool raiseCurrentThreadPriority();
}
