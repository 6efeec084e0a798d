#pragma once
// The main window: its handlers and the start-up sequence.
#include "app/clock.h"
#include "app/error_report.h"
#include "app/module1.h"
#include "main_window/process_launcher.h"
#include "dialog/mini97.h"
#include "dialog/skin.h"
#include "display/display_api.h"
#include "display/display_modes.h"
#include "display/font_api.h"
#include "display/session_api.h"
#include "forms/form.h"
#include "main_window/help.h"
#include "store/record_file.h"

namespace diag {

// What the main window works with; all of it outlives the window.
struct Form1Services {
    DisplayApi& display;
    FontApi& font;
    const Clock& clock;
    RecordFile& recordFile; // W_ECRA_R.WDO: opened once at start-up, read again by the revert
    ProcessLauncher& launcher;
    HelpPageFiles& helpFiles;
    std::string_view helpAddress; // a web address chosen at build time; empty: the built-in page
    SessionApi& session;          // whether this session shows the till's screen
};

class Form1 {
  public:
    Form1(forms::Backend& backend, ErrorReporter& reporter, Module1& module, Form1Services services);

    forms::Form& form() { return form_; }
    forms::Control& control(std::string_view name, int16_t index = -1) { return form_.control(name, index); }

    // Starts the program: loads the window (its load handler runs as a system event) and
    // shows it. False when the window could not be shown (the user was told why).
    bool start();

    Mini97& dialog() { return dialog_; }

    // True once the start-up tick has run to its end or failed.
    bool startupFinished() const { return startupFinished_; }

  private:
    // The handlers, bound to the controls by name; run them through form().click or tick.
    void Form_Load();
    void Timer1_Timer();
    void Command1_Click();
    void Command4_Click();
    std::optional<bool> FontIsLarge(); // none when nothing was measured
    // Closes every open file and ends the process at once; the display mode stays.
    void QuitProgram();
    // A click on a resolution command (Command6's index, or kRevert), once the start-up
    // tick has finished.
    void resolutionClick(int16_t index);
    static constexpr int16_t kRevert = -1;
    void Command6_Click(int16_t index); // test the resolution of button index
    void Command5_Click();              // back to the saved resolution
    void Timer2_Timer();                // the window back to the top-left corner
    void Command3_Click();              // the help page

    // Puts the question to the user in the confirmation dialog: true when confirmed.
    bool confirmed(std::string prompt);
    // The mode tried for the session, then kept only when the person at the screen says
    // so in the keep question; otherwise, after the countdown too, the earlier mode back.
    void changeResolutionAndRepin();
    // After a change: one pass over pending messages, Timer2 at 5000 ms, the current
    // resolution shown.
    void afterChange();
    // The keep question, with its countdown: true when kept. It ends with no answer when
    // another program changes the mode meanwhile (the trial then ends, overtaken).
    bool keptByUser(DisplayModes::Trial& trial);
    // The current-resolution labels: the mode in force. The saved labels, the record and
    // the font state (fixed until the next sign-in) stay as they are.
    void showCurrentResolution();
    // What the next help request opens.
    HelpPage nextHelpPage();

    forms::Form form_;
    Module1& m_;
    Form1Services services_;
    DisplayModes display_;
    TileHolder tiles_;
    Mini97 dialog_;
    bool startupFinished_ = false;
    bool changing_ = false;              // in the pass over pending messages after a change
    std::optional<int16_t> nextCommand_; // a resolution command pressed meanwhile
};

inline constexpr uint32_t kStartupDelayMs = 500; // from the load to the start-up tick
inline constexpr uint32_t kRepinDelayMs = 5000;  // from a change to the window back in its corner
inline constexpr int kKeepSeconds = 15;          // a tried mode nobody keeps goes back after this

// Where the saved resolution is introduced, when this session recorded none: its mode is
// not the till's screen's.
inline constexpr const char* kNotRecordedCaption = " Résolution d'origine non enregistrée dans cette session";

inline constexpr forms::Color kLargeFontColor = 0xC0C0FF; // light red
inline constexpr forms::Color kNormalFontColor = 0xC0FFC0; // light green

} // namespace diag
