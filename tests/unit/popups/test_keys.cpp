#include "unit/popups/test_keys.h"

#include "gui/key_codes.h"

namespace qv::test::key {

const std::uint32_t kReturn = kKeyReturn, kEscape = kKeyEscape, kBackspace = kKeyBackspace, kDelete = kKeyDelete,
                    kLeft = kKeyLeft, kRight = kKeyRight, kUp = kKeyUp, kDown = kKeyDown, kHome = kKeyHome,
                    kEnd = kKeyEnd;

}  // namespace qv::test::key
