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

    enum class Outcome { AlreadyInForce, StoredOnly, Applied, AppliedNotStored };

    // Switches to width x height at bits per pixel, stores it as the user's setting and
    // tells every top-level window. A mode already in force and stored is left alone
    // (AlreadyInForce); one in force for the session only is stored (StoredOnly: nothing
    // to announce). A change the system refuses raises DisplayChangeError and announces
    // nothing. One it applies without storing (DISP_CHANGE_NOTUPDATED) is in force: it is
    // announced and returned as AppliedNotStored, for the caller to finish the change and
    // then say so.
    Outcome ChangeResolution(float width, float height, int16_t bits);

    // A mode applied for this session only: on the screen, not stored, until kept. It owns
    // the way back: destroyed before it is kept, it gives the earlier mode back (announced
    // as a change is), so that no failure between the change and the answer leaves a mode
    // nobody kept. A restart or a sign-out meanwhile comes back to the stored mode.
    class Trial {
      public:
        Trial(Trial&& other) noexcept;
        Trial& operator=(Trial&&) = delete;
        // A way back that fails here cannot be told: the error that ended the trial is.
        ~Trial();

        // Stores the tried mode as the user's setting. The trial is over even when the
        // system cannot store it: DisplayChangeError, the mode in force but not stored.
        void keep();
        // Back to the mode in force before, announced; DisplayChangeError when refused.
        void giveBack();
        // True when the mode in force is no longer the one tried (another program changed
        // it): then the trial is over with nothing given back, the other mode stays; true
        // again when asked later.
        bool overtaken();
        // Once over (kept, given back, overtaken), keep and giveBack do nothing.

        ModeSize mode{}; // the size tried
        int16_t bits = 0;
        std::optional<ModeSize> back; // the size the way back gives, when it is known
        int16_t backBits = 0;

      private:
        friend class DisplayModes;
        explicit Trial(DisplayModes& modes);
        DisplayModes* release(); // the trial over: its DisplayModes, or none if it was
        DisplayModes* modes_;    // none once the trial is over
        DevModeRecord request; // as applied; stored as it is when kept
        DevModeRecord earlier; // the mode in force before, as the system described it
        // The way back is the stored mode (ChangeDisplaySettings(NULL, 0)): the earlier
        // mode was the stored one, or could not be read. Otherwise `earlier` is applied
        // for the session again, as another program had it.
        bool backToStored = true;
        bool overtaken_ = false;
    };
    // As ChangeResolution, but for the session only: nothing when the mode is already in
    // force; DisplayChangeError when the system refuses it (nothing announced).
    std::optional<Trial> TryResolution(float width, float height, int16_t bits);
    // The program ends: a trial under way gives its mode back first (a failure is not
    // told, the program ends all the same), as its owner would.
    void endTrial() noexcept;

  private:
    DevModeRecord current();
    // The early test and the request built from the mode in force (`base`, as enumerated):
    // false when that mode is already in force.
    bool prepare(float width, float height, int16_t bits, DevModeRecord& request, DevModeRecord* base = nullptr);
    void announce(double width, double height, int16_t bits);
    DisplayApi& api_;
    uint32_t failedQueries_ = 0;
    Trial* trial_ = nullptr; // the trial under way, kept by the trial itself
};

} // namespace diag
