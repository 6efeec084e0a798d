#pragma once
// Failures reach the user as a French message box; the program carries on (Windows builds only).
#include "app/error_report.h"

namespace diag {

class MessageBoxReporter final : public ErrorReporter {
  public:
    void report(const std::exception& error) noexcept override { reportFrom(error, 0); }
    // Owned by that window (turned off until the box is closed), not by the active one,
    // which is none while the person works in another program.
    void reportFrom(const std::exception& error, uintptr_t owner) noexcept override;
};

} // namespace diag
