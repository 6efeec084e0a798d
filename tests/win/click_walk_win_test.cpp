// Every control the designs give a Click handler takes a real click at its centre, and
// runs its own handler once with its own index: a control kind whose clicks are lost, a
// control covered by another or an index mixed up fails here.
#include "main_window_program.h"
#include "win_test_support.h"

#include "dialog/mini97.h"
#include "support/input.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

using namespace diag;
using namespace diag::forms;

namespace {

std::string nameOf(std::string_view name, int16_t index) {
    return std::string(name) + (index >= 0 ? "(" + std::to_string(index) + ")" : "");
}

// Every bound Click handler of the loaded form replaced by one that logs which control ran.
void recordClicks(Form& form, std::vector<std::string>& log) {
    for (auto& c : form.controls())
        if (form.clickable(*c))
            form.setClickHandler(c->name(), [&log, name = std::string(c->name())](int16_t index) {
                log.push_back(nameOf(name, index));
            });
}

void pumpFor(DWORD ms) {
    DWORD start = GetTickCount();
    MSG msg;
    do {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

// The backend's own pass over messages, with the dialog keys, for `ms`.
void pumpBackend(Win32Backend& backend, DWORD ms) {
    DWORD start = GetTickCount();
    do {
        backend.doEvents();
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

// Makes the input, pumping with `pump`, and says what ran: each handler run, joined by
// " + ", or "nothing".
std::string whatRuns(std::vector<std::string>& log, const std::function<void(DWORD)>& pump,
                     const std::function<void()>& input) {
    log.clear();
    input();
    DWORD start = GetTickCount();
    while (log.empty() && GetTickCount() - start < 2000) pump(10);
    pump(50); // a second run of a handler would show here
    std::string ran;
    for (const std::string& entry : log) ran += (ran.empty() ? "" : " + ") + entry;
    return ran.empty() ? "nothing" : ran;
}

struct Walk {
    std::vector<std::string> clicked, ran; // "name(index)" of each control clicked; what each click ran
    std::set<Kind> kinds;
};

// A real click at the centre of every visible control with a handler, where the design
// puts it on the form's window; what ran is logged as one entry per click.
Walk walk(Form& form, HWND window, std::vector<std::string>& log) {
    Walk w;
    for (auto& c : form.controls()) {
        if (!c->visible() || !form.clickable(*c)) continue;
        PixelRect r = pixelRect(*c);
        POINT centre{r.x + r.width / 2, r.y + r.height / 2};
        ClientToScreen(window, &centre);
        pumpFor(2 * wintest::kDoubleClickMs + 30); // no double-click with the click before
        w.clicked.push_back(nameOf(c->name(), c->index()));
        w.ran.push_back(whatRuns(log, pumpFor, [&] { test::clickScreen(centre); }));
        w.kinds.insert(c->kind());
    }
    return w;
}

} // namespace

TEST(ClickWalkWinTest, EveryControlWithAClickHandlerTakesItsOwnRealClicks) {
    wintest::TempCurrentDirectory dir;
    wintest::MainWindowProgram p;
    std::vector<std::string> log;
    Form& main = p.form1.form();
    ASSERT_TRUE(p.form1.start());
    recordClicks(main, log); // handlers are bound by name and hold across loads
    HWND mainWindow = p.backend.windowOf(main);
    SetForegroundWindow(mainWindow);
    pumpFor(600); // past the start-up tick
    Walk form1 = walk(main, mainWindow, log);
    EXPECT_EQ(form1.ran, form1.clicked);
    EXPECT_EQ(form1.kinds, (std::set<Kind>{Kind::Label, Kind::Button, Kind::Picture})) << "every kind that acts";

    Form& dialog = p.form1.dialog().form();
    p.module.DialogCode = 4;
    p.module.DialogText = "Confirmez le test de la résolution en mode \r\n1280 x 1024 ?";
    Walk mini97;
    wintest::whileOpen([&] {
        recordClicks(dialog, log);
        mini97 = walk(dialog, p.backend.windowOf(dialog), log);
        dialog.unload();
    });
    p.form1.dialog().show();
    EXPECT_EQ(mini97.ran, mini97.clicked);
    EXPECT_EQ(mini97.clicked.size(), 2u) << "Valider and Annuler";
    EXPECT_TRUE(p.reporter.messages.empty());
}

namespace {

// What has the focus, pressed with Space (or another key): "name(index)" of the focused
// control and what ran.
struct KeyPress {
    std::string focused, ran;
};
KeyPress pressFocused(Win32Backend& backend, std::vector<std::string>& log, WORD key = VK_SPACE) {
    Control* c = backend.focusedControl();
    return {c ? nameOf(c->name(), c->index()) : "nothing",
            whatRuns(log, [&](DWORD ms) { pumpBackend(backend, ms); }, [key] { test::pressKey(key); })};
}

} // namespace

// The keyboard alone: Tab reaches every control that takes the focus, in the design's
// order with the exit last, and Space runs its own handler once. In the dialog no key
// has the focus at first and Enter then answers nothing; Tab goes Annuler then Valider,
// Space and Enter press the focused key, and Esc closes the dialog without an answer.
TEST(ClickWalkWinTest, EveryFocusableControlTakesTabAndSpace) {
    wintest::TempCurrentDirectory dir;
    wintest::MainWindowProgram p;
    std::vector<std::string> log;
    Form& main = p.form1.form();
    ASSERT_TRUE(p.form1.start());
    recordClicks(main, log);
    SetForegroundWindow(p.backend.windowOf(main));
    pumpBackend(p.backend, 600); // past the start-up tick
    std::vector<std::string> reached, ran;
    for (int i = 0; i < 11; ++i) {
        KeyPress k = pressFocused(p.backend, log);
        reached.push_back(k.focused);
        ran.push_back(k.ran);
        test::pressKey(VK_TAB);
        pumpBackend(p.backend, 50);
    }
    EXPECT_EQ(reached, (std::vector<std::string>{"Command3", "Command5", "Command6(0)", "Command6(1)", "Command6(2)",
                                                 "Command6(3)", "Command6(4)", "Command6(5)", "Command6(6)", "Image6",
                                                 "Command3"}));
    EXPECT_EQ(ran, reached);

    Form& dialog = p.form1.dialog().form();
    p.module.DialogCode = 4;
    p.module.DialogText = "Confirmez le test de la résolution en mode \r\n1280 x 1024 ?";
    std::vector<KeyPress> keys;
    wintest::whileOpen([&] {
        recordClicks(dialog, log);
        pumpBackend(p.backend, 2 * wintest::kDoubleClickMs + 30);
        keys.push_back(pressFocused(p.backend, log, VK_RETURN));
        for (int i = 0; i < 2; ++i) {
            test::pressKey(VK_TAB);
            pumpBackend(p.backend, 50);
            keys.push_back(pressFocused(p.backend, log));
        }
        keys.push_back(pressFocused(p.backend, log, VK_RETURN));
        test::pressKey(VK_ESCAPE);
        pumpBackend(p.backend, 100);
    });
    p.form1.dialog().show();
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[0].focused + " -> " + keys[0].ran, "nothing -> nothing") << "Enter with no key focused";
    EXPECT_EQ(keys[1].focused + " -> " + keys[1].ran, "btc(3) -> btc(3)") << "Annuler first";
    EXPECT_EQ(keys[2].focused + " -> " + keys[2].ran, "btc(2) -> btc(2)");
    EXPECT_EQ(keys[3].focused + " -> " + keys[3].ran, "btc(2) -> btc(2)") << "Enter presses the focused key";
    EXPECT_FALSE(dialog.loaded()) << "Esc closed it";
    EXPECT_EQ(p.module.DialogCode, 4) << "without an answer";
    EXPECT_TRUE(p.reporter.messages.empty());
}
