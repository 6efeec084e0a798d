// Starts the real program in a fresh folder and checks, from outside, what a user sees.
#include "app/wide.h"
#include "forms/backend.h"
#include "main_window/form1_design.h"
#include "support/screenshot.h"

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

namespace {

std::wstring exePath() {
    const wchar_t* p = _wgetenv(L"DIAGRESO_EXE");
    return p ? p : L"diagreso.exe";
}

std::wstring freshFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static int n = 0;
    std::wstring dir = std::wstring(base) + L"diagreso-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                       std::to_wstring(++n);
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

std::string readFile(const std::wstring& path) {
    std::ifstream in(narrow(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

template <class F> bool waitFor(F condition, int ms) {
    for (int waited = 0; waited < ms; waited += 10) {
        if (condition()) return true;
        Sleep(10);
    }
    return condition();
}

std::string windowText(HWND h) {
    wchar_t buf[512] = {};
    GetWindowTextW(h, buf, 512);
    return narrow(buf);
}

struct FindCtx {
    DWORD pid;
    HWND* out;
};

BOOL CALLBACK findMainWindow(HWND h, LPARAM lp) {
    auto* c = reinterpret_cast<FindCtx*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    wchar_t cls[64] = {};
    GetClassNameW(h, cls, 64);
    if (pid == c->pid && std::wstring(cls) == L"diagreso.Form1") {
        *c->out = h;
        return FALSE;
    }
    return TRUE;
}

// The program running in its folder; ended at the end of the test whatever happens.
class Program {
  public:
    explicit Program(const std::wstring& folder) {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        std::wstring exe = exePath();
        std::wstring cmd = L"\"" + exe + L"\"";
        started_ = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                                  &pi_) != FALSE;
    }
    ~Program() {
        if (!started_) return;
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 1);
        WaitForSingleObject(pi_.hProcess, 5000);
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
    }
    bool started() const { return started_; }
    bool ended(int ms) const { return WaitForSingleObject(pi_.hProcess, ms) == WAIT_OBJECT_0; }
    DWORD exitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(pi_.hProcess, &code);
        return code;
    }
    // The main window, found as soon as it exists (it is created before it is shown).
    HWND mainWindow(int ms) const {
        HWND found = nullptr;
        waitFor(
            [&] {
                found = nullptr;
                FindCtx ctx{pi_.dwProcessId, &found};
                EnumWindows(&findMainWindow, reinterpret_cast<LPARAM>(&ctx));
                return found != nullptr;
            },
            ms);
        return found;
    }

  private:
    PROCESS_INFORMATION pi_{};
    bool started_ = false;
};

RECT designRect(const ControlDesign& d) {
    int x = twipsToPixels(d.left), y = twipsToPixels(d.top);
    return {x, y, x + twipsToPixels(d.width), y + twipsToPixels(d.height)};
}

struct ChildCtx {
    HWND form;
    RECT want;
    HWND found;
};

BOOL CALLBACK findChildAt(HWND h, LPARAM lp) {
    auto* c = reinterpret_cast<ChildCtx*>(lp);
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, c->form, reinterpret_cast<POINT*>(&r), 2);
    if (EqualRect(&r, &c->want)) {
        c->found = h;
        return FALSE;
    }
    return TRUE;
}

// The child window standing where the design puts this control.
HWND childAt(HWND form, const ControlDesign& d) {
    ChildCtx ctx{form, designRect(d), nullptr};
    EnumChildWindows(form, &findChildAt, reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

const ControlDesign& design(std::string_view name, int16_t index = -1) {
    for (const ControlDesign& d : kForm1Design.controls)
        if (d.name == name && d.index == index) return d;
    throw std::logic_error("no such control");
}

void clickAt(HWND form, const ControlDesign& d) {
    RECT r = designRect(d);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(form, &p);
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    auto input = [&](DWORD flags) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        // Every event carries its own absolute position, or a press may land where the pointer was.
        in.mi.dx = static_cast<LONG>((p.x * 65535 + sw / 2) / (sw - 1));
        in.mi.dy = static_cast<LONG>((p.y * 65535 + sh / 2) / (sh - 1));
        in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
        return in;
    };
    INPUT seq[] = {input(0), input(MOUSEEVENTF_LEFTDOWN), input(MOUSEEVENTF_LEFTUP)};
    SetForegroundWindow(form);
    SendInput(3, seq, sizeof(INPUT));
}

const char* const kDisplays[] = {"Label2", "Label11", "Label12", "Label16", "Label15"};

std::vector<std::string> displayTexts(HWND form) {
    std::vector<std::string> texts;
    for (const char* name : kDisplays) texts.push_back(windowText(childAt(form, design(name))));
    return texts;
}

} // namespace

TEST(MainWindow, OpensPinnedAndFillsItsDisplaysHalfASecondLater) {
    if (_wgetenv(L"DIAGRESO_TEST_DPI") && std::wstring(_wgetenv(L"DIAGRESO_TEST_DPI")) != L"96") GTEST_SKIP();
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

    std::string record = readFile(folder + L"\\W_ECRA_R.WDO");
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
        } else if (!display) {
            EXPECT_EQ(windowText(child), d.caption);
        }
        EXPECT_EQ((GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP) != 0, d.tabIndex >= 0);
    }

    // Tab goes Command3, Command5, then the test buttons 0 to 6, and round again.
    std::vector<std::string> tabOrder;
    HWND at = childAt(form, design("Command3"));
    for (int i = 0; i < 10; ++i) {
        tabOrder.push_back(windowText(at));
        at = GetNextDlgTabItem(form, at, FALSE);
    }
    EXPECT_EQ(tabOrder, (std::vector<std::string>{"Comment modifier la police de votre Windows",
                                                  "Revenir à la configuration d'Origine", "1024 x 768",
                                                  "1366 x 768", "1440 x 900", "1280 x 1024", "1280 x 800",
                                                  "1280 x 768", "1152 x 864",
                                                  "Comment modifier la police de votre Windows"}));

    clickAt(form, design("Image6"));
    EXPECT_TRUE(program.ended(5000)) << "the exit picture ends the program";
}

TEST(MainWindow, LaterStartLeavesTheRecordFileByteIdentical) {
    if (_wgetenv(L"DIAGRESO_TEST_DPI") && std::wstring(_wgetenv(L"DIAGRESO_TEST_DPI")) != L"96") GTEST_SKIP();
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

namespace {

struct DialogCtx {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK findMessageBox(HWND h, LPARAM lp) {
    auto* c = reinterpret_cast<DialogCtx*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    wchar_t cls[64] = {};
    GetClassNameW(h, cls, 64);
    if (pid == c->pid && std::wstring(cls) == L"#32770" && IsWindowVisible(h)) {
        c->found = h;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK appendText(HWND h, LPARAM lp) {
    *reinterpret_cast<std::string*>(lp) += windowText(h) + "\n";
    return TRUE;
}

} // namespace

TEST(MainWindow, FileThatCannotBeOpenedIsToldInFrenchAndTheProgramCarriesOn) {
    if (_wgetenv(L"DIAGRESO_TEST_DPI") && std::wstring(_wgetenv(L"DIAGRESO_TEST_DPI")) != L"96") GTEST_SKIP();
    std::wstring folder = freshFolder();
    // A folder where the record file should be: it can be neither created nor opened.
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\W_ECRA_R.WDO").c_str(), nullptr));
    Program program(folder);
    HWND form = program.mainWindow(15000);
    ASSERT_NE(form, nullptr);
    DWORD pid = 0;
    GetWindowThreadProcessId(form, &pid);
    DialogCtx ctx{pid, nullptr};
    ASSERT_TRUE(waitFor(
        [&] {
            EnumWindows(&findMessageBox, reinterpret_cast<LPARAM>(&ctx));
            return ctx.found != nullptr;
        },
        10000))
        << "no message box";
    std::string text;
    EnumChildWindows(ctx.found, &appendText, reinterpret_cast<LPARAM>(&text));
    EXPECT_NE(text.find("W_ECRA_R.WDO"), std::string::npos) << text;
    std::string leaf = narrow(folder.substr(folder.find_last_of(L'\\') + 1));
    EXPECT_NE(text.find(leaf), std::string::npos) << "the folder is named: " << text;
    EXPECT_NE(text.find("Impossible"), std::string::npos) << text;

    EXPECT_EQ(displayTexts(form), (std::vector<std::string>{"Normale", "", "", "", ""}));
    PostMessageW(ctx.found, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(ctx.found); }, 5000));
    EXPECT_FALSE(program.ended(300)) << "the program carries on after the report";
    clickAt(form, design("Image6"));
    EXPECT_TRUE(program.ended(5000));
}

// Run by the harness with the desktop at 120 dpi: the window keeps its pixel sizes, so
// the ruler still marks real pixels, and the probe sees the enlarged system font.
TEST(MainWindowAtHigherDensity, KeepsItsPixelSizesAndShowsGrossie) {
    const wchar_t* dpi = _wgetenv(L"DIAGRESO_TEST_DPI");
    if (!dpi || std::wstring(dpi) != L"120") GTEST_SKIP() << "needs the desktop at 120 dpi";
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

namespace {

struct ClassCtx {
    DWORD pid;
    const wchar_t* cls;
    HWND found;
};

BOOL CALLBACK findVisibleOfClass(HWND h, LPARAM lp) {
    auto* c = reinterpret_cast<ClassCtx*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    wchar_t cls[64] = {};
    GetClassNameW(h, cls, 64);
    if (pid == c->pid && std::wstring(cls) == c->cls && IsWindowVisible(h)) {
        c->found = h;
        return FALSE;
    }
    return TRUE;
}

// The confirmation dialog of the program that owns `form`, once it is on screen.
HWND waitForDialog(HWND form, int ms = 10000) {
    DWORD pid = 0;
    GetWindowThreadProcessId(form, &pid);
    ClassCtx ctx{pid, L"diagreso.mini_97", nullptr};
    waitFor(
        [&] {
            ctx.found = nullptr;
            EnumWindows(&findVisibleOfClass, reinterpret_cast<LPARAM>(&ctx));
            return ctx.found != nullptr;
        },
        ms);
    return ctx.found;
}

// Clicks a picture button of the dialog by its accessible name.
struct NamedCtx {
    std::string name;
    HWND found;
};
BOOL CALLBACK findNamed(HWND h, LPARAM lp) {
    auto* c = reinterpret_cast<NamedCtx*>(lp);
    if (windowText(h) == c->name) {
        c->found = h;
        return FALSE;
    }
    return TRUE;
}
void clickButton(HWND dialog, const char* name) {
    NamedCtx ctx{name, nullptr};
    EnumChildWindows(dialog, &findNamed, reinterpret_cast<LPARAM>(&ctx));
    ASSERT_NE(ctx.found, nullptr) << name;
    RECT r;
    GetWindowRect(ctx.found, &r);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    auto input = [&](DWORD flags) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dx = static_cast<LONG>((p.x * 65535 + sw / 2) / (sw - 1));
        in.mi.dy = static_cast<LONG>((p.y * 65535 + sh / 2) / (sh - 1));
        in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
        return in;
    };
    INPUT seq[] = {input(0), input(MOUSEEVENTF_LEFTDOWN), input(MOUSEEVENTF_LEFTUP)};
    SendInput(3, seq, sizeof(INPUT));
}

std::pair<int, int> screenMode() {
    DEVMODEW dm{};
    dm.dmSize = sizeof dm;
    EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &dm);
    return {static_cast<int>(dm.dmPelsWidth), static_cast<int>(dm.dmPelsHeight)};
}

bool at(HWND window, int x, int y) {
    RECT r;
    GetWindowRect(window, &r);
    return r.left == x && r.top == y;
}

// Puts the desktop back as it was, whatever the test left.
struct RestoreMode {
    std::pair<int, int> mode = screenMode();
    ~RestoreMode() {
        DEVMODEW dm{};
        dm.dmSize = sizeof dm;
        dm.dmPelsWidth = static_cast<DWORD>(mode.first);
        dm.dmPelsHeight = static_cast<DWORD>(mode.second);
        dm.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
        ChangeDisplaySettingsW(&dm, CDS_UPDATEREGISTRY);
    }
};

} // namespace

TEST(Commands, TestCancelRevertRestartAndExitAsAUserWould) {
    if (_wgetenv(L"DIAGRESO_TEST_DPI") && std::wstring(_wgetenv(L"DIAGRESO_TEST_DPI")) != L"96") GTEST_SKIP();
    RestoreMode restore;
    ASSERT_EQ(screenMode(), (std::pair{1280, 1024}));
    std::wstring folder = freshFolder();
    auto program = std::make_unique<Program>(folder);
    HWND form = program->mainWindow(15000);
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(waitFor([&] { return !displayTexts(form).back().empty(); }, 10000));

    // "1024 x 768", confirmed: the desktop changes, and five seconds later the window,
    // wherever it was moved meanwhile, is back at the top-left corner.
    clickAt(form, design("Command6", 0));
    HWND dialog = waitForDialog(form);
    ASSERT_NE(dialog, nullptr);
    Sleep(300);
    if (std::string shot = diag::test::artefactPath("dialog-test-1024.bmp"); !shot.empty())
        diag::test::saveScreen(shot);
    clickButton(dialog, "Valider");
    ASSERT_TRUE(waitFor([&] { return screenMode() == std::pair{1024, 768}; }, 5000));
    SetWindowPos(form, nullptr, 120, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(at(form, 120, 90));
    EXPECT_TRUE(waitFor([&] { return at(form, 0, 0); }, 7000)) << "re-pinned by the timer";
    EXPECT_EQ(displayTexts(form), (std::vector<std::string>{"Normale", "1280", "1024", "1280", "1024"}))
        << "the labels keep the values found at start-up";

    // "1152 x 864", cancelled: nothing changes and nothing moves the window.
    clickAt(form, design("Command6", 6));
    dialog = waitForDialog(form);
    ASSERT_NE(dialog, nullptr);
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
    ASSERT_NE(dialog, nullptr);
    clickButton(dialog, "Valider");
    EXPECT_TRUE(waitFor([&] { return screenMode() == std::pair{1280, 1024}; }, 5000));

    // A test again, then the exit: the tested resolution stays in force.
    clickAt(form, design("Command6", 0));
    dialog = waitForDialog(form);
    ASSERT_NE(dialog, nullptr);
    clickButton(dialog, "Valider");
    ASSERT_TRUE(waitFor([&] { return screenMode() == std::pair{1024, 768}; }, 5000));
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
