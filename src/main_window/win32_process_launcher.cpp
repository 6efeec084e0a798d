#include "main_window/win32_process_launcher.h"

#include "app/win32_handles.h"
#include "app/win32_wide.h"

#include <windows.h>
#include <shellapi.h>

namespace diag {

bool Win32ProcessLauncher::start(const std::string& application, const std::string& commandLine, int showState) {
    std::wstring app = widen(application);
    std::wstring cmd = widen(commandLine); // CreateProcessW may write into it
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(showState);
    PROCESS_INFORMATION pi{};
    // With the application named, the command line is passed as it is and nothing is
    // looked for at "c:\Program", "c:\Program Files\Internet", ...
    if (!CreateProcessW(app.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    // Not waited for nor watched: both handles go at once.
    UniqueKernelHandle thread(pi.hThread), process(pi.hProcess);
    return true;
}

bool Win32ProcessLauncher::openWithDefaultBrowser(const std::string& address, int showState) {
    auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", widen(address).c_str(), nullptr, nullptr, showState));
    return result > 32;
}

} // namespace diag
