#pragma once
// Driving the real program from outside, as a user would: starting it in a folder,
// finding its windows, reading their texts, clicking with the mouse.
#include "app/win32_wide.h"
#include "forms/form.h"
#include "main_window/form1_design.h"
#include "support/input.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <cstdio>
#include <string>
#include <vector>

namespace diag::e2e {

using namespace diag;
using namespace diag::forms;

inline std::wstring exePath() {
    const wchar_t* p = _wgetenv(L"DIAGRESO_EXE");
    return p ? p : L"diagreso.exe";
}

inline std::wstring freshFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static int n = 0; // one per call in this process
    std::wstring dir = std::wstring(base) + L"diagreso-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                       std::to_wstring(++n);
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

inline std::string readFile(const std::wstring& path) {
    std::ifstream in(narrow(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

template <class F> inline bool waitFor(F condition, int ms) {
    for (int waited = 0; waited < ms; waited += 10) {
        if (condition()) return true;
        Sleep(10);
    }
    return condition();
}

// After a change the window makes one pass over the messages already queued, in which a
// click on a resolution asks nothing (it would be the tail of the confirming double-click);
// a person's next click comes later than this.
inline void afterAChange() { Sleep(300); }

inline std::string windowText(HWND h) {
    wchar_t buf[512] = {};
    GetWindowTextW(h, buf, 512);
    return narrow(buf);
}

struct FindCtx {
    DWORD pid;
    HWND* out;
};

inline BOOL CALLBACK findMainWindow(HWND h, LPARAM lp) {
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
    // `environment`: NAME=value entries that replace or add to this process's own.
    explicit Program(const std::wstring& folder, const std::vector<std::wstring>& environment = {}) {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        std::wstring exe = exePath();
        std::wstring cmd = L"\"" + exe + L"\"";
        std::wstring block = environmentWith(environment);
        started_ = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                                  environment.empty() ? nullptr : block.data(), folder.c_str(), &si, &pi_) != FALSE;
        if (!started_) startError_ = GetLastError();
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

    DWORD threadId() const { return pi_.dwThreadId; }
    // For a failure's message: whether the program still runs, and how it ended.
    std::string state() const {
        if (!started_) return "the program could not be started: error " + std::to_string(startError_);
        if (!ended(0)) return "the program still runs";
        char text[64];
        std::snprintf(text, sizeof text, "the program ended with 0x%08lX", static_cast<unsigned long>(exitCode()));
        return text;
    }

  private:
    DWORD startError_ = 0;
    static std::wstring environmentWith(const std::vector<std::wstring>& changes) {
        std::vector<std::wstring> entries;
        wchar_t* own = GetEnvironmentStringsW();
        for (const wchar_t* p = own; *p; p += wcslen(p) + 1) entries.emplace_back(p);
        FreeEnvironmentStringsW(own);
        for (const std::wstring& change : changes) {
            std::wstring name = change.substr(0, change.find(L'=') + 1);
            std::erase_if(entries, [&](const std::wstring& e) { return _wcsnicmp(e.c_str(), name.c_str(), name.size()) == 0; });
            entries.push_back(change);
        }
        std::wstring block;
        for (const std::wstring& e : entries) block += e + L'\0';
        return block + L'\0';
    }
    PROCESS_INFORMATION pi_{};
    bool started_ = false;
};

inline RECT designRect(const ControlDesign& d) {
    PixelRect p = pixelRect(d);
    return {p.x, p.y, p.x + p.width, p.y + p.height};
}

struct ChildCtx {
    HWND form;
    RECT want;
    HWND found;
};

inline BOOL CALLBACK findChildAt(HWND h, LPARAM lp) {
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
inline HWND childAt(HWND form, const ControlDesign& d) {
    ChildCtx ctx{form, designRect(d), nullptr};
    EnumChildWindows(form, &findChildAt, reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

inline const ControlDesign& design(std::string_view name, int16_t index = -1) {
    for (const ControlDesign& d : kForm1Design.controls)
        if (d.name == name && d.index == index) return d;
    throw std::logic_error("no such control");
}

inline void clickAt(HWND form, const ControlDesign& d) {
    RECT r = designRect(d);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(form, &p);
    SetForegroundWindow(form);
    diag::test::clickScreen(p);
}

inline const char* const kDisplays[] = {"Label2", "Label11", "Label12", "Label16", "Label15"};

inline std::vector<std::string> displayTexts(HWND form) {
    std::vector<std::string> texts;
    for (const char* name : kDisplays) texts.push_back(windowText(childAt(form, design(name))));
    return texts;
}


inline BOOL CALLBACK appendText(HWND h, LPARAM lp) {
    *reinterpret_cast<std::string*>(lp) += windowText(h) + "\n";
    return TRUE;
}


struct ClassCtx {
    DWORD pid;
    const wchar_t* cls;
    HWND found;
};

inline BOOL CALLBACK findVisibleOfClass(HWND h, LPARAM lp) {
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

// The visible top-level window of that class of the program that owns `form`, waited for.
inline HWND waitForWindowOfClass(HWND form, const wchar_t* cls, int ms) {
    DWORD pid = 0;
    GetWindowThreadProcessId(form, &pid);
    ClassCtx ctx{pid, cls, nullptr};
    waitFor(
        [&] {
            ctx.found = nullptr;
            EnumWindows(&findVisibleOfClass, reinterpret_cast<LPARAM>(&ctx));
            return ctx.found != nullptr;
        },
        ms);
    return ctx.found;
}

// The program's message box, once it is on screen.
inline HWND waitForMessageBox(HWND form, int ms) { return waitForWindowOfClass(form, L"#32770", ms); }

// The confirmation dialog of the program that owns `form`, once it is on screen and, as
// a person would be, past the double-click time: the dialog takes no earlier press.
// `ready` false: as soon as it is visible.
inline HWND waitForDialog(HWND form, int ms = 10000, bool ready = true) {
    HWND dialog = waitForWindowOfClass(form, L"diagreso.mini_97", ms);
    if (dialog && ready) Sleep(GetDoubleClickTime() + 100);
    return dialog;
}

// The dialog answered with Annuler, and gone.
inline bool cancelDialog(HWND dialog);

// A key of the dialog, found by its accessible name; clicked.
struct NamedCtx {
    std::string name;
    HWND found;
};
inline BOOL CALLBACK findNamed(HWND h, LPARAM lp) {
    auto* c = reinterpret_cast<NamedCtx*>(lp);
    if (windowText(h) == c->name) {
        c->found = h;
        return FALSE;
    }
    return TRUE;
}
inline HWND childNamed(HWND parent, const char* name) {
    NamedCtx ctx{name, nullptr};
    EnumChildWindows(parent, &findNamed, reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}
inline void clickButton(HWND dialog, const char* name) {
    HWND key = childNamed(dialog, name);
    ASSERT_NE(key, nullptr) << name;
    diag::test::clickWindow(key);
}

inline bool cancelDialog(HWND dialog) {
    clickButton(dialog, "Annuler");
    return waitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 5000);
}

// Every text of a window's children, one a line.
inline std::string childTexts(HWND window) {
    std::string texts;
    EnumChildWindows(window, &appendText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

// The question that follows a change, "Conserver la résolution … ?", once it is on screen
// (and, with `ready`, past the double-click time).
inline HWND waitForKeepQuestion(HWND form, int ms = 10000, bool ready = true) {
    HWND question = nullptr;
    waitFor(
        [&] {
            HWND dialog = waitForWindowOfClass(form, L"diagreso.mini_97", 0);
            question = dialog && childTexts(dialog).find("Conserver la r") != std::string::npos ? dialog : nullptr;
            return question != nullptr;
        },
        ms);
    if (question && ready) Sleep(GetDoubleClickTime() + 100);
    return question;
}

// The change just made, kept with Valider in the question that follows it.
inline bool keepChange(HWND form) {
    HWND question = waitForKeepQuestion(form);
    if (!question || !childNamed(question, "Valider")) return false;
    diag::test::clickWindow(childNamed(question, "Valider"));
    return waitFor([&] { return !IsWindow(question) || !IsWindowVisible(question); }, 5000);
}

inline bool writeBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    bool ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) && done == bytes.size();
    CloseHandle(f);
    return ok;
}

inline bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::pair<int, int> screenMode() {
    DEVMODEW dm{};
    dm.dmSize = sizeof dm;
    EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &dm);
    return {static_cast<int>(dm.dmPelsWidth), static_cast<int>(dm.dmPelsHeight)};
}

// The mode stored as the user's setting, which a restart comes back to.
inline std::pair<int, int> storedMode() {
    DEVMODEW dm{};
    dm.dmSize = sizeof dm;
    EnumDisplaySettingsW(nullptr, ENUM_REGISTRY_SETTINGS, &dm);
    return {static_cast<int>(dm.dmPelsWidth), static_cast<int>(dm.dmPelsHeight)};
}

inline bool at(HWND window, int x, int y) {
    RECT r;
    GetWindowRect(window, &r);
    return r.left == x && r.top == y;
}

// Changes the desktop's mode, as another program would (flags: ChangeDisplaySettingsW's).
inline bool setMode(int width, int height, DWORD flags = 0) {
    DEVMODEW dm{};
    dm.dmSize = sizeof dm;
    dm.dmPelsWidth = static_cast<DWORD>(width);
    dm.dmPelsHeight = static_cast<DWORD>(height);
    dm.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    return ChangeDisplaySettingsW(&dm, flags) == DISP_CHANGE_SUCCESSFUL;
}

// Puts the desktop back as it was, whatever the test left.
struct RestoreMode {
    std::pair<int, int> mode = screenMode();
    ~RestoreMode() { setMode(mode.first, mode.second, CDS_UPDATEREGISTRY); }
};


} // namespace diag::e2e
