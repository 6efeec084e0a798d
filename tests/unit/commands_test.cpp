// The resolution tests, the revert, the re-pinning timer and the help command of the
// main window, on the headless backend.
#include "dialog/mini97.h"
#include "form1_fixture.h"
#include "store/saved_resolution.h"
#include "support/records.h"

#include <algorithm>
#include <optional>

using namespace diag::testing_support;
using diag::test::rec;
using CallKind = SimulatedDisplay::Call::Kind;

namespace {

class CommandsTest : public Form1Test {
  protected:
    // Starts the program and lets the start-up tick run.
    Form1& started() {
        Form1& f = make(font);
        f.start();
        backend.advance(500);
        return f;
    }
    // Elsewhere: another program's change, its notice dispatched; ElsewhereThenQuit: one
    // whose notice has not come yet when the program is closed.
    enum class Keep { Valider, Annuler, Close, NoAnswer, Quit, Elsewhere, ElsewhereThenQuit };
    static constexpr Mode kElsewhere{1280, 800, 32}; // what another program sets meanwhile
    // Answers every question with `confirm` and every keep question with `keep`,
    // remembering the prompts of the first and the stored mode while the second is up.
    void answer(bool confirm, Keep keep = Keep::Valider) {
        backend.modalAnswerer = [this, confirm, keep](Form& dialog) {
            std::string prompt = dialog.control("Label1").caption();
            bool keepQuestion = prompt.starts_with("Conserver");
            if (!keepQuestion) prompts.push_back(prompt);
            else keepPrompts.push_back(prompt), storedWhileAsked = display.stored();
            if (keepQuestion && keep == Keep::Close) return; // Esc, Alt+F4
            if (keepQuestion && keep == Keep::NoAnswer) return backend.advance(kKeepSeconds * 1000);
            if (keepQuestion && keep == Keep::ElsewhereThenQuit) display.setCurrent(kElsewhere);
            if (keepQuestion && (keep == Keep::Quit || keep == Keep::ElsewhereThenQuit))
                form1->form().onCloseRequest(); // a close sent from outside
            if (keepQuestion && keep == Keep::Elsewhere) {
                display.setCurrent(kElsewhere);
                dialog.deliver(dialog.onDisplayChange);
                return void(closedByTheChange = !dialog.loaded());
            }
            backend.advance(backend.doubleClick); // a person reads the question first
            backend.click(dialog.control("btc", (keepQuestion ? keep == Keep::Valider : confirm) ? 2 : 3));
        };
    }
    bool timer2Running() { return backend.timerRunning(form1->control("Timer2")); }
    std::vector<std::string> prompts, keepPrompts;
    std::optional<Mode> storedWhileAsked;
    bool closedByTheChange = false;
};

const std::string kTestPrompt = "Confirmez le test de la résolution en mode \r\n";

} // namespace

TEST_F(CommandsTest, EachTestButtonConfirmedSwitchesToItsModeAndRepinsFiveSecondsLater) {
    struct Case {
        int16_t index;
        const char* prompt;
        Mode mode;
    } cases[] = {
        {0, "1024 x 768 ?", {1024, 768, 32}}, {1, "1366 x 768 ?", {1366, 768, 32}},
        {2, "1440 x 900 ?", {1440, 900, 32}}, {3, "1280 x 1024 ?", {1280, 1024, 32}},
        {4, "1280 x 800 ?", {1280, 800, 32}}, {5, "1280 x 768 ?", {1280, 768, 32}},
        {6, "1152 x 864 ?", {1152, 864, 32}},
    };
    display.setCurrent({1600, 1200, 32});
    Form1& f = started();
    answer(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prompt);
        prompts.clear();
        // What is pending when the mode changes is handled then, before the timer starts.
        std::optional<bool> timerDuringThePass;
        backend.pending.push_back([&] { timerDuringThePass = timer2Running(); });
        ASSERT_TRUE(backend.click(f.control("Command6", c.index)));
        EXPECT_EQ(prompts, (std::vector<std::string>{kTestPrompt + c.prompt}));
        EXPECT_EQ(f.control("Label16").caption() + " x " + f.control("Label15").caption(),
                  std::to_string(c.mode.width) + " x " + std::to_string(c.mode.height))
            << "the current resolution shows the mode in force";
        EXPECT_EQ(display.current(), c.mode);
        EXPECT_EQ(module.ModeBits, 32) << "a test keeps the depth found at start-up";
        EXPECT_EQ(timerDuringThePass, std::optional<bool>(false)) << "pending messages handled after the change";
        EXPECT_TRUE(timer2Running());
        EXPECT_EQ(display.stored(), c.mode) << "kept";
        f.form().setLeft(3000); // moved meanwhile, by the system or the user
        backend.advance(4999 - backend.doubleClick); // the five seconds began before the keep question
        EXPECT_EQ(f.form().left(), 3000.0f);
        backend.advance(1);
        EXPECT_EQ(f.form().left(), 0.0f);
        EXPECT_EQ(f.form().top(), 0.0f);
        EXPECT_FALSE(timer2Running()) << "one tick per start";
    }
    EXPECT_EQ(f.control("Label11").caption(), "1600") << "the saved resolution stays";
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(CommandsTest, FocusGoesBackToTheButtonThatOpenedTheDialog) {
    Form1& f = started();
    for (bool confirm : {false, true}) {
        answer(confirm);
        Control& button = f.control("Command6", 4);
        backend.setFocus(button);
        backend.click(button);
        EXPECT_EQ(backend.focusedControl(), &button) << confirm;
    }
}

TEST_F(CommandsTest, WindowMinimisedWhenTheTimerTicksComesBackInTheCorner) {
    Form1& f = started();
    answer(true);
    backend.click(f.control("Command6", 0));
    f.form().setLeft(3000);
    backend.minimize(f.form());
    backend.advance(5000);
    EXPECT_EQ(backend.restore(f.form()), (HeadlessBackend::Point{0, 0}));
}

TEST_F(CommandsTest, CancelChangesNothing) {
    Form1& f = started();
    answer(false);
    display.clearLog();
    f.form().setLeft(3000);
    backend.click(f.control("Command6", 6));
    EXPECT_EQ(prompts, (std::vector<std::string>{kTestPrompt + "1152 x 864 ?"}));
    EXPECT_EQ(display.count(CallKind::Change), 0u);
    EXPECT_EQ(display.current(), (Mode{1280, 1024, 32}));
    EXPECT_FALSE(timer2Running());
    backend.advance(10000);
    EXPECT_EQ(f.form().left(), 3000.0f);
    EXPECT_EQ(module.ModeWidth, 1152.0f) << "the parse stays";
}

TEST_F(CommandsTest, ConfirmingTheModeInForceChangesNothingButStillRepins) {
    Form1& f = started();
    answer(true);
    display.clearLog();
    f.form().setTop(2000);
    backend.click(f.control("Command6", 3)); // 1280 x 1024, in force
    EXPECT_EQ(display.count(CallKind::Change), 0u);
    EXPECT_EQ(display.count(CallKind::Broadcast), 0u);
    backend.advance(5000);
    EXPECT_EQ(f.form().top(), 0.0f);
}

TEST_F(CommandsTest, ASecondChangeRestartsTheFiveSeconds) {
    Form1& f = started();
    answer(true);
    backend.click(f.control("Command6", 0));
    backend.advance(3000);
    backend.click(f.control("Command6", 6));
    f.form().setLeft(3000);
    backend.advance(4999 - backend.doubleClick); // counted from the change, before the keep question
    EXPECT_EQ(f.form().left(), 3000.0f);
    backend.advance(1);
    EXPECT_EQ(f.form().left(), 0.0f);
}

TEST_F(CommandsTest, RevertGoesBackToTheSavedModeFromEitherControl) {
    display.setCurrent({1024, 768, 16});
    Form1& f = started(); // saves 1024 x 768 at 16 bits
    for (const char* control : {"Command5", "Image5"}) {
        SCOPED_TRACE(control);
        display.setCurrent({1440, 900, 32});
        module.ModeBits = 32;
        answer(true);
        prompts.clear();
        backend.click(f.control(control));
        EXPECT_EQ(prompts, (std::vector<std::string>{"Confirmez le retour à la résolution d'origine ?"}));
        EXPECT_EQ(display.current(), (Mode{1024, 768, 16}));
        EXPECT_EQ(module.ModeWidth, 1024.0f);
        EXPECT_EQ(module.ModeHeight, 768.0f);
        EXPECT_EQ(module.ModeBits, 16) << "later tests use the saved depth";
        EXPECT_EQ(caption("Label16") + " x " + caption("Label15"), "1024 x 768");
        EXPECT_TRUE(timer2Running());
        backend.advance(5000);
    }
    answer(false);
    display.setCurrent({1440, 900, 32});
    backend.click(f.control("Command5"));
    EXPECT_EQ(display.current(), (Mode{1440, 900, 32})) << "a cancelled revert changes nothing";
}

// A tried mode is stored only when the person at the screen keeps it; every other end of
// the keep question gives the earlier mode back, and the stored one never changes.
TEST_F(CommandsTest, ATriedModeIsStoredOnlyWhenKept) {
    const Mode saved{1280, 1024, 32}, tried{1024, 768, 32}, elsewhere{1440, 900, 32};
    struct Case {
        const char* name;
        Keep keep;
        Mode before; // in force at the click; the stored mode is `saved`
        Mode after, storedAfter;
        size_t backToStored, backForTheSession; // how the earlier mode came back
    } cases[] = {
        {"Valider", Keep::Valider, saved, tried, tried, 0, 0},
        {"Annuler", Keep::Annuler, saved, saved, saved, 1, 0},
        {"Esc or Alt+F4", Keep::Close, saved, saved, saved, 1, 0},
        {"nobody answers", Keep::NoAnswer, saved, saved, saved, 1, 0},
        {"a mode another program set for the session", Keep::Annuler, elsewhere, elsewhere, saved, 0, 1},
        // Its mode stays: nothing given back, nothing stored, no answer awaited.
        {"another program's change during the question", Keep::Elsewhere, saved, kElsewhere, saved, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        display = SimulatedDisplay(saved);
        display.setCurrent(c.before);
        Form1& f = started();
        answer(true, c.keep);
        keepPrompts.clear();
        closedByTheChange = false;
        display.clearLog();
        backend.click(f.control("Command6", 0));
        std::string back = std::to_string(c.before.width) + " x " + std::to_string(c.before.height);
        EXPECT_EQ(keepPrompts, (std::vector<std::string>{"Conserver la résolution 1024 x 768 ?\r\nRetour à " + back +
                                                         " dans 15 s"}));
        EXPECT_EQ(storedWhileAsked, std::optional<Mode>(saved)) << "tried for the session only";
        EXPECT_EQ(display.current(), c.after);
        EXPECT_EQ(display.stored(), c.storedAfter);
        EXPECT_EQ(caption("Label16") + " x " + caption("Label15"),
                  std::to_string(c.after.width) + " x " + std::to_string(c.after.height));
        EXPECT_EQ(display.count(CallKind::ChangeToStored), c.backToStored);
        EXPECT_EQ(display.count(CallKind::Change), 1 + (c.keep == Keep::Valider) + c.backForTheSession);
        // The way back is announced as the change was.
        auto last = *std::find_if(display.log().rbegin(), display.log().rend(),
                                  [](const auto& call) { return call.kind == CallKind::Broadcast; });
        EXPECT_EQ(last.message, WM_DISPLAYCHANGE_);
        bool lastIsTheTrial = c.keep == Keep::Valider || c.keep == Keep::Elsewhere;
        EXPECT_EQ(last.lParam, lastIsTheTrial ? 1024 + 768 * 65536 : c.after.width + c.after.height * 65536);
        EXPECT_EQ(closedByTheChange, c.keep == Keep::Elsewhere);
        EXPECT_TRUE(reporter.messages.empty());
        EXPECT_TRUE(timer2Running());
        form1.reset();
    }
}

// No question where there is nothing to keep; a mode that cannot be stored is told when
// kept; a program closed while asking gives the earlier mode back and stores nothing.
TEST_F(CommandsTest, KeepQuestionOnlyForAModeTriedAndItsFailuresTold) {
    SimulatedDisplay small({1280, 1024, 32}, {{1280, 1024, 32}, {1024, 768, 32}});
    struct Case {
        const char* name;
        int16_t index; // Command6's; -1: Command5, the revert
        Mode before;
        bool storingFails;
        Keep keep;
        size_t keepQuestions;
        Mode after, storedAfter;
        const char* message; // reported, if any
    } cases[] = {
        {"the mode in force", 3, {1280, 1024, 32}, false, Keep::Valider, 0, {1280, 1024, 32}, {1280, 1024, 32}, ""},
        {"a mode refused", 2, {1280, 1024, 32}, false, Keep::Valider, 0, {1280, 1024, 32}, {1280, 1024, 32},
         "1440 x 900 en 32 bits n'a pas été appliquée"},
        {"a test not storable", 0, {1280, 1024, 32}, true, Keep::Valider, 1, {1024, 768, 32}, {1280, 1024, 32},
         "La résolution 1024 x 768 en 32 bits est appliquée, mais Windows n'a pas pu l'enregistrer"},
        {"a revert not storable", -1, {1024, 768, 32}, true, Keep::Valider, 1, {1280, 1024, 32}, {1024, 768, 32},
         "La résolution 1280 x 1024 en 32 bits est appliquée, mais Windows n'a pas pu l'enregistrer"},
        {"the program closed while asking", 0, {1280, 1024, 32}, false, Keep::Quit, 1, {1280, 1024, 32},
         {1280, 1024, 32}, ""},
        {"closed after another program's change, before its notice", 0, {1280, 1024, 32}, false,
         Keep::ElsewhereThenQuit, 1, kElsewhere, {1280, 1024, 32}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        display = small;
        Form1& f = started(); // saves 1280 x 1024
        display.setCurrent(c.before);
        display.setStored(c.before);
        if (c.storingFails) display.forceResult(DISP_CHANGE_NOTUPDATED_, /*storing=*/true);
        answer(true, c.keep);
        keepPrompts.clear();
        reporter.messages.clear();
        Control& clicked = c.index < 0 ? f.control("Command5") : f.control("Command6", c.index);
        if (c.keep == Keep::Quit || c.keep == Keep::ElsewhereThenQuit) {
            EXPECT_THROW(backend.click(clicked), ProgramEnded);
        } else {
            backend.click(clicked);
        }
        EXPECT_EQ(keepPrompts.size(), c.keepQuestions);
        EXPECT_EQ(display.current(), c.after);
        EXPECT_EQ(display.stored(), c.storedAfter);
        ASSERT_EQ(reporter.messages.size(), *c.message ? 1u : 0u);
        if (*c.message) {
            EXPECT_NE(reporter.messages[0].find(c.message), std::string::npos) << reporter.messages[0];
        }
        form1.reset();
        backend.ended = false;
    }
}

// Whatever fails between the change and the answer (the timer, the keep question's
// window or its countdown), the earlier mode comes back, announced, and the failure is
// told; the stored mode never changes.
TEST_F(CommandsTest, EachCreationFailingDuringATrialGivesTheEarlierModeBack) {
    Form1& f = started();
    for (int n = 1;; ++n) {
        SCOPED_TRACE(n);
        reporter.messages.clear();
        display.clearLog();
        backend.modalAnswerer = [&](Form& dialog) {
            bool keepQuestion = dialog.control("Label1").caption().starts_with("Conserver");
            if (!keepQuestion) backend.refuseCreation = n; // from the change on
            backend.advance(backend.doubleClick);
            backend.click(dialog.control("btc", 2));
        };
        backend.advance(backend.doubleClick); // not the tail of the last answer
        ASSERT_TRUE(backend.click(f.control("Command6", 0)));
        backend.refuseCreation = 0;
        if (reporter.messages.empty()) {
            EXPECT_EQ(display.stored(), (Mode{1024, 768, 32})) << "kept: the whole trial needs " << n - 1;
            EXPECT_GT(n, 3) << "the timer, the countdown and the window";
            break;
        }
        EXPECT_EQ(reporter.messages[0].rfind("Impossible de créer ", 0), 0u) << reporter.messages[0];
        EXPECT_EQ(display.current(), (Mode{1280, 1024, 32}));
        EXPECT_EQ(display.stored(), (Mode{1280, 1024, 32}));
        EXPECT_EQ(display.count(CallKind::ChangeToStored), 1u);
        EXPECT_EQ(display.log().back().message, WM_DISPLAYCHANGE_) << "the way back is announced";
        EXPECT_EQ(display.log().back().lParam, 1280 + 1024 * 65536);
    }
}

TEST_F(CommandsTest, RevertFailuresStopTheCommandAndAreReported) {
    struct Case {
        const char* name;
        std::string file;
        const char* mentions;
    } cases[] = {
        {"depth beyond 16 bits", "#INIT#" + std::string(14, ' ') + rec("1024") + rec("768") + rec("99999"),
         "99999"},
        {"width beyond single precision", "#INIT#" + std::string(14, ' ') + rec("1e40") + rec("768") + rec("32"),
         "la largeur « 1e40 »"},
        {"width beyond any screen", "#INIT#" + std::string(14, ' ') + rec("99999999999") + rec("768") + rec("32"),
         "la largeur « 99999999999 »"},
        {"height just beyond 16 bits", "#INIT#" + std::string(14, ' ') + rec("1024") + rec("32767.5") + rec("32"),
         "la hauteur « 32767.5 »"},
        {"negative width", "#INIT#" + std::string(14, ' ') + rec("-1024") + rec("768") + rec("32"),
         "la largeur « -1024 »"},
        {"no number saved", "#INIT#" + std::string(14, ' ') + rec("abc") + rec("768") + rec("32"),
         "la largeur « abc »"},
        {"half a pixel rounds to none", "#INIT#" + std::string(14, ' ') + rec("1024") + rec("0.5") + rec("32"),
         "la hauteur « 0.5 »"},
        {"depth no display has", "#INIT#" + std::string(14, ' ') + rec("1024") + rec("768") + rec("0"),
         "la profondeur de couleur « 0 »"},
        {"records missing", "#INIT#", "la largeur «  »"},
        {"height missing", "#INIT#" + std::string(14, ' ') + rec("1024"), "la hauteur «  »"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recordFile.close();
        writeAll(kRecordFileName, c.file);
        reporter.messages.clear();
        Form1& f = started();
        ASSERT_TRUE(reporter.messages.empty());
        answer(true);
        display.clearLog();
        backend.pending = {[] {}};
        backend.click(f.control("Command5"));
        ASSERT_EQ(reporter.messages.size(), 1u);
        EXPECT_NE(reporter.messages[0].find(c.mentions), std::string::npos) << reporter.messages[0];
        EXPECT_EQ(display.current(), (Mode{1280, 1024, 32}));
        EXPECT_EQ(backend.pending.size(), 1u) << "no pass over messages after a failure";
        EXPECT_FALSE(timer2Running());
    }
}

TEST_F(CommandsTest, RevertWithoutTheFileSaysSo) {
    std::filesystem::create_directory(kRecordFileName);
    Form1& f = started();
    ASSERT_EQ(reporter.messages.size(), 1u) << "the start-up failure";
    answer(true);
    backend.click(f.control("Command5"));
    ASSERT_EQ(reporter.messages.size(), 2u) << "a failed start-up has finished: the command runs and reports";
    EXPECT_NE(reporter.messages[1].find("W_ECRA_R.WDO"), std::string::npos);
    EXPECT_NE(reporter.messages[1].find("n'a pas pu être ouvert au démarrage"), std::string::npos) << reporter.messages[1];
    EXPECT_EQ(reporter.messages[1].find("n'est pas ouvert"), std::string::npos) << "the program's state is no cause";
    EXPECT_FALSE(timer2Running());
}

TEST_F(CommandsTest, RefusedModeIsReportedAndNothingIsRepinned) {
    display.setCurrent({1280, 1024, 32});
    SimulatedDisplay small({1280, 1024, 32}, {{1280, 1024, 32}, {1024, 768, 32}});
    display = small;
    Form1& f = started();
    answer(true);
    backend.pending = {[] {}};
    backend.click(f.control("Command6", 2)); // 1440 x 900
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_NE(reporter.messages[0].find("1440 x 900"), std::string::npos);
    EXPECT_EQ(display.current(), (Mode{1280, 1024, 32}));
    EXPECT_EQ(backend.pending.size(), 1u) << "no pass over messages after a refusal";
    EXPECT_FALSE(timer2Running());
}

// In the pass over messages after a change, the second press of the double-click that
// confirmed it reaches nothing; any other press there is answered once, after the change.
TEST_F(CommandsTest, PressesPendingInThePassAfterAChange) {
    Form1& f = started();
    answer(true, Keep::Annuler);
    std::vector<bool> delivered;
    backend.pending.push_back([&] {
        delivered.push_back(backend.click(f.control("Command6", 5), backend.lastPress)); // the tail, under Valider
        delivered.push_back(backend.click(f.control("Image5")));      // a genuine press
    });
    backend.click(f.control("Command6", 0));
    EXPECT_TRUE(backend.pending.empty()) << "the pass ran";
    EXPECT_EQ(delivered, (std::vector<bool>{false, true}));
    EXPECT_EQ(prompts, (std::vector<std::string>{kTestPrompt + "1024 x 768 ?",
                                                 "Confirmez le retour à la résolution d'origine ?"}))
        << "the revert asked once, after the test";
    EXPECT_EQ(keepPrompts.size(), 1u) << "the revert to the mode in force has nothing to keep";
    EXPECT_EQ(display.current(), (Mode{1280, 1024, 32}));
    backend.advance(backend.doubleClick);
    backend.click(f.control("Command6", 5));
    EXPECT_EQ(prompts.size(), 3u) << "a later click asks again";
}

// A re-pinning tick that falls due while the next question is up moves the window then;
// the change confirmed in that dialog starts the five seconds again.
TEST_F(CommandsTest, TickDuringTheDialogRepinsAndTheNextChangeStartsAgain) {
    Form1& f = started();
    answer(true);
    backend.click(f.control("Command6", 0));
    backend.advance(4800 - backend.doubleClick); // the keep question took its reading time
    f.form().setLeft(3000);
    std::optional<float> leftWhileAsked;
    backend.modalAnswerer = [&](Form& dialog) {
        backend.advance(backend.doubleClick); // the tick at five seconds falls here
        leftWhileAsked = f.form().left();
        backend.click(dialog.control("btc", 2));
    };
    backend.click(f.control("Command6", 6));
    EXPECT_EQ(leftWhileAsked, std::optional<float>(0.0f)) << "the tick ran inside the dialog";
    EXPECT_EQ(display.current(), (Mode{1152, 864, 32}));
    f.form().setLeft(3000);
    backend.advance(4999 - backend.doubleClick);
    EXPECT_EQ(f.form().left(), 3000.0f) << "five seconds from the second change";
    backend.advance(1);
    EXPECT_EQ(f.form().left(), 0.0f);
}

// A change made by another program (the system's settings, a support script) shows in
// the current resolution; the saved one and the text size stay as found at start-up.
TEST_F(CommandsTest, CurrentResolutionFollowsAChangeMadeElsewhere) {
    Form1& f = make(font);
    f.start();
    display.setCurrent({1024, 768, 32});
    f.form().deliver(f.form().onDisplayChange); // before the start-up tick: left to it
    EXPECT_EQ(caption("Label16"), "");
    backend.advance(500);
    std::vector<std::string> before = {caption("Label2"), caption("Label11"), caption("Label12")};
    display.setCurrent({1366, 768, 32});
    f.form().deliver(f.form().onDisplayChange);
    EXPECT_EQ(caption("Label16") + " x " + caption("Label15"), "1366 x 768");
    EXPECT_EQ((std::vector<std::string>{caption("Label2"), caption("Label11"), caption("Label12")}), before);
    display.failEnumerations(true);
    f.form().deliver(f.form().onDisplayChange);
    EXPECT_EQ(caption("Label16") + " x " + caption("Label15"), "1366 x 768") << "a mode not told is not shown";
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(CommandsTest, ResolutionClicksBeforeTheStartUpTickAreIgnored) {
    Form1& f = make(font);
    f.start();
    answer(true);
    backend.click(f.control("Command6", 0));
    backend.click(f.control("Command5"));
    backend.click(f.control("Image5"));
    EXPECT_TRUE(prompts.empty());
    EXPECT_EQ(display.count(CallKind::Change), 0u);
    backend.advance(500);
    backend.click(f.control("Command6", 0));
    EXPECT_EQ(prompts.size(), 1u);
}
