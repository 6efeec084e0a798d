// The help command of the real exe in a fresh user profile: the built-in page is
// written under the user's local application-data folder at the click, and the browser
// is given exactly the address the window shows.
#include "e2e_support.h"
#include "support/browser_recorder.h"
#include "support/density.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <string>

using namespace diag;
using namespace diag::e2e;

namespace {

std::wstring localAppData() {
    wchar_t* path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DONT_VERIFY, nullptr, &path))) folder = path;
    CoTaskMemFree(path);
    return folder;
}

// The path a file:/// URL names: percent-decoded (UTF-8), with Windows separators.
std::wstring pathOfFileUrl(const std::string& url) {
    std::string rest = url.substr(std::string("file:///").size()), path;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size()) {
            path.push_back(static_cast<char>(std::stoi(rest.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            path.push_back(rest[i] == '/' ? '\\' : rest[i]);
        }
    }
    return widen(path);
}

// The page built into the program: the test program carries the same resources.
std::string builtInPage() {
    HRSRC res = FindResourceW(nullptr, L"HELP_PAGE", MAKEINTRESOURCEW(10));
    if (!res) return {};
    return {static_cast<const char*>(LockResource(LoadResource(nullptr, res))), SizeofResource(nullptr, res)};
}

} // namespace

TEST(Help, BuiltInPageIsWrittenAtTheClickAndTheBrowserGetsTheAddressShown) {
    if (!test::at96dpi()) GTEST_SKIP();
    std::wstring page = localAppData() + L"\\diagreso\\decalage.htm";
    ASSERT_EQ(GetFileAttributesW(page.c_str()), INVALID_FILE_ATTRIBUTES) << "a fresh user profile";
    test::BrowserRecorder recorder;
    ASSERT_TRUE(recorder.installed());

    Program program(freshFolder());
    HWND form = program.mainWindow(15000);
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(waitFor([&] { return !displayTexts(form).back().empty(); }, 10000));
    std::string address = windowText(childAt(form, design("Label6", 1)));
    EXPECT_EQ(address.rfind("file:///", 0), 0u) << address;
    EXPECT_EQ(address.find(' '), std::string::npos) << "one word: " << address;
    EXPECT_EQ(_wcsicmp(pathOfFileUrl(address).c_str(), page.c_str()), 0) << address;
    EXPECT_EQ(GetFileAttributesW(page.c_str()), INVALID_FILE_ATTRIBUTES) << "nothing written at start-up";

    // The button, then each of the two texts beneath it, as a person may click them.
    std::string started = "c:\\program files\\internet explorer\\iexplore.exe\t"
                          "c:\\Program Files\\Internet Explorer\\iexplore.exe " +
                          address + "\t3";
    clickAt(form, design("Command3"));
    EXPECT_EQ(recorder.waitForLines(1), std::vector<std::string>(1, started));
    clickAt(form, design("Label6", 0));
    EXPECT_EQ(recorder.waitForLines(2), std::vector<std::string>(2, started)) << "the explanation";
    clickAt(form, design("Label6", 1));
    EXPECT_EQ(recorder.waitForLines(3), std::vector<std::string>(3, started)) << "the address";
    std::string written = readFile(pathOfFileUrl(address));
    EXPECT_FALSE(written.empty());
    EXPECT_EQ(written, builtInPage()) << "the page opened is the one built in";
    // A double-click on the button, out of habit, is one click: one page more.
    RECT r = designRect(design("Command3"));
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(form, &p);
    SetForegroundWindow(form);
    test::clickScreen(p);
    Sleep(150);
    test::clickScreen(p);
    EXPECT_EQ(recorder.waitForLines(5, 2500), std::vector<std::string>(4, started)) << "a double-click";
    clickAt(form, design("Image6"));
    EXPECT_TRUE(program.ended(5000));
}
