#include "platform/message_box.h"

#include <windows.h>

namespace qv::platform {
void showMessageBox(const char* title, const char* text) { MessageBoxA(nullptr, text, title, MB_OK); }
}  // namespace qv::platform
