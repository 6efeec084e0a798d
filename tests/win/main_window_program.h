#pragma once
// The main window of the program on the real backend, with simulated display and font, a
// fixed clock and a launcher that records.
#include "display/simulated_display.h"
#include "display/simulated_font.h"
#include "display/simulated_session.h"
#include "forms/win32_backend.h"
#include "main_window/form1.h"
#include "main_window/win32_help_files.h"
#include "support/fixed_clock.h"
#include "support/launchers.h"
#include "support/recording_reporter.h"

#include <windows.h>

namespace diag::wintest {

struct MainWindowProgram {
    forms::Win32Backend backend{GetModuleHandleW(nullptr)};
    RecordingReporter reporter;
    Module1 module;
    SimulatedDisplay display{{1280, 1024, 32}};
    SimulatedFont font{16};
    SimulatedSession session;
    test::FixedClock clock;
    RecordFile recordFile;
    test::RecordingLauncher launcher;
    Win32HelpPageFiles helpFiles{GetModuleHandleW(nullptr)};
    Form1 form1{backend, reporter, module, {display, font, clock, recordFile, launcher, helpFiles, {}, session}};
};

} // namespace diag::wintest
