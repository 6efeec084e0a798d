#include "app/win32_message_box_reporter.h"

#include "app/win32_wide.h"

#include <windows.h>

namespace diag {

void MessageBoxReporter::reportFrom(const std::exception& error, uintptr_t owner) noexcept {
    HWND window = reinterpret_cast<HWND>(owner);
    try {
        std::wstring text = widen(describeError(error));
        MessageBoxW(window, text.c_str(), L"Diagnostic de la résolution", MB_OK | MB_ICONERROR);
    } catch (...) {
        MessageBoxW(window, L"Une erreur s'est produite.", L"Diagnostic de la résolution", MB_OK | MB_ICONERROR);
    }
}

} // namespace diag
