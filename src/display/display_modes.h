#pragma once
// Reading and changing the display mode of the current display device. Nothing is
// kept between calls: every value is read afresh from the system.
#include "display/display_api.h"

#include <cstdint>

namespace diag {

class DisplayModes {
  public:
    explicit DisplayModes(DisplayApi& api) : api_(api) {}

    int16_t GetCurrentWidth();        // OverflowError beyond 16 bits
    int16_t GetCurrentHeight();       // OverflowError beyond 16 bits
    int16_t GetCurrentBitsPerPixel(); // the 16-bit value as the record holds it
    // How many queries of the mode in force the system has failed so far (their values read 0).
    uint32_t failedQueries() const { return failedQueries_; }

    enum class Outcome { AlreadyInForce, Applied, AppliedNotStored };

    // Switches to width x height at bits per pixel, stores it as the user's setting and
    // tells every top-level window. Returns at once when that mode is already in force.
    // A change the system refuses raises DisplayChangeError and announces nothing. One it
    // applies without storing (DISP_CHANGE_NOTUPDATED) is in force: it is announced and
    // returned as AppliedNotStored, for the caller to finish the change and then say so.
    Outcome ChangeResolution(float width, float height, int16_t bits);

  private:
    DevModeRecord current();
    DisplayApi& api_;
    uint32_t failedQueries_ = 0;
};

} // namespace diag
