#include "display/note_name.h"

#include <cmath>
#include <cstdio>

namespace qv::display {

std::string noteName(double hz) {
    if (!(hz >= 16.0 && hz <= kHighestNamedHz)) return {};
    static const char* const kNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    // MIDI numbering: A4 is note 69, C4 note 60, C0 note 12 (16.35 Hz).
    const double note = 69.0 + 12.0 * std::log2(hz / 440.0);
    const double nearest = std::floor(note + 0.5);
    const auto cents = static_cast<int>(std::lround((note - nearest) * 100.0));
    const auto n = static_cast<int>(nearest);
    char text[24];
    std::snprintf(text, sizeof text, "%s%d %+d ct", kNames[n % 12], n / 12 - 1, cents);
    return text;
}

}  // namespace qv::display
