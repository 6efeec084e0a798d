#pragma once
// The confirmation dialog. Callers set DialogCode (4, or 132 for a text box as well)
// and DialogText (the prompt), call show(), and read DialogCode: 6 means confirmed.
#include "app/module1.h"
#include "dialog/skin.h"
#include "forms/form.h"

#include <functional>
#include <optional>
#include <string>

namespace diag {

inline constexpr int16_t kRequestChoice = 4;   // as MB_YESNO
inline constexpr int16_t kTextBoxFlag = 128;
inline constexpr int16_t kAnswerConfirm = 6;   // as IDYES
inline constexpr int16_t kAnswerCancel = 7;    // as IDNO
inline constexpr const char* kDialogPictureFile = "fc_img_024.gif";

extern const forms::FormDesign kMini97Design;

class Mini97 {
  public:
    Mini97(forms::Backend& backend, ErrorReporter& reporter, Module1& module, TileHolder& holder);

    // Loads the dialog afresh and shows it modally with no owner; returns once it has
    // been unloaded. Errors of the load pass to the caller.
    void show();

    // A question that answers itself: a second line below the prompt counts the seconds
    // down, once a second, and at 0 the dialog closes with no answer, as Esc does. It
    // also closes with no answer at a change of the display mode after which `moot` says
    // there is nothing left to ask.
    struct Countdown {
        int seconds;
        std::string before, after; // the second line: before, the seconds left, after
        std::function<bool()> moot = {};
    };
    void show(Countdown countdown);

    forms::Form& form() { return form_; }

  private:
    void Form_Load();
    void btc_Click(int16_t index);
    void Timer1_Timer();
    void showPrompt();
    void closeUnanswered();

    forms::Form form_;
    Module1& m_;
    TileHolder& holder_;
    std::optional<Countdown> countdown_; // for the show under way
    int secondsLeft_ = 0;
};

inline constexpr uint32_t kCountdownStepMs = 1000;

} // namespace diag
