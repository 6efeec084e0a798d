// Starts the real program in a fresh folder and checks, from outside, what a user sees.
#include "app/exit_code.h"
#include "app/win32_wide.h"
#include "forms/backend.h"
#include "main_window/form1_design.h"
#include "support/density.h"
#include "support/screenshot.h"
#include "e2e_support.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <regex>
#include <string>
#include <vector>

using namespace diag;
using namespace diag::forms;
using namespace diag::e2e;


TEST(MainWindow, OpensPinnedAndFillsItsDisplaysHalfASecondLater) {
    if (!test::at96dpi()) GTEST_SKIP();
    std::wstring folder = freshFolder();
    Program program(folder);
    ASSERT_TRUE(program.started()) << narrow(exePath());
    HWND form = program.mainWindow(15000);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(displayTexts(form), (std::vector<std::string>(5, ""))) << "before the start-up tick";

    ASSERT_TRUE(waitFor([&] { return !displayTexts(form).back().empty(); }, 10000));
    EXPECT_EQ(displayTexts(form), (std::vector<std::string>{"Normale", "1280", "1024", "1280", "1024"}));
    EXPECT_EQ(windowText(form), "Diagnostic de la résolution de votre Logiciel de Caisse");

    RECT outer, client;
    GetWindowRect(form, &outer);
    GetClientRect(form, &client);
    EXPECT_EQ(outer.left, 0);
    EXPECT_EQ(outer.top, 0);
    EXPECT_EQ(client.right, 1434) << "kept its size on a 1280-pixel screen";
    EXPECT_EQ(client.bottom, 828);
    LONG style = GetWindowLongW(form, GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME) << "the user cannot resize it";

    // The program keeps the file open, shared: another process can open it for reading
    // and writing at the same time, but not for itself alone.
    std::wstring recordPath = folder + L"\\W_ECRA_R.WDO";
    HANDLE shared = CreateFileW(recordPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(shared, INVALID_HANDLE_VALUE);
    if (shared != INVALID_HANDLE_VALUE) CloseHandle(shared);
    HANDLE exclusive = CreateFileW(recordPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(exclusive, INVALID_HANDLE_VALUE) << "the program holds the file open";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    if (exclusive != INVALID_HANDLE_VALUE) CloseHandle(exclusive);

    std::string record = readFile(recordPath);
    EXPECT_TRUE(std::regex_match(record, std::regex(R"(#INIT#\d\d-\d\d-\d{4}\d\d:\d1280 {16}1024 {16}32 {18})")))
        << record;

    // Every control that shows text is a child window at its place, whose text is what it shows.
    for (const ControlDesign& d : kForm1Design.controls) {
        if (d.kind != Kind::Label && d.kind != Kind::Button && d.kind != Kind::Picture) continue;
        SCOPED_TRACE(std::string(d.name) + "(" + std::to_string(d.index) + ")");
        HWND child = childAt(form, d);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(IsWindowVisible(child) != FALSE, d.visible);
        bool display = std::find(std::begin(kDisplays), std::end(kDisplays), d.name) != std::end(kDisplays);
        if (d.kind == Kind::Picture) {
            EXPECT_EQ(windowText(child), d.accessibleName);
            // A picture that acts is a push button to assistive technology; the others are still.
            wchar_t cls[32] = {};
            GetClassNameW(child, cls, 32);
            EXPECT_EQ(narrow(cls), d.accessibleName.empty() ? "Static" : "Button");
        } else if (!display && !(d.name == "Label6" && d.index == 1)) { // the help address: its own test
            EXPECT_EQ(windowText(child), d.caption);
        }
        EXPECT_EQ((GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP) != 0, d.tabIndex >= 0);
    }

    // Tab goes Command3, Command5, the test buttons 0 to 6, the exit, and round again.
    std::vector<std::string> tabOrder;
    HWND at = childAt(form, design("Command3"));
    for (int i = 0; i < 11; ++i) {
        tabOrder.push_back(windowText(at));
        at = GetNextDlgTabItem(form, at, FALSE);
    }
    EXPECT_EQ(tabOrder, (std::vector<std::string>{"Comment modifier la police de votre Windows",
                                                  "Revenir à la configuration d'Origine", "1024 x 768",
                                                  "1366 x 768", "1440 x 900", "1280 x 1024", "1280 x 800",
                                                  "1280 x 768", "1152 x 864", "Quitter",
                                                  "Comment modifier la police de votre Windows"}));

    clickAt(form, design("Image6"));
    EXPECT_TRUE(program.ended(5000)) << "the exit picture ends the program";
    EXPECT_EQ(program.exitCode(), static_cast<DWORD>(kExitDone));
}

TEST(MainWindow, LaterStartLeavesTheRecordFileByteIdentical) {
    if (!test::at96dpi()) GTEST_SKIP();
    std::wstring folder = freshFolder();
    std::string first;
    {
        Program program(folder);
        HWND form = program.mainWindow(15000);
        ASSERT_NE(form, nullptr);
        ASSERT_TRUE(waitFor([&] { return !displayTexts(form).back().empty(); }, 10000));
        first = readFile(folder + L"\\W_ECRA_R.WDO");
        PostMessageW(form, WM_CLOSE, 0, 0);
        EXPECT_TRUE(program.ended(5000)) << "a close request ends the program";
    }
    ASSERT_EQ(first.size(), 80u);
    Sleep(1100); // a new first record would carry another time
    Program again(folder);
    HWND form = again.mainWindow(15000);
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(waitFor([&] { return !displayTexts(form).back().empty(); }, 10000));
    EXPECT_EQ(readFile(folder + L"\\W_ECRA_R.WDO"), first);
}


TEST(MainWindow, FileThatCannotBeOpenedIsToldInFrenchAndTheProgramCarriesOn) {
    if (!test::at96dpi()) GTEST_SKIP();
    std::wstring folder = freshFolder();
    // A folder where the record file should be: it can be neither created nor opened.
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\W_ECRA_R.WDO").c_str(), nullptr));
    Program program(folder);
    HWND form = program.mainWindow(15000);
    ASSERT_NE(form, nullptr);
    HWND box = waitForMessageBox(form, 10000);
    ASSERT_NE(box, nullptr) << "no message box";
    std::string text;
    EnumChildWindows(box, &appendText, reinterpret_cast<LPARAM>(&text));
    EXPECT_NE(text.find("W_ECRA_R.WDO"), std::string::npos) << text;
    std::string leaf = narrow(folder.substr(folder.find_last_of(L'\\') + 1));
    EXPECT_NE(text.find(leaf), std::string::npos) << "the folder is named: " << text;
    EXPECT_NE(text.find("Impossible"), std::string::npos) << text;

    EXPECT_EQ(displayTexts(form), (std::vector<std::string>{"Normale", "", "", "1280", "1024"}))
        << "the mode in force is shown all the same";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(box); }, 5000));
    EXPECT_FALSE(program.ended(300)) << "the program carries on after the report";
    clickAt(form, design("Image6"));
    EXPECT_TRUE(program.ended(5000));
}

// Run by the harness with the desktop at 120 dpi: the window keeps its pixel sizes, so
// the ruler still marks real pixels, and the probe sees the enlarged system font.
TEST(MainWindowAtHigherDensity, KeepsItsPixelSizesAndShowsGrossie) {
    if (test::harnessDpi() != 120) GTEST_SKIP() << "needs the desktop at 120 dpi";
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 120);
    ReleaseDC(nullptr, screen);
    Program program(freshFolder());
    HWND form = program.mainWindow(15000);
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(waitFor([&] { return !displayTexts(form).back().empty(); }, 10000));
    EXPECT_EQ(displayTexts(form)[0], "Grossie");
    RECT client;
    GetClientRect(form, &client);
    EXPECT_EQ(client.right, 1434);
    EXPECT_EQ(client.bottom, 828);
    for (const char* name : {"Label2", "Command3", "Command6", "Image6"}) {
        int16_t index = std::string(name) == "Command6" ? 3 : -1;
        EXPECT_NE(childAt(form, design(name, index)), nullptr) << name << " at its 96-dpi pixel place";
    }
}


TEST(Commands, TestCancelRevertRestartAndExitAsAUserWould) {
    if (!test::at96dpi()) GTEST_SKIP();
    RestoreMode restore;
    ASSERT_EQ(screenMode(), (std::pair{1280, 1024}));
    std::wstring folder = freshFolder();
    auto program = std::make_unique<Program>(folder);
    HWND form = program->mainWindow(15000);
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(waitFor([&] { return !displayTexts(form).back().empty(); }, 10000));

    // "1024 x 768", confirmed: the desktop changes for the session, and is stored only once
    // kept; five seconds after the change the window, wherever it was moved meanwhile, is
    // back at the top-left corner.
    clickAt(form, design("Command6", 0));
    HWND dialog = waitForDialog(form);
    ASSERT_NE(dialog, nullptr) << program->state();
    Sleep(300);
    if (std::string shot = diag::test::artefactPath("dialog-test-1024.bmp"); !shot.empty())
        diag::test::saveScreen(shot);
    clickButton(dialog, "Valider");
    ASSERT_TRUE(waitFor([&] { return screenMode() == std::pair{1024, 768}; }, 5000));
    HWND question = waitForKeepQuestion(form);
    ASSERT_NE(question, nullptr) << program->state();
    EXPECT_NE(childTexts(question).find("Conserver la résolution 1024 x 768 ?\r\nRetour à 1280 x 1024 dans 1"),
              std::string::npos)
        << childTexts(question);
    EXPECT_EQ(storedMode(), (std::pair{1280, 1024})) << "tried, not stored";
    if (std::string shot = diag::test::artefactPath("dialog-keep-1024.bmp"); !shot.empty())
        diag::test::saveScreen(shot);
    clickButton(question, "Valider");
    ASSERT_TRUE(waitFor([&] { return !IsWindowVisible(question); }, 5000));
    EXPECT_TRUE(waitFor([&] { return storedMode() == std::pair{1024, 768}; }, 2000)) << "stored once kept";
    EXPECT_EQ(screenMode(), (std::pair{1024, 768}));
    SetWindowPos(form, nullptr, 120, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(at(form, 120, 90));
    EXPECT_TRUE(waitFor([&] { return at(form, 0, 0); }, 7000)) << "re-pinned by the timer";
    EXPECT_EQ(displayTexts(form), (std::vector<std::string>{"Normale", "1280", "1024", "1024", "768"}))
        << "the current resolution is the mode in force; the saved one stays";

    // "1152 x 864", cancelled: nothing changes and nothing moves the window.
    clickAt(form, design("Command6", 6));
    dialog = waitForDialog(form);
    ASSERT_NE(dialog, nullptr) << program->state();
    clickButton(dialog, "Annuler");
    ASSERT_TRUE(waitFor([&] { return !IsWindowVisible(dialog); }, 5000));
    SetWindowPos(form, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Sleep(6000);
    EXPECT_EQ(screenMode(), (std::pair{1024, 768}));
    EXPECT_TRUE(at(form, 40, 30));
    SetWindowPos(form, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    // The revert, confirmed: back to the saved 1280 x 1024.
    clickAt(form, design("Command5"));
    dialog = waitForDialog(form);
    ASSERT_NE(dialog, nullptr) << program->state();
    clickButton(dialog, "Valider");
    EXPECT_TRUE(waitFor([&] { return screenMode() == std::pair{1280, 1024}; }, 5000));
    EXPECT_TRUE(waitFor([&] { return displayTexts(form) == std::vector<std::string>{"Normale", "1280", "1024", "1280", "1024"}; }, 2000));
    ASSERT_TRUE(keepChange(form));
    EXPECT_TRUE(waitFor([&] { return storedMode() == std::pair{1280, 1024}; }, 2000));
    afterAChange();

    // A test again, then the exit: the tested resolution stays in force.
    clickAt(form, design("Command6", 0));
    dialog = waitForDialog(form);
    ASSERT_NE(dialog, nullptr) << program->state();
    clickButton(dialog, "Valider");
    ASSERT_TRUE(waitFor([&] { return screenMode() == std::pair{1024, 768}; }, 5000));
    ASSERT_TRUE(keepChange(form));
    clickAt(form, design("Image6"));
    EXPECT_TRUE(program->ended(5000));
    EXPECT_EQ(screenMode(), (std::pair{1024, 768}));
    program.reset();

    // A restart shows the saved and the current resolution side by side.
    Program again(folder);
    form = again.mainWindow(15000);
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(waitFor([&] { return !displayTexts(form).back().empty(); }, 10000));
    EXPECT_EQ(displayTexts(form), (std::vector<std::string>{"Normale", "1280", "1024", "1024", "768"}));
    Sleep(300);
    if (std::string shot = diag::test::artefactPath("main-window-after-test.bmp"); !shot.empty())
        diag::test::saveScreen(shot);
    clickAt(form, design("Image6"));
    EXPECT_TRUE(again.ended(5000));
}
