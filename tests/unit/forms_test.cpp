#include "app/errors.h"
#include "display/display_errors.h"
#include "store/store_errors.h"
#include "forms/form.h"
#include "forms/headless_backend.h"
#include "support/recording_reporter.h"

#include <gtest/gtest.h>

#include <array>

using namespace diag;
using namespace diag::forms;

namespace {

constexpr std::array kControls = {
    ControlDesign{.name = "Timer1", .kind = Kind::Timer},
    ControlDesign{.name = "Timer2", .kind = Kind::Timer},
    ControlDesign{.name = "Button", .index = 3, .kind = Kind::Button, .left = 3262.5f, .top = 7, .width = 1095,
                  .height = 22.4f, .caption = "Go"},
    ControlDesign{.name = "Button", .index = 7, .kind = Kind::Button, .caption = "Other"},
    ControlDesign{.name = "Hidden", .kind = Kind::Button, .visible = false},
};
constexpr FormDesign kDesign{.name = "Test", .clientWidth = 3000, .clientHeight = 1500, .controls = kControls};

struct Fixture : testing::Test {
    HeadlessBackend backend;
    RecordingReporter reporter;
    Form form{kDesign, backend, reporter};
    void SetUp() override { form.show(); }
};

} // namespace

TEST(TwipsToPixels, FifteenTwipsAPixelToTheNearest) {
    struct Case {
        float twips;
        int pixels;
    } cases[] = {{15, 1}, {21510, 1434}, {12420, 828}, {15360, 1024}, {20520, 1368}, {11070, 738},
                 {22, 1},  {23, 2},       {0, 0},       {-15, -1},     {3262.5f, 218}, {7, 0}};
    for (const Case& c : cases) EXPECT_EQ(twipsToPixels(c.twips), c.pixels) << c.twips;
}

using Timers = Fixture;

TEST_F(Timers, TickWhenDueAndStopAtZero) {
    std::vector<std::pair<std::string, uint64_t>> ticks;
    form.setTickHandler("Timer1", [&] { ticks.emplace_back("Timer1", backend.now()); });
    form.setTickHandler("Timer2", [&] { ticks.emplace_back("Timer2", backend.now()); });
    form.control("Timer1").setInterval(300);
    form.control("Timer2").setInterval(500);
    backend.advance(299);
    EXPECT_TRUE(ticks.empty());
    backend.advance(1000);
    using T = std::vector<std::pair<std::string, uint64_t>>;
    EXPECT_EQ(ticks, (T{{"Timer1", 300}, {"Timer2", 500}, {"Timer1", 600}, {"Timer1", 900}, {"Timer2", 1000},
                        {"Timer1", 1200}}));
    ticks.clear();
    form.control("Timer1").setInterval(0);
    backend.advance(2000);
    EXPECT_EQ(ticks.size(), 4u); // Timer2 only
    EXPECT_FALSE(backend.timerRunning(form.control("Timer1")));
}

TEST_F(Timers, SettingTheIntervalAgainRestartsTheCount) {
    int ticks = 0;
    form.setTickHandler("Timer1", [&] { ++ticks; });
    form.control("Timer1").setInterval(500);
    backend.advance(400);
    form.control("Timer1").setInterval(500);
    backend.advance(400);
    EXPECT_EQ(ticks, 0);
    backend.advance(100);
    EXPECT_EQ(ticks, 1);
}

TEST_F(Timers, HandlerThatStopsItsTimerTicksOnceEvenWhenSlow) {
    int ticks = 0;
    form.setTickHandler("Timer1", [&] {
        form.control("Timer1").setInterval(0);
        ++ticks;
        backend.advance(5000); // a handler that takes longer than the interval
    });
    form.control("Timer1").setInterval(500);
    backend.advance(10000);
    EXPECT_EQ(ticks, 1);
}

using Events = Fixture;

TEST_F(Events, ErrorStopsAtTheEventAndIsReportedOnce) {
    std::vector<std::string> ran;
    form.setClickHandler("Hidden", [&](int16_t) {
        ran.push_back("hidden");
        throw OverflowError("99999");
    });
    form.setClickHandler("Button", [&](int16_t index) {
        ran.push_back("button " + std::to_string(index));
        form.click(form.control("Hidden")); // runs another handler directly: its error passes up
        ran.push_back("after");
    });
    EXPECT_TRUE(backend.click(form.control("Button", 3)));
    EXPECT_EQ(ran, (std::vector<std::string>{"button 3", "hidden"}));
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_NE(reporter.messages[0].find("99999"), std::string::npos);
    // The program carries on: the next event runs.
    ran.clear();
    EXPECT_TRUE(backend.click(form.control("Button", 7)));
    EXPECT_EQ(ran, (std::vector<std::string>{"button 7", "hidden"}));
}

TEST_F(Events, TimerTickErrorsAreReportedAndTimersGoOn) {
    int ticks = 0;
    form.setTickHandler("Timer1", [&] {
        ++ticks;
        throw FloatingPointError("fault");
    });
    form.control("Timer1").setInterval(100);
    backend.advance(300);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(reporter.messages.size(), 3u);
}

TEST_F(Events, ClicksReachOnlyVisibleControlsOfUnblockedForms) {
    int clicks = 0;
    form.setClickHandler("Hidden", [&](int16_t) { ++clicks; });
    EXPECT_FALSE(backend.click(form.control("Hidden")));
    EXPECT_EQ(clicks, 0);

    Form dialog{kDesign, backend, reporter};
    bool mainBlocked = false;
    // Neither by the user's hand nor by a press that comes to the control itself (on
    // Windows, BM_CLICK or a screen reader's default action): one question at a time.
    backend.modalAnswerer = [&](Form&) {
        mainBlocked = !backend.click(form.control("Hidden")) && !form.userClick(form.control("Hidden"), 0);
    };
    form.control("Hidden").setVisible(true);
    dialog.showModal();
    EXPECT_TRUE(mainBlocked);
    EXPECT_FALSE(dialog.loaded()) << "a modal form left without an answer is closed";
    EXPECT_TRUE(backend.click(form.control("Hidden")));
    EXPECT_EQ(clicks, 1);
}

// The second press of a double-click reaches nothing after a first that answered, whether
// or not its form stays, as the Win32 backend's tail rule has it: within the double-click
// time and area.
TEST(TailOfADoubleClick, ReachesNothingAfterAPressThatAnsweredOnTheSameSpot) {
    struct Case {
        const char* name;
        const char* first; // pressed at Button(3)'s centre: Button answers, Hidden answers nothing
        int16_t second;    // the Button then pressed at its centre
        uint32_t after;
        bool delivered;
    } cases[] = {
        {"within the double-click time of an answer, its form staying", "Button", 3, 499, false},
        {"at the double-click time", "Button", 3, 500, true},
        {"on another spot", "Button", 7, 0, true},
        {"after a press that answered nothing", "Hidden", 3, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HeadlessBackend backend;
        RecordingReporter reporter;
        Form form{kDesign, backend, reporter};
        form.show();
        form.setClickHandler("Button", [](int16_t) {}); // Hidden has none
        form.control("Hidden").setVisible(true);
        Control& first = form.control(c.first, c.first == std::string_view("Button") ? 3 : -1);
        backend.click(first, backend.centreOf(form.control("Button", 3)));
        backend.advance(c.after);
        EXPECT_EQ(backend.click(form.control("Button", c.second)), c.delivered);
    }
}

// A press counts from the press delay after the moment the form could first take input;
// one from before that moment (made while the form was being made or painted) is early
// however far back, and the millisecond clock may wrap between the two.
TEST_F(Events, PressesBeforeTheFormCouldTakeInputAreEarly) {
    struct Case {
        const char* name;
        uint32_t appeared, pressed;
        bool delivered;
    } cases[] = {
        {"within the delay", 1000, 1499, false},
        {"at the end of the delay", 1000, 1500, true},
        {"in the same tick", 1000, 1000, false},
        {"before the form was shown", 1000, 850, false},
        {"long before", 1000, 0, false},
        {"after the wrap, within the delay", 0xFFFFFF00u, 0x000000F3u, false},
        {"after the wrap, past the delay", 0xFFFFFF00u, 0x000000F4u, true},
        {"before the moment, across the wrap", 0x00000010u, 0xFFFFFF80u, false},
    };
    int clicks = 0;
    form.setClickHandler("Button", [&](int16_t) { ++clicks; });
    form.setPressDelay(500);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form.appeared(c.appeared);
        int before = clicks;
        EXPECT_EQ(form.userClick(form.control("Button", 3), c.pressed), c.delivered);
        EXPECT_EQ(clicks - before, c.delivered ? 1 : 0);
    }
}

TEST_F(Events, ReloadStartsFromTheDesignAndKeepsHandlers) {
    Control& button = form.control("Button", 3);
    EXPECT_EQ(pixelRect(button), (PixelRect{218, 0, 73, 1}));
    button.setCaption("changed");
    form.control("Timer1").setInterval(100);
    form.unload();
    EXPECT_FALSE(form.loaded());
    int clicks = 0;
    form.setClickHandler("Button", [&](int16_t) { ++clicks; });
    form.show();
    EXPECT_EQ(form.control("Button", 3).caption(), "Go");
    EXPECT_FALSE(backend.timerRunning(form.control("Timer1")));
    EXPECT_TRUE(backend.click(form.control("Button", 3)));
    EXPECT_EQ(clicks, 1);
}

TEST(ErrorReport, FrenchMessagesSayWhatFailedAndWhy) {
    struct Case {
        std::exception_ptr error;
        std::vector<std::string> mentions;
    } cases[] = {
        {std::make_exception_ptr(FileError(FileError::Op::Open, "W_ECRA_R.WDO", "C:\\Caisse", "Accès refusé")),
         {"W_ECRA_R.WDO", "C:\\Caisse", "Accès refusé", "Impossible d'ouvrir ou de créer le fichier"}},
        {std::make_exception_ptr(FileError(FileError::Op::Read, "W_ECRA_R.WDO", "C:\\Caisse", "x")),
         {"Impossible de lire le fichier"}},
        {std::make_exception_ptr(FileError(FileError::Op::Write, "W_ECRA_R.WDO", "C:\\Caisse", "x")),
         {"Impossible d'écrire le fichier"}},
        {std::make_exception_ptr(FileError(FileError::Op::Open, "W_ECRA_R.WDO", "C:\\Caisse", "utilisé (violation)",
                                           FileError::Cause::InUse)),
         {"Impossible d'ouvrir ou de créer le fichier", "utilisé (violation)", "relancez-le quand cet autre programme"}},
        {std::make_exception_ptr(FileError(FileError::Op::OpenToRead, "W_ECRA_R.WDO", "C:\\Caisse", "x",
                                           FileError::Cause::InUse)),
         {"Impossible d'ouvrir le fichier", "Réessayez quand cet autre programme"}},
        {std::make_exception_ptr(FileError(FileError::Op::Read, "W_ECRA_R.WDO", "C:\\Caisse", "x",
                                           FileError::Cause::InUseAtStart)),
         {"Impossible de lire le fichier", "au démarrage de diagreso, il était utilisé par un autre programme",
          "quittez-le et relancez-le"}},
        {std::make_exception_ptr(FileError(FileError::Op::Read, "W_ECRA_R.WDO", "C:\\Caisse", "Accès refusé",
                                           FileError::Cause::NotOpenedAtStart)),
         {"n'a pas pu être ouvert au démarrage de diagreso (Accès refusé)", "quittez-le et relancez-le"}},
        {std::make_exception_ptr(SavedModeError("W_ECRA_R.WDO", SavedModeError::Part::Width, "mille")),
         {"W_ECRA_R.WDO", "la largeur « mille »", "supprimez ce fichier"}},
        {std::make_exception_ptr(DisplayChangeError(1440, 900, 32, -2)),
         {"1440 x 900", "32 bits", "n'a pas été appliquée", "ne propose pas", "-2"}},
        {std::make_exception_ptr(DisplayChangeError(1024, 768, 16, -3)), {"1024 x 768", "est appliquée", "ne sera pas conservée"}},
        {std::make_exception_ptr(DisplayChangeError(1024, 768, 32, 1)), {"redémarré"}},
        {std::make_exception_ptr(OverflowError("1e+40")), {"1e+40", "trop grande"}},
        {std::make_exception_ptr(FloatingPointError("x")), {"calcul"}},
    };
    for (const Case& c : cases) {
        try {
            std::rethrow_exception(c.error);
        } catch (const std::exception& e) {
            std::string text = describeError(e);
            for (const std::string& word : c.mentions)
                EXPECT_NE(text.find(word), std::string::npos) << "'" << word << "' missing from: " << text;
        }
    }
}

// Under a high-contrast scheme every control is drawn in the system's colours, as
// Windows' own controls are (white text on black stays readable); the rulers stay red.
TEST(HighContrast, EveryControlTakesTheSystemColoursButTheLines) {
    static constexpr std::array kKinds = {
        ControlDesign{.name = "Box", .kind = Kind::Label, .backColor = rgb(255, 255, 255), .opaque = true},
        ControlDesign{.name = "Note", .kind = Kind::Label, .foreColor = rgb(192, 64, 0)},
        ControlDesign{.name = "Key", .kind = Kind::Button, .backColor = rgb(255, 255, 255)},
        ControlDesign{.name = "Panel", .kind = Kind::Shape, .backColor = rgb(255, 224, 192)},
        ControlDesign{.name = "Pic", .kind = Kind::Picture, .accessibleName = "Quitter"},
        ControlDesign{.name = "Ruler", .kind = Kind::Line, .foreColor = rgb(255, 0, 0)},
    };
    static constexpr FormDesign kAll{.name = "all", .controls = kKinds};
    HeadlessBackend backend;
    RecordingReporter reporter;
    Form form(kAll, backend, reporter);
    form.load();
    const Color white = rgb(255, 255, 255);
    for (auto& c : form.controls()) {
        SCOPED_TRACE(std::string(c->name()));
        ShownColors normal = shownColors(*c, white, false), contrast = shownColors(*c, kWindowColor, true);
        if (c->kind() == Kind::Line) {
            EXPECT_EQ(contrast.text, rgb(255, 0, 0));
            continue;
        }
        EXPECT_TRUE(isSystemColor(contrast.back) && isSystemColor(contrast.text));
        EXPECT_NE(contrast.back, contrast.text);
        if (c->kind() != Kind::Picture) {
            EXPECT_FALSE(isSystemColor(normal.back) && isSystemColor(normal.text)) << "the design's own colours";
        }
    }
    EXPECT_EQ(shownFormColor(kAll, true), kWindowColor);
    EXPECT_EQ(shownFormColor(kAll, false), white);
}
