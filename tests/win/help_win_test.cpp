// The help command against the real system: a recorder installed at the browser's path
// logs how it was started.
#include "app/errors.h"
#include "main_window/win32_process_launcher.h"
#include "main_window/help.h"
#include "support/browser_recorder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

using namespace diag;

namespace {

const HelpPage kWebPage{{}, "http://www.example.com/aide/decalage.htm"};

class HelpWinTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(recorder_.installed()); }
    test::BrowserRecorder recorder_{true};
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
    for (int i = 0; i < 3; ++i) openHelpPage(launcher, kWebPage);
    // The browser itself ran (not the program planted at c:\Program.exe), with the
    // command line exactly as formed, maximised.
    std::string expected = "c:\\program files\\internet explorer\\iexplore.exe\t"
                           "c:\\Program Files\\Internet Explorer\\iexplore.exe " +
                           kWebPage.address + "\t3";
    EXPECT_EQ(recorder_.waitForLines(3), (std::vector<std::string>(3, expected)));
}

TEST_F(HelpWinTest, WithoutTheBrowserTheAddressGoesToTheDefaultBrowser) {
    ASSERT_TRUE(DeleteFileW(test::kBrowserExe.c_str()));
    CountingLauncher launcher;
    EXPECT_NO_THROW(openHelpPage(launcher, kWebPage));
    EXPECT_EQ(launcher.starts, 1);
    EXPECT_FALSE(launcher.startResult) << "nothing else was started in the browser's place";
    EXPECT_EQ(launcher.defaults, 1);
    EXPECT_TRUE(recorder_.waitForLines(1, 500).empty()) << "not even the program planted at c:\\Program.exe";
}
