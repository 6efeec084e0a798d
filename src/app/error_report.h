#pragma once
// Failures that reach the event that started the work are told to the user here, in
// French: what failed, why, and what to do.
#include <exception>
#include <string>

namespace diag {

// The French text for an error raised anywhere in the program.
std::string describeError(const std::exception& error);

class ErrorReporter {
  public:
    virtual ~ErrorReporter() = default;
    virtual void report(const std::exception& error) noexcept = 0;
};

} // namespace diag
