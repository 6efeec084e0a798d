// The program's creation gate: every creation may go ahead. Alone in its file, so that a
// test program can link its own gate instead (see win32_creation.h).
#include "forms/win32_creation.h"

namespace diag::forms {

bool creationAllowed() { return true; }

} // namespace diag::forms
