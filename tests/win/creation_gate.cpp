// The creation gate of the Windows tests, linked in place of the program's own: it can
// refuse the n-th creation from now on, as a system out of resources would.
#include "creation_gate.h"

#include "forms/win32_creation.h"

namespace {
int g_creations = 0;
int g_refuse = 0;
} // namespace

namespace diag::forms {

bool creationAllowed() { return ++g_creations != g_refuse; }

} // namespace diag::forms

namespace diag::wintest {

void refuseCreation(int n) {
    g_creations = 0;
    g_refuse = n;
}

int creationsSince() { return g_creations; }

} // namespace diag::wintest
