#pragma once
// UTF-8 inside, UTF-16 at the Win32 boundary (Windows builds only).
#include <string>
#include <string_view>

namespace diag {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

} // namespace diag
