#pragma once
// UTF-8 inside, UTF-16 at the Win32 boundary (Windows builds only).
#include <string>
#include <string_view>

namespace diag {

// From and to a code page of the system's (CP_UTF8, CP_ACP...); a character the code
// page cannot hold becomes `missing` where one is given, as the system's own conversion does.
std::wstring widen(std::string_view text, unsigned codePage);
std::string narrow(std::wstring_view utf16, unsigned codePage, const char* missing = nullptr);

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

} // namespace diag
