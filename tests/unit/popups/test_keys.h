// The window's key codes for tests that also include the view toolkit, whose mouse and modifier
// constants the key codes' header repeats under the same names.
#pragma once

#include <cstdint>

namespace qv::test::key {

extern const std::uint32_t kReturn, kEscape, kBackspace, kDelete, kLeft, kRight, kUp, kDown, kHome, kEnd;

}  // namespace qv::test::key
