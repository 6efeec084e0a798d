#pragma once
#include "app/error_report.h"

#include <string>
#include <vector>

// Keeps the French texts the user would have been shown.
class RecordingReporter final : public diag::ErrorReporter {
  public:
    void report(const std::exception& error) noexcept override { messages.push_back(diag::describeError(error)); }
    std::vector<std::string> messages;
};
