// Measures the program, the bare window and the hand-written peer of the dialog from
// outside, as a user would meet them: started with CreateProcess, watched through the
// screen and the window list, clicked with SendInput. Runs under Wine in the same
// virtual desktop as the programs.
//
// usage: driver.exe OURS.exe BARE.exe PEER.exe RUNS WORKDIR PICTURE
// PICTURE is fc_img_024.gif, copied into each run's folder as the release puts it
// beside the program.
// Prints one CSV row per run on stdout (times in ms, memory in bytes); run.sh makes
// the table. Nothing here asserts a time: a run that cannot be measured prints -1.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

// Pixel places, from the designs (twips / 15).
constexpr POINT kMainProbe{440, 20};            // inside Form1's Shape1 (434,16)-(731,715), no child on it
constexpr COLORREF kMainColour = RGB(255, 224, 192);
constexpr RECT kLabel15{596, 334, 697, 361};    // the current height, filled by the start-up tick
constexpr RECT kCommand6First{470, 484, 573, 511}; // "1024 x 768"
constexpr POINT kOursDialogProbe{270 + 36, 234 + 30}; // the tick in the Valider picture, the peer's too
constexpr POINT kBareDialogProbe{184, 166};     // the middle of the bare modal window
constexpr int kStartupTimerMs = 500;
// Every program is clicked as long after its start: the two without a start-up tick
// would otherwise be clicked some 0.5 s sooner after theirs than the program.
constexpr double kClickAfterStartMs = 1500;

struct Target {
    const wchar_t* name;
    std::wstring exe;
    const wchar_t* mainClass;
    const wchar_t* dialogClass;
    POINT dialogProbe;
    bool hasTick;
    POINT click; // client point of the main window that opens the dialog
};

double now() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(freq.QuadPart);
}

COLORREF screenPixel(POINT p) {
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return c;
}

bool greenTick(COLORREF c) {
    int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    return c != CLR_INVALID && g >= r + 60 && g >= b + 60;
}

// The visible top-level window of this class that belongs to this process.
HWND windowOf(const wchar_t* cls, DWORD pid) {
    for (HWND h = FindWindowExW(nullptr, nullptr, cls, nullptr); h; h = FindWindowExW(nullptr, h, cls, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(h, &owner);
        if (owner == pid) return h;
    }
    return nullptr;
}

POINT toScreen(HWND h, POINT p) {
    ClientToScreen(h, &p);
    return p;
}

// Polls every millisecond until `ready` or `ms` passed; returns the time it became true, or -1.
template <class F> double pollUntil(F ready, double ms) {
    double end = now() + ms;
    while (now() < end) {
        if (ready()) return now();
        Sleep(1);
    }
    return ready() ? now() : -1;
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

HWND childAt(HWND form, RECT want) {
    ChildCtx ctx{form, want, nullptr};
    EnumChildWindows(form, &findChildAt, reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

// Mouse events at p, each with its own absolute position, or a press may land where the
// pointer was.
void mouse(POINT p, std::initializer_list<DWORD> events) {
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    INPUT seq[3]{};
    UINT n = 0;
    for (DWORD flags : events) {
        INPUT& in = seq[n++];
        in.type = INPUT_MOUSE;
        in.mi.dx = static_cast<LONG>((p.x * 65535 + sw / 2) / (sw - 1));
        in.mi.dy = static_cast<LONG>((p.y * 65535 + sh / 2) / (sh - 1));
        in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    }
    SendInput(n, seq, sizeof(INPUT));
}

void click(POINT p) { mouse(p, {0, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}); }

std::string readWhole(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    std::string out;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
    CloseHandle(f);
    return out;
}

// The Linux process behind a Wine process: the one whose command line holds our tag.
// Wine 8 gives a child the Linux environment of its parent, not the Windows one, but
// shows the Windows command line as the Linux one.
std::wstring linuxPidWithTag(const std::string& tag) {
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &fd);
    if (find == INVALID_HANDLE_VALUE) return {};
    std::wstring found;
    do {
        std::wstring name = fd.cFileName;
        if (name.empty() || name.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
        std::string env = readWhole(L"Z:\\proc\\" + name + L"\\cmdline");
        if (env.find(tag) != std::string::npos) {
            found = name;
            break;
        }
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    return found;
}

// A "Key:   123 kB" field of a /proc status-like text, in bytes; -1 if absent.
long long kbField(const std::string& text, const char* key) {
    size_t at = text.find(std::string("\n") + key);
    if (at == std::string::npos) return -1;
    at = text.find(':', at);
    return at == std::string::npos ? -1 : std::atoll(text.c_str() + at + 1) * 1024;
}

// Private_Clean + Private_Dirty of the Linux process's smaps_rollup, in bytes; -1 if unread.
long long privateResident(const std::wstring& lpid) {
    std::string rollup = readWhole(L"Z:\\proc\\" + lpid + L"\\smaps_rollup");
    long long clean = kbField(rollup, "Private_Clean"), dirty = kbField(rollup, "Private_Dirty");
    return clean >= 0 && dirty >= 0 ? clean + dirty : -1;
}

struct Run {
    double firstPaint = -1, tickEnd = -1, dialog = -1;
    long long privateUsage = -1, workingSet = -1, vmRss = -1, rssAnon = -1, privateRss = -1;
    long long privateRssDialog = -1; // once the first dialog is up: its pictures decoded, WIC loaded
};

Run measure(const Target& t, const std::wstring& folder, const std::wstring& picture, const std::string& tag) {
    Run run;
    // A previous window's pixels may still be on the desktop; start from a clean screen.
    pollUntil([] { return screenPixel(kMainProbe) != kMainColour; }, 3000);

    CreateDirectoryW(folder.c_str(), nullptr);
    // The dialog reads it from the current folder at each show; every program gets it.
    if (!CopyFileW(picture.c_str(), (folder + L"\\fc_img_024.gif").c_str(), FALSE))
        std::fprintf(stderr, "driver: cannot copy %ls (%lu)\n", picture.c_str(), GetLastError());
    // Started from a copy named after the tag, in its run's folder as in a point-of-sale
    // folder: the tag then names the run's Linux process, and the program gets no
    // argument (with one, it would answer on the command line instead of opening).
    std::wstring exe = folder + L"\\" + std::wstring(tag.begin(), tag.end()) + L".exe";
    if (!CopyFileW(t.exe.c_str(), exe.c_str(), FALSE))
        std::fprintf(stderr, "driver: cannot copy %ls (%lu)\n", t.exe.c_str(), GetLastError());
    std::wstring cmd = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    double start = now();
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
        std::fprintf(stderr, "driver: cannot start %ls (%lu)\n", t.exe.c_str(), GetLastError());
        return run;
    }
    HWND main = nullptr;
    double painted = pollUntil(
        [&] {
            if (!main) main = windowOf(t.mainClass, pi.dwProcessId);
            return main && IsWindowVisible(main) && screenPixel(toScreen(main, kMainProbe)) == kMainColour;
        },
        20000);
    if (painted >= 0) run.firstPaint = painted - start;

    if (main && t.hasTick) {
        HWND label = childAt(main, kLabel15);
        double ticked = label ? pollUntil(
                                    [&] {
                                        wchar_t text[64] = {};
                                        // Read from the window list, not by a message the program must answer.
                                        return InternalGetWindowText(label, text, 64) > 0;
                                    },
                                    20000)
                              : -1;
        if (ticked >= 0) run.tickEnd = ticked - start - kStartupTimerMs;
        if (!label) std::fprintf(stderr, "driver: no current-height label\n");
    }

    if (main) {
        Sleep(300); // settled after start-up
        PROCESS_MEMORY_COUNTERS_EX pmc{};
        pmc.cb = sizeof pmc;
        if (K32GetProcessMemoryInfo(pi.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc)) {
            run.privateUsage = static_cast<long long>(pmc.PrivateUsage);
            run.workingSet = static_cast<long long>(pmc.WorkingSetSize);
        }
        std::wstring lpid = linuxPidWithTag(tag);
        if (!lpid.empty()) {
            std::string status = readWhole(L"Z:\\proc\\" + lpid + L"\\status");
            run.vmRss = kbField(status, "VmRSS");
            run.rssAnon = kbField(status, "RssAnon");
            run.privateRss = privateResident(lpid);
        } else {
            std::fprintf(stderr, "driver: Linux process of %ls not found\n", t.name);
        }

        double rest = start + kClickAfterStartMs - 100 - now();
        if (rest > 0) Sleep(static_cast<DWORD>(rest));
        SetForegroundWindow(main);
        // The pointer waits on the same bare spot for every program, so that every click
        // moves it: a program clicked where the previous one was would get no mouse move
        // before the press, and Wine would put its painting on the screen sooner.
        mouse(toScreen(main, kMainProbe), {0});
        Sleep(100);
        POINT probeBefore{};
        HWND dialog = nullptr;
        double clicked = now();
        click(toScreen(main, t.click));
        double shown = pollUntil(
            [&] {
                if (!dialog) dialog = windowOf(t.dialogClass, pi.dwProcessId);
                if (!dialog || !IsWindowVisible(dialog)) return false;
                probeBefore = toScreen(dialog, t.dialogProbe);
                return greenTick(screenPixel(probeBefore));
            },
            10000);
        if (shown >= 0) run.dialog = shown - clicked;
        // The same reading with the dialog up, settled as after start-up.
        if (shown >= 0 && !lpid.empty()) {
            Sleep(300);
            run.privateRssDialog = privateResident(lpid);
        }
    }

    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return run;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 7) {
        std::fprintf(stderr, "usage: driver OURS.exe BARE.exe PEER.exe RUNS WORKDIR PICTURE\n");
        return 2;
    }
    // The program and its peer are clicked on "1024 x 768", the bare program anywhere.
    constexpr POINT command6{(kCommand6First.left + kCommand6First.right) / 2,
                             (kCommand6First.top + kCommand6First.bottom) / 2};
    Target targets[] = {
        {L"ours", argv[1], L"diagreso.Form1", L"diagreso.mini_97", kOursDialogProbe, true, command6},
        {L"bare", argv[2], L"bench.bare", L"bench.modal", kBareDialogProbe, false, {700, 400}},
        {L"peer", argv[3], L"bench.peer", L"bench.peer.mini_97", kOursDialogProbe, false, command6},
    };
    int runs = _wtoi(argv[4]);
    std::wstring work = argv[5], picture = argv[6];
    CreateDirectoryW(work.c_str(), nullptr);
    std::printf("program,run,first_paint_ms,tick_end_ms,dialog_ms,private_usage,working_set,vm_rss,rss_anon,"
                "private_rss,private_rss_dialog\n");
    // Run 0 of each is a warm-up (first start in the session) and is marked as such.
    for (int i = 0; i <= runs; ++i) {
        // Alternated, so a slow spell of the machine falls on all three.
        for (const Target& t : targets) {
            std::wstring folder = work + L"\\" + t.name + L"-" + std::to_wstring(i);
            std::wstring name = t.name;
            std::string tag = "bench-run-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(i) + "-" +
                              std::string(name.begin(), name.end());
            Run r = measure(t, folder, picture, tag);
            std::printf("%ls,%d,%.2f,%.2f,%.2f,%lld,%lld,%lld,%lld,%lld,%lld\n", t.name, i, r.firstPaint, r.tickEnd,
                        r.dialog, r.privateUsage, r.workingSet, r.vmRss, r.rssAnon, r.privateRss, r.privateRssDialog);
            std::fflush(stdout);
        }
    }
    return 0;
}
