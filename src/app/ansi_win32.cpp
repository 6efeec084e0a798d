// The system ANSI code page, asked of Windows itself.
#include "app/ansi.h"
#include "app/win32_wide.h"

#include <windows.h>

namespace diag {

std::string ansiToUtf8(std::string_view ansi) { return narrow(widen(ansi, CP_ACP)); }

std::string utf8ToAnsi(std::string_view utf8) { return narrow(widen(utf8), CP_ACP, "?"); }

} // namespace diag
