#pragma once
// The errors the display service raises.
#include "app/errors.h"

#include "display/devmode.h"

#include <cstdint>

namespace diag {

// The system refused a display change, or applied it without storing it.
class DisplayChangeError : public AppError {
  public:
    std::string describe() const override;
    // `inForce`: the mode is on the screen, only storing it failed (as DISP_CHANGE_NOTUPDATED says).
    DisplayChangeError(int32_t width, int32_t height, int16_t bits, int32_t code, bool inForce = false)
        : AppError("display change refused, code " + std::to_string(code)), width_(width), height_(height),
          bits_(bits), code_(code), inForce_(inForce || code == DISP_CHANGE_NOTUPDATED_) {}
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    int16_t bits() const { return bits_; }
    int32_t code() const { return code_; } // a DISP_CHANGE_* value
    bool inForce() const { return inForce_; }

  private:
    int32_t width_, height_;
    int16_t bits_;
    int32_t code_;
    bool inForce_;
};

} // namespace diag
