// Mixing the host's inputs into the one signal that is measured.
#pragma once

#include <cstdint>

namespace qv {

// Writes the mean of numInputs channels, samples [offset, offset + frames), into destination.
// NaN and infinite samples count as 0, so the measured signal is always finite.
void mixToMean(float* destination, const float* const* inputs, std::int32_t numInputs, std::int32_t offset,
               std::int32_t frames);

}  // namespace qv
