#include "app/win32_wide.h"

#include <windows.h>

namespace diag {

std::wstring widen(std::string_view text, unsigned codePage) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string narrow(std::wstring_view utf16, unsigned codePage, const char* missing) {
    if (utf16.empty()) return {};
    int n = WideCharToMultiByte(codePage, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0, missing,
                                nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n, missing, nullptr);
    return out;
}

std::wstring widen(std::string_view utf8) { return widen(utf8, CP_UTF8); }
std::string narrow(std::wstring_view utf16) { return narrow(utf16, CP_UTF8); }

} // namespace diag
