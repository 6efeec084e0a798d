#pragma once
// The command line beside the window: one switch a run, / or -, any case.
//   /rapport          the report on standard output
//   /rapport:FILE     the report written whole to FILE
//   /retour           back to the saved resolution, no dialog
//   /verifier         the verdict in one line: will the point-of-sale program display correctly
//   /synthese:FOLDER  the reports of many tills in FOLDER summed up in a page and a table
//   /? or /aide       the usage on standard output
// Without arguments the program is the window.
#include "app/exit_code.h"
#include "command_line/report.h"
#include "command_line/text_output.h"

#include <string>
#include <vector>

namespace diag {

struct Invocation {
    enum class Switch { Window, Usage, Report, Restore, Verify, Summary, Bad } what = Switch::Window;
    std::string file;    // Report: where to write it; empty for standard output. Summary: the folder
    std::string problem; // Bad: what is wrong, in French
};

// The arguments after the program's name, UTF-8.
Invocation parseArguments(const std::vector<std::string>& arguments);

// The French usage, CRLF line ends.
std::string usageText();

// Runs any switch but Window and returns the exit code.
int runSwitch(const Invocation& call, const ReportSources& sources, TextOutput& out, TextOutput& err);

} // namespace diag
