#pragma once
// The base of the program's errors, and those of the value rules. Each layer declares
// the errors it raises beside its code (display/display_errors.h, store/store_errors.h,
// forms/creation_error.h, main_window/help_errors.h), each with its French text.
// They travel up to the event that started the work: Form::deliver (forms/form.h) for
// the window, runSwitch's cases (command_line/command_line.h) for the command line, which tell
// them in French (describeError). On the way only a few places catch one to go on or to
// put it aside: the start-up capture keeps the file's failure to tell it after the labels
// (store/saved_resolution.cpp), the report notes what it could not read
// (command_line/report.cpp), the help page tries its next folder (main_window/help.cpp), and
// the whole-file writes remove what they made before passing it on.
#include <exception>
#include <string>

namespace diag {

// Not a std::runtime_error: its reference-counted string would bring the library's
// second string implementation into the exe (some 40 KiB of the 32-bit one).
class AppError : public std::exception {
  public:
    explicit AppError(std::string what) : what_(std::move(what)) {}
    const char* what() const noexcept override { return what_.c_str(); }
    // What the user is told, in French: what failed, why, and what to do.
    virtual std::string describe() const;

  private:
    std::string what_;
};

// A value that does not fit the variable or integer it is stored in.
class OverflowError : public AppError {
  public:
    std::string describe() const override;
    explicit OverflowError(std::string value)
        : AppError("overflow: " + value), value_(std::move(value)) {}
    const std::string& value() const { return value_; }

  private:
    std::string value_;
};

// Invalid operation, division by zero or overflow inside a floating-point computation.
class FloatingPointError : public AppError {
  public:
    std::string describe() const override;
    using AppError::AppError;
};

} // namespace diag
