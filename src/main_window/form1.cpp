#include "main_window/form1.h"

#include "main_window/form1_design.h"

#include "app/exit_code.h"
#include "app/values.h"
#include "store/saved_resolution.h"

#include <utility>

namespace diag {

Form1::Form1(forms::Backend& backend, ErrorReporter& reporter, Module1& module, Form1Services services)
    : form_(kForm1Design, backend, reporter), m_(module), services_(services), display_(services.display),
      tiles_(backend, reporter), dialog_(backend, reporter, module, tiles_) {
    form_.onLoad = [this] { Form_Load(); };
    form_.setTickHandler("Timer1", [this] { Timer1_Timer(); });
    form_.setClickHandler("Command1", [this](int16_t) { Command1_Click(); });
    form_.setClickHandler("Command4", [this](int16_t) { Command4_Click(); });
    form_.setClickHandler("Image6", [this](int16_t) { QuitProgram(); });
    // The resolution commands rely on what the start-up tick sets up (the open file, the
    // captured mode): clicks that come before it has finished are ignored. (The second
    // press of the double-click that confirmed a change reaches no command: the backend
    // drops it.)
    form_.setClickHandler("Command6", [this](int16_t index) { resolutionClick(index); });
    form_.setClickHandler("Command5", [this](int16_t) { resolutionClick(kRevert); });
    form_.setClickHandler("Image5", [this](int16_t) { resolutionClick(kRevert); });
    form_.setTickHandler("Timer2", [this] { Timer2_Timer(); });
    form_.setClickHandler("Command3", [this](int16_t) { Command3_Click(); });
    form_.setClickHandler("Label6", [this](int16_t) { Command3_Click(); });
    // Nothing has a use for a run without the main window: a close request quits too.
    form_.onCloseRequest = [this] { QuitProgram(); };
    // Before the start-up tick the labels are still to be filled by it.
    form_.onDisplayChange = [this] {
        if (startupFinished_) showCurrentResolution();
    };
}

bool Form1::start() {
    // A load that failed is told once and leaves no window without its start-up tick.
    if (!form_.deliver([this] { form_.load(); })) return false;
    // A window the system could not make is told like any failure of an event.
    return form_.deliver([this] { form_.show(); });
}

void Form1::Form_Load() {
    form_.setLeft(0);
    form_.setTop(0);
    control("Timer1").setInterval(kStartupDelayMs);
    // The address the help command opens; nothing is written before it is asked for.
    control("Label6", 1).setCaption(nextHelpPage().address);
}

void Form1::Timer1_Timer() {
    // Stopped first, so a slow start-up can never see a second tick. Nothing in the tick
    // runs messages, so no command can come while it runs: they may follow it from here,
    // whether it ends well or not.
    control("Timer1").setInterval(0);
    startupFinished_ = true;
    Command1_Click();
    Command4_Click();
}

void Form1::QuitProgram() {
    // Ended from outside during the keep question (a close request): nobody kept the mode.
    display_.endTrial();
    closeAllFiles();
    form_.backend().endProgram(kExitDone);
}

std::optional<bool> Form1::FontIsLarge() { return diag::FontIsLarge(services_.font); }

void Form1::Command1_Click() {
    forms::Control& label2 = control("Label2");
    std::optional<bool> large = FontIsLarge();
    // Not measured: the label stays as it is, as the current resolution's do.
    if (!large) return;
    if (*large) {
        label2.setCaption("Grossie");
        label2.setBackColor(kLargeFontColor);
    } else {
        label2.setCaption("Normale");
        label2.setBackColor(kNormalFontColor);
    }
}

void Form1::Command4_Click() {
    auto caption = [this](const char* name) {
        return [this, name](const std::string& text) { control(name).setCaption(text); };
    };
    auto notRecorded = [this] { control("Label10").setCaption(kNotRecordedCaption); };
    captureSavedResolution(m_, services_.recordFile, services_.clock, [this] { return display_.readCurrentMode(); },
                           {caption("Label11"), caption("Label12"), caption("Label16"), caption("Label15"), notRecorded},
                           services_.session.session().showsTheScreen());
}

} // namespace diag

namespace diag {

void Form1::resolutionClick(int16_t index) {
    if (!startupFinished_) return;
    // Pressed in the pass over messages after a change: its turn comes once that change
    // is done, rather than in the middle of it.
    if (changing_) {
        nextCommand_ = index;
        return;
    }
    nextCommand_.reset();
    for (std::optional<int16_t> run = index; run; run = std::exchange(nextCommand_, std::nullopt)) {
        if (*run == kRevert)
            Command5_Click();
        else
            Command6_Click(*run);
    }
}

void Form1::Command6_Click(int16_t index) {
    std::string caption = control("Command6", index).caption();
    CaptionParts parts = splitCaption(caption);
    m_.SeparatorPos = narrowToInt16(static_cast<int32_t>(parts.separatorPos));
    m_.ModeWidth = toSingle(readNumber(parts.width));
    m_.ModeHeight = toSingle(readNumber(parts.height));

    if (confirmed("Confirmez le test de la résolution en mode \r\n" + wholeNumber(m_.ModeWidth) + " x " +
                  wholeNumber(m_.ModeHeight) + " ?"))
        changeResolutionAndRepin();
}

void Form1::Command5_Click() {
    if (!confirmed("Confirmez le retour à la résolution d'origine ?")) return;
    readSavedMode(m_, services_.recordFile);
    changeResolutionAndRepin();
}

bool Form1::confirmed(std::string prompt) {
    m_.DialogCode = kRequestChoice;
    m_.DialogText = std::move(prompt);
    dialog_.show();
    return m_.DialogCode == kAnswerConfirm;
}

void Form1::changeResolutionAndRepin() {
    // Until it is kept, the trial gives the earlier mode back if anything fails.
    std::optional<DisplayModes::Trial> trial = display_.TryResolution(m_.ModeWidth, m_.ModeHeight, m_.ModeBits);
    afterChange();
    if (!trial) return; // the mode was already in force: nothing to keep
    bool kept = keptByUser(*trial);
    // Another program's mode stays, whatever the answer: only the labels follow it.
    if (trial->endIfOvertaken()) return showCurrentResolution();
    if (kept) return trial->keep();
    trial->giveBack();
    afterChange();
}

bool Form1::keptByUser(DisplayModes::Trial& trial) {
    auto size = [](ModeSize s) { return std::to_string(s.width) + " x " + std::to_string(s.height); };
    std::string back = trial.back ? size(*trial.back) : "la résolution précédente";
    m_.DialogCode = kRequestChoice;
    m_.DialogText = "Conserver la résolution " + size(trial.mode) + " ?";
    dialog_.show({kKeepSeconds, "Retour à " + back + " dans ", " s", [&trial] { return trial.endIfOvertaken(); }});
    return m_.DialogCode == kAnswerConfirm;
}

void Form1::afterChange() {
    // Every event of the pass is delivered through Form::deliver, which stops its errors:
    // only the program's end leaves the pass, and then nothing of the program runs.
    changing_ = true;
    form_.backend().doEvents();
    changing_ = false;
    control("Timer2").setInterval(kRepinDelayMs);
    showCurrentResolution();
}

void Form1::showCurrentResolution() {
    // The mode in force, read afresh; one the system could not tell leaves the labels.
    std::optional<CurrentMode> now = display_.readCurrentMode();
    if (!now) return;
    control("Label16").setCaption(wholeNumber(now->width));
    control("Label15").setCaption(wholeNumber(now->height));
}

void Form1::Timer2_Timer() {
    form_.setLeft(0);
    form_.setTop(0);
    control("Timer2").setInterval(0);
}

HelpPage Form1::nextHelpPage() {
    if (!services_.helpAddress.empty()) return {{}, std::string(services_.helpAddress)};
    std::string local = services_.helpFiles.localAppDataFolder();
    return helpPageIn(local.empty() ? services_.helpFiles.temporaryFolder() : local);
}

void Form1::Command3_Click() {
    HelpPage page = services_.helpAddress.empty() ? writeHelpPage(services_.helpFiles) : nextHelpPage();
    // Where the page had to go elsewhere, the window says where.
    if (control("Label6", 1).caption() != page.address) control("Label6", 1).setCaption(page.address);
    openHelpPage(services_.launcher, page);
}

} // namespace diag
