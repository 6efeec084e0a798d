// Every control the designs give a Click handler takes a real click at its centre, and
// runs its own handler once with its own index: a control kind whose clicks are lost, a
// control covered by another or an index mixed up fails here.
#include "main_window_program.h"
#include "win_test_support.h"

#include "dialog/mini97.h"
#include "support/input.h"

#include <gtest/gtest.h>
#include <windows.h>

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
        log.clear();
        test::clickScreen(centre);
        DWORD start = GetTickCount();
        while (log.empty() && GetTickCount() - start < 2000) pumpFor(10);
        pumpFor(50); // a second run of a handler would show here
        std::string ran;
        for (const std::string& entry : log) ran += (ran.empty() ? "" : " + ") + entry;
        w.clicked.push_back(nameOf(c->name(), c->index()));
        w.ran.push_back(ran.empty() ? "nothing" : ran);
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
