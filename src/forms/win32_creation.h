#pragma once
// Every class, window, font, icon and timer the backend makes is checked: a failure
// raises CreationError, naming what could not be made and the system's reason, and the
// owners release whatever was made before it (Windows builds only).
#include "app/errors.h"
#include "forms/creation_error.h"
#include "app/system_reason.h"

#include <windows.h>

#include <string>

namespace diag::forms {

// Asked before every creation. The program's own answers yes; the Windows tests link
// one of their own in its place that refuses the n-th creation, to prove each failure.
bool creationAllowed();

// Makes one thing with `make` and returns it; CreationError when it comes back empty.
template <class Make> auto create(const std::string& what, Make make) {
    decltype(make()) made{};
    if (creationAllowed()) {
        SetLastError(ERROR_SUCCESS);
        made = make();
        if (made) return made;
    } else {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY); // as a system out of resources would answer
    }
    DWORD code = GetLastError();
    throw CreationError(what, systemReason(code == ERROR_SUCCESS ? ERROR_NOT_ENOUGH_MEMORY : code));
}

} // namespace diag::forms
