#include "command_line/win32_console.h"

#include "app/system_reason.h"
#include "app/win32_handles.h"
#include "app/win32_wide.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>

namespace diag {

namespace {

bool usable(HANDLE h) { return h && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN; }

// A window program is given no console: it borrows the one it was started from, once,
// for both streams. "Access denied" means it is attached to one already.
HANDLE parentConsole() {
    static HANDLE console = [] {
        if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED)
            return INVALID_HANDLE_VALUE;
        return CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    }();
    return console;
}

} // namespace

std::vector<std::string> commandLineArguments() {
    int count = 0;
    UniqueLocal<wchar_t*> argv(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::string> arguments;
    for (int i = 1; argv && i < count; ++i) arguments.push_back(narrow(argv.get()[i]));
    return arguments;
}

std::string computerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) ? narrow(std::wstring_view(name, size)) : std::string();
}

Win32StdStream::Win32StdStream(Which which) {
    HANDLE h = GetStdHandle(which == Which::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (!usable(h)) h = parentConsole();
    DWORD mode = 0;
    console_ = usable(h) && GetConsoleMode(h, &mode);
    handle_ = h;
}

bool Win32StdStream::write(std::string_view utf8) {
    HANDLE h = handle_;
    if (!usable(h)) {
        failure_ = "le programme n'a ni sortie redirigée ni console";
        return false;
    }
    DWORD done = 0;
    if (console_) {
        std::wstring text = widen(utf8);
        // In slices: older consoles refuse one large write.
        for (size_t at = 0; at < text.size(); at += done) {
            DWORD slice = static_cast<DWORD>(std::min<size_t>(text.size() - at, 8192));
            BOOL ok = WriteConsoleW(h, text.data() + at, slice, &done, nullptr);
            if (!ok || done == 0) return fail(ok != FALSE);
        }
        return true;
    }
    for (size_t at = 0; at < utf8.size(); at += done) {
        BOOL ok = WriteFile(h, utf8.data() + at, static_cast<DWORD>(utf8.size() - at), &done, nullptr);
        if (!ok || done == 0) return fail(ok != FALSE);
    }
    return true;
}

bool Win32StdStream::fail(bool callSucceeded) {
    failure_ = callSucceeded ? std::string("rien n'a pu être écrit") : systemReason(GetLastError());
    return false;
}

} // namespace diag
