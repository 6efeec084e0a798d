// The real confirmation dialog in the Wine desktop: placement, frame, answers by real
// clicks, a screenshot, and no GDI or USER object left behind by repeated shows.
#include "app/error_report.h"
#include "app/win32_wide.h"
#include "dialog/mini97.h"
#include "dialog/skin.h"
#include "forms/win32_backend.h"
#include "support/screenshot.h"

#include "support/handle_counts.h"
#include "support/recording_reporter.h"
#include "win_test_support.h"
#include "support/input.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <vector>

using namespace diag;
using namespace diag::forms;

namespace {


class DialogWinTest : public testing::Test {
  protected:
    Win32Backend backend{GetModuleHandleW(nullptr)};
    RecordingReporter reporter;
    Module1 m;
    TileHolder holder{backend, reporter};
    Mini97 dialog{backend, reporter, m, holder};
    HWND window(const char* name, int16_t index = -1) {
        return backend.windowOf(dialog.form().control(name, index));
    }
};

} // namespace

TEST_F(DialogWinTest, OpensCentredFramedAndAnswersToRealClicks) {
    struct Case {
        int16_t button;
        int16_t answer;
    } cases[] = {{3, 7}, {2, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        m.DialogCode = 4;
        m.DialogText = "Confirmez le test de la résolution en mode \r\n1280 x 1024 ?";
        bool inspected = false;
        wintest::whileOpen([&] {
            inspected = true;
            HWND dlg = backend.windowOf(dialog.form());
            RECT r;
            GetWindowRect(dlg, &r);
            // (1280 - 368) / 2 and (1024 - 333) / 2 pixels: 6840 and 5182.5 twips.
            EXPECT_EQ(r.left, 456);
            EXPECT_EQ(r.top, 346);
            EXPECT_EQ(r.right - r.left, 368);
            EXPECT_EQ(r.bottom - r.top, 333);
            LONG style = GetWindowLongW(dlg, GWL_STYLE);
            EXPECT_TRUE(style & WS_POPUP);
            EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER));
            EXPECT_EQ(GetParent(dlg), nullptr);
            EXPECT_EQ(GetWindow(dlg, GW_OWNER), nullptr);

            wchar_t text[128];
            GetWindowTextW(window("Label1"), text, 128);
            EXPECT_EQ(narrow(text), m.DialogText);
            GetWindowTextW(window("btc", 2), text, 128);
            EXPECT_EQ(narrow(text), "Valider");
            GetWindowTextW(window("btc", 3), text, 128);
            EXPECT_EQ(narrow(text), "Annuler");
            EXPECT_FALSE(IsWindowVisible(window("Text1")));
            for (int16_t key : {2, 3}) {
                wchar_t cls[32] = {};
                GetClassNameW(window("btc", key), cls, 32);
                EXPECT_EQ(_wcsicmp(cls, L"Button"), 0) << "a push button to assistive technology: " << key;
                EXPECT_TRUE(GetWindowLongW(window("btc", key), GWL_STYLE) & WS_TABSTOP) << key;
                EXPECT_NE(GetFocus(), window("btc", key)) << "no key has the focus at the start";
            }

            // The eight tiles come last in the stacking order: behind every other control.
            std::vector<HWND> order;
            for (HWND h = GetWindow(window("Label1"), GW_HWNDFIRST); h; h = GetWindow(h, GW_HWNDNEXT))
                order.push_back(h);
            ASSERT_EQ(order.size(), 13u);
            for (int16_t i = 0; i < 8; ++i) {
                auto at = std::find(order.begin(), order.end(), window("ccb", i));
                EXPECT_GE(at - order.begin(), 5) << "tile " << i;
            }
            // The frame drawn by the tiles: the outer line 1 pixel in, the inner one 6 in.
            RedrawWindow(dlg, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            EXPECT_EQ(wintest::pixelOf(dlg, 1, 150), RGB(0xBF, 0xCF, 0xDF)) << "left edge, outer line";
            EXPECT_EQ(wintest::pixelOf(dlg, 6, 150), RGB(0x00, 0x50, 0x9F)) << "left edge, inner line";
            EXPECT_EQ(wintest::pixelOf(dlg, 200, 333 - 1 - 1), RGB(0xBF, 0xCF, 0xDF)) << "bottom edge, outer line";
            EXPECT_EQ(wintest::pixelOf(dlg, 368 - 1 - 6, 150), RGB(0x00, 0x50, 0x9F)) << "right edge, inner line";
            EXPECT_EQ(wintest::pixelOf(dlg, 0, 150), RGB(255, 255, 255)) << "the outermost pixel is ground";
            EXPECT_EQ(wintest::pixelOf(dlg, 3, 150), RGB(255, 255, 255)) << "white between the lines";
            if (const char* dir = std::getenv("DIAGRESO_ARTEFACTS"); dir && c.button == 3) {
                diag::test::saveScreen(std::string(dir) + "\\dialog.bmp");
            }
            diag::test::clickWindow(window("btc", c.button));
        });
        dialog.show();
        EXPECT_TRUE(inspected);
        EXPECT_EQ(m.DialogCode, c.answer);
        EXPECT_FALSE(dialog.form().loaded());
    }
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(DialogWinTest, TextBoxHasTheFocusAndItsTextComesBack) {
    m.DialogCode = 132;
    m.DialogText = "Votre nom ?";
    wintest::whileOpen([&] {
        EXPECT_EQ(m.DialogCode, 4);
        EXPECT_TRUE(IsWindowVisible(window("Text1")));
        EXPECT_EQ(GetFocus(), window("Text1"));
        SendMessageW(window("Text1"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"abc"));
        wintest::notifyClick(window("btc", 2));
    });
    dialog.show();
    EXPECT_EQ(m.DialogCode, 6);
    EXPECT_EQ(m.DialogText, "abc");
}

TEST_F(DialogWinTest, ClosedWithoutAButtonLeavesTheRequest) {
    m.DialogCode = 132;
    m.DialogText = "question";
    wintest::whileOpen([&] { PostMessageW(backend.windowOf(dialog.form()), WM_CLOSE, 0, 0); });
    dialog.show();
    EXPECT_EQ(m.DialogCode, 4);
    EXPECT_EQ(m.DialogText, "question");
}

TEST_F(DialogWinTest, RepeatedShowsLeaveNoObjectBehind) {
    auto showOnce = [&] {
        m.DialogCode = 4;
        m.DialogText = "encore ?";
        wintest::answerWhenOpen([&] { return window("btc", 2); }, [&] { return dialog.form().loaded(); });
        dialog.show();
        ASSERT_EQ(m.DialogCode, 6);
    };
    showOnce();
    int gdiFirst = diag::test::liveGdiObjects(), userFirst = diag::test::userWindows();
    for (int i = 1; i < 200; ++i) showOnce();
    int gdiAfter = diag::test::liveGdiObjects(), userAfter = diag::test::userWindows();
    std::printf("GDI objects after 1 show: %d, after 200: %d; USER windows: %d, %d\n", gdiFirst, gdiAfter,
                userFirst, userAfter);
    ASSERT_GT(gdiFirst, 0) << "the GDI handle table could not be read";
    EXPECT_EQ(gdiAfter, gdiFirst);
    EXPECT_EQ(userAfter, userFirst);
}
