#pragma once
// Reading and changing the display mode of the current display device. Nothing is
// kept between calls: every value is read afresh from the system.
#include "app/current_mode.h"
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
    // The mode in force, read afresh by the three queries above in that order: none where
    // the system could not tell it (a session without a screen; the queries then read 0).
    // OverflowError as they raise it.
    std::optional<CurrentMode> readCurrentMode();

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
        // Gives back as giveBack does. A way back that fails here cannot be told: the error
        // that ended the trial is.
        ~Trial();

        // Stores the tried mode as the user's setting. The trial is over even when the
        // system cannot store it: DisplayChangeError, the mode in force but not stored.
        void keep();
        // Back to the mode in force before, announced; DisplayChangeError when refused.
        // Where another program's mode is in force instead of the one tried, that mode
        // stays: the trial ends as endIfOvertaken ends it.
        void giveBack();
        // Where the mode in force is no longer the one tried (another program changed it),
        // ends the trial with nothing given back, the other mode staying, and returns true
        // (again when asked later). A mode the system does not tell is no such sign.
        bool endIfOvertaken();
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
    // The program ends: a trial under way gives its mode back first, unless another
    // program's mode is in force (a failure is not told, the program ends all the same),
    // as its owner would.
    void endTrial() noexcept;

  private:
    // The mode in force as the system describes it; zero-filled (dmSize 0) where it could
    // not tell it, `told` false.
    struct Enumerated {
        DevModeRecord record;
        bool told;
    };
    Enumerated current();
    // The early test, then the request built from the mode in force as enumerated
    // (`base`): false when that mode is already in force.
    bool prepare(float width, float height, int16_t bits, Enumerated& base, DevModeRecord& request);
    void announce(double width, double height, int16_t bits);
    DisplayApi& api_;
    uint32_t failedQueries_ = 0; // queries of the mode in force the system failed so far
    Trial* trial_ = nullptr; // the trial under way, kept by the trial itself
};

} // namespace diag
