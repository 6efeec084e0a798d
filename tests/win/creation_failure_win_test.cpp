// Every window, class, font, icon and timer that the first show of the main window and
// of the confirmation dialog makes is made to fail in turn: each failure is told once in
// French, nothing is left behind, and the next show works.
#include "creation_gate.h"
#include "main_window_program.h"
#include "win_test_support.h"

#include "support/handle_counts.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

using namespace diag;
using namespace diag::forms;

namespace {

using Program = wintest::MainWindowProgram;

struct Counts {
    int gdi, user;
    bool operator==(const Counts&) const = default;
};
Counts counts() { return {test::liveGdiObjects(), test::userWindows()}; }

bool mentionsCreation(const std::vector<std::string>& messages) {
    return messages.size() == 1 && messages[0].rfind("Impossible de créer ", 0) == 0;
}

} // namespace

TEST(CreationFailureWinTest, EachCreationOfTheMainWindowsFirstShowFailingIsToldOnceAndLeavesNothing) {
    wintest::TempCurrentDirectory dir;
    int failures = 0;
    for (int n = 1;; ++n) {
        SCOPED_TRACE(n);
        Program p;
        Counts before = counts();
        wintest::refuseCreation(n);
        bool shown = p.form1.start();
        wintest::refuseCreation(0);
        if (shown) {
            EXPECT_TRUE(p.reporter.messages.empty()) << "the whole show needs " << n - 1 << " creations";
            EXPECT_GT(n, 40) << "fewer creations than the main window's controls";
            break;
        }
        ++failures;
        EXPECT_TRUE(mentionsCreation(p.reporter.messages)) << (p.reporter.messages.empty() ? "" : p.reporter.messages[0]);
        Counts after = counts();
        std::printf("creation %2d refused (GDI %d -> %d, USER %d -> %d): %s\n", n, before.gdi, after.gdi,
                    before.user, after.user, p.reporter.messages.empty() ? "-" : p.reporter.messages[0].c_str());
        EXPECT_EQ(p.backend.windowOf(p.form1.form()), nullptr);
        EXPECT_EQ(after, before) << "GDI objects and windows as before the show";
        ASSERT_TRUE(p.form1.start()) << "the next show works";
        EXPECT_TRUE(IsWindowVisible(p.backend.windowOf(p.form1.form())));
        EXPECT_EQ(p.reporter.messages.size(), 1u);
    }
    std::printf("main window: %d creations refused in turn\n", failures);
}

TEST(CreationFailureWinTest, EachCreationOfTheDialogsFirstShowFailingIsToldOnceAndLeavesNothing) {
    wintest::TempCurrentDirectory dir;
    Program p;
    ASSERT_TRUE(p.form1.start());
    Form& main = p.form1.form();
    main.tick(main.control("Timer1")); // the start-up actions, now
    ASSERT_TRUE(p.reporter.messages.empty());
    auto test1024 = [&] { main.deliver([&] { main.click(main.control("Command6", 0)); }); };
    // Cancels the dialog should it open, once it takes presses.
    auto cancelWhenOpen = [&] {
        Form& dialog = p.form1.dialog().form();
        wintest::answerWhenOpen([&] { return p.backend.windowOf(dialog.control("btc", 3)); },
                                [&] { return dialog.loaded(); });
    };
    int failures = 0;
    for (int n = 1;; ++n) {
        SCOPED_TRACE(n);
        p.reporter.messages.clear();
        Counts before = counts();
        cancelWhenOpen(); // answers the dialog should it open after all
        wintest::refuseCreation(n);
        test1024();
        wintest::refuseCreation(0);
        if (p.reporter.messages.empty()) {
            EXPECT_EQ(p.module.DialogCode, 7) << "opened and answered: the whole show needs " << n - 1;
            EXPECT_GT(n, 10) << "fewer creations than the dialog's controls";
            break;
        }
        ++failures;
        EXPECT_TRUE(mentionsCreation(p.reporter.messages)) << p.reporter.messages[0];
        Counts after = counts();
        std::printf("creation %2d refused (GDI %d -> %d, USER %d -> %d): %s\n", n, before.gdi, after.gdi,
                    before.user, after.user, p.reporter.messages[0].c_str());
        EXPECT_FALSE(p.form1.dialog().form().loaded());
        EXPECT_TRUE(IsWindowEnabled(p.backend.windowOf(main))) << "the main window is not left turned off";
        EXPECT_EQ(after, before) << "GDI objects and windows as before the show";
        EXPECT_EQ(p.display.current(), (Mode{1280, 1024, 32})) << "nothing confirmed";
        p.module.DialogCode = 0;
        cancelWhenOpen();
        test1024();
        EXPECT_EQ(p.module.DialogCode, 7) << "the next show works";
        EXPECT_TRUE(p.reporter.messages.size() == 1);
    }
    wintest::stopWhileOpen();
    std::printf("dialog: %d creations refused in turn\n", failures);
}
