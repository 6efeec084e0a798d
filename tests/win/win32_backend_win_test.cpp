// The forms toolkit on real windows, in the Wine desktop.
#include "app/error_report.h"
#include "app/errors.h"
#include "app/win32_wide.h"
#include "forms/form.h"
#include "forms/win32_backend.h"
#include "support/input.h"
#include "win_test_support.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <string>
#include <vector>

using namespace diag;
using namespace diag::forms;

namespace {

constexpr Color kPanel = rgb(255, 224, 192);
constexpr Color kBox = rgb(192, 255, 192);

constexpr std::array kControls = {
    ControlDesign{.name = "Shape", .kind = Kind::Shape, .left = 1500, .top = 1500, .width = 6000, .height = 4500,
                  .backColor = kPanel, .opaque = true},
    ControlDesign{.name = "Box", .kind = Kind::Label, .left = 1800, .top = 1800, .width = 1500, .height = 405,
                  .caption = "Boîte", .backColor = kBox, .opaque = true, .border = true, .align = Align::Center},
    ControlDesign{.name = "Note", .kind = Kind::Label, .left = 1800, .top = 3000, .width = 3000, .height = 855,
                  .caption = "Une note transparente", .foreColor = rgb(192, 64, 0), .wordWrap = true},
    ControlDesign{.name = "Second", .kind = Kind::Button, .left = 150, .top = 150, .width = 1200, .height = 405,
                  .caption = "Deuxième", .backColor = rgb(255, 255, 255), .tabIndex = 1},
    ControlDesign{.name = "Group", .index = 4, .kind = Kind::Button, .left = 150, .top = 750, .width = 1200,
                  .height = 405, .caption = "Premier", .backColor = rgb(255, 255, 255), .tabIndex = 0},
    ControlDesign{.name = "Hidden", .kind = Kind::Button, .left = 150, .top = 1350, .width = 600, .height = 300,
                  .caption = "Caché", .visible = false},
    ControlDesign{.name = "Pic", .kind = Kind::Picture, .left = 9000, .top = 150, .width = 960, .height = 960,
                  .accessibleName = "Quitter"},
    ControlDesign{.name = "Line", .kind = Kind::Line, .left = 0, .top = 7500, .width = 9000, .height = 7500,
                  .foreColor = rgb(255, 0, 0)},
    ControlDesign{.name = "Tick", .kind = Kind::Timer},
};
// Wider than the 1280-pixel desktop, as the main window is.
constexpr FormDesign kWide{.name = "WideTest",
                           .caption = "Fenêtre d'essai",
                           .clientWidth = 21510,
                           .clientHeight = 9000,
                           .font = {"Arial", 12, false},
                           .controls = kControls};
constexpr FormDesign kPopup{.name = "PopupTest",
                            .clientWidth = 3000,
                            .clientHeight = 1500,
                            .font = {"Arial", 12, false},
                            .border = FormBorder::None,
                            .controls = std::span(kControls).last(1)};

class Recorder final : public ErrorReporter {
  public:
    void report(const std::exception& e) noexcept override { messages.push_back(describeError(e)); }
    std::vector<std::string> messages;
};

void pump(int ms) {
    DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    MSG msg;
    while (static_cast<int>(end - GetTickCount()) > 0) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    }
}

std::string textOf(HWND h) {
    wchar_t buf[256] = {};
    GetWindowTextW(h, buf, 256);
    return narrow(buf);
}

RECT rectInParent(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}


// A message box of this thread, found and closed from a timer while its own loop runs.
constexpr wchar_t kBoxCaption[] = L"Essai de la boîte";
struct BoxWatch {
    RECT ok{};
    bool upAtTheTimer = false;
} boxWatch;

void CALLBACK closeTheBox(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND box = FindWindowW(L"#32770", kBoxCaption);
    boxWatch.upAtTheTimer = box && IsWindowVisible(box);
    if (!box) return;
    GetWindowRect(GetDlgItem(box, IDOK), &boxWatch.ok);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

void showBox(UINT closeAfterMs) {
    UINT_PTR timer = SetTimer(nullptr, 0, closeAfterMs, &closeTheBox);
    MessageBoxW(nullptr, L"Une erreur", kBoxCaption, MB_OK);
    KillTimer(nullptr, timer);
}

class Win32BackendTest : public testing::Test {
  protected:
    Win32Backend backend{GetModuleHandleW(nullptr)};
    Recorder reporter;
    Form form{kWide, backend, reporter};
};

} // namespace

TEST_F(Win32BackendTest, WindowsStandWhereTheDesignPutsThem) {
    form.setLeft(0);
    form.setTop(0);
    form.show();
    HWND hwnd = backend.windowOf(form);
    ASSERT_NE(hwnd, nullptr);
    wchar_t cls[64];
    GetClassNameW(hwnd, cls, 64);
    EXPECT_EQ(std::wstring(cls), L"diagreso.WideTest");
    EXPECT_EQ(textOf(hwnd), "Fenêtre d'essai");
    RECT client, outer;
    GetClientRect(hwnd, &client);
    GetWindowRect(hwnd, &outer);
    EXPECT_EQ(client.right, 1434) << "a window wider than the screen keeps its size";
    EXPECT_EQ(client.bottom, 600);
    EXPECT_EQ(outer.left, 0);
    EXPECT_EQ(outer.top, 0);
    LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);

    struct Expect {
        const char* name;
        int16_t index;
        const wchar_t* cls;
        RECT rect;
        const char* text;
        LONG mustHave, mustNotHave;
        bool visible;
    } expected[] = {
        {"Box", -1, L"Static", {120, 120, 220, 147}, "Boîte", SS_NOTIFY | WS_BORDER | SS_CENTER, WS_TABSTOP, true},
        {"Note", -1, L"Static", {120, 200, 320, 257}, "Une note transparente", SS_NOTIFY, WS_BORDER | WS_TABSTOP,
         true},
        {"Second", -1, L"Button", {10, 10, 90, 37}, "Deuxième", BS_OWNERDRAW | WS_TABSTOP, 0, true},
        {"Group", 4, L"Button", {10, 50, 90, 77}, "Premier", BS_OWNERDRAW | WS_TABSTOP, 0, true},
        {"Hidden", -1, L"Button", {10, 90, 50, 110}, "Caché", BS_OWNERDRAW, WS_TABSTOP, false},
        // A still picture acts on nothing: it asks for no click notification.
        {"Pic", -1, L"Static", {600, 10, 664, 74}, "Quitter", SS_OWNERDRAW, WS_TABSTOP | SS_NOTIFY, true},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(e.name);
        HWND child = backend.windowOf(form.control(e.name, e.index));
        ASSERT_NE(child, nullptr);
        GetClassNameW(child, cls, 64);
        EXPECT_EQ(_wcsicmp(cls, e.cls), 0) << narrow(cls);
        RECT r = rectInParent(child);
        EXPECT_TRUE(EqualRect(&r, &e.rect)) << r.left << ',' << r.top << ',' << r.right << ',' << r.bottom;
        EXPECT_EQ(textOf(child), e.text);
        LONG s = GetWindowLongW(child, GWL_STYLE);
        EXPECT_EQ(s & e.mustHave, e.mustHave);
        EXPECT_EQ(s & e.mustNotHave, 0);
        EXPECT_EQ(IsWindowVisible(child) != FALSE, e.visible);
    }
    EXPECT_EQ(backend.windowOf(form.control("Line")), nullptr) << "lines are painted, not windows";
    EXPECT_EQ(backend.windowOf(form.control("Shape")), nullptr);

    // Focus starts on the lowest tab index and Tab follows the indices, skipping the hidden button.
    HWND first = backend.windowOf(form.control("Group", 4));
    EXPECT_EQ(GetFocus(), first);
    EXPECT_EQ(GetNextDlgTabItem(hwnd, first, FALSE), backend.windowOf(form.control("Second")));
    EXPECT_EQ(GetNextDlgTabItem(hwnd, backend.windowOf(form.control("Second")), FALSE), first);
}

TEST_F(Win32BackendTest, ShapeAndLinesArePaintedBeneathTheControls) {
    form.show();
    pump(300);
    HWND hwnd = backend.windowOf(form);
    EXPECT_EQ(wintest::pixelOf(hwnd, 110, 300), kPanel) << "the shape, where no control stands";
    EXPECT_EQ(wintest::pixelOf(hwnd, 318, 255), kPanel) << "through the transparent note";
    EXPECT_EQ(wintest::pixelOf(hwnd, 125, 142), kBox) << "the opaque box over the shape";
    EXPECT_EQ(wintest::pixelOf(hwnd, 300, 550), rgb(255, 255, 255)) << "the form's background";
    for (int x : {0, 250, 599}) EXPECT_EQ(wintest::pixelOf(hwnd, x, 500), rgb(255, 0, 0)) << "the red line at x " << x;
    EXPECT_EQ(wintest::pixelOf(hwnd, 250, 501), rgb(255, 255, 255)) << "one pixel thick";

    form.control("Box").setBackColor(rgb(255, 192, 192));
    form.control("Box").setCaption("Autre");
    pump(200);
    EXPECT_EQ(wintest::pixelOf(hwnd, 125, 142), rgb(255, 192, 192));
    EXPECT_EQ(textOf(backend.windowOf(form.control("Box"))), "Autre");
}

TEST_F(Win32BackendTest, TimersTickOnTheMessageLoopUntilStopped) {
    int ticks = 0;
    form.setTickHandler("Tick", [&] { ++ticks; });
    form.show();
    form.control("Tick").setInterval(50);
    pump(400);
    EXPECT_GE(ticks, 2);
    form.control("Tick").setInterval(0);
    int stoppedAt = ticks;
    pump(300);
    EXPECT_EQ(ticks, stoppedAt);
}

TEST_F(Win32BackendTest, ClicksReachTheHandlerAndErrorsStopThere) {
    std::vector<int> clicks;
    form.setClickHandler("Group", [&](int16_t index) { clicks.push_back(index); });
    form.setClickHandler("Second", [&](int16_t) { throw OverflowError("70000"); });
    form.show();
    SendMessageW(backend.windowOf(form.control("Group", 4)), BM_CLICK, 0, 0);
    SendMessageW(backend.windowOf(form.control("Second")), BM_CLICK, 0, 0);
    SendMessageW(backend.windowOf(form.control("Group", 4)), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, (std::vector<int>{4, 4})) << "the program carries on after a failure";
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_NE(reporter.messages[0].find("70000"), std::string::npos);
}

TEST_F(Win32BackendTest, ModalFormTurnsOffTheOthersWhileTheirTimersTick) {
    Form popup{kPopup, backend, reporter};
    form.show();
    HWND main = backend.windowOf(form);
    int mainTicks = 0;
    bool mainEnabledDuring = true;
    form.setTickHandler("Tick", [&] { ++mainTicks; });
    HWND popupWindow = nullptr;
    popup.setTickHandler("Tick", [&] {
        popupWindow = backend.windowOf(popup);
        mainEnabledDuring = IsWindowEnabled(main) != FALSE;
        if (mainTicks >= 2) popup.unload(); // the answer
    });
    popup.onLoad = [&] { popup.control("Tick").setInterval(100); };
    form.control("Tick").setInterval(40);
    popup.showModal();
    EXPECT_FALSE(popup.loaded());
    EXPECT_FALSE(mainEnabledDuring);
    EXPECT_GE(mainTicks, 2) << "timers of the other forms run during the modal show";
    EXPECT_TRUE(IsWindowEnabled(main)) << "enabled again when the modal form goes";
    EXPECT_NE(popupWindow, nullptr);
    EXPECT_FALSE(IsWindow(popupWindow)) << "its window is gone";
}

// A WM_QUIT ends a modal show as a close does: nothing stays turned off behind a form
// nobody can answer, and the quit is left for the outer loop.
TEST_F(Win32BackendTest, QuitDuringAModalShowUnloadsItAndTurnsTheOthersBackOn) {
    Form popup{kPopup, backend, reporter};
    form.show();
    popup.onLoad = [] { PostQuitMessage(3); };
    popup.showModal();
    EXPECT_FALSE(popup.loaded());
    EXPECT_TRUE(IsWindowEnabled(backend.windowOf(form)));
    MSG quit{};
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "posted again for the outer loop";
    EXPECT_EQ(quit.wParam, 3u);
}

TEST_F(Win32BackendTest, CloseRequestWithoutHandlerUnloadsTheForm) {
    form.show();
    HWND hwnd = backend.windowOf(form);
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(form.loaded());
    EXPECT_FALSE(IsWindow(hwnd));
}

// The answer to a double-click runs a loop of the system's (an error's message box) before
// it returns; the second press, landing on the box's OK button, is dropped there too: the
// error waits to be read.
TEST_F(Win32BackendTest, TailOfAnAnsweringDoubleClickIsDroppedInAMessageBoxLoop) {
    showBox(300); // where its OK button stands: the same box comes back at the same place
    ASSERT_GT(boxWatch.ok.right, boxWatch.ok.left);
    POINT ok{(boxWatch.ok.left + boxWatch.ok.right) / 2, (boxWatch.ok.top + boxWatch.ok.bottom) / 2};
    form.setClickHandler("Second", [&](int16_t) {
        form.unload();
        showBox(1500);
    });
    form.show();
    HWND window = backend.windowOf(form), key = backend.windowOf(form.control("Second"));
    RECT r, keyRect;
    GetWindowRect(window, &r);
    GetWindowRect(key, &keyRect);
    // The key moved under the OK button to be.
    SetWindowPos(window, nullptr, r.left + ok.x - (keyRect.left + keyRect.right) / 2,
                 r.top + ok.y - (keyRect.top + keyRect.bottom) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    pump(300);
    boxWatch = {};
    // Both clicks at once: within this run's short double-click time.
    INPUT doubleClick[] = {test::mouseAt(ok, 0), test::mouseAt(ok, MOUSEEVENTF_LEFTDOWN), test::mouseAt(ok, MOUSEEVENTF_LEFTUP),
                           test::mouseAt(ok, MOUSEEVENTF_LEFTDOWN), test::mouseAt(ok, MOUSEEVENTF_LEFTUP)};
    test::sendAll(5, doubleClick);
    pump(2500);
    EXPECT_FALSE(form.loaded()) << "the first press answered";
    EXPECT_TRUE(boxWatch.upAtTheTimer) << "the second press closed the box";
}

// A built-in bitmap is drawn from where the exe stores it, so its header alone says how
// much GDI reads: one that claims more than is there, or a form GDI would read otherwise
// (compressed, a colour table past its depth), is refused rather than read beyond.
TEST(PackedDibTest, OnlyWholeUncompressedBitmapsAreDrawn) {
    struct Row {
        const char* what;
        void (*change)(BITMAPINFOHEADER&);
        size_t cut; // bytes taken off the end
        bool drawn;
    };
    const Row rows[] = {
        {"as rendered", [](BITMAPINFOHEADER&) {}, 0, true},
        {"top-down", [](BITMAPINFOHEADER& h) { h.biHeight = -h.biHeight; }, 0, true},
        {"a shorter colour table", [](BITMAPINFOHEADER& h) { h.biClrUsed = 16; }, 0, true},
        {"last row cut by a byte", [](BITMAPINFOHEADER&) {}, 1, false},
        {"one row more than stored", [](BITMAPINFOHEADER& h) { ++h.biHeight; }, 0, false},
        {"a wider row than stored", [](BITMAPINFOHEADER& h) { h.biWidth += 4; }, 0, false},
        {"more colours than 8 bits hold", [](BITMAPINFOHEADER& h) { h.biClrUsed = 257; }, 0, false},
        {"run-length compressed", [](BITMAPINFOHEADER& h) { h.biCompression = BI_RLE8; }, 0, false},
        {"a header longer than the data", [](BITMAPINFOHEADER& h) { h.biSize = 1u << 20; }, 0, false},
        {"no width", [](BITMAPINFOHEADER& h) { h.biWidth = 0; }, 0, false},
        {"no height", [](BITMAPINFOHEADER& h) { h.biHeight = 0; }, 0, false},
        {"the lowest height", [](BITMAPINFOHEADER& h) { h.biHeight = LONG(0x80000000u); }, 0, false},
        {"7 bits per pixel", [](BITMAPINFOHEADER& h) { h.biBitCount = 7; }, 0, false},
    };
    for (const Row& row : rows) {
        // 6 x 3 pixels, 8 bits: rows of 8 bytes after 256 colours.
        std::vector<BYTE> dib(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD) + 8 * 3);
        auto* h = reinterpret_cast<BITMAPINFOHEADER*>(dib.data());
        h->biSize = sizeof(BITMAPINFOHEADER);
        h->biWidth = 6;
        h->biHeight = 3;
        h->biPlanes = 1;
        h->biBitCount = 8;
        h->biCompression = BI_RGB;
        h->biClrUsed = 256;
        row.change(*h);
        Picture p = Picture::fromPackedDib(dib.data(), dib.size() - row.cut);
        EXPECT_EQ(bool(p), row.drawn) << row.what;
        if (p) {
            EXPECT_EQ(std::pair(p.width(), p.height()), std::pair(6, 3)) << row.what;
        }
    }
}
