// A monotonic millisecond clock for timing mouse clicks and refresh passes.
#pragma once

namespace qv::platform {

// Milliseconds since an arbitrary fixed point; never goes back.
double monotonicMs();

}  // namespace qv::platform
