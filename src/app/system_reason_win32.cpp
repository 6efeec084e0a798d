#include "app/system_reason.h"

#include "app/win32_handles.h"
#include "app/win32_wide.h"

#include <windows.h>

namespace diag {

std::string systemReason(unsigned long code) {
    UniqueLocal<wchar_t> text;
    DWORD n = 0;
    for (DWORD lang : {static_cast<DWORD>(MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH)), DWORD{0}}) {
        n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, lang, reinterpret_cast<wchar_t*>(text.put()), 0, nullptr);
        if (n) break;
    }
    std::wstring reason = n && text ? std::wstring(text.get(), n) : widen("erreur " + std::to_string(code));
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L' ' ||
                               reason.back() == L'.'))
        reason.pop_back();
    return narrow(reason);
}

} // namespace diag
