#include "app/win32_message_box_reporter.h"

#include "app/win32_wide.h"

#include <windows.h>

namespace diag {

void MessageBoxReporter::report(const std::exception& error) noexcept {
    try {
        std::wstring text = widen(describeError(error));
        MessageBoxW(GetActiveWindow(), text.c_str(), L"Diagnostic de la résolution", MB_OK | MB_ICONERROR);
    } catch (...) {
        MessageBoxW(nullptr, L"Une erreur s'est produite.", L"Diagnostic de la résolution", MB_OK | MB_ICONERROR);
    }
}

} // namespace diag
