#pragma once
// What a command-line run ends with, for scripts and remote-management tools.
namespace diag {

enum ExitCode : int {
    kExitDone = 0,
    kExitReportNotWritten = 1,
    kExitBadArguments = 2,
    kExitNoSavedMode = 3, // W_ECRA_R.WDO absent, not initialised, unreadable, or its size unusable
    kExitModeRefused = 4, // the system refused the saved mode
};

} // namespace diag
