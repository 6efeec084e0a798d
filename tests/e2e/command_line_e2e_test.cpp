// The command line of the real exe, as a script or a remote-management tool runs it:
// standard output and error redirected to pipes, the exit code read back, and no window
// of the program anywhere meanwhile. Each report is kept as an artefact, which
// scripts/run-e2e.sh validates against docs/rapport.schema.json.
#include "app/win32_wide.h"
#include "command_line/json.h"
#include "main_window/form1_design.h"
#include "support/screenshot.h"
#include "e2e_support.h"
#include "support/records.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

using namespace diag;
using namespace diag::e2e;
using diag::test::rec;

namespace {

bool at96dpi() {
    const wchar_t* dpi = _wgetenv(L"DIAGRESO_TEST_DPI");
    return !dpi || std::wstring(dpi) == L"96";
}



void keepArtefact(const char* name, const std::string& report) {
    std::string path = diag::test::artefactPath(name);
    if (!path.empty()) {
        EXPECT_TRUE(writeBytes(widen(path), report)) << path;
    }
}

struct WindowsCtx {
    DWORD pid;
    std::vector<std::string>* seen;
};

BOOL CALLBACK noteWindowOf(HWND h, LPARAM lp) {
    auto* c = reinterpret_cast<WindowsCtx*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == c->pid) {
        wchar_t cls[64] = {};
        GetClassNameW(h, cls, 64);
        c->seen->push_back(narrow(cls));
    }
    return TRUE;
}

// One run of the exe with arguments, in a folder, its output and error read from pipes.
struct ExeRun {
    DWORD exitCode = STILL_ACTIVE;
    std::string out, err;
    std::vector<std::string> windows; // classes of the top-level windows it had
};

void drain(HANDLE pipe, std::string& into) {
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buf, sizeof buf, &got, nullptr) && got) into.append(buf, got);
}

// `desktop`: where it starts (STARTUPINFO.lpDesktop); none, this program's own. `output`:
// its standard output instead of a pipe.
ExeRun runExe(const std::wstring& folder, const std::wstring& arguments, const wchar_t* desktop = nullptr,
              HANDLE output = nullptr) {
    ExeRun run;
    // Under Wine the first program that needs the desktop starts its process (explorer.exe).
    // Started by the exe, it would inherit the pipes' write ends and hold them open for
    // good, and the reads below would never end: it is started from here, before them.
    GetDesktopWindow();
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0) || !CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        ADD_FAILURE() << "no pipes";
        return run;
    }
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = output ? output : outWrite;
    si.hStdError = errWrite;
    std::wstring desk = desktop ? desktop : L"";
    si.lpDesktop = desktop ? desk.data() : nullptr;
    std::wstring exe = exePath();
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    PROCESS_INFORMATION pi{};
    BOOL started = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(),
                                  &si, &pi);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    std::thread outReader(drain, outRead, std::ref(run.out)), errReader(drain, errRead, std::ref(run.err));
    if (started) {
        WindowsCtx ctx{pi.dwProcessId, &run.windows};
        for (int waited = 0; WaitForSingleObject(pi.hProcess, 5) == WAIT_TIMEOUT; waited += 5) {
            EnumWindows(&noteWindowOf, reinterpret_cast<LPARAM>(&ctx));
            if (waited > 30000) {
                ADD_FAILURE() << "still running after 30 s";
                TerminateProcess(pi.hProcess, 99);
            }
        }
        GetExitCodeProcess(pi.hProcess, &run.exitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    } else {
        ADD_FAILURE() << "could not start " << narrow(exe);
    }
    outReader.join();
    errReader.join();
    CloseHandle(outRead);
    CloseHandle(errRead);
    return run;
}

// A member of the report, as the program writes it (one line per top-level member).
std::string member(const std::string& report, const char* key) {
    std::smatch m;
    std::regex line("\\n  \"" + std::string(key) + "\": (.*?),?\\r\\n");
    return std::regex_search(report, m, line) ? m[1].str() : "<missing>";
}

std::vector<std::string> all(const std::string& text, const char* pattern) {
    std::vector<std::string> found;
    std::regex re(pattern);
    for (std::sregex_iterator it(text.begin(), text.end(), re), end; it != end; ++it) found.push_back((*it)[1]);
    return found;
}

std::string jsonPath(const std::wstring& path) {
    std::string json = narrow(path);
    for (size_t at = 0; (at = json.find('\\', at)) != std::string::npos; at += 2) json.insert(at, "\\");
    return "\"" + json + "\"";
}

// The program that stands in for the point-of-sale program, built beside this one.
std::wstring standInExe() {
    wchar_t tests[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, tests, MAX_PATH);
    return std::wstring(tests).substr(0, std::wstring(tests).rfind(L'\\')) + L"\\till_standin.exe";
}

// The point-of-sale program's windows as the report lists them.
std::string tillWindows(const std::string& report) {
    size_t from = report.find("\"till_windows\": "), to = report.find(",\r\n  \"till_folder\"");
    return from == std::string::npos || to == std::string::npos ? "<missing>" : report.substr(from + 16, to - from - 16);
}

std::string computer() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    GetComputerNameW(name, &size);
    return narrow(name);
}

// A window station of its own with one desktop, as a service or a task run whether or not
// anyone is logged on gets: nothing there can be seen, and the display query fails.
class OwnWindowStation {
  public:
    OwnWindowStation() {
        HWINSTA own = GetProcessWindowStation();
        station_ = CreateWindowStationW(L"diagreso-e2e", 0, WINSTA_ALL_ACCESS, nullptr);
        // A desktop is made in the window station of the process that makes it.
        if (station_ && SetProcessWindowStation(station_)) {
            desktop_ = CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
            SetProcessWindowStation(own);
        }
    }
    ~OwnWindowStation() {
        if (desktop_) CloseDesktop(desktop_);
        if (station_) CloseWindowStation(station_);
    }
    OwnWindowStation(const OwnWindowStation&) = delete;
    OwnWindowStation& operator=(const OwnWindowStation&) = delete;
    bool made() const { return desktop_ != nullptr; }
    const wchar_t* desktop() const { return L"diagreso-e2e\\Default"; }

  private:
    HWINSTA station_ = nullptr;
    HDESK desktop_ = nullptr;
};

// A program started from a path with arguments, its first top-level window found, and
// ended with the test.
class StandIn {
  public:
    StandIn(const std::wstring& exe, const std::wstring& arguments, const wchar_t* folder = nullptr) {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        std::wstring command = L"\"" + exe + L"\" " + arguments;
        started_ = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &si, &pi_);
    }
    ~StandIn() {
        if (!started_) return;
        TerminateProcess(pi_.hProcess, 0);
        WaitForSingleObject(pi_.hProcess, 5000);
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
    }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;
    HWND window(int ms) const {
        std::pair<DWORD, HWND> found{pi_.dwProcessId, nullptr};
        waitFor(
            [&] {
                EnumWindows(&visibleWindowOf, reinterpret_cast<LPARAM>(&found));
                return found.second != nullptr;
            },
            started_ ? ms : 0);
        return found.second;
    }

  private:
    // A named function: a lambda has no stdcall conversion for 32-bit EnumWindows.
    static BOOL CALLBACK visibleWindowOf(HWND h, LPARAM lp) {
        auto* found = reinterpret_cast<std::pair<DWORD, HWND>*>(lp);
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        if (pid != found->first || !IsWindowVisible(h)) return TRUE;
        found->second = h;
        return FALSE;
    }

    bool started_ = false;
    PROCESS_INFORMATION pi_{};
};

class CommandLine : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!at96dpi()) GTEST_SKIP() << "runs at 96 dpi";
    }
    RestoreMode restore_;
};

} // namespace

// The window and the report side by side in one folder: the report says what the window
// shows, while the window holds the record file open, and leaves the file as it was.
TEST_F(CommandLine, ReportSaysWhatTheWindowShowsAndLeavesTheFileAlone) {
    std::wstring folder = freshFolder();
    Program window(folder);
    HWND form = window.mainWindow(15000);
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(waitFor([&] { return !displayTexts(form).back().empty(); }, 10000));
    std::vector<std::string> shown = displayTexts(form); // Label2, Label11, Label12, Label16, Label15
    std::vector<std::string> captions;
    for (int16_t i = 0; i < 7; ++i) captions.push_back(windowText(childAt(form, design("Command6", i))));
    std::wstring recordPath = folder + L"\\W_ECRA_R.WDO";
    std::string record = readFile(recordPath);
    ASSERT_EQ(record.size(), 80u);

    ExeRun printed = runExe(folder, L"/rapport");
    EXPECT_EQ(printed.exitCode, 0u) << printed.err;
    EXPECT_EQ(printed.err, "");
    EXPECT_EQ(printed.windows, std::vector<std::string>{}) << "no window during a report";
    keepArtefact("rapport-stdout.json", printed.out);
    const std::string& r = printed.out;
    EXPECT_EQ(member(r, "program"), "\"diagreso\"");
    EXPECT_EQ(member(r, "version"), "\"" DIAGRESO_VERSION "\"");
    EXPECT_EQ(member(r, "computer"), "\"" + computer() + "\"");
    EXPECT_EQ(member(r, "text"), "{\"state\": \"" + shown[0] +
                                     "\", \"height_px\": 16, \"dpi\": 96, \"scale_percent\": null, \"stretch_percent\": 100, "
                                     "\"dpi_at_sign_in\": 96, \"dpi_now\": 96}");
    EXPECT_EQ(member(r, "work_area"), "{\"left\": 0, \"top\": 0, \"width\": " + shown[3] + ", \"height\": " + shown[4] + "}");
    // This desktop is the console's own, visible, not remote; its one display as it is.
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    wchar_t user[256] = {};
    DWORD userSize = 256;
    GetUserNameW(user, &userSize);
    EXPECT_TRUE(std::regex_match(member(r, "session"),
                                 std::regex("\\{\"id\": " + std::to_string(session) + ", \"console_id\": " +
                                            std::to_string(WTSGetActiveConsoleSessionId()) +
                                            ", \"window_station\": \"WinSta0\", \"visible\": true, \"remote\": false, "
                                            "\"user\": \"[^\"]+\\\\\\\\" + narrow(user) + "\", \"shows_the_screen\": true\\}")))
        << member(r, "session");
    EXPECT_NE(r.find("  \"displays\": [\r\n    {\"device\": \"\\\\\\\\.\\\\DISPLAY1\", \"primary\": true, \"left\": 0, "
                     "\"top\": 0, \"width\": " + shown[3] + ", \"height\": " + shown[4] +
                     ", \"bits\": 32, \"frequency\": "),
              std::string::npos)
        << member(r, "displays");
    EXPECT_TRUE(std::regex_match(member(r, "current"), std::regex("\\{\"width\": " + shown[3] + ", \"height\": " +
                                                                  shown[4] + ", \"bits\": 32, \"frequency\": \\d+\\}")))
        << member(r, "current");
    EXPECT_EQ(member(r, "record_file"), jsonPath(recordPath));
    EXPECT_TRUE(std::regex_match(member(r, "saved"), std::regex("\\{\"width\": \"" + shown[1] + "\", \"height\": \"" +
                                                                shown[2] + "\", \"bits\": \"32\", \"since\": \"" +
                                                                record.substr(6, 14) + "\"\\}")))
        << member(r, "saved");
    EXPECT_EQ(all(r, "\"caption\": \"([^\"]*)\""), captions);
    // The modes and the tests as the system itself answers this test program.
    std::string modes, offered;
    std::vector<std::string> seen;
    DEVMODEW dm{};
    dm.dmSize = sizeof dm;
    for (DWORD n = 0; EnumDisplaySettingsW(nullptr, n, &dm); ++n) {
        std::string mode = "{\"width\": " + std::to_string(dm.dmPelsWidth) + ", \"height\": " +
                           std::to_string(dm.dmPelsHeight) + ", \"bits\": " + std::to_string(dm.dmBitsPerPel) +
                           ", \"frequency\": " + std::to_string(dm.dmDisplayFrequency) + "}";
        if (std::find(seen.begin(), seen.end(), mode) != seen.end()) continue;
        modes += (seen.empty() ? "\r\n    " : ",\r\n    ") + mode;
        seen.push_back(mode);
    }
    EXPECT_NE(r.find("\"modes\": [" + modes + "\r\n  ],"), std::string::npos) << modes;
    for (const std::string& caption : captions) {
        std::string size = "{\"width\": " + caption.substr(0, caption.find(' ')) + ", \"height\": " +
                           caption.substr(caption.rfind(' ') + 1) + ", \"bits\": 32, ";
        bool listed = std::any_of(seen.begin(), seen.end(), [&](const std::string& m) { return m.starts_with(size); });
        offered += listed ? "true " : "false ";
    }
    std::string reported;
    for (const std::string& o : all(r, "\"offered\": (\\w+)")) reported += o + " ";
    EXPECT_EQ(reported, offered);

    ExeRun written = runExe(folder, L"-Rapport:rapport.json");
    EXPECT_EQ(written.exitCode, 0u) << written.err;
    EXPECT_EQ(written.windows, std::vector<std::string>{});
    EXPECT_EQ(written.out, "Rapport écrit dans « " + narrow(folder) + "\\rapport.json ».\r\n");
    std::string file = readFile(folder + L"\\rapport.json");
    keepArtefact("rapport-file.json", file);
    std::regex time("\"time\": \"[^\"]*\"");
    EXPECT_EQ(std::regex_replace(file, time, "TIME"), std::regex_replace(r, time, "TIME"));

    // Neither the verdict nor a refused report waits on the file the window holds open.
    ExeRun verdict = runExe(folder, L"/verifier");
    EXPECT_EQ(verdict.exitCode, 0u) << verdict.err;
    EXPECT_NE(verdict.out.find(" Résolution actuelle : " + shown[3] + " x " + shown[4] + " ; "), std::string::npos)
        << verdict.out;
    EXPECT_NE(verdict.out.find(" Résolution d'origine : " + shown[1] + " x " + shown[2] + " en 32 bits, "),
              std::string::npos)
        << verdict.out;
    EXPECT_EQ(member(r, "verdict"), "{\"ok\": true, \"reasons\": [], \"classic_window_fits\": true, "
                                    "\"wide_window_fits\": false, \"causes\": []}");
    ExeRun over = runExe(folder, L"/rapport:W_ECRA_R.WDO");
    EXPECT_EQ(over.exitCode, 1u);
    EXPECT_NE(over.err.find("c'est le fichier où diagreso garde la résolution d'origine"), std::string::npos)
        << over.err;

    EXPECT_EQ(readFile(recordPath), record) << "byte-identical";
    EXPECT_FALSE(window.ended(0)) << "the window carries on";
    PostMessageW(form, WM_CLOSE, 0, 0);
    EXPECT_TRUE(window.ended(5000));
}

// Where there is no record file, and for the arguments the program does not take.
TEST_F(CommandLine, ExitCodesWithoutARecordFile) {
    std::wstring folder = freshFolder();
    const wchar_t* readOnly = _wgetenv(L"DIAGRESO_READONLY_DIR");
    // Folders it can make, on the way to a name longer than the system takes.
    std::wstring deep = L"a";
    for (wchar_t c = L'b'; deep.size() < 180; ++c) deep += std::wstring(L"\\") + c + std::wstring(12, c);
    // Standard output on a full device (Wine opens Linux's own /dev/full).
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE full = CreateFileW(L"\\\\?\\unix\\dev\\full", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                              OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(full, INVALID_HANDLE_VALUE) << "no full device to write the usage to";
    struct Case {
        std::wstring arguments;
        DWORD exit;
        std::string outSays, errSays; // empty: nothing at all on that stream
        HANDLE output = nullptr;      // none: a pipe
    } cases[] = {
        {L"/rapport", 0, "\"saved\": null", ""},
        {L"/retour", 3, "", "Il n'y a pas de fichier « W_ECRA_R.WDO » dans le dossier « " + narrow(folder) + " »"},
        {L"/inconnu", 2, "", "Argument inconnu : « /inconnu ».\r\n\r\ndiagreso : diagnostic de la résolution"},
        {L"/?", 0, "  diagreso /retour            retour à la résolution d'origine", ""},
        {readOnly ? L"/rapport:\"" + std::wstring(readOnly) + L"\\rapport.json\"" : L"", 1, "",
         readOnly ? "Impossible d'écrire le fichier « rapport.json » dans le dossier « " + narrow(readOnly) + " » : "
                  : ""},
        {L"/rapport:" + deep + L"\\" + std::wstring(260, L'r') + L".json", 1, "", "Impossible d'écrire le fichier « rrr"},
        {full != INVALID_HANDLE_VALUE ? L"/?" : L"", 1, "", "Le mode d'emploi n'a pas pu être écrit sur la sortie standard : ",
         full},
    };
    for (const Case& c : cases) {
        if (c.arguments.empty()) continue; // no read-only folder from the harness, or no full device
        SCOPED_TRACE(narrow(c.arguments));
        ExeRun run = runExe(folder, c.arguments, nullptr, c.output);
        EXPECT_EQ(run.exitCode, c.exit);
        EXPECT_EQ(run.windows, std::vector<std::string>{});
        EXPECT_NE(run.out.find(c.outSays), std::string::npos) << run.out;
        EXPECT_EQ(run.out.empty(), c.outSays.empty()) << run.out;
        EXPECT_NE(run.err.find(c.errSays), std::string::npos) << run.err;
        EXPECT_EQ(run.err.empty(), c.errSays.empty()) << run.err;
        if (c.arguments == L"/rapport") keepArtefact("rapport-absent.json", run.out);
    }
    if (full != INVALID_HANDLE_VALUE) CloseHandle(full);
    EXPECT_FALSE(exists(folder + L"\\W_ECRA_R.WDO")) << "never created";
    EXPECT_FALSE(exists(folder + L"\\a")) << "a refused report leaves none of the folders it made";
    EXPECT_EQ(screenMode(), (std::pair<int, int>{1280, 1024})) << "nothing changed";
}

TEST_F(CommandLine, RestoreBringsBackTheSavedModeAfterTheDisplayWasMoved) {
    std::wstring folder = freshFolder();
    std::string record = rec("#INIT#03-14-202409:2") + rec("1280") + rec("1024") + rec("32");
    ASSERT_TRUE(writeBytes(folder + L"\\W_ECRA_R.WDO", record));
    ASSERT_TRUE(setMode(1024, 768));
    ASSERT_EQ(screenMode(), (std::pair<int, int>{1024, 768}));

    ExeRun run = runExe(folder, L"/RETOUR");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(run.out, "La résolution d'origine 1280 x 1024 en 32 bits est rétablie.\r\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.windows, std::vector<std::string>{}) << "no dialog";
    EXPECT_EQ(screenMode(), (std::pair<int, int>{1280, 1024}));
    EXPECT_EQ(readFile(folder + L"\\W_ECRA_R.WDO"), record);
}

// A saved depth that no display has is refused as a bad size is.
TEST_F(CommandLine, UnusableDepthIsRefused) {
    std::wstring folder = freshFolder();
    std::wstring recordPath = folder + L"\\W_ECRA_R.WDO";
    std::string record = rec("#INIT#03-14-202409:2") + rec("1024") + rec("768") + rec("abc");
    ASSERT_TRUE(writeBytes(recordPath, record));

    ExeRun back = runExe(folder, L"/retour");
    EXPECT_EQ(back.exitCode, 3u);
    EXPECT_EQ(back.out, "");
    EXPECT_NE(back.err.find("la profondeur de couleur « abc » n'est pas un nombre de bits par pixel"), std::string::npos)
        << back.err;
    EXPECT_EQ(screenMode(), (std::pair<int, int>{1280, 1024})) << "nothing changed";
    ExeRun printed = runExe(folder, L"/rapport");
    EXPECT_EQ(printed.exitCode, 0u) << printed.err;
    EXPECT_NE(member(printed.out, "saved").find("\"bits\": \"abc\", \"since\": \"03-14-202409:2\", \"error\": "
                                                "\"La résolution d'origine enregistrée"),
              std::string::npos)
        << member(printed.out, "saved");
    keepArtefact("rapport-bad-depth.json", printed.out);
    EXPECT_EQ(readFile(recordPath), record);
}

// No report replaces a record file, nor takes its name, whatever path reaches it and from
// whatever folder: the next start would take the mode in force for the origin. A report
// beside it under a name of its own is written as always.
TEST_F(CommandLine, NoPathLetsAReportReplaceARecordFile) {
    std::wstring root = freshFolder();
    std::wstring till = root + L"\\Logiciel de caisse"; // a long name, which has a short one
    std::wstring fresh = root + L"\\Nouvelle caisse";    // no record yet
    std::wstring elsewhere = root + L"\\Ailleurs";       // where an agent runs from
    for (const std::wstring& folder : {till, fresh, elsewhere}) ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    std::string record = rec("#INIT#03-14-202409:2") + rec("1024") + rec("768") + rec("32");
    ASSERT_TRUE(writeBytes(till + L"\\W_ECRA_R.WDO", record));
    wchar_t shortName[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameW(till.c_str(), shortName, MAX_PATH), 0u);
    std::wstring shortTill = shortName;
    ASSERT_NE(shortTill, till);

    const char* isIt = "c'est le fichier où diagreso garde la résolution d'origine, il n'a pas été modifié.";
    const char* itsName = "c'est le nom du fichier où diagreso garde la résolution d'origine, aucun fichier n'a été créé.";
    const char* holdsOne = "ce fichier contient une résolution d'origine enregistrée par diagreso";
    struct Case {
        std::wstring runIn, target;
        DWORD exit;
        const char* says; // on standard error; none: written
    } cases[] = {
        {till, L"W_ECRA_R.WDO", 1, isIt},
        {till, L"w_ecra_r.wdo", 1, isIt},
        {till, L".\\W_ECRA_R.WDO", 1, isIt},
        {till, shortTill + L"\\W_ECRA_R.WDO", 1, isIt},
        {till, L"W_ECRA_R.WDO. .", 1, isIt},
        {till, L"\\??\\" + till + L"\\W_ECRA_R.WDO", 1, isIt},
        {till, L"\\\\?\\" + till + L"\\W_ECRA_R.WDO", 1, isIt},
        {elsewhere, till + L"\\W_ECRA_R.WDO", 1, isIt},
        {elsewhere, till + L"\\sauvegarde.wdo", 1, holdsOne},
        {elsewhere, fresh + L"\\W_ECRA_R.WDO", 1, itsName},
        {elsewhere, L"\\\\?\\" + fresh + L"\\W_ECRA_R.WDO", 1, itsName},
        {elsewhere, L"\\??\\" + fresh + L"\\W_ECRA_R.WDO", 1, itsName},
        {fresh, L"w_ecra_r.wdo. ", 1, itsName},
        {till, L"W_ECRA_R.WDO.json", 0, nullptr},
        {elsewhere, L"\\??\\" + till + L"\\rapport.json", 0, nullptr},
    };
    // What each row finds: only the names the folder gives; none in the new till's folder.
    auto names = [](const std::wstring& folder) {
        std::vector<std::wstring> found;
        WIN32_FIND_DATAW entry{};
        HANDLE any = FindFirstFileW((folder + L"\\*").c_str(), &entry);
        if (any == INVALID_HANDLE_VALUE) return found;
        do
            if (entry.cFileName[0] != L'.') found.push_back(entry.cFileName);
        while (FindNextFileW(any, &entry));
        FindClose(any);
        return found;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(narrow(c.target) + " from " + narrow(c.runIn.substr(root.size())));
        for (const std::wstring& name : names(fresh)) DeleteFileW((fresh + L"\\" + name).c_str());
        ASSERT_TRUE(writeBytes(till + L"\\W_ECRA_R.WDO", record));
        ASSERT_TRUE(writeBytes(till + L"\\sauvegarde.wdo", record)); // a copy under another name
        ExeRun run = runExe(c.runIn, L"/rapport:\"" + c.target + L"\"");
        EXPECT_EQ(run.exitCode, c.exit) << run.err;
        if (c.says) {
            EXPECT_EQ(run.out, "");
            EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        } else {
            EXPECT_EQ(run.out.rfind("Rapport écrit dans « ", 0), 0u) << run.out;
            EXPECT_EQ(run.err, "");
        }
        EXPECT_EQ(readFile(till + L"\\W_ECRA_R.WDO"), record) << "not touched";
        EXPECT_EQ(readFile(till + L"\\sauvegarde.wdo"), record) << "not touched";
        EXPECT_EQ(names(fresh), std::vector<std::wstring>{}) << "nothing made under the record's name";
    }
    EXPECT_EQ(readFile(till + L"\\rapport.json").rfind("{\r\n  \"program\": \"diagreso\"", 0), 0u);
}

// /verifier as a remote-management tool runs it: one line on standard output, its exit
// code the verdict, the record file only read; where nothing can be seen, 5.
TEST_F(CommandLine, VerifierAnswersInOneLineWithItsExitCode) {
    OwnWindowStation station;
    ASSERT_TRUE(station.made());
    std::string record = rec("#INIT#03-14-202409:2") + rec("1280") + rec("1024") + rec("32");
    std::string savedLine = " Résolution d'origine : 1280 x 1024 en 32 bits, enregistrée le 14/03/2024.";
    struct Case {
        std::pair<int, int> mode;
        bool withRecord;
        const wchar_t* arguments;
        const wchar_t* desktop;
        DWORD exit;
        std::string outStarts, outEnds; // empty: nothing on standard output
    } cases[] = {
        {{1280, 1024}, true, L"/verifier", nullptr, 0,
         computer() + " : affichage correct. Caractères : Normale (96 ppp, soit 100 %). Résolution actuelle : 1280 x "
                      "1024 ; la fenêtre classique (1024 x 738) y tient, la fenêtre élargie (1368 x 738) n'y tient pas.",
         savedLine},
        {{1024, 768}, false, L"-VERIFIER", nullptr, 0, computer() + " : affichage correct.",
         " Aucune résolution d'origine : pas de fichier W_ECRA_R.WDO dans « "},
        {{800, 600}, true, L"/verifier", nullptr, 6,
         computer() + " : affichage incorrect : écran de 800 x 600, plus petit que la fenêtre classique du logiciel "
                      "de caisse (1024 x 738) : 138 pixels en hauteur et 224 pixels en largeur hors de l'écran ; "
                      "choisissez une résolution d'au moins 1024 x 738.",
         savedLine},
        {{1280, 1024}, true, L"/verifier", station.desktop(), 5,
         computer() + " : affichage non vérifié : ce programme tourne dans une session sans écran", savedLine},
        {{1280, 1024}, true, L"/verifier:oui", nullptr, 2, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode.first) + " x " + std::to_string(c.mode.second) + " " + narrow(c.arguments) +
                     (c.desktop ? " without a screen" : ""));
        ASSERT_TRUE(setMode(c.mode.first, c.mode.second));
        std::wstring folder = freshFolder();
        if (c.withRecord) {
            ASSERT_TRUE(writeBytes(folder + L"\\W_ECRA_R.WDO", record));
        }

        ExeRun run = runExe(folder, c.arguments, c.desktop);
        EXPECT_EQ(run.exitCode, c.exit) << run.err;
        EXPECT_EQ(run.windows, std::vector<std::string>{});
        if (c.outStarts.empty()) {
            EXPECT_EQ(run.out, "");
            EXPECT_NE(run.err.find("Argument inconnu"), std::string::npos) << run.err;
        } else {
            EXPECT_EQ(run.out.rfind(c.outStarts, 0), 0u) << run.out;
            EXPECT_TRUE(run.out.ends_with(c.outEnds + (c.withRecord ? "" : narrow(folder) + " ».") + "\r\n")) << run.out;
            EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << "one line";
            EXPECT_LE(run.out.size(), 2048u + 2);
            EXPECT_EQ(run.err, "");
        }
        if (c.withRecord) {
            EXPECT_EQ(readFile(folder + L"\\W_ECRA_R.WDO"), record) << "only read";
        } else {
            EXPECT_FALSE(exists(folder + L"\\W_ECRA_R.WDO")) << "never created";
        }
        EXPECT_EQ(screenMode(), c.mode) << "nothing changed";
    }
}

// Started where nothing can be seen, the program takes nothing there for the till's screen:
// the report leaves out the text and the modes and says why, /retour changes nothing, and
// the window program ends at once without recording a mode.
TEST_F(CommandLine, InAWindowStationOfItsOwnNothingIsTakenForTheTillsScreen) {
    OwnWindowStation station;
    ASSERT_TRUE(station.made());
    std::wstring folder = freshFolder();
    std::string record = rec("#INIT#03-14-202409:2") + rec("1024") + rec("768") + rec("32");
    ASSERT_TRUE(writeBytes(folder + L"\\W_ECRA_R.WDO", record));

    ExeRun printed = runExe(folder, L"/rapport", station.desktop());
    EXPECT_EQ(printed.exitCode, 5u) << printed.err;
    keepArtefact("rapport-no-screen.json", printed.out);
    EXPECT_TRUE(std::regex_match(member(printed.out, "session"),
                                 std::regex("\\{\"id\": \\d+, \"console_id\": (\\d+|null), \"window_station\": "
                                            "\"diagreso-e2e\", \"visible\": false, \"remote\": false, \"user\": "
                                            "\".+\", \"shows_the_screen\": false\\}")))
        << member(printed.out, "session");
    EXPECT_EQ(member(printed.out, "text"), "null");
    EXPECT_EQ(member(printed.out, "current"), "null");
    EXPECT_EQ(member(printed.out, "modes"), "[]");
    EXPECT_EQ(all(printed.out, "\"offered\": (\\w+)"), std::vector<std::string>(7, "false"));
    EXPECT_NE(member(printed.out, "saved").find("\"width\": \"1024\""), std::string::npos) << "read as always";
    EXPECT_NE(printed.err.find("session sans écran"), std::string::npos) << printed.err;

    ExeRun back = runExe(folder, L"/retour", station.desktop());
    EXPECT_EQ(back.exitCode, 5u);
    EXPECT_EQ(back.out, "");
    EXPECT_NE(back.err.find("Rien n'a été changé : ce programme tourne dans une session sans écran"),
              std::string::npos)
        << back.err;
    EXPECT_EQ(screenMode(), (std::pair<int, int>{1280, 1024})) << "nothing changed";

    std::wstring empty = freshFolder();
    ExeRun window = runExe(empty, L"", station.desktop());
    EXPECT_EQ(window.exitCode, 5u) << "ended at once, seen by nobody";
    EXPECT_FALSE(exists(empty + L"\\W_ECRA_R.WDO")) << "no mode recorded, no file made";
    EXPECT_EQ(readFile(folder + L"\\W_ECRA_R.WDO"), record);
}

// Started from a console with no standard handles, as a window program started from
// cmd.exe may be, the program writes into that console, accents intact whatever its code
// page.
TEST_F(CommandLine, UsageAppearsInTheConsoleItWasStartedFrom) {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE), out = GetStdHandle(STD_OUTPUT_HANDLE),
           err = GetStdHandle(STD_ERROR_HANDLE);
    FreeConsole();
    ASSERT_TRUE(AllocConsole());
    struct Back {
        HANDLE in, out, err;
        ~Back() {
            FreeConsole();
            SetStdHandle(STD_INPUT_HANDLE, in);
            SetStdHandle(STD_OUTPUT_HANDLE, out);
            SetStdHandle(STD_ERROR_HANDLE, err);
        }
    } back{in, out, err};
    HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(screen, INVALID_HANDLE_VALUE);

    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES; // all three null
    std::wstring exe = exePath(), command = L"\"" + exe + L"\" /aide";
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(code, 0u);

    CONSOLE_SCREEN_BUFFER_INFO info{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(screen, &info));
    std::wstring shown;
    for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
        std::wstring row(static_cast<size_t>(info.dwSize.X), L' ');
        DWORD got = 0;
        ReadConsoleOutputCharacterW(screen, row.data(), static_cast<DWORD>(row.size()), {0, y}, &got);
        row.erase(row.find_last_not_of(L' ') + 1);
        shown += row + L"\n";
    }
    CloseHandle(screen);
    EXPECT_NE(narrow(shown).find("  diagreso /retour            retour à la résolution d'origine enregistrée dans\n"),
              std::string::npos)
        << narrow(shown);
}

// A desktop whose taskbar takes the bottom of its screen (Wine's, with its shell): the
// report gives the work area, and the verdict counts the lines the taskbar hides.
TEST_F(CommandLine, VerdictCountsTheLinesUnderTheTaskbar) {
    HKEY desktops = nullptr, shell = nullptr;
    const wchar_t* size = L"1024x750";
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &desktops, nullptr),
              0);
    RegSetValueExW(desktops, L"diagreso-barre", 0, REG_SZ, reinterpret_cast<const BYTE*>(size),
                   static_cast<DWORD>((wcslen(size) + 1) * sizeof(wchar_t)));
    ASSERT_EQ(RegCreateKeyExW(desktops, L"diagreso-barre", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &shell, nullptr), 0);
    DWORD on = 1;
    RegSetValueExW(shell, L"EnableShell", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on);
    RegCloseKey(shell);
    RegCloseKey(desktops);

    std::wstring folder = freshFolder();
    ExeRun printed = runExe(folder, L"/rapport", L"diagreso-barre");
    ExeRun verdict = runExe(folder, L"/verifier", L"diagreso-barre");
    keepArtefact("rapport-taskbar.json", printed.out);
    EXPECT_EQ(printed.exitCode, 0u) << printed.err;
    EXPECT_EQ(member(printed.out, "current").rfind("{\"width\": 1024, \"height\": 750, ", 0), 0u) << printed.out;
    std::smatch area;
    std::string workArea = member(printed.out, "work_area");
    ASSERT_TRUE(std::regex_match(workArea, area, std::regex("\\{\"left\": 0, \"top\": 0, \"width\": 1024, \"height\": (\\d+)\\}")))
        << workArea;
    int high = std::stoi(area[1]);
    ASSERT_LT(high, 738) << "the taskbar takes some of the screen's 750 lines";
    EXPECT_EQ(verdict.exitCode, 6u) << verdict.out;
    EXPECT_NE(verdict.out.find(" : affichage incorrect : la barre des tâches cache " + std::to_string(738 - high) +
                               " pixels en hauteur de la fenêtre classique du logiciel de caisse (1024 x 738) ; "
                               "masquez automatiquement la barre des tâches ou choisissez une résolution d'au moins "
                               "1024 x " + std::to_string(738 + 750 - high) + "."),
              std::string::npos)
        << verdict.out;
    EXPECT_NE(verdict.out.find(" Résolution actuelle : 1024 x 750, espace de travail 1024 x " + std::to_string(high) +
                               " ; la fenêtre classique (1024 x 738) n'y tient pas"),
              std::string::npos)
        << verdict.out;
    // Where a task with no start folder starts, the taskbar's program is there, or below:
    // the shell is never the till, and only the folder itself is searched.
    for (std::wstring system : {L"C:\\", L"C:\\windows", L"C:\\windows\\system32"}) {
        SCOPED_TRACE(narrow(system));
        ExeRun there = runExe(system, L"/verifier", L"diagreso-barre");
        ExeRun report = runExe(system, L"/rapport", L"diagreso-barre");
        EXPECT_EQ(there.exitCode, 6u) << there.out;
        EXPECT_NE(there.out.find(" : affichage incorrect : la barre des tâches cache "), std::string::npos) << there.out;
        EXPECT_EQ(tillWindows(report.out), "[]");
        EXPECT_EQ(member(report.out, "till_folder"), "{\"path\": " + jsonPath(system) + ", \"subfolders\": false}");
    }
}

// A program started from the till's folder (below it), standing in for the point-of-sale
// program: its window is read for real, whole, then cut by the screen's bottom. One
// started from a folder whose name only begins as the till's does is not listed.
TEST_F(CommandLine, ReportReadsThePointOfSaleWindowsOfItsFolder) {
    std::wstring folder = freshFolder(), below = folder + L"\\bin", other = folder + L"-autre";
    ASSERT_TRUE(CreateDirectoryW(below.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(other.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(standInExe().c_str(), (below + L"\\caisse.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(standInExe().c_str(), (other + L"\\autre.exe").c_str(), FALSE));
    StandIn till(below + L"\\caisse.exe", L"100 100 1024 738"), elsewhere(other + L"\\autre.exe", L"0 0 300 200");
    HWND window = till.window(10000);
    ASSERT_NE(window, nullptr);
    ASSERT_NE(elsewhere.window(10000), nullptr);

    ExeRun whole = runExe(folder, L"/rapport");
    EXPECT_EQ(whole.exitCode, 0u) << whole.err;
    keepArtefact("rapport-till-window.json", whole.out);
    EXPECT_TRUE(std::regex_match(tillWindows(whole.out),
                                 std::regex("\\[\r\n    \\{\"program\": \"caisse.exe\", \"title\": \"Caisse de test\", "
                                            "\"left\": 100, \"top\": 100, \"width\": 1024, \"height\": 738, \"hidden\": "
                                            "\\{\"left\": 0, \"top\": 0, \"right\": 0, \"bottom\": 0\\}, \"awareness\": "
                                            "(\"(unaware|system|per_monitor)\"|null), \"off_screen\": \\{\"left\": 0, "
                                            "\"top\": 0, \"right\": 0, \"bottom\": 0\\}, \"maximized\": false, "
                                            "\"full_screen\": false, \"main\": true\\}\r\n  \\]")))
        << tillWindows(whole.out);
    EXPECT_EQ(member(whole.out, "till_folder"), "{\"path\": " + jsonPath(folder) + ", \"subfolders\": true}");
    EXPECT_EQ(member(whole.out, "verdict"), "{\"ok\": true, \"reasons\": [], \"classic_window_fits\": true, "
                                            "\"wide_window_fits\": false, \"causes\": []}");

    ASSERT_TRUE(SetWindowPos(window, nullptr, 100, 400, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    ExeRun cut = runExe(folder, L"/verifier");
    EXPECT_EQ(cut.exitCode, 6u) << cut.out;
    EXPECT_NE(cut.out.find(" : affichage incorrect : la fenêtre « Caisse de test » de caisse.exe (1024 x 738) est "
                           "coupée : 114 pixels en bas hors de l'écran ; "),
              std::string::npos)
        << cut.out;
    ExeRun printed = runExe(folder, L"/rapport");
    EXPECT_NE(printed.out.find("\"hidden\": {\"left\": 0, \"top\": 0, \"right\": 0, \"bottom\": 114}"),
              std::string::npos)
        << printed.out;
    EXPECT_EQ(printed.out.find("autre.exe"), std::string::npos) << "not the till's folder";
}

// The verdict on the till's windows as the person at the till sees them, on the layouts
// real tills have: diagreso's own window open in the till's folder (a renamed copy, as
// another diagreso would be), a maximised or full-screen till window, a login box on a
// screen too small for the main window, and the till's folder reached through a second
// drive letter mapped onto it (the harness's DIAGRESO_SECOND_DRIVE, a link in the
// prefix's dosdevices onto DIAGRESO_SECOND_DRIVE_FOLDER), from either side.
TEST_F(CommandLine, VerdictJudgesTheTillsWindowsAsTheyShow) {
    const wchar_t* drive = _wgetenv(L"DIAGRESO_SECOND_DRIVE");
    const wchar_t* driveFolder = _wgetenv(L"DIAGRESO_SECOND_DRIVE_FOLDER");
    ASSERT_TRUE(drive && driveFolder) << "the harness maps a second drive letter";
    struct Case {
        const char* name;
        std::pair<int, int> mode;
        std::wstring till;      // where the stand-in is copied and started from; F: a fresh folder
        std::wstring arguments; // the stand-in's
        std::wstring runIn;     // where diagreso runs
        bool diagresoOpen;      // a renamed copy of diagreso open, from F\outils
        DWORD exit;
        std::string says;       // in the line
        std::string listed;     // in the report's till windows
    } cases[] = {
        {"diagreso's window open beside a whole till window", {1280, 1024}, L"F\\caisse.exe", L"0 0 1024 738", L"F",
         true, 0, " : affichage correct. ",
         "[\r\n    {\"program\": \"caisse.exe\", \"title\": \"Caisse de test\", \"left\": 0, \"top\": 0, \"width\": "
         "1024, \"height\": 738, \"hidden\": {\"left\": 0, \"top\": 0, \"right\": 0, \"bottom\": 0}"},
        {"a maximised till window", {1024, 768}, L"F\\caisse.exe", L"0 0 640 480 max", L"F", false, 0,
         "la fenêtre principale du logiciel de caisse (caisse.exe, 1024 x 768) s'y affiche entière.",
         "\"hidden\": {\"left\": 0, \"top\": 0, \"right\": 0, \"bottom\": 0}, \"awareness\": \"per_monitor\", "
         "\"off_screen\": {\"left\": 0, \"top\": 0, \"right\": 0, \"bottom\": 0}, \"maximized\": true, \"full_screen\": "
         "false, \"main\": true}"},
        {"a full-screen till window", {1024, 768}, L"F\\caisse.exe", L"0 0 300 200 full", L"F", false, 0,
         "la fenêtre principale du logiciel de caisse (caisse.exe, 1024 x 768) s'y affiche entière.",
         "\"left\": 0, \"top\": 0, \"width\": 1024, \"height\": 768, \"hidden\": {\"left\": 0, \"top\": 0, \"right\": 0, "
         "\"bottom\": 0}, \"awareness\": \"per_monitor\", \"off_screen\": {\"left\": 0, \"top\": 0, \"right\": 0, "
         "\"bottom\": 0}, \"maximized\": false, \"full_screen\": true, \"main\": true}"},
        // A palette of the till's program, however wide, is no window of its own to judge.
        {"a tool window of the till's program", {1280, 1024}, L"F\\caisse.exe", L"0 0 1500 300 tool", L"F", false, 0,
         " : affichage correct. ", "[]"},
        {"a login box on 800 x 600", {800, 600}, L"F\\caisse.exe", L"200 150 400 300", L"F", false, 6,
         " : affichage incorrect : écran de 800 x 600, plus petit que la fenêtre classique du logiciel de caisse",
         "\"width\": 400, \"height\": 300, \"hidden\": {\"left\": 0, \"top\": 0, \"right\": 0, \"bottom\": 0}, "
         "\"awareness\": \"per_monitor\", \"off_screen\": {\"left\": 0, \"top\": 0, \"right\": 0, \"bottom\": 0}, "
         "\"maximized\": false, \"full_screen\": false, \"main\": false}"},
        {"the till program started through the second drive letter", {1280, 1024}, L"D\\caisse-lettre.exe",
         L"100 400 1024 738", L"DF", false, 6,
         " : affichage incorrect : la fenêtre « Caisse de test » de caisse-lettre.exe (1024 x 738) est coupée : 114 "
         "pixels en bas hors de l'écran ; ",
         "\"program\": \"caisse-lettre.exe\""},
        // The program lies in the folder itself: whether a mapped letter's root is a volume's
        // root, searched without its subfolders, is the system's to say, and Wine has said
        // both for this link (yes to the first program of a session, no within the tests).
        {"diagreso run from the second drive letter", {1280, 1024}, L"DF\\caisse-dossier.exe",
         L"100 400 1024 738", L"D", false, 6,
         " : affichage incorrect : la fenêtre « Caisse de test » de caisse-dossier.exe (1024 x 738) est coupée : 114 "
         "pixels en bas hors de l'écran ; ",
         "\"program\": \"caisse-dossier.exe\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(setMode(c.mode.first, c.mode.second));
        std::wstring fresh = freshFolder();
        auto place = [&](const std::wstring& where) {
            std::wstring root = where.starts_with(L"DF") ? driveFolder : where.starts_with(L"D") ? drive : fresh;
            size_t rest = where.starts_with(L"DF") ? 2 : 1;
            return root + (where.size() > rest ? where.substr(rest) : (root.ends_with(L':') ? L"\\" : L""));
        };
        std::wstring till = place(c.till);
        CreateDirectoryW(till.substr(0, till.rfind(L'\\')).c_str(), nullptr);
        ASSERT_TRUE(CopyFileW(standInExe().c_str(), till.c_str(), FALSE)) << narrow(till);
        StandIn program(till, c.arguments);
        ASSERT_NE(program.window(10000), nullptr);
        std::optional<StandIn> diagreso;
        if (c.diagresoOpen) {
            std::wstring tools = fresh + L"\\outils", copy = tools + L"\\outil.exe";
            ASSERT_TRUE(CreateDirectoryW(tools.c_str(), nullptr));
            ASSERT_TRUE(CopyFileW(exePath().c_str(), copy.c_str(), FALSE));
            diagreso.emplace(copy, L"", fresh.c_str());
            ASSERT_NE(diagreso->window(15000), nullptr);
        }
        std::wstring runIn = place(c.runIn);
        ExeRun verdict = runExe(runIn, L"/verifier");
        ExeRun printed = runExe(runIn, L"/rapport");
        keepArtefact(c.diagresoOpen ? "rapport-beside-diagreso.json" : "rapport-till-layout.json", printed.out);
        EXPECT_EQ(verdict.exitCode, c.exit) << verdict.out;
        EXPECT_NE(verdict.out.find(c.says), std::string::npos) << verdict.out;
        if (c.exit == 0) {
            EXPECT_EQ(verdict.out.find("classique (1024 x 738) n'y tient pas"), std::string::npos)
                << "correct, and too small?";
        }
        std::string listed = tillWindows(printed.out);
        EXPECT_NE(listed.find(c.listed), std::string::npos) << listed;
        EXPECT_EQ(listed.find("outil.exe"), std::string::npos) << "diagreso is never the till";
        EXPECT_EQ(listed.find("\"program\": \"", listed.find("\"program\": \"") + 1), std::string::npos)
            << "one window: " << listed;
    }
}

// The version the program reads comes from Wine's own setting, as a till's Windows 7 or 10:
// on 10 the point-of-sale program is enlarged as a picture at 125 %, on 7 it is given the
// density and its texts grow.
TEST(CommandLineHigherDensity, ReportSaysTheTextIsEnlarged) {
    if (at96dpi()) GTEST_SKIP() << "runs at 120 dpi";
    // Windows 10's "make text bigger" beside the density, as the user's setting holds it.
    HKEY key = nullptr, wine = nullptr;
    const wchar_t* path = L"Software\\Microsoft\\Accessibility";
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr), 0);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &wine,
                              nullptr),
              0);
    DWORD scale = 125;
    RegSetValueExW(key, L"TextScaleFactor", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&scale), sizeof scale);
    struct Case {
        const wchar_t* version;
        std::string stretch, drawn, seen;
        bool layer = false; // "Override high DPI scaling behaviour: Application" on the till's file, in HKCU
    } cases[] = {
        {L"win10", "125",
         "{\"classic\": {\"width\": 1280, \"height\": 923}, \"wide\": {\"width\": 1710, \"height\": 923}, "
         "\"stretch_percent\": 125}",
         " ; Windows agrandit le logiciel de caisse comme une image, à 125 %, et il est flou : sa fenêtre classique "
         "couvre 1280 x 923 pixels et tient dans l'espace de travail (1280 x 1024)."},
        {L"win7", "100",
         "{\"classic\": {\"width\": 1024, \"height\": 738}, \"wide\": {\"width\": 1368, \"height\": 738}, "
         "\"stretch_percent\": 100}",
         " ; Windows donne sa densité au logiciel de caisse : ses textes grandissent et débordent de leurs cadres."},
        {L"win10", "125",
         "{\"classic\": {\"width\": 1024, \"height\": 738}, \"wide\": {\"width\": 1368, \"height\": 738}, "
         "\"stretch_percent\": 100}",
         " ; Windows donne sa densité au logiciel de caisse : ses textes grandissent et débordent de leurs cadres.", true},
    };
    HKEY layers = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers",
                              0, nullptr, 0, KEY_SET_VALUE, nullptr, &layers, nullptr),
              0);
    for (const Case& c : cases) {
        SCOPED_TRACE(narrow(c.version));
        RegSetValueExW(wine, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.version),
                       static_cast<DWORD>((wcslen(c.version) + 1) * sizeof(wchar_t)));
        std::wstring folder = freshFolder(), till = folder + L"\\caisse.exe";
        const wchar_t* application = L"~ HIGHDPIAWARE";
        if (c.layer) {
            ASSERT_TRUE(CopyFileW(standInExe().c_str(), till.c_str(), FALSE));
            RegSetValueExW(layers, till.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(application),
                           static_cast<DWORD>((wcslen(application) + 1) * sizeof(wchar_t)));
        }
        ExeRun run = runExe(folder, L"/rapport");
        ExeRun verdict = runExe(folder, L"/verifier");
        if (c.layer) RegDeleteValueW(layers, till.c_str());
        EXPECT_EQ(run.out.substr(run.out.find("\"layers\": ") + 10),
                  (c.layer ? "[\r\n    {\"program\": \"caisse.exe\", \"path\": " + jsonPath(till) +
                                 ", \"hive\": \"HKCU\", \"layers\": \"~ HIGHDPIAWARE\", \"scaling\": \"application\"}\r\n  ]"
                           : std::string("[]")) +
                      "\r\n}\r\n");
        EXPECT_EQ(run.exitCode, 0u) << run.err;
        EXPECT_EQ(member(run.out, "text"), "{\"state\": \"Grossie\", \"height_px\": 20, \"dpi\": 120, \"scale_percent\": "
                                           "125, \"stretch_percent\": " + c.stretch +
                                               ", \"dpi_at_sign_in\": 120, \"dpi_now\": 120}");
        EXPECT_EQ(member(run.out, "drawn_windows"), c.drawn);
        EXPECT_NE(run.out.find("\"dpi\": 120}\r\n  ]"), std::string::npos) << "the display's own density";
        keepArtefact(c.layer ? "rapport-120dpi-layer.json" : c.stretch == "100" ? "rapport-120dpi-win7.json" : "rapport-120dpi.json", run.out);
        EXPECT_EQ(verdict.exitCode, 6u) << verdict.err;
        EXPECT_NE(verdict.out.find(" : affichage incorrect : caractères Grossie : la taille des caractères de Windows "
                                   "doit être de 96 ppp ou 100 %" + c.seen + " Caractères : Grossie (120 ppp, soit 125 "
                                   "%, « Agrandir le texte » à 125 %)."),
                  std::string::npos)
            << verdict.out;
        EXPECT_NE(member(run.out, "verdict").find("{\"ok\": false, \"reasons\": [\"caractères Grossie"), std::string::npos)
            << member(run.out, "verdict");
    }
    RegCloseKey(layers);
    RegDeleteValueW(wine, L"Version");
    RegDeleteValueW(key, L"TextScaleFactor");
    RegCloseKey(wine);
    RegCloseKey(key);
}

namespace {

// A real report of the exe, as another till of the fleet: its computer, time and user
// replaced.
std::string asTill(std::string report, const std::string& computer, const std::string& time,
                   const std::string& user = {}) {
    auto replace = [&](const char* key, const std::string& value) {
        std::regex member(std::string("\"") + key + "\": \"(?:[^\"\\\\]|\\\\.)*\"");
        std::smatch m;
        if (std::regex_search(report, m, member))
            report.replace(static_cast<size_t>(m.position(0)), static_cast<size_t>(m.length(0)),
                           std::string("\"") + key + "\": " + jsonString(value));
    };
    replace("computer", computer);
    replace("time", time);
    if (!user.empty()) replace("user", user);
    return report;
}

// Every file under a folder, with its bytes.
void snapshot(const std::wstring& folder, const std::wstring& relative, std::map<std::wstring, std::string>& into) {
    WIN32_FIND_DATAW found{};
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) snapshot(folder + L"\\" + name, relative + name + L"\\", into);
        else into[relative + name] = readFile(folder + L"\\" + name);
    } while (FindNextFileW(h, &found));
    FindClose(h);
}

std::string withoutDate(const std::string& page) {
    return std::regex_replace(page, std::regex("lus le [0-9/]+ à [0-9:]+"), "lus le DATE");
}

} // namespace

// 300 files from the exe's own reports (correct, a screen too small, no screen), a few
// hostile and bad ones among them, summed up as a support computer would: the line's
// counts, the table's bytes, outputs written whole or not at all, nothing changed in the
// folder, and the exit codes. The page is kept for the browser check (scripts/check-page.sh).
TEST_F(CommandLine, SummaryOfAFleetOfRealReports) {
    std::wstring real = freshFolder();
    std::string correct = runExe(real, L"/rapport").out;
    OwnWindowStation station;
    ASSERT_TRUE(station.made());
    std::string noScreen = runExe(real, L"/rapport", station.desktop()).out;
    ASSERT_TRUE(setMode(800, 600));
    std::string tooSmall = runExe(real, L"/rapport").out;
    { RestoreMode back{restore_.mode}; }
    for (const std::string* r : {&correct, &noScreen, &tooSmall}) ASSERT_EQ(r->rfind("{\r\n  \"program\"", 0), 0u) << *r;
    keepArtefact("rapport-800x600.json", tooSmall);

    std::wstring fleet = freshFolder() + L"\\rapports";
    for (const wchar_t* shop : {L"", L"\\magasin-1", L"\\magasin-2", L"\\magasin-3"})
        ASSERT_TRUE(CreateDirectoryW((fleet + shop).c_str(), nullptr));
    const std::string* kinds[] = {&correct, &tooSmall, &noScreen};
    int files = 0;
    auto put = [&](int shop, const std::string& name, const std::string& bytes) {
        ++files;
        ASSERT_TRUE(writeBytes(fleet + L"\\magasin-" + std::to_wstring(shop) + L"\\" + widen(name), bytes));
    };
    // 270 tills, each kind in turn; 20 of them with an older report of the next kind.
    for (int i = 0; i < 270; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "CAISSE-%03d", i);
        put(1 + i % 3, std::string(name) + ".json", asTill(*kinds[i % 3], name, "2026-12-09T08:00:00"));
        if (i < 20) put(1 + i % 3, std::string(name) + "-avant.json", asTill(*kinds[(i + 1) % 3], name, "2026-12-01T08:00:00"));
    }
    put(1, "hostile-1.json", asTill(correct, "<script>document.title='pirate'</script>", "2026-12-09T08:00:00",
                                    "\"><img src=x onerror=\"document.title='pirate'\">"));
    put(2, "hostile-2.json", asTill(correct, "&amp;", "2026-12-09T08:00:00"));
    put(3, "hostile-3.json", asTill(correct, "=1+2", "2026-12-09T08:00:00", "@SOMME(A1)"));
    put(3, "hostile-4.json", asTill(correct, "-CAISSE;\"X\"", "2026-12-09T08:00:00"));
    put(1, "pas-json.json", "bonjour");
    put(1, "coupe.json", correct.substr(0, correct.size() / 2));
    put(2, "futur.json", std::regex_replace(correct, std::regex("\"schema\": \\d+"), "\"schema\": 9"));
    put(2, "latin1.json", asTill(correct, "CAISSE-\xE9", "2026-12-09T08:00:00"));
    put(3, "grand.json", correct + std::string(1024 * 1024, ' '));
    put(3, "autre.json", "{\"program\": \"autre\"}");
    ASSERT_EQ(files, 300);
    std::map<std::wstring, std::string> before, after;
    snapshot(fleet, L"", before);

    std::wstring out = freshFolder();
    ExeRun run = runExe(out, L"/synthese:" + fleet);
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.windows, std::vector<std::string>{});
    // 90 of each kind, 4 hostile ones correct.
    EXPECT_EQ(run.out, "Synthèse de « " + narrow(fleet) + " » : 300 fichiers, 274 caisses (94 correctes, 90 "
                       "incorrectes, 90 non jugées), 6 non lus ; écrite dans « " + narrow(out) +
                       "\\synthese.html » et « " + narrow(out) + "\\synthese.csv ».\r\n");
    std::string table = readFile(out + L"\\synthese.csv"), page = readFile(out + L"\\synthese.html");
    keepArtefact("synthese-e2e.html", page);
    keepArtefact("synthese-e2e.csv", table);
    EXPECT_EQ(table.rfind("\xEF\xBB\xBFordinateur;utilisateur;verdict;causes;raisons;", 0), 0u);
    size_t lines = 0;
    for (size_t at = 0; (at = table.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
    EXPECT_EQ(lines, 1u + 274 + 6) << "a row of names, one per till, one per file not read";
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), static_cast<long>(lines)) << "CRLF";
    EXPECT_NE(table.find("\r\n'=1+2;'@SOMME(A1);correct;;affichage correct;"), std::string::npos) << table;
    EXPECT_NE(table.find("\r\n\"'-CAISSE;\"\"X\"\"\";"), std::string::npos) << table;
    EXPECT_NE(table.find(";;non lu;;rapport de disposition 9, plus récente"), std::string::npos);
    EXPECT_NE(table.find("screen_too_small"), std::string::npos);
    EXPECT_NE(table.find("no_screen"), std::string::npos);
    EXPECT_NE(table.find(";2;oui;"), std::string::npos) << "a till whose verdict changed";
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("<img"), std::string::npos);
    snapshot(fleet, L"", after);
    EXPECT_TRUE(before == after) << "nothing written, moved or removed in the folder of reports";

    // It needs no screen: from a window station nobody sees, the same outputs.
    std::wstring unseen = freshFolder();
    ExeRun service = runExe(unseen, L"/synthese:" + fleet, station.desktop());
    EXPECT_EQ(service.exitCode, 0u) << service.err;
    EXPECT_EQ(readFile(unseen + L"\\synthese.csv"), table);

    // Where it cannot read the folder, or must not write, it writes nothing.
    const wchar_t* readOnly = _wgetenv(L"DIAGRESO_READONLY_DIR");
    const wchar_t* smallDisk = _wgetenv(L"DIAGRESO_SMALL_DIR");
    struct Case {
        std::wstring runIn, folder;
        DWORD exit;
        std::string errSays;
    } cases[] = {
        {out, fleet + L"-absent", 9, "Le dossier des rapports « " + narrow(fleet) + "-absent » ne peut pas être lu : "},
        {out, fleet + L"\\magasin-1\\CAISSE-000.json", 9, "ne peut pas être lu : ce n'est pas un dossier."},
        {fleet + L"\\magasin-1", fleet, 1, "est dans le dossier des rapports « " + narrow(fleet) + " »"},
        {readOnly ? readOnly : L"", fleet, 1, "La page n'a pas été écrite : Impossible d'écrire le fichier"},
        {smallDisk ? smallDisk : L"", fleet, 1, "n'a pas été écrit"},
    };
    for (const Case& c : cases) {
        if (c.runIn.empty()) continue; // the harness gave no such folder
        SCOPED_TRACE(narrow(c.runIn) + " " + narrow(c.folder));
        std::wstring folder = c.runIn == out ? freshFolder() : c.runIn;
        ExeRun refused = runExe(folder, L"/synthese:" + c.folder);
        EXPECT_EQ(refused.exitCode, c.exit);
        EXPECT_EQ(refused.out, "");
        EXPECT_NE(refused.err.find(c.errSays), std::string::npos) << refused.err;
        std::map<std::wstring, std::string> left;
        snapshot(folder, L"", left);
        for (const auto& [name, bytes] : left) {
            SCOPED_TRACE(narrow(name));
            if (name == L"synthese.csv") EXPECT_EQ(bytes, table) << "whole";
            else if (name == L"synthese.html") EXPECT_EQ(withoutDate(bytes), withoutDate(page)) << "whole";
            else EXPECT_TRUE(folder == fleet + L"\\magasin-1" && before.count(L"magasin-1\\" + name)) << "nothing else";
        }
    }
    snapshot(fleet, L"", after = {});
    EXPECT_TRUE(before == after);
}
