// Character codes of the single-byte texts the editor draws (Windows-1252, as the ANSI character
// set of the window system) and of the Symbol face (Latin letters stand for Greek ones).
#pragma once

#include <cstdint>

namespace qv {

// The Unicode code point of a Windows-1252 byte (undefined bytes give U+FFFD).
std::uint32_t cp1252ToUnicode(unsigned char c);

// The Unicode code point that the Symbol face shows for a byte: Greek for Latin letters,
// otherwise as Windows-1252.
std::uint32_t symbolToUnicode(unsigned char c);

}  // namespace qv
