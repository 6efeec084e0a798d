#pragma once
// /synthese:FOLDER: the reports of a folder of tills' reports turned into one page
// (synthese.html) and one table (synthese.csv) in the current folder. It reads files
// only, so it needs no screen and runs in any session.
#include "app/clock.h"

#include <string>

namespace diag {

inline constexpr const char* kSummaryPage = "synthese.html";
inline constexpr const char* kSummaryTable = "synthese.csv";

struct SummaryRun {
    int exitCode = 0;  // an ExitCode
    std::string said;  // UTF-8, CRLF: for standard output
    std::string error; // likewise, for standard error
};

// Exit codes: kExitDone when both files are written, whatever the tills say;
// kExitFolderNotRead where FOLDER cannot be listed; kExitReportNotWritten where an
// output cannot be written, would replace a report or a record file, or would go into
// FOLDER itself. Nothing is ever written, moved or locked in FOLDER.
SummaryRun summariseFolder(const std::string& folder, const LocalTime& now);

} // namespace diag
