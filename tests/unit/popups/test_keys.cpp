#include "gui/key_codes.h"

namespace qv::test::key {

extern const std::uint32_t kReturn = kKeyReturn, kEscape = kKeyEscape, kBackspace = kKeyBackspace, kDelete = kKeyDelete,
                           kLeft = kKeyLeft, kRight = kKeyRight, kUp = kKeyUp, kDown = kKeyDown, kHome = kKeyHome, kEnd = kKeyEnd;

}  // namespace qv::test::key
