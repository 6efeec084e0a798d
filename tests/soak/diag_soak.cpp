// Resource soak of the real program under Windows (run under Wine by scripts/soak.sh):
// the real win32 backend and a real Form1 in a fresh folder; 1,000 confirmation dialogs
// answered alternately Valider and Annuler, then 100 test-and-revert cycles
// (1024 x 768 and back). GDI objects, USER windows and private bytes are taken after a
// warm-up and at the end; the program fails if the object counts do not come back to
// their first values or private bytes grow past the tolerance.
#include "app/clock.h"
#include "app/error_report.h"
#include "app/module1.h"
#include "main_window/process_launcher.h"
#include "display/win32_display_api.h"
#include "display/win32_session_api.h"
#include "forms/win32_backend.h"
#include "main_window/form1.h"
#include "main_window/win32_help_files.h"
#include "store/record_file.h"

#include "support/handle_counts.h"
#include "support/launchers.h"

#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace diag;
using diag::forms::Win32Backend;

namespace {

constexpr int kDialogShows = 1000;
constexpr int kCycles = 100;
constexpr int kWarmUpShows = 5;
// Private bytes may move by heap fragmentation and by the system's own caches; what a
// leak of our own would cost is far more: one dialog's form record, its 13 control
// records, their strings and the decoded pictures of its buttons are several kilobytes
// a show, megabytes over 1,000 shows. 256 KiB is 256 bytes a show over the run.
constexpr long long kPrivateTolerance = 256 * 1024;

int g_failures = 0;
void failure(const char* what, int i) {
    if (++g_failures <= 20) std::printf("FAIL: %s (iteration %d)\n", what, i);
}

class CountingReporter final : public ErrorReporter {
  public:
    void report(const std::exception& e) noexcept override {
        ++count;
        std::printf("error reported to the user: %s\n", describeError(e).c_str());
    }
    int count = 0;
};

// The help command is not exercised: nothing may be started.


// USER objects: the windows this process owns, top-level and children.
BOOL CALLBACK countChild(HWND, LPARAM lp) {
    ++*reinterpret_cast<int*>(lp);
    return TRUE;
}
BOOL CALLBACK countTopLevel(HWND h, LPARAM lp) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid != GetCurrentProcessId()) return TRUE;
    ++*reinterpret_cast<int*>(lp);
    EnumChildWindows(h, &countChild, lp);
    return TRUE;
}
int userWindows() {
    int n = 0;
    EnumWindows(&countTopLevel, reinterpret_cast<LPARAM>(&n));
    return n;
}

long long privateUsage() {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc))
        return -1;
    return static_cast<long long>(pmc.PrivateUsage);
}

// The same figure from the address space itself: committed private pages.
long long committedPrivate() {
    long long total = 0;
    MEMORY_BASIC_INFORMATION mbi;
    for (auto* p = static_cast<const char*>(nullptr); VirtualQuery(p, &mbi, sizeof mbi) == sizeof mbi;) {
        if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE) total += static_cast<long long>(mbi.RegionSize);
        const char* next = static_cast<const char*>(mbi.BaseAddress) + mbi.RegionSize;
        if (next <= p) break;
        p = next;
    }
    return total;
}

// PrivateUsage counts only if it sees 16 MiB committed and touched.
bool privateUsageIsMeaningful(long long& seenGrowth) {
    constexpr SIZE_T size = 16 << 20;
    long long before = privateUsage();
    auto* block = static_cast<char*>(VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!block) return false;
    for (SIZE_T i = 0; i < size; i += 4096) block[i] = 1;
    seenGrowth = privateUsage() - before;
    VirtualFree(block, 0, MEM_RELEASE);
    return seenGrowth >= static_cast<long long>(size) * 9 / 10;
}

// Each meter must see a leak of its own kind for its figures to mean anything: a brush,
// a window, and 2 MiB of small heap blocks, counted while they live and gone once freed.
bool metersSeeLeaks() {
    int gdi0 = diag::test::liveGdiObjects(), user0 = userWindows();
    long long heap0 = committedPrivate();
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    std::vector<std::vector<char>> blocks;
    for (int i = 0; i < 512; ++i) blocks.emplace_back(4096, 'x');
    int gdi1 = diag::test::liveGdiObjects(), user1 = userWindows();
    long long heap1 = committedPrivate();
    DeleteObject(brush);
    DestroyWindow(window);
    blocks.clear();
    std::printf("meters with a brush, a window and 2 MiB of heap held: GDI %+d, USER %+d, committed private %+lld; "
                "released: GDI %+d, USER %+d\n",
                gdi1 - gdi0, user1 - user0, heap1 - heap0, diag::test::liveGdiObjects() - gdi0, userWindows() - user0);
    return gdi1 == gdi0 + 1 && user1 == user0 + 1 && heap1 - heap0 >= (2 << 20) && diag::test::liveGdiObjects() == gdi0 &&
           userWindows() == user0;
}

struct Figures {
    int gdi, user;
    long long privateBytes, committed;
};
Figures measure() { return {diag::test::liveGdiObjects(), userWindows(), privateUsage(), committedPrivate()}; }
void print(const char* when, const Figures& f) {
    std::printf("%-28s GDI %5d  USER %4d  PrivateUsage %10lld  committed private %10lld\n", when, f.gdi, f.user,
                f.privateBytes, f.committed);
    std::fflush(stdout);
}

// The answer the dialog gets: a press of one of its keys as assistive technology makes it
// (BM_CLICK), from a thread timer that fires inside the modal loop.
// A press sooner than the double-click time after the dialog appeared is no answer: the
// soak shortens that time for its prefix and answers a little after it.
constexpr UINT kDoubleClickMs = 20, kAnswerDelayMs = 40;
Form1* g_form1 = nullptr;
forms::Win32Backend* g_backend = nullptr;
int16_t g_button = 2;
int g_answered = 0;
int g_toAnswer = 0; // dialogs still to answer before the timer stops
void CALLBACK answer(HWND, UINT, UINT_PTR id, DWORD) {
    forms::Form& dialog = g_form1->dialog().form();
    if (!dialog.loaded()) return; // not shown yet: the timer stays armed
    HWND button = g_backend->windowOf(dialog.control("btc", g_button));
    if (!button) return;
    SendMessageW(button, BM_CLICK, 0, 0);
    // Pressed too soon after the dialog appeared, the key does not answer: pressed again.
    if (dialog.loaded()) return;
    ++g_answered;
    if (--g_toAnswer == 0) KillTimer(nullptr, id);
}
// A change is a question and then its keep question: `dialogs` 2 answers both.
void answerNextDialogWith(int16_t button, int dialogs = 1) {
    g_button = button;
    g_toAnswer = dialogs;
    SetTimer(nullptr, 0, kAnswerDelayMs, &answer);
}

struct ScreenSize {
    int width, height;
};
ScreenSize screen() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

// A fresh empty folder under %TEMP% as the current directory, for W_ECRA_R.WDO.
std::wstring enterFreshFolder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring dir = std::wstring(temp) + L"diag_soak_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                       std::to_wstring(GetTickCount());
    if (!CreateDirectoryW(dir.c_str(), nullptr) || !SetCurrentDirectoryW(dir.c_str())) return {};
    return dir;
}

} // namespace

int main() {
    SetDoubleClickTime(kDoubleClickMs); // this run's prefix only
    DWORD started = GetTickCount();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    std::wstring folder = enterFreshFolder();
    if (folder.empty()) {
        std::printf("could not make a fresh folder\n");
        return 2;
    }

    Win32Backend backend(GetModuleHandleW(nullptr));
    CountingReporter reporter;
    Module1 module;
    Win32DisplayApi display;
    Win32FontApi font;
    SystemClock clock;
    RecordFile recordFile;
    test::RecordingLauncher launcher; // the soak opens no help page
    Win32HelpPageFiles helpFiles(GetModuleHandleW(nullptr));
    Win32SessionApi session;
    Form1 form1(backend, reporter, module, {display, font, clock, recordFile, launcher, helpFiles, {}, session});
    g_form1 = &form1;
    g_backend = &backend;

    const ScreenSize original = screen();
    std::printf("screen at start: %d x %d\n", original.width, original.height);
    form1.start();
    // The start-up tick (500 ms after the load) probes the font and records the mode.
    for (DWORD t0 = GetTickCount(); !form1.startupFinished() && GetTickCount() - t0 < 10000;) {
        backend.doEvents();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    if (!form1.startupFinished() || reporter.count != 0) {
        std::printf("FAIL: the start-up did not finish cleanly\n");
        return 1;
    }
    std::string savedWidth = form1.control("Label11").caption(), savedHeight = form1.control("Label12").caption();
    std::printf("saved mode shown: %s x %s\n", savedWidth.c_str(), savedHeight.c_str());
    if (savedWidth != std::to_string(original.width) || savedHeight != std::to_string(original.height))
        failure("the saved mode is not the mode at start", 0);

    long long growth = 0;
    bool usageCounts = privateUsageIsMeaningful(growth);
    std::printf("PrivateUsage after committing and touching 16 MiB: %+lld bytes: %s\n", growth,
                usageCounts ? "meaningful, used for the check"
                            : "not meaningful here; committed private pages are used instead");

    int shows = 0;
    auto showOnce = [&](int i) {
        bool confirm = i % 2 == 0;
        module.DialogCode = kRequestChoice;
        module.DialogText = "Essai " + std::to_string(i) + " ?";
        int before = g_answered;
        answerNextDialogWith(confirm ? 2 : 3);
        form1.dialog().show();
        ++shows;
        if (g_answered != before + 1) failure("the dialog was not answered by its button", i);
        if (module.DialogCode != (confirm ? kAnswerConfirm : kAnswerCancel)) failure("wrong answer read back", i);
        if (form1.dialog().form().loaded()) failure("the dialog is still loaded", i);
    };

    for (int i = 0; i < kWarmUpShows; ++i) showOnce(i);
    backend.doEvents();
    const Figures first = measure();
    print("after warm-up:", first);

    DWORD t0 = GetTickCount();
    for (int i = 0; i < kDialogShows; ++i) showOnce(i);
    backend.doEvents();
    DWORD dialogMs = GetTickCount() - t0;
    print("after 1,000 dialogs:", measure());

    t0 = GetTickCount();
    for (int i = 0; i < kCycles; ++i) {
        try {
            answerNextDialogWith(2, 2);
            form1.form().click(form1.control("Command6", 0));
            if (module.DialogCode != kAnswerConfirm) failure("test dialog not confirmed", i);
            ScreenSize s = screen();
            if (s.width != 1024 || s.height != 768) failure("the test did not change the mode to 1024 x 768", i);
            answerNextDialogWith(2, 2);
            form1.form().click(form1.control("Command5"));
            if (module.DialogCode != kAnswerConfirm) failure("revert dialog not confirmed", i);
            s = screen();
            if (s.width != original.width || s.height != original.height)
                failure("the revert did not come back to the saved mode", i);
            shows += 4;
        } catch (const std::exception& e) {
            std::printf("error: %s\n", describeError(e).c_str());
            failure("a test-and-revert cycle raised", i);
        }
    }
    backend.doEvents();
    DWORD cycleMs = GetTickCount() - t0;
    const Figures last = measure();
    print("after 100 cycles (last):", last);

    std::printf("dialog shows: %d (answered %d); 1,000 dialogs in %lu ms, 100 cycles in %lu ms, run %lu ms\n", shows,
                g_answered, static_cast<unsigned long>(dialogMs), static_cast<unsigned long>(cycleMs),
                static_cast<unsigned long>(GetTickCount() - started));
    if (reporter.count != 0) failure("errors were reported to the user", 0);
    if (first.gdi <= 0) failure("the GDI handle table could not be read", 0);
    if (last.gdi != first.gdi) failure("GDI objects did not return to their first count", 0);
    if (last.user != first.user) failure("USER windows did not return to their first count", 0);
    long long grew = usageCounts ? last.privateBytes - first.privateBytes : last.committed - first.committed;
    std::printf("private bytes grew by %lld (tolerance %lld)\n", grew, kPrivateTolerance);
    if (grew > kPrivateTolerance) failure("private bytes grew past the tolerance", 0);
    // Last, so the heap it leaves committed cannot hide a leak of the run.
    if (!metersSeeLeaks()) failure("a meter did not see a deliberate leak", 0);

    std::printf(g_failures ? "SOAK FAILED: %d failure(s)\n" : "SOAK PASSED\n", g_failures);
    std::fflush(stdout);
    // The record file is closed and the folder removed; the window goes with the process.
    closeAllFiles();
    SetCurrentDirectoryW(L"\\");
    DeleteFileW((folder + L"\\W_ECRA_R.WDO").c_str());
    RemoveDirectoryW(folder.c_str());
    return g_failures ? 1 : 0;
}
