// The help command against the real system: a recorder installed at the browser's path
// logs how it was started.
#include "app/errors.h"
#include "app/process_launcher.h"
#include "app/wide.h"
#include "main_window/form1_design.h"
#include "main_window/help.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace diag;

namespace {

const std::wstring kBrowser = L"c:\\Program Files\\Internet Explorer\\iexplore.exe";
const std::wstring kPlanted = L"c:\\Program.exe"; // where an unquoted path would be tried first

std::wstring besideThisProgram(const std::wstring& name) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir(self);
    return dir.substr(0, dir.find_last_of(L'\\') + 1) + name;
}

std::wstring tempFile(const wchar_t* prefix) {
    wchar_t dir[MAX_PATH], file[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    GetTempFileNameW(dir, prefix, 0, file);
    DeleteFileW(file);
    return file;
}

std::vector<std::string> lines(const std::wstring& path) {
    std::ifstream in(narrow(path), std::ios::binary);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

class HelpWinTest : public testing::Test {
  protected:
    void SetUp() override {
        log_ = tempFile(L"hlp");
        SetEnvironmentVariableW(L"DIAGRESO_RECORDER_LOG", log_.c_str());
        MoveFileExW(kBrowser.c_str(), (kBrowser + L".saved").c_str(), MOVEFILE_REPLACE_EXISTING);
        ASSERT_TRUE(CopyFileW(besideThisProgram(L"cmdline_recorder.exe").c_str(), kBrowser.c_str(), FALSE));
        // A program planted where a blank in the path would let the system look first.
        ASSERT_TRUE(CopyFileW(besideThisProgram(L"cmdline_recorder.exe").c_str(), kPlanted.c_str(), FALSE));
    }
    void TearDown() override {
        DeleteFileW(kBrowser.c_str());
        DeleteFileW(kPlanted.c_str());
        MoveFileExW((kBrowser + L".saved").c_str(), kBrowser.c_str(), MOVEFILE_REPLACE_EXISTING);
        DeleteFileW(log_.c_str());
    }
    std::wstring log_;
};

// Counts what the command asks of the real launcher.
class CountingLauncher final : public ProcessLauncher {
  public:
    bool start(const std::string& a, const std::string& c, int s) override {
        ++starts;
        return startResult = real.start(a, c, s);
    }
    bool openWithDefaultBrowser(const std::string& address, int s) override {
        ++defaults;
        return real.openWithDefaultBrowser(address, s);
    }
    Win32ProcessLauncher real;
    int starts = 0, defaults = 0;
    bool startResult = false;
};

} // namespace

TEST_F(HelpWinTest, ThreeCommandsStartThreeBrowsersWithTheExactCommandLineMaximised) {
    Win32ProcessLauncher launcher;
    for (int i = 0; i < 3; ++i) openHelpPage(launcher, kHelpAddress);
    for (int waited = 0; lines(log_).size() < 3 && waited < 15000; waited += 50) Sleep(50);
    // The browser itself ran (not the program planted at c:\Program.exe), with the
    // command line exactly as formed, maximised.
    std::string expected = "c:\\program files\\internet explorer\\iexplore.exe\t"
                           "c:\\Program Files\\Internet Explorer\\iexplore.exe " +
                           std::string(kHelpAddress) + "\t3";
    Sleep(300);
    EXPECT_EQ(lines(log_), (std::vector<std::string>(3, expected)));
}

TEST_F(HelpWinTest, WithoutTheBrowserTheAddressGoesToTheDefaultBrowser) {
    ASSERT_TRUE(DeleteFileW(kBrowser.c_str()));
    CountingLauncher launcher;
    EXPECT_NO_THROW(openHelpPage(launcher, kHelpAddress));
    EXPECT_EQ(launcher.starts, 1);
    EXPECT_FALSE(launcher.startResult) << "nothing else was started in the browser's place";
    EXPECT_EQ(launcher.defaults, 1);
    Sleep(500);
    EXPECT_TRUE(lines(log_).empty()) << "not even the program planted at c:\\Program.exe";
}
