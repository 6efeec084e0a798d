#pragma once
// Failures that reach the event that started the work are told to the user here, in
// French: what failed, why, and what to do.
#include <cstdint>
#include <exception>
#include <string>

namespace diag {

// The French text for an error raised anywhere in the program.
std::string describeError(const std::exception& error);

class ErrorReporter {
  public:
    virtual ~ErrorReporter() = default;
    virtual void report(const std::exception& error) noexcept = 0;
    // The same, raised by an event of a window: `owner` is the window the message must
    // belong to (an HWND on Windows, 0 for none), so that nothing of the program answers
    // meanwhile. Without a window of its own a reporter ignores it.
    virtual void reportFrom(const std::exception& error, uintptr_t owner) noexcept {
        (void)owner;
        report(error);
    }
};

} // namespace diag
