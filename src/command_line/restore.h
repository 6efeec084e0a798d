#pragma once
// /retour: back to the resolution saved in W_ECRA_R.WDO of the current directory, with
// the revert's checks of the saved size and its change (the same broadcasts). The file
// is only read.
#include "display/display_api.h"
#include "display/session_api.h"
#include "command_line/text_output.h"

namespace diag {

// The exit code: done when the saved mode is in force and stored afterwards; applied but
// not stored; no saved mode; mode refused; not the till's screen, where nothing is tried.
// Each failure is told on err.
int restoreSavedMode(DisplayApi& display, const SessionInfo& session, TextOutput& out, TextOutput& err);

} // namespace diag
