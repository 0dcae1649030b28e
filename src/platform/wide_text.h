// UTF-8 inside, UTF-16 at the Windows API: the two conversions (Windows builds only).
#pragma once

#include <string>

namespace qv::platform {

std::string toUtf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& text);

}  // namespace qv::platform
