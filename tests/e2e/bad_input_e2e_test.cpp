// Bad inputs and faults, each row a run of the real exe: record files of every wrong
// shape, pictures that cannot serve, modes the screen refuses, timers that overlap and
// two instances racing on one folder. Every failure must reach the user as a French
// message box, the program must carry on, and an initialised file must stay untouched.
#include "app/win32_wide.h"
#include "main_window/form1_design.h"
#include "support/screenshot.h"
#include "e2e_support.h"
#include "support/density.h"
#include "support/records.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

using namespace diag;
using namespace diag::e2e;
using diag::test::at96dpi;
using diag::test::rec;

namespace {



const std::string kMarker = rec("#INIT#03-14-202409:2");

std::string savedFile(std::string_view w, std::string_view h, std::string_view bits) {
    return kMarker + rec(w) + rec(h) + rec(bits);
}


std::string fromHex(std::string_view hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}


// Title and every static text and button of a message box.
std::string boxText(HWND box) {
    std::string text = windowText(box) + "\n";
    EnumChildWindows(box, &appendText, reinterpret_cast<LPARAM>(&text));
    return text;
}

void closeBox(HWND box) {
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(waitFor([&] { return !IsWindow(box); }, 5000)) << "the message box closes";
}

std::string leafOf(const std::wstring& folder) { return narrow(folder.substr(folder.find_last_of(L'\\') + 1)); }

// Every part must appear in the box; `<dir>` stands for the leaf name of the folder.
void expectSays(const std::string& text, const std::vector<std::string>& parts, const std::wstring& folder) {
    for (std::string part : parts) {
        if (part == "<dir>") part = leafOf(folder);
        EXPECT_NE(text.find(part), std::string::npos) << "the message names \"" << part << "\":\n" << text;
    }
}

bool wellFormed(const std::string& file) {
    return std::regex_match(file, std::regex(R"(#INIT#\d\d-\d\d-\d{4}\d\d:\d1280 {16}1024 {16}32 {18})"));
}

void expectEndsByExitPicture(Program& program, HWND form) {
    EXPECT_FALSE(program.ended(0)) << "the program carries on";
    clickAt(form, design("Image6"));
    EXPECT_TRUE(program.ended(5000)) << "the exit picture still ends the program";
}

// Confirms or cancels the dialog that a click on `control` opens; false when none opened.
bool answerDialog(HWND form, const forms::ControlDesign& control, const char* answer) {
    clickAt(form, control);
    HWND dialog = waitForDialog(form, 8000);
    if (!dialog) return false;
    clickButton(dialog, answer);
    return waitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 5000);
}

const std::pair<int, int> kDesktop{1280, 1024};

// Fixture shared by every test here: at 96 dpi only, and the desktop put back afterwards.
class BadInput : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!at96dpi()) GTEST_SKIP() << "runs at 96 dpi";
        ASSERT_EQ(screenMode(), kDesktop) << "a previous test left the desktop changed";
    }
    RestoreMode restore_;
};

// ---------------------------------------------------------------------------------------
// The record file.

enum class Setup { Bytes, Absent, Directory, ReadOnlyAttribute, LockedNoSharing, ReadOnlyFolder };
enum class After { Kept, Rewritten, NoFile };

struct Revert {
    enum Kind { Unchanged, ToMode, Refused } kind;
    std::pair<int, int> mode{};
    std::vector<std::string> says{};
};

struct RecordRow {
    const char* name;
    Setup setup;
    std::string bytes;
    std::vector<std::string> startupSays; // empty: no message box at start-up
    std::vector<std::string> labels;      // Label2, Label11, Label12, Label16, Label15
    Revert revert;
    After after;
};

void PrintTo(const RecordRow& row, std::ostream* os) { *os << row.name; }

const std::vector<std::string> kCannotOpen = {"Impossible", "ouvrir", "W_ECRA_R.WDO", "<dir>"};
const std::vector<std::string> kCannotRead = {"Impossible", "lire", "W_ECRA_R.WDO", "<dir>"};
const std::vector<std::string> kFresh = {"Normale", "1280", "1024", "1280", "1024"};
const std::vector<std::string> kSaved1024 = {"Normale", "1024", "768", "1280", "1024"};
// A file that could not be opened: the mode in force is shown all the same.
const std::vector<std::string> kCurrentOnly = {"Normale", "", "", "1280", "1024"};
// The revert in a run whose start-up could not open the file says why, and to start again.
const std::vector<std::string> kNotOpenedAtStart = {"Impossible de lire", "W_ECRA_R.WDO", "<dir>", "au démarrage",
                                                    "relancez-le"};
const Revert kNoChange{Revert::Unchanged};
const Revert kTo1024{Revert::ToMode, {1024, 768}};

std::string garbage() {
    std::string g;
    unsigned x = 12345;
    for (int i = 0; i < 80; ++i) {
        x = x * 1103515245u + 12345u;
        g.push_back(static_cast<char>((x >> 16) & 0xFF));
    }
    g[0] = 'G'; // never the marker by chance
    return g;
}

std::string tenMegabytes() {
    std::string big = savedFile("1024", "768", "32");
    big.resize(10 * 1024 * 1024, 'Z');
    return big;
}

std::vector<RecordRow> recordRows() {
    std::string valid1024 = savedFile("1024", "768", "32");
    return {
        {"Absent", Setup::Absent, "", {}, kFresh, kNoChange, After::Rewritten},
        {"Empty", Setup::Bytes, "", {}, kFresh, kNoChange, After::Rewritten},
        {"FiveBytesOfAMarker", Setup::Bytes, "#INIT", {}, kFresh, kNoChange, After::Rewritten},
        // Record 4 cut short by the end of the file reads as "32" and spaces.
        {"SeventyNineBytes", Setup::Bytes, valid1024.substr(0, 79), {}, kSaved1024, kTo1024, After::Kept},
        {"LowerCaseMarker", Setup::Bytes, "#init#" + valid1024.substr(6), {}, kFresh, kNoChange, After::Rewritten},
        // Only the marker: records 2 to 4 read as blank, so as the number 0. There is no
        // saved resolution to go back to, and the user must be told so.
        {"MarkerOnly", Setup::Bytes, kMarker, {}, {"Normale", "", "", "1280", "1024"},
         {Revert::Refused, {}, {"W_ECRA_R.WDO", "la largeur", "n'est pas une taille d'écran"}},
         After::Kept},
        {"MarkerAndWidth", Setup::Bytes, kMarker + rec("1024"), {}, {"Normale", "1024", "", "1280", "1024"},
         {Revert::Refused, {}, {"la hauteur", "n'est pas une taille d'écran"}}, After::Kept},
        // A blank depth is no depth a display has: refused as a bad size is.
        {"MarkerWidthAndHeight", Setup::Bytes, kMarker + rec("1024") + rec("768"), {}, kSaved1024,
         {Revert::Refused, {}, {"la profondeur de couleur «  »", "n'est pas un nombre de bits par pixel"}},
         After::Kept},
        {"GarbageEverywhere", Setup::Bytes, garbage(), {}, kFresh, kNoChange, After::Rewritten},
        {"NulBytesEverywhere", Setup::Bytes, std::string(80, '\0'), {}, kFresh, kNoChange, After::Rewritten},
        {"HighBytesEverywhere", Setup::Bytes, std::string(80, '\xE9'), {}, kFresh, kNoChange, After::Rewritten},
        // After the marker, every record ends in bytes that cannot continue a number:
        // reading stops there. A window text ends at its first NUL.
        {"MarkerThenNulFilledRecords", Setup::Bytes,
         rec("#INIT#", '\0') + rec("1024", '\0') + rec("768", '\0') + rec("32", '\0'), {}, kSaved1024, kTo1024,
         After::Kept},
        {"MarkerThenGarbageAfterNumbers", Setup::Bytes,
         kMarker + rec("1024;x\x07?") + rec("768abc#") + rec("32!!\x1b"), {},
         {"Normale", "1024;x\x07?", "768abc#", "1280", "1024"}, kTo1024, After::Kept},
        {"MarkerThenHighBytesAfterNumbers", Setup::Bytes,
         kMarker + rec("1024\xE9\xE8") + rec("768\xB0") + rec("32\xFF"), {},
         {"Normale", "1024éè", "768°", "1280", "1024"}, kTo1024, After::Kept},
        {"WidthBeyondAnyScreen", Setup::Bytes, savedFile("99999999999", "768", "32"), {},
         {"Normale", "99999999999", "768", "1280", "1024"},
         {Revert::Refused, {}, {"la largeur « 99999999999 »", "n'est pas une taille d'écran"}}, After::Kept},
        {"DepthBeyondSixteenBits", Setup::Bytes, savedFile("1024", "768", "99999999999"), {}, kSaved1024,
         {Revert::Refused, {}, {"trop grande", "99999999999"}}, After::Kept},
        {"NegativeWidth", Setup::Bytes, savedFile("-1024", "768", "32"), {},
         {"Normale", "-1024", "768", "1280", "1024"},
         {Revert::Refused, {}, {"la largeur « -1024 »", "n'est pas une taille d'écran"}}, After::Kept},
        // Halves round to even: 1024.5 asks for 1024.
        {"FractionalWidth", Setup::Bytes, savedFile("1024.5", "768", "32"), {},
         {"Normale", "1024.5", "768", "1280", "1024"}, kTo1024, After::Kept},
        {"WidthBeyondSinglePrecision", Setup::Bytes, savedFile("1e40", "768", "32"), {},
         {"Normale", "1e40", "768", "1280", "1024"},
         {Revert::Refused, {}, {"la largeur « 1e40 »", "n'est pas une taille d'écran"}}, After::Kept},
        // Blanks inside a number are skipped: "  12 80" is 1280.
        {"BlanksInsideNumbers", Setup::Bytes, savedFile("  12 80", " 8 00", "3 2"), {},
         {"Normale", "12 80", "8 00", "1280", "1024"}, {Revert::ToMode, {1280, 800}}, After::Kept},
        {"TextForWidth", Setup::Bytes, savedFile("mille", "768", "32"), {},
         {"Normale", "mille", "768", "1280", "1024"},
         {Revert::Refused, {}, {"la largeur « mille »", "n'est pas une taille d'écran"}}, After::Kept},
        {"TenMegabytesValidHead", Setup::Bytes, tenMegabytes(), {}, kSaved1024, kTo1024, After::Kept},
        {"SavedModeTheScreenRefuses", Setup::Bytes, savedFile("1000", "700", "32"), {},
         {"Normale", "1000", "700", "1280", "1024"},
         {Revert::Refused, {}, {"1000 x 700", "n'a pas été appliquée", "l'écran ne propose pas ce mode"}},
         After::Kept},
        {"DirectoryOfThatName", Setup::Directory, "", kCannotOpen, kCurrentOnly,
         {Revert::Refused, {}, kNotOpenedAtStart}, After::NoFile},
        // An initialised file is only ever read: read-only, it still serves.
        {"ReadOnlyFile", Setup::ReadOnlyAttribute, valid1024, {}, kSaved1024, kTo1024, After::Kept},
        // Held with no sharing at start-up (a backup, an antivirus, the point-of-sale
        // program), let go before the revert: the cause is told at start, and the revert
        // says the file was in use then.
        {"LockedByAnotherProcess", Setup::LockedNoSharing, valid1024,
         {"Impossible", "ouvrir", "W_ECRA_R.WDO", "<dir>", "utilisé par un autre programme", "violation de partage"},
         kCurrentOnly,
         {Revert::Refused, {}, {"Impossible de lire", "W_ECRA_R.WDO", "au démarrage de diagreso, il était utilisé par un autre programme", "relancez-le"}},
         After::Kept},
        {"ReadOnlyFolder", Setup::ReadOnlyFolder, "", kCannotOpen, kCurrentOnly,
         {Revert::Refused, {}, kNotOpenedAtStart}, After::NoFile},
    };
}

class RecordFileRows : public BadInput, public ::testing::WithParamInterface<RecordRow> {};

TEST_P(RecordFileRows, ShownRevertedReportedAndNeverAltered) {
    const RecordRow& row = GetParam();
    std::wstring folder;
    if (row.setup == Setup::ReadOnlyFolder) {
        // Made and frozen by the harness (chattr +i): as root nothing else stops writes.
        const wchar_t* dir = _wgetenv(L"DIAGRESO_READONLY_DIR");
        if (!dir) GTEST_SKIP() << "needs DIAGRESO_READONLY_DIR, a folder the harness made read-only";
        folder = dir;
        ASSERT_FALSE(CreateDirectoryW((folder + L"\\probe").c_str(), nullptr)) << "the folder is not read-only";
    } else {
        folder = freshFolder();
    }
    std::wstring path = folder + L"\\W_ECRA_R.WDO";

    HANDLE lock = INVALID_HANDLE_VALUE;
    switch (row.setup) {
    case Setup::Absent:
    case Setup::ReadOnlyFolder: ASSERT_FALSE(exists(path)); break;
    case Setup::Directory: ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)); break;
    case Setup::Bytes:
    case Setup::ReadOnlyAttribute:
    case Setup::LockedNoSharing: ASSERT_TRUE(writeBytes(path, row.bytes)); break;
    }
    std::string before = row.setup == Setup::Directory ? "" : readFile(path);
    std::vector<std::string> startupSays = row.startupSays, labels = row.labels;
    Revert revert = row.revert;
    if (row.setup == Setup::ReadOnlyAttribute) {
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    }
    if (row.setup == Setup::LockedNoSharing) {
        lock = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    }
    struct Unlock {
        HANDLE& h;
        ~Unlock() {
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
            h = INVALID_HANDLE_VALUE;
        }
    } unlock{lock};

    Program program(folder);
    ASSERT_TRUE(program.started()) << program.state();
    HWND form = program.mainWindow(15000);
    ASSERT_NE(form, nullptr);
    // Where the start-up tells a failure, the person is in another program meanwhile: the
    // message still belongs to the window, which stays turned off until it is closed.
    // (Wine keeps the window active for its thread even so: there this checks the owner,
    // where Windows would have given a message that belongs to nothing.)
    std::unique_ptr<std::remove_pointer_t<HWND>, decltype(&DestroyWindow)> elsewhere(nullptr, &DestroyWindow);
    if (!startupSays.empty() && waitFor([&] { return IsWindowVisible(form) != FALSE; }, 5000)) {
        elsewhere.reset(CreateWindowExW(0, L"STATIC", L"ailleurs", WS_POPUP | WS_VISIBLE, 900, 700, 200, 100, nullptr,
                                        nullptr, nullptr, nullptr));
        SetForegroundWindow(elsewhere.get());
        EXPECT_TRUE(waitFor([&] { return GetForegroundWindow() == elsewhere.get(); }, 300)) << "not in front";
    }

    // Start-up: either the displays fill, or a message box says what failed (the mode in
    // force is shown before it).
    HWND box = nullptr;
    ASSERT_TRUE(waitFor([&] {
        return (box = waitForMessageBox(form, 0)) || (startupSays.empty() && !displayTexts(form).back().empty());
    }, 10000)) << "neither the displays nor a message box";
    if (startupSays.empty()) {
        EXPECT_EQ(box, nullptr) << boxText(box);
    } else {
        ASSERT_NE(box, nullptr) << "the failure at start-up reaches the user";
        expectSays(boxText(box), startupSays, folder);
        EXPECT_EQ(GetWindow(box, GW_OWNER), form) << "the message belongs to the window"
                                                  << (GetForegroundWindow() == elsewhere.get() ? "" : " (was in front)");
        EXPECT_FALSE(IsWindowEnabled(form)) << "nothing of the window answers under its message";
        elsewhere.reset();
        if (row.setup == Setup::LockedNoSharing) {
            Sleep(300);
            if (std::string shot = diag::test::artefactPath("bad-input-locked-file.bmp"); !shot.empty())
                diag::test::saveScreen(shot);
        }
        closeBox(box);
        EXPECT_FALSE(program.ended(200)) << "the program carries on after the report";
    }
    EXPECT_EQ(displayTexts(form), labels);
    if (lock != INVALID_HANDLE_VALUE) {
        CloseHandle(lock); // the program does not try again by itself
        lock = INVALID_HANDLE_VALUE;
    }

    // The revert, confirmed.
    RECT placed;
    GetWindowRect(form, &placed);
    ASSERT_TRUE(answerDialog(form, design("Command5"), "Valider")) << "the confirmation dialog answers";
    switch (revert.kind) {
    case Revert::Unchanged:
        EXPECT_EQ(waitForMessageBox(form, 1000), nullptr) << boxText(waitForMessageBox(form, 0));
        EXPECT_EQ(screenMode(), kDesktop);
        break;
    case Revert::ToMode:
        EXPECT_TRUE(waitFor([&] { return screenMode() == revert.mode; }, 5000))
            << "mode after the revert: " << screenMode().first << " x " << screenMode().second;
        EXPECT_EQ(waitForMessageBox(form, 0), nullptr) << boxText(waitForMessageBox(form, 0));
        EXPECT_TRUE(keepChange(form));
        EXPECT_TRUE(waitFor([&] { return storedMode() == revert.mode; }, 2000)) << "kept";
        break;
    case Revert::Refused:
        box = waitForMessageBox(form, 5000);
        EXPECT_NE(box, nullptr) << "the refusal reaches the user; mode now " << screenMode().first << " x "
                                << screenMode().second;
        if (box) {
            expectSays(boxText(box), revert.says, folder);
            EXPECT_EQ(boxText(box).find("n'est pas ouvert"), std::string::npos) << "the program's state is no cause";
            if (std::string(row.name) == "SavedModeTheScreenRefuses") {
                Sleep(300); // let the box paint
                if (std::string shot = diag::test::artefactPath("bad-input-refused-mode.bmp"); !shot.empty())
                    diag::test::saveScreen(shot);
            }
        }
        EXPECT_EQ(screenMode(), kDesktop) << "the mode is kept";
        if (box) closeBox(box);
        break;
    }
    RECT now;
    GetWindowRect(form, &now);
    EXPECT_TRUE(EqualRect(&placed, &now)) << "the window stays where it was";
    expectEndsByExitPicture(program, form);

    switch (row.after) {
    case After::Kept: EXPECT_TRUE(readFile(path) == before) << "an initialised file is never written"; break;
    case After::Rewritten: EXPECT_TRUE(wellFormed(readFile(path))) << readFile(path); break;
    case After::NoFile:
        if (row.setup == Setup::Directory) {
            EXPECT_TRUE(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
        } else {
            EXPECT_FALSE(exists(path));
        }
        break;
    }
    if (row.setup == Setup::ReadOnlyAttribute) SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

INSTANTIATE_TEST_SUITE_P(Rows, RecordFileRows, ::testing::ValuesIn(recordRows()),
                         [](const ::testing::TestParamInfo<RecordRow>& row) { return row.param.name; });

// ---------------------------------------------------------------------------------------
// The dialog picture beside the program.

// 117 x 82 pictures of one colour each, the size of the picture area, made with an
// image tool: a blue GIF, a red PNG and a green JPEG.
const char kBlueGif[] =
    "47494638396175005200f000000000ff00000021f90400000000002c000000007500520000027184"
    "8fa9cbed0fa39cb4da8bb3debcfb0f86e24896e689a6eacab6ee0bc7f24cd7f68de7facef7fe0f0c"
    "0a87c4a2f1884c2a97cca6f3098d4aa7d4aaf58acd6ab7dcaef70b0e8bc7e4b2f98c4eabd7ecb6fb"
    "0d8fcbe7f4bafd8ecfebf7fcbeff0f182838485868788898a8b8c8d8e8785000003b";
const char kRedPng[] =
    "89504e470d0a1a0a0000000d49484452000000750000005208030000005d736b0000000003504c54"
    "45ff000019e20937000000204944415468deedc13101000000c2a0f54f6d0c1fa000000000000000"
    "0000781b25cc00019c3e21280000000049454e44ae426082";
const char kGreenJpeg[] =
    "ffd8ffe000104a46494600010100000100010000ffdb004300030202030202030303030403030405"
    "0805050404050a070706080c0a0c0c0b0a0b0b0d0e12100d0e110e0b0b1016101113141515150c0f"
    "171816141812141514ffdb00430103040405040509050509140d0b0d141414141414141414141414"
    "1414141414141414141414141414141414141414141414141414141414141414141414141414ffc0"
    "0011080052007503011100021101031101ffc4001500010100000000000000000000000000000006"
    "ffc40014100100000000000000000000000000000000ffc400150101010000000000000000000000"
    "0000000008ffc40014110100000000000000000000000000000000ffda000c03010002110311003f"
    "00974a88a80000000000000000000000000000000000000000000000000000000000000000000000"
    "00000000000000000000000000000000000000000000000000000000000000000000000000000000"
    "00000000000000000000000000000000000000000000000000000000000000000000000000000000"
    "0000000000000001ffd9";

// The header of a GIF that claims 65535 x 65535, with one pixel of data.
std::string hugeGif() {
    std::string g = fromHex("474946383961ffffffff800000000000ffffff");
    g += fromHex("2c00000000ffffffff00");
    g += fromHex("02024401003b");
    return g;
}

struct PictureRow {
    const char* name;
    enum Kind { Absent, Bytes, Directory } kind;
    std::string bytes;
    enum Shows { BuiltIn, Blue, Red, Green } shows;
};

std::vector<COLORREF> pictureSample(HWND dialog) {
    // Image1(2) stands at 330,390 twips: 22,26 pixels in the dialog's client area.
    static const POINT points[] = {{10, 10}, {58, 41}, {100, 70}, {30, 60}, {80, 20}, {110, 5}};
    std::vector<COLORREF> sample;
    HDC dc = GetDC(dialog);
    for (POINT p : points) sample.push_back(GetPixel(dc, 22 + p.x, 26 + p.y));
    ReleaseDC(dialog, dc);
    return sample;
}

bool allNear(const std::vector<COLORREF>& sample, int r, int g, int b) {
    for (COLORREF c : sample)
        if (std::abs(GetRValue(c) - r) > 40 || std::abs(GetGValue(c) - g) > 40 || std::abs(GetBValue(c) - b) > 40)
            return false;
    return true;
}

std::string describe(const std::vector<COLORREF>& sample) {
    std::string s;
    char buf[16];
    for (COLORREF c : sample) {
        std::snprintf(buf, sizeof buf, "%06lx ", static_cast<unsigned long>(c));
        s += buf;
    }
    return s;
}

TEST_F(BadInput, DialogPictureThatCannotServeLeavesTheBuiltInIllustrationAndTheQuestion) {
    std::string blue = fromHex(kBlueGif);
    std::vector<PictureRow> rows = {
        {"ValidGif", PictureRow::Bytes, blue, PictureRow::Blue},
        {"Absent", PictureRow::Absent, "", PictureRow::BuiltIn},
        {"Empty", PictureRow::Bytes, "", PictureRow::BuiltIn},
        {"Truncated", PictureRow::Bytes, blue.substr(0, 60), PictureRow::BuiltIn},
        // Pictures are recognised by their content, not by their name.
        {"PngUnderThatName", PictureRow::Bytes, fromHex(kRedPng), PictureRow::Red},
        {"JpegUnderThatName", PictureRow::Bytes, fromHex(kGreenJpeg), PictureRow::Green},
        {"ClaimsSixtyFiveThousandSquare", PictureRow::Bytes, hugeGif(), PictureRow::BuiltIn},
        {"Directory", PictureRow::Directory, "", PictureRow::BuiltIn},
    };

    std::wstring folder = freshFolder();
    std::wstring gif = folder + L"\\fc_img_024.gif";
    Program program(folder);
    HWND form = program.mainWindow(15000);
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(waitFor([&] { return !displayTexts(form).back().empty(); }, 10000));

    std::optional<std::vector<COLORREF>> builtIn;
    std::vector<COLORREF> blueSample;
    for (const PictureRow& row : rows) {
        SCOPED_TRACE(row.name);
        RemoveDirectoryW(gif.c_str());
        DeleteFileW(gif.c_str());
        if (row.kind == PictureRow::Bytes) {
            ASSERT_TRUE(writeBytes(gif, row.bytes));
        }
        if (row.kind == PictureRow::Directory) {
            ASSERT_TRUE(CreateDirectoryW(gif.c_str(), nullptr));
        }

        clickAt(form, design("Command6", 0));
        HWND dialog = waitForDialog(form, 8000);
        ASSERT_NE(dialog, nullptr) << "the dialog opens at the first click; " << program.state();
        EXPECT_EQ(waitForMessageBox(form, 0), nullptr) << "no message box interrupts the question";
        // The picture area, once two samples 100 ms apart agree and show what is expected.
        auto shown = [&](const std::vector<COLORREF>& sample) {
            switch (row.shows) {
            case PictureRow::Blue: return allNear(sample, 0, 0, 255);
            case PictureRow::Red: return allNear(sample, 255, 0, 0);
            case PictureRow::Green: return allNear(sample, 0, 192, 0);
            case PictureRow::BuiltIn: return builtIn ? sample == *builtIn : !allNear(sample, 255, 255, 255);
            }
            return false;
        };
        std::vector<COLORREF> sample = pictureSample(dialog);
        bool painted = false;
        for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
             !painted && std::chrono::steady_clock::now() < end;) {
            Sleep(100);
            std::vector<COLORREF> previous = std::exchange(sample, pictureSample(dialog));
            painted = sample == previous && shown(sample);
        }
        EXPECT_TRUE(painted) << "picture area: " << describe(sample)
                             << (builtIn ? " built-in: " + describe(*builtIn) : std::string());
        if (row.shows == PictureRow::BuiltIn && !builtIn) {
            builtIn = sample;
            EXPECT_NE(sample, blueSample) << "the built-in illustration is not the picture beside the program";
        }
        if (row.shows == PictureRow::Blue) blueSample = sample;
        EXPECT_EQ(waitForMessageBox(form, 0), nullptr) << "no message box interrupts the question";

        clickButton(dialog, "Annuler");
        EXPECT_TRUE(waitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 5000));
        EXPECT_EQ(waitForMessageBox(form, 300), nullptr);
        EXPECT_EQ(screenMode(), kDesktop) << "cancelled: no change";
    }
    RemoveDirectoryW(gif.c_str());
    expectEndsByExitPicture(program, form);
}

// ---------------------------------------------------------------------------------------
// The display.

// The saved mode does not exist: the user is told, the mode and the window stay as they
// were, also past the five seconds after which a change would re-pin the window.
TEST_F(BadInput, RefusedRevertMovesNothing) {
    std::wstring folder = freshFolder();
    ASSERT_TRUE(writeBytes(folder + L"\\W_ECRA_R.WDO", savedFile("1000", "700", "32")));
    Program program(folder);
    HWND form = program.mainWindow(15000);
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(waitFor([&] { return !displayTexts(form).back().empty(); }, 10000));
    SetWindowPos(form, nullptr, 60, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(answerDialog(form, design("Image5"), "Valider"));
    HWND box = waitForMessageBox(form, 5000);
    ASSERT_NE(box, nullptr);
    expectSays(boxText(box), {"1000 x 700", "n'a pas été appliquée"}, folder);
    closeBox(box);
    Sleep(5500);
    EXPECT_EQ(screenMode(), kDesktop);
    EXPECT_TRUE(at(form, 60, 40)) << "no re-pinning after a change that did not happen";
    expectEndsByExitPicture(program, form);
}

// A second confirmed test while the first one's re-pinning timer runs starts it again:
// the window is re-pinned five seconds after the second change, not after the first.
TEST_F(BadInput, SecondChangeWhileTheTimerRunsRepinsFiveSecondsAfterIt) {
    using Clock = std::chrono::steady_clock;
    Program program(freshFolder());
    HWND form = program.mainWindow(15000);
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(waitFor([&] { return !displayTexts(form).back().empty(); }, 10000));

    ASSERT_TRUE(answerDialog(form, design("Command6", 0), "Valider"));
    ASSERT_TRUE(waitFor([&] { return screenMode() == std::pair{1024, 768}; }, 5000));
    Clock::time_point first = Clock::now();
    ASSERT_TRUE(keepChange(form));
    Sleep(300);
    ASSERT_TRUE(answerDialog(form, design("Command6", 6), "Valider"));
    ASSERT_TRUE(waitFor([&] { return screenMode() == std::pair{1152, 864}; }, 5000));
    Clock::time_point second = Clock::now();
    ASSERT_TRUE(keepChange(form));
    ASSERT_LT(Clock::now() - first, std::chrono::milliseconds(5000)) << "both kept within the first five seconds";
    SetWindowPos(form, nullptr, 120, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    // Past the first change's five seconds, the window is still where it was put.
    std::this_thread::sleep_until(first + std::chrono::milliseconds(5600));
    EXPECT_TRUE(at(form, 120, 90)) << "re-pinned by the first change's timer";
    ASSERT_TRUE(waitFor([&] { return at(form, 0, 0); }, 4000)) << "re-pinned after the second change";
    auto after = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - second).count();
    EXPECT_GE(after, 4500);
    EXPECT_LE(after, 6500);
    EXPECT_EQ(waitForMessageBox(form, 0), nullptr);
    expectEndsByExitPicture(program, form);
}

// Two instances started at once in one empty folder both create the file: it ends well
// formed, 80 bytes, whichever wrote last.
TEST_F(BadInput, TwoInstancesAtOnceLeaveOneWellFormedFile) {
    std::wstring folder = freshFolder();
    Program a(folder), b(folder);
    ASSERT_TRUE(a.started() && b.started());
    HWND formA = a.mainWindow(15000), formB = b.mainWindow(15000);
    ASSERT_NE(formA, nullptr);
    ASSERT_NE(formB, nullptr);
    for (HWND form : {formA, formB}) {
        ASSERT_TRUE(waitFor([&] { return !displayTexts(form).back().empty() || waitForMessageBox(form, 0); }, 10000));
        EXPECT_EQ(waitForMessageBox(form, 0), nullptr) << boxText(waitForMessageBox(form, 0));
        EXPECT_EQ(displayTexts(form), kFresh);
    }
    std::string file = readFile(folder + L"\\W_ECRA_R.WDO");
    EXPECT_EQ(file.size(), 80u);
    EXPECT_TRUE(wellFormed(file)) << file;
    // Both windows stand at the top-left corner: the one on top takes the first click.
    RECT exit = designRect(design("Image6"));
    POINT p{(exit.left + exit.right) / 2, (exit.top + exit.bottom) / 2};
    ClientToScreen(formA, &p);
    bool aOnTop = GetAncestor(WindowFromPoint(p), GA_ROOT) == formA;
    expectEndsByExitPicture(aOnTop ? a : b, aOnTop ? formA : formB);
    expectEndsByExitPicture(aOnTop ? b : a, aOnTop ? formB : formA);
    EXPECT_EQ(readFile(folder + L"\\W_ECRA_R.WDO"), file);
}

} // namespace
