// A modal message for the user: a message box on Windows, a line on standard error elsewhere.
#pragma once

namespace qv::platform {
void showMessageBox(const char* title, const char* text);
}
