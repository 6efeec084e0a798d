#pragma once
// Failures reach the user as a French message box; the program carries on (Windows builds only).
#include "app/error_report.h"

namespace diag {

class MessageBoxReporter final : public ErrorReporter {
  public:
    void report(const std::exception& error) noexcept override;
};

} // namespace diag
