#include "display/simulated_display.h"
#include "display/simulated_font.h"
#include "forms/headless_backend.h"
#include "main_window/form1.h"
#include "main_window/form1_design.h"
#include "support/recording_reporter.h"
#include "store/saved_resolution.h"
#include "temp_dir.h"

#include <algorithm>
#include <set>

using namespace diag;
using namespace diag::forms;

#include "form1_fixture.h"

using namespace diag::testing_support;

namespace {

const char* const kDisplayLabels[] = {"Label2", "Label11", "Label12", "Label16", "Label15"};

} // namespace

TEST_F(Form1Test, StartUpShowsFontStateAndResolutionsHalfASecondAfterLoad) {
    Form1& f = make(font);
    f.form().setLeft(4000); // wherever the system would put it
    f.start();
    EXPECT_EQ(f.form().left(), 0.0f);
    EXPECT_EQ(f.form().top(), 0.0f);
    for (const char* name : kDisplayLabels) EXPECT_EQ(caption(name), "") << name;

    backend.advance(499);
    for (const char* name : kDisplayLabels) EXPECT_EQ(caption(name), "") << name;
    EXPECT_FALSE(std::filesystem::exists(kRecordFileName));

    backend.advance(1);
    EXPECT_EQ(caption("Label2"), "Normale");
    EXPECT_EQ(f.control("Label2").backColor(), 0xC0FFC0u);
    EXPECT_EQ(caption("Label11"), "1280");
    EXPECT_EQ(caption("Label12"), "1024");
    EXPECT_EQ(caption("Label16"), "1280");
    EXPECT_EQ(caption("Label15"), "1024");
    EXPECT_TRUE(f.startupFinished());
    EXPECT_TRUE(recordFile.isOpen());
    EXPECT_EQ(readAll(kRecordFileName).size(), 80u);
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(Form1Test, StartUpTickComesOnlyOnce) {
    Form1& f = make(font);
    f.start();
    backend.advance(500);
    size_t calls = display.log().size();
    f.control("Label11").setCaption("marker");
    backend.advance(60000);
    EXPECT_EQ(display.log().size(), calls);
    EXPECT_EQ(caption("Label11"), "marker");
    EXPECT_FALSE(backend.timerRunning(f.control("Timer1")));
}

// Only the till's own screen gives the origin: in a Remote Desktop session, or in another
// user's while the till's is at the console, the window records nothing and says so
// where the saved resolution is shown; the next start on the till records it.
TEST_F(Form1Test, FirstStartRecordsNothingFromASessionThatIsNotTheTillsScreen) {
    const SessionInfo remote{3, 1, "WinSta0", true, true, "CAISSE-01\\support"},
        otherUser{2, 1, "WinSta0", true, false, "CAISSE-01\\gerant"};
    for (const SessionInfo& where : {remote, otherUser}) {
        SCOPED_TRACE(where.user);
        session.info = where;
        Form1& f = make(font);
        f.start();
        backend.advance(500);
        EXPECT_EQ(caption("Label10"), kNotRecordedCaption);
        EXPECT_EQ(caption("Label11") + caption("Label12"), "");
        EXPECT_EQ(caption("Label16") + " x " + caption("Label15"), "1280 x 1024") << "the mode in force all the same";
        EXPECT_EQ(readAll(kRecordFileName), "") << "nothing recorded";
        EXPECT_TRUE(reporter.messages.empty());
        recordFile.close();
    }
    session = SimulatedSession();
    make(font).start();
    backend.advance(500);
    EXPECT_EQ(caption("Label11") + " x " + caption("Label12"), "1280 x 1024");
    EXPECT_NE(caption("Label10"), kNotRecordedCaption);
}

TEST_F(Form1Test, EnlargedFontShowsGrossieOnLightRed) {
    for (int32_t height : {20, 13}) {
        SimulatedFont large{height};
        Form1& f = make(large);
        f.start();
        backend.advance(500);
        EXPECT_EQ(caption("Label2"), "Grossie") << height;
        EXPECT_EQ(f.control("Label2").backColor(), 0xC0C0FFu) << height;
        f.form().click(f.control("Command1")); // a second run leaves it as one run does
        EXPECT_EQ(caption("Label2"), "Grossie");
        large.failMetrics = true; // a run that measures nothing is no answer: the label stays
        f.form().click(f.control("Command1"));
        EXPECT_EQ(caption("Label2"), "Grossie");
        EXPECT_EQ(f.control("Label2").backColor(), 0xC0C0FFu);
        recordFile.close();
    }
}

TEST_F(Form1Test, FileThatCannotBeOpenedLeavesTheSavedLabelsEmptyAndReportsOnce) {
    std::filesystem::create_directory(kRecordFileName);
    Form1& f = make(font);
    f.start();
    backend.advance(500);
    EXPECT_EQ(caption("Label2"), "Normale");
    for (const char* name : {"Label11", "Label12"}) EXPECT_EQ(caption(name), "") << name;
    EXPECT_EQ(caption("Label16") + " x " + caption("Label15"), "1280 x 1024") << "the mode in force all the same";
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_NE(reporter.messages[0].find("W_ECRA_R.WDO"), std::string::npos);
    EXPECT_NE(reporter.messages[0].find(std::filesystem::current_path().string()), std::string::npos);
    EXPECT_TRUE(f.startupFinished()) << "a failed start-up has finished too";
}

TEST_F(Form1Test, ErrorInTheFontActionStopsTheTickBeforeTheFileAction) {
    FaultyFont faulty;
    Form1& f = make(faulty);
    f.start();
    backend.advance(500);
    EXPECT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(caption("Label2"), "");
    EXPECT_EQ(caption("Label11"), "");
    EXPECT_FALSE(std::filesystem::exists(kRecordFileName));
    EXPECT_FALSE(backend.timerRunning(f.control("Timer1")));
}

// Invariants of the design table that the window depends on.
TEST(Form1Design, ClientAreaAndRulerMarkRealPixels) {
    EXPECT_EQ(twipsToPixels(kForm1Design.clientWidth), 1434);
    EXPECT_EQ(twipsToPixels(kForm1Design.clientHeight), 828);
    auto find = [](std::string_view name) {
        return *std::find_if(kForm1Design.controls.begin(), kForm1Design.controls.end(),
                             [&](const ControlDesign& c) { return c.name == name; });
    };
    struct Line {
        const char* name;
        int x1, y1, x2, y2;
    } lines[] = {{"Line1", 1024, 0, 1024, 738}, {"Line6", 1368, 0, 1368, 738}, {"Line5", 0, 738, 1368, 738}};
    for (const Line& l : lines) {
        ControlDesign d = find(l.name);
        EXPECT_EQ(d.kind, Kind::Line);
        EXPECT_EQ(d.foreColor, rgb(255, 0, 0));
        EXPECT_EQ((std::array{twipsToPixels(d.left), twipsToPixels(d.top), twipsToPixels(d.width),
                              twipsToPixels(d.height)}),
                  (std::array{l.x1, l.y1, l.x2, l.y2}))
            << l.name;
    }
}

TEST(Form1Design, NamesAreUniqueAndEveryControlLiesInsideTheWindow) {
    std::set<std::pair<std::string_view, int16_t>> seen;
    for (const ControlDesign& c : kForm1Design.controls) {
        EXPECT_TRUE(seen.insert({c.name, c.index}).second) << c.name << '(' << c.index << ')';
        if (c.kind == Kind::Timer || c.kind == Kind::Line) continue;
        EXPECT_GE(c.left, 0) << c.name;
        EXPECT_LE(c.left + c.width, kForm1Design.clientWidth) << c.name;
        EXPECT_LE(c.top + c.height, kForm1Design.clientHeight) << c.name;
    }
}

// Only visible buttons take the focus, each at its own place in the order; the hidden
// buttons of the start-up actions are never reached.
TEST(Form1Design, OnlyVisibleButtonsTakeTheFocusEachInItsOwnPlace) {
    std::set<int16_t> tabs;
    for (const ControlDesign& c : kForm1Design.controls) {
        if (c.tabIndex < 0) {
            EXPECT_FALSE(c.kind == Kind::Button && c.visible) << c.name << " cannot be reached";
            continue;
        }
        // The exit picture is a key (a button to the system), the keyboard's way out.
        EXPECT_TRUE(c.kind == Kind::Button || c.name == "Image6") << c.name;
        EXPECT_TRUE(c.visible) << c.name;
        EXPECT_TRUE(tabs.insert(c.tabIndex).second) << c.name << " shares its place";
    }
    EXPECT_EQ(*tabs.rbegin(), 9) << "the way out comes last";
    EXPECT_EQ(std::find_if(kForm1Design.controls.begin(), kForm1Design.controls.end(),
                           [](const ControlDesign& c) { return c.name == "Image6"; })->tabIndex, 9);
}
