// What real hands do to the window, with real mouse and keyboard input: a double-click
// on a test button, the main window brought forward over the dialog, a system without a
// picture decoder, the keyboard, and a minimised window at the re-pinning tick.
#include "e2e_support.h"
#include "support/density.h"
#include "support/records.h"
#include "support/screenshot.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

using namespace diag;
using namespace diag::e2e;

namespace {


void screenshot(const char* name) {
    Sleep(300);
    if (std::string path = test::artefactPath(name); !path.empty()) test::saveScreen(path);
}

RECT screenRectOf(HWND form, const forms::ControlDesign& d) {
    RECT r = designRect(d);
    MapWindowPoints(form, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// True when `upper` stands above `lower` in the stacking order of top-level windows.
bool above(HWND upper, HWND lower) {
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) {
        if (h == upper) return true;
        if (h == lower) return false;
    }
    return false;
}

HWND focusOf(const Program& program) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(program.threadId(), &info) ? info.hwndFocus : nullptr;
}

// The focus events the program raises, as a screen reader hears them.
class FocusEvents {
  public:
    explicit FocusEvents(DWORD pid)
        : hook_(SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, &FocusEvents::heard, pid, 0,
                                WINEVENT_OUTOFCONTEXT)) {
        last_ = nullptr;
        heard_.clear();
    }
    ~FocusEvents() {
        if (hook_) UnhookWinEvent(hook_);
    }
    bool hooked() const { return hook_ != nullptr; }
    // The window the last event named, once `ms` have passed with the events delivered.
    HWND last(int ms) {
        for (DWORD start = GetTickCount(); GetTickCount() - start < static_cast<DWORD>(ms);) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            Sleep(10);
        }
        return last_;
    }

    // Whether any event so far named that window.
    bool named(HWND window) const { return std::find(heard_.begin(), heard_.end(), window) != heard_.end(); }

  private:
    static void CALLBACK heard(HWINEVENTHOOK, DWORD, HWND hwnd, LONG, LONG, DWORD, DWORD) {
        last_ = hwnd;
        heard_.push_back(hwnd);
    }
    static inline HWND last_ = nullptr;
    static inline std::vector<HWND> heard_;
    HWINEVENTHOOK hook_;
};

class RealHands : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test::at96dpi()) GTEST_SKIP() << "runs at 96 dpi";
    }
    // The program started in a fresh folder, its start-up done.
    HWND start(Program& program) {
        HWND form = program.mainWindow(15000);
        if (form) waitFor([&] { return !displayTexts(form).back().empty(); }, 10000);
        return form;
    }
    RestoreMode restore_;
};

// Where the dialog's Valider lies over "1280 x 768" of the main window: the point a
// double-click's second press lands on the window beneath once the dialog is gone.
std::optional<POINT> validerOverAKey(HWND form, HWND dialog) {
    HWND valider = childNamed(dialog, "Valider");
    RECT key, beneath = screenRectOf(form, design("Command6", 5)), both;
    if (!valider || !GetWindowRect(valider, &key) || !IntersectRect(&both, &key, &beneath)) return std::nullopt;
    return POINT{(both.left + both.right) / 2, (both.top + both.bottom) / 2};
}

} // namespace

// However fast the hands and however slow the dialog to appear, the second click of a
// double-click on a test button is no answer, even where the dialog's key lies under it.
TEST_F(RealHands, DoubleClickOnATestButtonIsNoConfirmation) {
    const wchar_t* large = _wgetenv(L"DIAGRESO_LARGE_GIF"); // 3000 x 3000, slow to decode
    ASSERT_NE(large, nullptr) << "the harness names a large picture";
    struct Case {
        const char* name;
        bool slowDialog;
        DWORD gapMs;
    } cases[] = {
        {"a person's double-click", false, 200},
        {"a very fast double-click", false, 15},
        {"a dialog slow to appear", true, 150},
    };
    ASSERT_TRUE(setMode(1152, 864));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring folder = freshFolder();
        if (c.slowDialog) {
            ASSERT_TRUE(CopyFileW(large, (folder + L"\\fc_img_024.gif").c_str(), FALSE));
        }
        Program program(folder);
        HWND form = start(program);
        ASSERT_NE(form, nullptr);
        // The dialog, centred on 1152 x 864, has its Valider key under "1280 x 800": the
        // second click of a double-click lands on it.
        RECT button = screenRectOf(form, design("Command6", 4));
        RECT valider{(1152 - 368) / 2 + 270, (864 - 333 + 1) / 2 + 234, 0, 0};
        valider.right = valider.left + 73;
        valider.bottom = valider.top + 73;
        RECT both;
        ASSERT_TRUE(IntersectRect(&both, &button, &valider)) << "the key lies under the button";
        POINT p{(both.left + both.right) / 2, (both.top + both.bottom) / 2};
        SetForegroundWindow(form);
        DWORD first = GetTickCount();
        test::clickScreen(p);
        Sleep(c.gapMs); // the second click of a double-click, within its time
        test::clickScreen(p);
        HWND dialog = waitForDialog(form, 5000, false);
        ASSERT_NE(dialog, nullptr);
        std::printf("%s: dialog visible %lu ms after the first click\n", c.name, GetTickCount() - first);
        Sleep(GetDoubleClickTime() + 200);
        EXPECT_TRUE(IsWindowVisible(dialog)) << "the dialog keeps waiting";
        EXPECT_EQ(screenMode(), (std::pair{1152, 864})) << "no change without a confirmation";
        if (!c.slowDialog && c.gapMs == 200) screenshot("double-click-dialog-waiting.bmp");
        clickButton(dialog, "Valider");
        EXPECT_TRUE(waitFor([&] { return screenMode() == std::pair{1280, 800}; }, 5000)) << "a later click confirms";
        EXPECT_TRUE(keepChange(form));
        clickAt(form, design("Image6"));
        EXPECT_TRUE(program.ended(5000));
        ASSERT_TRUE(setMode(1152, 864));
    }
}

// A press too early is ignored; the next one after the delay answers, though it comes
// within the double-click time of the first and reaches the key as a double-click.
TEST_F(RealHands, PressAgainAfterAnEarlyOneAnswers) {
    Program program(freshFolder());
    HWND form = start(program);
    ASSERT_NE(form, nullptr);
    clickAt(form, design("Command6", 0));
    HWND dialog = waitForDialog(form, 5000, false);
    ASSERT_NE(dialog, nullptr);
    HWND valider = childNamed(dialog, "Valider");
    ASSERT_NE(valider, nullptr);
    ASSERT_EQ(GetDoubleClickTime(), 500u) << "the presses below are timed for it";
    Sleep(300);
    test::clickWindow(valider); // too early: no answer
    Sleep(350);
    EXPECT_TRUE(IsWindowVisible(dialog)) << "the early press was no answer";
    test::clickWindow(valider); // 650 ms after the dialog appeared
    EXPECT_TRUE(waitFor([&] { return screenMode() == std::pair{1024, 768}; }, 5000)) << "the second press confirms";
    EXPECT_TRUE(keepChange(form));
    clickAt(form, design("Image6"));
    EXPECT_TRUE(program.ended(5000));
}

// The press and the release of a click apart, and the window's activation taken away and
// given back between them, as a late activation (the one a closing dialog leaves) does: the
// click still opens its dialog. A button that answered at the release lost it.
TEST_F(RealHands, ActivationBetweenPressAndReleaseLosesNoClick) {
    Program program(freshFolder());
    HWND form = start(program);
    ASSERT_NE(form, nullptr);
    HWND other = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"autre", WS_POPUP | WS_VISIBLE, 1200, 950, 40, 40,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    RECT r = screenRectOf(form, design("Command6", 0));
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    SetForegroundWindow(form);
    Sleep(200);
    test::pressScreen(p, true);
    Sleep(200);
    SetForegroundWindow(other);
    Sleep(200);
    SetForegroundWindow(form);
    Sleep(200);
    test::pressScreen(p, false);
    HWND dialog = waitForDialog(form, 3000, false);
    EXPECT_NE(dialog, nullptr) << "the click opened its dialog; " << program.state();
    DestroyWindow(other);
    if (dialog) {
        Sleep(GetDoubleClickTime() + 100);
        EXPECT_TRUE(cancelDialog(dialog));
    }
    clickAt(form, design("Image6"));
    EXPECT_TRUE(program.ended(5000));
}

TEST_F(RealHands, DialogComesBackInFrontOfTheWindowItTurnsOff) {
    Program program(freshFolder());
    HWND form = start(program);
    ASSERT_NE(form, nullptr);
    clickAt(form, design("Command6", 6));
    HWND dialog = waitForDialog(form);
    ASSERT_NE(dialog, nullptr);
    // The main window brought forward, as its taskbar button or Alt+Tab would.
    SetWindowPos(form, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(form);
    EXPECT_TRUE(waitFor([&] { return above(dialog, form) && GetForegroundWindow() == dialog; }, 3000))
        << "brought forward: the dialog is in front and active";
    // Then brought forward again and clicked, away from the dialog.
    SetWindowPos(form, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_TRUE(above(form, dialog));
    POINT away{60, 700};
    test::clickScreen(away);
    EXPECT_TRUE(waitFor([&] { return above(dialog, form) && GetForegroundWindow() == dialog; }, 3000))
        << "clicked: the dialog is in front and active";
    screenshot("dialog-in-front.bmp");
    EXPECT_TRUE(cancelDialog(dialog));
    clickAt(form, design("Image6"));
    EXPECT_TRUE(program.ended(5000));
}

// Another program shrinks the screen while the question is up: the dialog comes back whole
// onto the new screen, centred, and its keys still answer.
TEST_F(RealHands, DialogComesBackWholeOntoAScreenMadeSmaller) {
    Program program(freshFolder());
    HWND form = start(program);
    ASSERT_NE(form, nullptr);
    clickAt(form, design("Command6", 6));
    HWND dialog = waitForDialog(form);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(setMode(800, 600));
    RECT r{};
    EXPECT_TRUE(waitFor(
        [&] {
            GetWindowRect(dialog, &r);
            return r.left >= 0 && r.top >= 0 && r.right <= 800 && r.bottom <= 600;
        },
        3000))
        << "dialog at " << r.left << "," << r.top << "-" << r.right << "," << r.bottom;
    EXPECT_NEAR(r.left, (800 - 368) / 2, 1);
    EXPECT_NEAR(r.top, (600 - 333) / 2, 1);
    EXPECT_TRUE(cancelDialog(dialog)) << "Annuler is within reach";
    EXPECT_EQ(screenMode(), (std::pair{800, 600})) << "cancelled: nothing changed by the program";
    ASSERT_TRUE(setMode(1280, 1024)); // the exit stands beyond 800 pixels
    clickAt(form, design("Image6"));
    EXPECT_TRUE(program.ended(5000));
}

TEST_F(RealHands, WithoutAPictureDecoderTheMainWindowKeepsItsPicturesAndTheKeysShowTheirNames) {
    // windowscodecs disabled for the program only, as on a system whose WIC is damaged:
    // Wine's own per-program DLL override, taken back afterwards.
    const wchar_t* appKey = L"Software\\Wine\\AppDefaults\\diagreso.exe\\DllOverrides";
    HKEY overrides = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, appKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &overrides, nullptr), 0);
    RegSetValueExW(overrides, L"windowscodecs", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
    RegCloseKey(overrides);
    struct Undo {
        const wchar_t* key;
        ~Undo() { RegDeleteTreeW(HKEY_CURRENT_USER, key); }
    } undo{appKey};
    Program program(freshFolder());
    HWND form = start(program);
    ASSERT_NE(form, nullptr);
    // A key's picture missing: a plain face with dark letters instead of a blank square.
    auto nameDrawn = [](HWND window, RECT r) {
        HDC dc = GetDC(nullptr);
        int face = 0, dark = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                COLORREF c = GetPixel(dc, x, y);
                face += c == GetSysColor(COLOR_BTNFACE);
                dark += GetRValue(c) < 80 && GetGValue(c) < 80 && GetBValue(c) < 80;
            }
        ReleaseDC(nullptr, dc);
        (void)window;
        return face > (r.right - r.left) * (r.bottom - r.top) / 2 && dark >= 10;
    };
    // The main window's bitmaps need no decoder: the exit still shows its red arrow.
    auto redArrowDrawn = [](RECT r) {
        HDC dc = GetDC(nullptr);
        int red = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                COLORREF c = GetPixel(dc, x, y);
                red += GetRValue(c) > 200 && GetGValue(c) < 80 && GetBValue(c) < 80;
            }
        ReleaseDC(nullptr, dc);
        return red >= 100;
    };
    Sleep(300);
    EXPECT_TRUE(redArrowDrawn(screenRectOf(form, design("Image6")))) << "Quitter";
    clickAt(form, design("Command6", 0));
    HWND dialog = waitForDialog(form);
    ASSERT_NE(dialog, nullptr);
    for (const char* key : {"Valider", "Annuler"}) {
        HWND found = childNamed(dialog, key);
        ASSERT_NE(found, nullptr) << key;
        RECT r;
        GetWindowRect(found, &r);
        EXPECT_TRUE(nameDrawn(found, r)) << key;
    }
    screenshot("no-decoder-names.bmp");
    EXPECT_TRUE(cancelDialog(dialog)) << "still usable";
    clickAt(form, design("Image6"));
    EXPECT_TRUE(program.ended(5000)) << "still usable";
}

TEST_F(RealHands, KeyboardKeepsItsPlaceAndEnterPressesTheFocusedButton) {
    Program program(freshFolder());
    HWND form = start(program);
    ASSERT_NE(form, nullptr);
    SetForegroundWindow(form);
    HWND target = childAt(form, design("Command6", 1)); // "1366 x 768", third Tab from Command3
    for (int i = 0; i < 3; ++i) test::pressKey(VK_TAB);
    ASSERT_TRUE(waitFor([&] { return focusOf(program) == target; }, 2000));
    test::pressKey(VK_SPACE);
    HWND dialog = waitForDialog(form);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(cancelDialog(dialog));
    EXPECT_TRUE(waitFor([&] { return focusOf(program) == target; }, 2000)) << "the focus is back on its button";
    screenshot("focus-back-on-its-button.bmp");
    test::pressKey(VK_RETURN);
    dialog = waitForDialog(form);
    ASSERT_NE(dialog, nullptr) << "Enter presses the focused button";
    // From no key focused, Shift+Tab reaches the last key; both ways cycle over the keys.
    HWND annuler = childNamed(dialog, "Annuler"), valider = childNamed(dialog, "Valider");
    struct Step {
        bool shift;
        HWND reaches;
    } steps[] = {{true, valider}, {true, annuler}, {true, valider}, {false, annuler}, {false, valider}};
    for (const Step& step : steps) {
        if (step.shift)
            test::pressKeyWith(VK_SHIFT, VK_TAB);
        else
            test::pressKey(VK_TAB);
        EXPECT_TRUE(waitFor([&] { return focusOf(program) == step.reaches; }, 2000))
            << (step.shift ? "Shift+Tab" : "Tab") << " reaches " << windowText(step.reaches);
    }
    // Esc, and a screen reader is told of the button that has the focus again.
    DWORD pid = 0;
    GetWindowThreadProcessId(form, &pid);
    FocusEvents events(pid);
    ASSERT_TRUE(events.hooked());
    test::pressKey(VK_ESCAPE);
    EXPECT_TRUE(waitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 3000)) << "Esc cancels";
    EXPECT_TRUE(waitFor([&] { return focusOf(program) == target; }, 2000));
    HWND told = events.last(800);
    EXPECT_EQ(told, target) << "the last focus event names \"" << windowText(told) << "\"";
    EXPECT_FALSE(events.named(form)) << "whatever the order of the activation's events, none names the window";
    EXPECT_EQ(screenMode(), (std::pair{1280, 1024}));
    clickAt(form, design("Image6"));
    EXPECT_TRUE(program.ended(5000));
}

// The keyboard alone does a test and a revert. In the dialog Enter with no key focused
// answers nothing and Esc cancels; Tab goes Annuler then Valider, and Space or Enter
// presses the focused key. The current resolution follows every change, the window's own
// and another program's; the saved one and the text size stay. Tab reaches the exit.
TEST_F(RealHands, KeyboardAloneTestsRevertsAndQuitsAndTheCurrentResolutionFollows) {
    Program program(freshFolder());
    HWND form = start(program);
    ASSERT_NE(form, nullptr);
    SetForegroundWindow(form);
    auto tabTo = [&](const ControlDesign& d, int tabs) {
        HWND target = childAt(form, d);
        for (int i = 0; i < tabs; ++i) test::pressKey(VK_TAB);
        return waitFor([&] { return focusOf(program) == target; }, 2000);
    };
    auto shown = [&](std::vector<std::string> want) {
        return waitFor([&] { return displayTexts(form) == want; }, 3000);
    };
    ASSERT_TRUE(tabTo(design("Command6", 0), 2)) << "1024 x 768";
    test::pressKey(VK_SPACE);
    HWND dialog = waitForDialog(form);
    ASSERT_NE(dialog, nullptr);
    test::pressKey(VK_RETURN);
    Sleep(700);
    EXPECT_TRUE(IsWindowVisible(dialog)) << "Enter with no key focused answers nothing";
    test::pressKey(VK_ESCAPE);
    EXPECT_TRUE(waitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 3000)) << "Esc cancels";
    EXPECT_EQ(screenMode(), (std::pair{1280, 1024}));

    test::pressKey(VK_SPACE); // the focus is back on "1024 x 768"
    dialog = waitForDialog(form);
    ASSERT_NE(dialog, nullptr);
    test::pressKey(VK_TAB);
    test::pressKey(VK_TAB);
    Sleep(300);
    if (std::string shot = test::artefactPath("dialog-keyboard-valider.bmp"); !shot.empty()) test::saveScreen(shot);
    test::pressKey(VK_SPACE);
    EXPECT_TRUE(waitFor([&] { return screenMode() == std::pair{1024, 768}; }, 5000)) << "Tab, Tab, Space: Valider";
    EXPECT_TRUE(shown({"Normale", "1280", "1024", "1024", "768"}));
    // The keep question: Enter alone keeps nothing; Tab, Tab, Space keeps.
    HWND question = waitForKeepQuestion(form);
    ASSERT_NE(question, nullptr);
    test::pressKey(VK_RETURN);
    Sleep(700);
    EXPECT_TRUE(IsWindowVisible(question)) << "Enter with no key focused keeps nothing";
    EXPECT_EQ(storedMode(), (std::pair{1280, 1024}));
    test::pressKey(VK_TAB);
    test::pressKey(VK_TAB);
    test::pressKey(VK_SPACE);
    EXPECT_TRUE(waitFor([&] { return !IsWindow(question) || !IsWindowVisible(question); }, 3000));
    EXPECT_TRUE(waitFor([&] { return storedMode() == std::pair{1024, 768}; }, 3000)) << "kept";
    afterAChange();

    // The revert: Esc in its keep question gives the tried mode back at once, and a second
    // revert is kept with Tab, Tab, Enter.
    ASSERT_TRUE(tabTo(design("Command5"), 9)) << "round to the revert";
    for (bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "kept" : "Esc");
        test::pressKey(VK_SPACE);
        dialog = waitForDialog(form);
        ASSERT_NE(dialog, nullptr);
        test::pressKey(VK_TAB);
        test::pressKey(VK_TAB);
        test::pressKey(VK_RETURN);
        EXPECT_TRUE(waitFor([&] { return screenMode() == std::pair{1280, 1024}; }, 5000)) << "Tab, Tab, Enter: Valider";
        EXPECT_TRUE(shown({"Normale", "1280", "1024", "1280", "1024"}));
        question = waitForKeepQuestion(form);
        ASSERT_NE(question, nullptr);
        EXPECT_NE(childTexts(question).find("Conserver la résolution 1280 x 1024 ?\r\nRetour à 1024 x 768 dans"),
                  std::string::npos)
            << childTexts(question);
        if (keep) {
            test::pressKey(VK_TAB);
            test::pressKey(VK_TAB);
            test::pressKey(VK_RETURN);
        } else {
            test::pressKey(VK_ESCAPE);
            EXPECT_TRUE(waitFor([&] { return screenMode() == std::pair{1024, 768}; }, 1500)) << "back at once";
            EXPECT_TRUE(shown({"Normale", "1280", "1024", "1024", "768"}));
        }
        EXPECT_TRUE(waitFor([&] { return !IsWindow(question) || !IsWindowVisible(question); }, 3000));
        EXPECT_TRUE(waitFor([&] { return storedMode() == (keep ? std::pair{1280, 1024} : std::pair{1024, 768}); }, 3000));
        EXPECT_TRUE(waitFor([&] { return focusOf(program) == childAt(form, design("Command5")); }, 2000))
            << "the focus is back on the revert";
        afterAChange();
    }

    ASSERT_TRUE(setMode(1152, 864)); // another program, as the system's display settings
    EXPECT_TRUE(shown({"Normale", "1280", "1024", "1152", "864"})) << "a change made elsewhere";

    ASSERT_TRUE(tabTo(design("Image6"), 8)) << "the exit, last in the order";
    test::pressKey(VK_SPACE);
    EXPECT_TRUE(program.ended(5000));
}

// A double-click on Valider is one answer: its second press, where the dialog stood over
// "1280 x 768", opens no new question.
TEST_F(RealHands, DoubleClickOnValiderAsksNothingMore) {
    ASSERT_TRUE(setMode(1024, 768));
    Program program(freshFolder());
    HWND form = start(program);
    ASSERT_NE(form, nullptr);
    clickAt(form, design("Command6", 0));
    HWND dialog = waitForDialog(form);
    ASSERT_NE(dialog, nullptr);
    std::optional<POINT> p = validerOverAKey(form, dialog);
    ASSERT_TRUE(p) << "Valider lies over 1280 x 768";
    test::clickScreen(*p);
    Sleep(150);
    test::clickScreen(*p);
    EXPECT_TRUE(waitFor([&] { return !IsWindow(dialog); }, 3000)) << "answered";
    EXPECT_EQ(waitForDialog(form, 1500, false), nullptr) << "no second question";
    EXPECT_EQ(screenMode(), (std::pair{1024, 768}));
    clickAt(form, design("Image6"));
    EXPECT_TRUE(program.ended(5000));
}

// A key of the main window pressed by BM_CLICK (automation, a screen reader's default
// action) while a question is up answers nothing: the question stays the one put, its
// countdown goes on, and the mode the person keeps is the one stored. After Valider the
// focus is back on the key that asked, and no focus event names the window itself.
TEST_F(RealHands, ClickSentToAKeyDuringEitherQuestionAsksNothing) {
    Program program(freshFolder());
    HWND form = start(program);
    ASSERT_NE(form, nullptr);
    HWND other = childAt(form, design("Command6", 0)); // "1024 x 768"
    ASSERT_NE(other, nullptr);
    clickAt(form, design("Command6", 6));
    HWND dialog = waitForDialog(form);
    ASSERT_NE(dialog, nullptr);
    PostMessageW(other, BM_CLICK, 0, 0);
    Sleep(700);
    EXPECT_NE(childTexts(dialog).find("1152 x 864 ?"), std::string::npos) << "still the question put: " << childTexts(dialog);
    clickButton(dialog, "Valider");
    ASSERT_TRUE(waitFor([&] { return screenMode() == std::pair{1152, 864}; }, 5000));
    HWND question = waitForKeepQuestion(form);
    ASSERT_NE(question, nullptr);
    PostMessageW(other, BM_CLICK, 0, 0);
    EXPECT_TRUE(waitFor([&] { return childTexts(question).find("Retour à 1280 x 1024 dans 10 s") != std::string::npos; },
                        8000))
        << "the countdown goes on: " << childTexts(question);
    EXPECT_NE(childTexts(question).find("Conserver la résolution 1152 x 864 ?"), std::string::npos);
    DWORD pid = 0;
    GetWindowThreadProcessId(form, &pid);
    FocusEvents events(pid);
    ASSERT_TRUE(events.hooked());
    clickButton(question, "Valider");
    EXPECT_TRUE(waitFor([&] { return storedMode() == std::pair{1152, 864}; }, 3000)) << "kept";
    HWND asked = childAt(form, design("Command6", 6));
    EXPECT_TRUE(waitFor([&] { return focusOf(program) == asked; }, 2000)) << "the focus is back on 1152 x 864";
    EXPECT_EQ(events.last(300), asked) << "the last focus event names it";
    EXPECT_FALSE(events.named(form));
    EXPECT_EQ(waitForDialog(form, 1500, false), nullptr) << "no question left";
    EXPECT_EQ(screenMode(), (std::pair{1152, 864}));
    EXPECT_EQ(storedMode(), (std::pair{1152, 864}));
    clickAt(form, design("Image6"));
    EXPECT_TRUE(program.ended(5000));
}

// A refused change answered by a double-click, fast or a person's: its second press, on
// "1280 x 768" of the window the error's message box belongs to, asks nothing and closes
// nothing; once the error is read, the focus and the last focus event are on the key
// that asked.
TEST_F(RealHands, DoubleClickAnsweringARefusedChangeLeavesTheErrorToBeRead) {
    ASSERT_TRUE(setMode(1024, 768));
    for (DWORD gapMs : {150, 15}) {
        SCOPED_TRACE(gapMs);
        std::wstring folder = freshFolder();
        // A saved mode no screen offers: the revert is refused.
        using test::rec;
        ASSERT_TRUE(writeBytes(folder + L"\\W_ECRA_R.WDO", rec("#INIT#03-14-202409:2") + rec("1000") + rec("700") + rec("32")));
        Program program(folder);
        HWND form = start(program);
        ASSERT_NE(form, nullptr);
        clickAt(form, design("Command5"));
        HWND dialog = waitForDialog(form);
        ASSERT_NE(dialog, nullptr);
        std::optional<POINT> p = validerOverAKey(form, dialog);
        ASSERT_TRUE(p) << "Valider lies over 1280 x 768";
        DWORD pid = 0;
        GetWindowThreadProcessId(form, &pid);
        FocusEvents events(pid);
        ASSERT_TRUE(events.hooked());
        test::clickScreen(*p);
        Sleep(gapMs);
        test::clickScreen(*p);
        HWND box = waitForMessageBox(form, 5000);
        ASSERT_NE(box, nullptr) << "the refusal is told";
        Sleep(GetDoubleClickTime() + 200);
        EXPECT_TRUE(IsWindowVisible(box)) << "the error waits to be read";
        EXPECT_EQ(waitForWindowOfClass(form, L"diagreso.mini_97", 0), nullptr) << "no question beside the error";
        test::pressKey(VK_RETURN);
        ASSERT_TRUE(waitFor([&] { return !IsWindow(box); }, 3000));
        EXPECT_EQ(waitForDialog(form, 1500, false), nullptr) << "no question after it";
        HWND revert = childAt(form, design("Command5"));
        EXPECT_EQ(focusOf(program), revert) << "the focus is back on the revert";
        HWND told = events.last(300);
        EXPECT_EQ(told, revert) << "the last focus event names \"" << windowText(told) << "\"";
        EXPECT_FALSE(events.named(form));
        EXPECT_EQ(screenMode(), (std::pair{1024, 768}));
        clickAt(form, design("Image6"));
        EXPECT_TRUE(program.ended(5000));
    }
}

// A test nobody keeps (a screen gone black, a person away) comes back by itself after
// the countdown of its keep question; the stored mode never changes meanwhile.
TEST_F(RealHands, TestNobodyKeepsComesBackByItself) {
    using Clock = std::chrono::steady_clock;
    Program program(freshFolder());
    HWND form = start(program);
    ASSERT_NE(form, nullptr);
    clickAt(form, design("Command6", 0));
    HWND dialog = waitForDialog(form);
    ASSERT_NE(dialog, nullptr);
    clickButton(dialog, "Valider");
    HWND question = waitForKeepQuestion(form, 10000, false);
    ASSERT_NE(question, nullptr);
    Clock::time_point asked = Clock::now();
    EXPECT_EQ(screenMode(), (std::pair{1024, 768}));
    EXPECT_TRUE(waitFor([&] { return childTexts(question).find("Retour à 1280 x 1024 dans 14 s") != std::string::npos; },
                        3000))
        << "the countdown moves: " << childTexts(question);
    bool storedChanged = false;
    waitFor(
        [&] {
            storedChanged |= storedMode() != std::pair{1280, 1024};
            return !IsWindow(question) || !IsWindowVisible(question);
        },
        30000);
    auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - asked).count();
    EXPECT_FALSE(IsWindow(question) && IsWindowVisible(question)) << "the question closes by itself";
    EXPECT_GE(waited, 14000) << "not before its countdown";
    EXPECT_FALSE(storedChanged) << "the stored mode never changed";
    EXPECT_TRUE(waitFor([&] { return screenMode() == std::pair{1280, 1024}; }, 3000)) << "back by itself";
    EXPECT_TRUE(waitFor([&] { return displayTexts(form) == std::vector<std::string>{"Normale", "1280", "1024", "1280", "1024"}; }, 3000));
    EXPECT_EQ(waitForMessageBox(form, 0), nullptr);
    clickAt(form, design("Image6"));
    EXPECT_TRUE(program.ended(5000));
}

TEST_F(RealHands, WindowMinimisedDuringTheWaitIsRestoredInTheCorner) {
    Program program(freshFolder());
    HWND form = start(program);
    ASSERT_NE(form, nullptr);
    clickAt(form, design("Command6", 0));
    HWND dialog = waitForDialog(form);
    ASSERT_NE(dialog, nullptr);
    clickButton(dialog, "Valider");
    ASSERT_TRUE(waitFor([&] { return screenMode() == std::pair{1024, 768}; }, 5000));
    ASSERT_TRUE(keepChange(form));
    SetWindowPos(form, nullptr, 120, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageW(form, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(waitFor([&] { return IsIconic(form) != FALSE; }, 3000));
    Sleep(5500); // the re-pinning tick comes while it is minimised
    PostMessageW(form, WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(waitFor([&] { return !IsIconic(form); }, 3000));
    EXPECT_TRUE(waitFor([&] { return at(form, 0, 0); }, 2000)) << "restored in the top-left corner";
    screenshot("restored-in-the-corner.bmp");
    clickAt(form, design("Image6"));
    EXPECT_TRUE(program.ended(5000));
}

// Not part of the test run (scripts/click-soak.sh): open, answer, wait, click again, a few
// hundred times, with Annuler, Esc and Valider (its keep question left with Esc), waits
// from 60 ms to 1.2 s, the picture beside the program present one turn and absent the
// next. Every click must open its dialog: none may be lost.
TEST_F(RealHands, DISABLED_EveryClickAfterAnAnswerOpensItsDialog) {
    const wchar_t* cyclesText = _wgetenv(L"DIAGRESO_SOAK_CYCLES");
    int cycles = cyclesText ? _wtoi(cyclesText) : 300;
    const DWORD delays[] = {60, 200, 500, 800, 1200};
    const char* answers[] = {"Annuler", "Esc", "Valider"};
    std::wstring folder = freshFolder();
    std::wstring gif = folder + L"\\fc_img_024.gif";
    Program program(folder);
    HWND form = start(program);
    ASSERT_NE(form, nullptr);
    int lost = 0, answered[3] = {};
    for (int i = 0; i < cycles && !program.ended(0); ++i) {
        int answer = i % 3;
        if ((i / 3) % 2 == 0) {
            static const char kGif[] = "GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff\x21\xf9\x04\x01\x00"
                                       "\x00\x00\x00\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b";
            writeBytes(gif, std::string(kGif, sizeof kGif - 1));
        } else {
            DeleteFileW(gif.c_str());
        }
        clickAt(form, design("Command6", 0));
        HWND dialog = waitForDialog(form, 4000, false);
        if (!dialog) {
            ++lost;
            std::printf("cycle %d: no dialog 4 s after the click (after %s, %lu ms)\n", i, answers[(i + 2) % 3],
                        static_cast<unsigned long>(delays[(i + 4) % 5]));
            continue;
        }
        Sleep(GetDoubleClickTime() + 100);
        if (answer == 0) clickButton(dialog, "Annuler");
        if (answer == 1) test::pressKey(VK_ESCAPE);
        if (answer == 2) {
            clickButton(dialog, "Valider");
            HWND question = waitForKeepQuestion(form, 8000, false);
            if (question) test::pressKey(VK_ESCAPE);
            waitFor([&] { return !question || !IsWindowVisible(question); }, 4000);
            waitFor([&] { return screenMode() == std::pair{1280, 1024}; }, 4000);
        }
        if (waitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 4000)) ++answered[answer];
        Sleep(delays[i % 5]);
    }
    std::printf("%d cycles: %d lost; answered Annuler %d, Esc %d, Valider %d\n", cycles, lost, answered[0],
                answered[1], answered[2]);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(answered[0] + answered[1] + answered[2], cycles - lost) << "every dialog was answered";
    clickAt(form, design("Image6"));
    EXPECT_TRUE(program.ended(5000));
}
