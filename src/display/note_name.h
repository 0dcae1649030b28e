// The musical note nearest to a frequency, for the readout: equal temperament with A4 = 440 Hz,
// sharps, octave numbers changing at C (C4 is middle C), and the offset in whole cents.
#pragma once

#include <string>

namespace qv::display {

// Frequencies from 16 Hz up to this one have a note name.
constexpr double kHighestNamedHz = 25000.0;

// "A4 +0 ct", "C#5 -12 ct"; empty below 16 Hz, above kHighestNamedHz and for NaN or infinity.
std::string noteName(double hz);

}  // namespace qv::display
