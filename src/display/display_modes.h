#pragma once
// Reading and changing the display mode of the current display device. Nothing is
// kept between calls: every value is read afresh from the system.
#include "display/display_api.h"
#include "display/display_errors.h"

#include <cstdint>
#include <optional>

namespace diag {

struct ModeSize {
    int32_t width, height;
};

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

    // A mode applied for this session only: on the screen, not stored, until kept. A
    // restart or a sign-out meanwhile comes back to the stored mode.
    struct Trial {
        DevModeRecord request; // as applied; stored as it is when kept
        DevModeRecord earlier; // the mode in force before, as the system described it
        // The way back is the stored mode (ChangeDisplaySettings(NULL, 0)): the earlier
        // mode was the stored one, or could not be read. Otherwise `earlier` is applied
        // for the session again, as another program had it.
        bool backToStored = true;
        std::optional<ModeSize> back; // the size the way back gives, when it is known
        int16_t backBits = 0;
        ModeSize mode{}; // the size tried
        int16_t bits = 0;
    };
    // As ChangeResolution, but for the session only: nothing when the mode is already in
    // force; DisplayChangeError when the system refuses it (nothing announced).
    std::optional<Trial> TryResolution(float width, float height, int16_t bits);
    // Stores the tried mode as the user's setting; DisplayChangeError (the mode in force
    // but not stored) when the system cannot.
    void KeepResolution(const Trial& trial);
    // Back to the mode in force before the trial, announced as a change is.
    void GiveBack(const Trial& trial);

  private:
    DevModeRecord current();
    // The early test and the request built from the mode in force (`base`, as enumerated):
    // false when that mode is already in force.
    bool prepare(float width, float height, int16_t bits, DevModeRecord& request, DevModeRecord* base = nullptr);
    void announce(double width, double height, int16_t bits);
    DisplayApi& api_;
    uint32_t failedQueries_ = 0;
};

} // namespace diag
