#pragma once
// For one test, a recorder stands at the help browser's path (and, where asked, at
// c:\Program.exe, where an unquoted path would be tried first). It appends a line per
// start: where it ran from (lower case), its command line and the show state it was
// asked for, tab-separated. The real browser is put back afterwards (Windows).
#include "app/win32_wide.h"

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

namespace diag::test {

inline const std::wstring kBrowserExe = L"c:\\Program Files\\Internet Explorer\\iexplore.exe";
inline const std::wstring kPlantedExe = L"c:\\Program.exe";

// A file beside the running test program.
inline std::wstring besideThisProgram(const std::wstring& name) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir(self);
    return dir.substr(0, dir.find_last_of(L'\\') + 1) + name;
}

class BrowserRecorder {
  public:
    explicit BrowserRecorder(bool plantAtProgramExe = false) : planted_(plantAtProgramExe) {
        wchar_t dir[MAX_PATH], file[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        GetTempFileNameW(dir, L"rec", 0, file);
        DeleteFileW(file);
        log_ = file;
        // Inherited by the programs the test starts, and so by the recorder.
        SetEnvironmentVariableW(L"DIAGRESO_RECORDER_LOG", log_.c_str());
        MoveFileExW(kBrowserExe.c_str(), (kBrowserExe + L".saved").c_str(), MOVEFILE_REPLACE_EXISTING);
        std::wstring recorder = besideThisProgram(L"cmdline_recorder.exe");
        installed_ = CopyFileW(recorder.c_str(), kBrowserExe.c_str(), FALSE) &&
                     (!planted_ || CopyFileW(recorder.c_str(), kPlantedExe.c_str(), FALSE));
    }
    ~BrowserRecorder() {
        DeleteFileW(kBrowserExe.c_str());
        if (planted_) DeleteFileW(kPlantedExe.c_str());
        MoveFileExW((kBrowserExe + L".saved").c_str(), kBrowserExe.c_str(), MOVEFILE_REPLACE_EXISTING);
        DeleteFileW(log_.c_str());
    }
    BrowserRecorder(const BrowserRecorder&) = delete;
    BrowserRecorder& operator=(const BrowserRecorder&) = delete;

    bool installed() const { return installed_; }
    std::vector<std::string> lines() const {
        std::ifstream in(narrow(log_), std::ios::binary);
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    }
    // Waits until `count` starts have been logged, then a little for any further one.
    std::vector<std::string> waitForLines(size_t count, int ms = 15000) const {
        for (int waited = 0; lines().size() < count && waited < ms; waited += 50) Sleep(50);
        Sleep(300);
        return lines();
    }

  private:
    std::wstring log_;
    bool planted_;
    bool installed_ = false;
};

} // namespace diag::test
