#pragma once
// The error of a window, font, icon or class the system could not make.
#include "app/errors.h"

#include <string>

namespace diag {

// The system could not make a window, a font, an icon or a timer the program needs.
class CreationError : public AppError {
  public:
    std::string describe() const override;
    CreationError(std::string what, std::string reason)
        : AppError("could not create " + what), thing_(std::move(what)), reason_(std::move(reason)) {}
    const std::string& thing() const { return thing_; } // French, e.g. "la fenêtre « Confirmation »"
    const std::string& reason() const { return reason_; }

  private:
    std::string thing_, reason_;
};

} // namespace diag
