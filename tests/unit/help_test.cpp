// The help command: the built-in page written at each request and opened from this
// computer, its fallbacks, and a build that names a web address.
#include "form1_fixture.h"
#include "main_window/help.h"

using namespace diag::testing_support;

namespace {

class HelpTest : public Form1Test {
  protected:
    Form1& started() {
        Form1& f = make(font);
        f.start(); // help needs nothing from the start-up tick
        return f;
    }
    std::string shownAddress() { return form1->control("Label6", 1).caption(); }
    static std::string browserLine(const std::string& address) {
        return "c:\\Program Files\\Internet Explorer\\iexplore.exe " + address;
    }
    std::string localPage() { return helpFiles.local + "/diagreso/decalage.htm"; }
    std::string tempPage() { return helpFiles.temp + "/diagreso/decalage.htm"; }
};

} // namespace

TEST(FileUrl, PercentEncodesEverythingButPlainPathCharacters) {
    struct Case {
        const char* path;
        const char* url;
    } cases[] = {
        {"C:\\Users\\Jérôme Dupont\\AppData\\Local\\diagreso\\decalage.htm",
         "file:///C:/Users/J%C3%A9r%C3%B4me%20Dupont/AppData/Local/diagreso/decalage.htm"},
        {"C:\\Temp\\100% sûr\\a+b#c&d.htm", "file:///C:/Temp/100%25%20s%C3%BBr/a%2Bb%23c%26d.htm"},
        {"\\\\serveur\\profils\\caisse 1\\decalage.htm", "file://serveur/profils/caisse%201/decalage.htm"},
        {"/tmp/aide/decalage.htm", "file:///tmp/aide/decalage.htm"},
    };
    for (const Case& c : cases) EXPECT_EQ(fileUrl(c.path), c.url) << c.path;
}

// A folder that ends in a separator (a drive's root) takes no second one.
TEST(HelpPageIn, OneSeparatorBetweenTheFolderAndTheName) {
    struct Case {
        const char* folder;
        HelpPage page;
    } cases[] = {
        {"/", {"/diagreso/decalage.htm", "file:///diagreso/decalage.htm"}},
        {"/home/caisse/", {"/home/caisse/diagreso/decalage.htm", "file:///home/caisse/diagreso/decalage.htm"}},
        {"/home/caisse", {"/home/caisse/diagreso/decalage.htm", "file:///home/caisse/diagreso/decalage.htm"}},
    };
    for (const Case& c : cases) EXPECT_EQ(helpPageIn(c.folder), c.page) << c.folder;
}

TEST_F(HelpTest, BuiltInPageIsWrittenAtEachRequestAndOpenedFromThisComputer) {
    helpFiles.local = (dir_ / "Local AppData é 100%").string();
    Form1& f = started();
    backend.advance(500);
    std::string address = shownAddress();
    EXPECT_EQ(address, fileUrl(localPage())) << "the address of the next request, from the load on";
    EXPECT_EQ(address.find(' '), std::string::npos) << "one word";
    EXPECT_FALSE(std::filesystem::exists(helpFiles.local)) << "nothing is written before a request";

    for (auto [name, index] : {std::pair{"Command3", -1}, {"Label6", 0}, {"Label6", 1}}) {
        SCOPED_TRACE(name);
        writeAll(localPage(), "an older copy, to be replaced");
        ASSERT_TRUE(backend.click(f.control(name, static_cast<int16_t>(index))));
        EXPECT_EQ(readAll(localPage()), helpFiles.page);
        ASSERT_FALSE(launcher.started.empty());
        EXPECT_EQ(launcher.started.back(),
                  (RecordingLauncher::Start{"c:\\Program Files\\Internet Explorer\\iexplore.exe",
                                            browserLine(address), 3}));
    }
    EXPECT_EQ(launcher.started.size(), 3u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_ / "Local AppData é 100%" / "diagreso"), {}), 1)
        << "nothing left beside the page";
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(HelpTest, UnwritableLocalFolderFallsBackToTheTemporaryOneAndTheWindowSaysSo) {
    writeAll(helpFiles.local, "a file where the folder should be");
    Form1& f = started();
    backend.click(f.control("Command3"));
    EXPECT_EQ(readAll(tempPage()), helpFiles.page);
    EXPECT_EQ(shownAddress(), fileUrl(tempPage()));
    ASSERT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(launcher.started[0].commandLine, browserLine(shownAddress()));
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(HelpTest, NoFolderThatCanTakeThePageIsToldOnceAndNothingStarts) {
    writeAll(helpFiles.local, "in the way");
    writeAll(helpFiles.temp, "in the way too");
    Form1& f = started();
    std::string before = shownAddress();
    f.form().setLeft(3000);
    backend.click(f.control("Command3"));
    ASSERT_EQ(reporter.messages.size(), 1u);
    for (const std::string& folder : {helpFiles.local, helpFiles.temp})
        EXPECT_NE(reporter.messages[0].find("« " + folder + "/diagreso »"), std::string::npos) << reporter.messages[0];
    EXPECT_NE(reporter.messages[0].find("Not a directory"), std::string::npos) << "the system's reason";
    EXPECT_TRUE(launcher.started.empty());
    EXPECT_TRUE(launcher.defaultBrowser.empty());
    EXPECT_EQ(shownAddress(), before);
    EXPECT_EQ(f.form().left(), 3000.0f) << "the window stays as it is";
}

TEST_F(HelpTest, BrowserFallsBackToTheDefaultOneThenTheMessageGivesThePage) {
    Form1& f = started();
    launcher.browserPresent = false;
    backend.click(f.control("Command3"));
    ASSERT_EQ(launcher.defaultBrowser.size(), 1u);
    EXPECT_EQ(launcher.defaultBrowser[0].commandLine, shownAddress());
    EXPECT_EQ(launcher.defaultBrowser[0].showState, 3);
    EXPECT_TRUE(reporter.messages.empty());

    launcher.defaultBrowserWorks = false;
    backend.click(f.control("Label6", 1));
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_NE(reporter.messages[0].find("le fichier « " + localPage() + " »"), std::string::npos)
        << reporter.messages[0];
}

TEST_F(HelpTest, WebAddressBuildOpensItsAddressAndWritesNothing) {
    helpAddress = "http://www.example.com/aide/decalage.htm";
    Form1& f = started();
    EXPECT_EQ(shownAddress(), helpAddress);
    for (auto [name, index] : {std::pair{"Command3", -1}, {"Label6", 0}, {"Label6", 1}})
        backend.click(f.control(name, static_cast<int16_t>(index)));
    EXPECT_EQ(launcher.started, (std::vector<RecordingLauncher::Start>(
                                    3, {"c:\\Program Files\\Internet Explorer\\iexplore.exe",
                                        "c:\\Program Files\\Internet Explorer\\iexplore.exe "
                                        "http://www.example.com/aide/decalage.htm",
                                        3})));
    EXPECT_FALSE(std::filesystem::exists(helpFiles.local));
    EXPECT_FALSE(std::filesystem::exists(helpFiles.temp));

    launcher.browserPresent = launcher.defaultBrowserWorks = false;
    backend.click(f.control("Command3"));
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_NE(reporter.messages[0].find("l'adresse " + helpAddress), std::string::npos);
}
