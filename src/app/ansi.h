#pragma once
// The system ANSI code page. Windows builds ask the system (CP_ACP); the native
// build stands in with Windows-1252, the code page of French Windows.
#include <string>
#include <string_view>

namespace diag {

std::string ansiToUtf8(std::string_view ansi);
// Characters the code page cannot hold become '?', as the system's own conversion does.
std::string utf8ToAnsi(std::string_view utf8);

} // namespace diag
