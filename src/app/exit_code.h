#pragma once
// What the program ends with, for scripts and remote-management tools: a command-line
// run, or the window.
namespace diag {

enum ExitCode : int {
    // A switch that did its work; the window closed by its exit picture or its close box.
    kExitDone = 0,
    kExitReportNotWritten = 1,
    kExitBadArguments = 2,
    kExitNoSavedMode = 3, // W_ECRA_R.WDO absent, not initialised, unreadable, or its size unusable
    kExitModeRefused = 4, // the system refused the saved mode
    // The session does not show the till's screen (no screen, a remote session, another
    // session than the console's): a report is written but describes no till's screen,
    // /retour changes nothing, the window does not start where it cannot be seen.
    kExitNotTheScreen = 5,
    // /verifier: the point-of-sale program will not display correctly here (the text is
    // enlarged, or the screen is smaller than its classic window).
    kExitDisplayNotSuitable = 6,
    // The main window could not be made (the system lacked memory or resources); the user
    // was told why in a message box.
    kExitWindowNotMade = 7,
    // /retour: the saved mode is in force, but Windows could not store it as the user's
    // setting, so the next sign-in brings the stored one back.
    kExitAppliedNotStored = 8,
    // /synthese: the folder of reports cannot be read (absent, not a folder, refused);
    // nothing was written.
    kExitFolderNotRead = 9,
};

} // namespace diag
