// The program's entry: builds the services, then either runs a command-line switch and
// ends with its exit code, or starts the main window and runs the messages.
#include "app/clock.h"
#include "app/module1.h"
#include "app/win32_message_box_reporter.h"
#include "display/win32_display_api.h"
#include "display/win32_session_api.h"
#include "forms/win32_backend.h"
#include "main_window/form1.h"
#include "main_window/form1_design.h"
#include "main_window/win32_help_files.h"
#include "main_window/win32_process_launcher.h"
#include "command_line/command_line.h"
#include "command_line/win32_console.h"
#include "store/record_file.h"

#include <windows.h>
#include <objbase.h>

namespace {

// A switch runs with no window at all: no form, no message box.
int runFromCommandLine(const diag::Invocation& call, diag::SessionApi& session) {
    diag::Win32DisplayApi display;
    diag::Win32FontApi font;
    diag::SystemClock clock;
    diag::Win32StdStream out(diag::Win32StdStream::Which::Output);
    diag::Win32StdStream err(diag::Win32StdStream::Which::Error);
    return diag::runSwitch(call, {display, font, session, clock, DIAGRESO_VERSION, diag::computerName(),
                                  diag::testButtonCaptions()},
                           out, err);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // DLLs that are not loaded at start come only from the system folder, never from the
    // point-of-sale folder the program runs in.
    using SetDirs = BOOL(WINAPI*)(DWORD);
    if (auto set = reinterpret_cast<SetDirs>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories"))))
        set(LOAD_LIBRARY_SEARCH_SYSTEM32);
    diag::Invocation call = diag::parseArguments(diag::commandLineArguments());
    diag::Win32SessionApi session;
    if (call.what != diag::Invocation::Switch::Window) return runFromCommandLine(call, session);
    // Where no window can be seen (a service, a task run while nobody is logged on) nobody
    // could answer the window, and the mode read there is no screen's: it must neither run
    // unseen nor record that mode as the origin.
    if (!session.session().visible) return diag::kExitNotTheScreen;

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    diag::forms::Win32Backend backend(instance);
    diag::MessageBoxReporter reporter;
    diag::Module1 module;
    diag::Win32DisplayApi display;
    diag::Win32FontApi font;
    diag::SystemClock clock;
    diag::RecordFile recordFile;
    diag::Win32ProcessLauncher launcher;
    diag::Win32HelpPageFiles helpFiles(instance);
    diag::Form1 form1(backend, reporter, module,
                      {display, font, clock, recordFile, launcher, helpFiles, DIAGRESO_HELP_URL, session});
    // Told in a message box: nothing to run without the window.
    if (!form1.start()) return diag::kExitWindowNotMade;
    // The window ends in Form1's QuitProgram (the exit picture, the close box, Alt+F4):
    // ExitProcess with kExitDone, at once. The loop returns only at a WM_QUIT from outside.
    backend.run();
    return diag::kExitDone;
}
