// The system ANSI code page, asked of Windows itself.
#include "app/ansi.h"
#include "app/win32_wide.h"

#include <windows.h>

namespace diag {

std::string ansiToUtf8(std::string_view ansi) {
    if (ansi.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
    return narrow(wide);
}

std::string utf8ToAnsi(std::string_view utf8) {
    std::wstring wide = widen(utf8);
    if (wide.empty()) return {};
    int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, "?", nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, "?", nullptr);
    return out;
}

} // namespace diag
