// The display adapter and DisplayModes against the real system: the harness gives
// every run a 1280 x 1024 virtual desktop on a larger X screen, so mode changes really
// happen and read back.

// Our headers first: devmode.h declares names that <windows.h> defines as macros.
#include "app/errors.h"
#include "display/display_errors.h"
#include "display/display_modes.h"
#include "display/win32_display_api.h"

#include "win_test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstddef>
#include <string>
#include <ostream>

namespace diag {
namespace {

using wintest::BroadcastListener;

constexpr int kDesktopWidth = 1280, kDesktopHeight = 1024;

struct Size {
    int width, height;
};

Size screenMetrics() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

int screenBitsPerPixel() {
    HDC dc = GetDC(nullptr);
    int bits = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(nullptr, dc);
    return bits;
}

// The mode in force, asked without any of our code in between.
DEVMODEA systemMode(DWORD which = ENUM_CURRENT_SETTINGS_) {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    EXPECT_TRUE(EnumDisplaySettingsA(nullptr, which, &mode));
    return mode;
}

class DisplayWinTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DEVMODEA mode = systemMode();
        ASSERT_EQ(int(mode.dmPelsWidth), kDesktopWidth) << "the harness should start every run at 1280 x 1024";
        ASSERT_EQ(int(mode.dmPelsHeight), kDesktopHeight);
        bits_ = static_cast<int16_t>(mode.dmBitsPerPel);
    }

    // Whatever a failed test left behind, the next one starts on the configured desktop.
    // Done with the bare system call, so a fault in our code cannot block the repair.
    void TearDown() override {
        DEVMODEA mode = systemMode();
        if (int(mode.dmPelsWidth) == kDesktopWidth && int(mode.dmPelsHeight) == kDesktopHeight) return;
        mode.dmPelsWidth = kDesktopWidth;
        mode.dmPelsHeight = kDesktopHeight;
        mode.dmFields = DM_PELSWIDTH_ | DM_PELSHEIGHT_;
        EXPECT_EQ(ChangeDisplaySettingsA(&mode, 0), DISP_CHANGE_SUCCESSFUL);
    }

    Win32DisplayApi api_{2000};
    DisplayModes modes_{api_};
    int16_t bits_ = 0;
};

TEST_F(DisplayWinTest, EnumerationReadsTheVirtualDesktopMode) {
    DevModeRecord record;
    ASSERT_TRUE(api_.enumCurrentSettings(record));
    EXPECT_EQ(record.dmPelsWidth(), kDesktopWidth);
    EXPECT_EQ(record.dmPelsHeight(), kDesktopHeight);
    EXPECT_EQ(record.dmFields() & (DM_PELSWIDTH_ | DM_PELSHEIGHT_), DM_PELSWIDTH_ | DM_PELSHEIGHT_);
    EXPECT_TRUE(record.dmFields() & DM_BITSPERPEL_);
    // A depth a display can have, and the one the screen DC draws with.
    EXPECT_TRUE(record.dmBitsPerPel() == 8 || record.dmBitsPerPel() == 16 || record.dmBitsPerPel() == 24 ||
                record.dmBitsPerPel() == 32)
        << record.dmBitsPerPel();
    EXPECT_EQ(record.dmBitsPerPel(), screenBitsPerPixel());

    DEVMODEA direct = systemMode();
    EXPECT_EQ(record.dmBitsPerPel(), direct.dmBitsPerPel);
    EXPECT_EQ(record.dmDisplayFrequency(), direct.dmDisplayFrequency);
    EXPECT_EQ(record.dmFields(), direct.dmFields);

    EXPECT_EQ(modes_.GetCurrentWidth(), kDesktopWidth);
    EXPECT_EQ(modes_.GetCurrentHeight(), kDesktopHeight);
    EXPECT_EQ(modes_.GetCurrentBitsPerPixel(), int16_t(direct.dmBitsPerPel));
}

// Our record is 124 bytes; the adapter gives the system a full DEVMODEA and copies
// back only what fits, so the memory after the record stays untouched.
TEST_F(DisplayWinTest, EnumerationNeverWritesPastTheRecord) {
    struct Guarded {
        DevModeRecord record;
        std::array<unsigned char, 96> guard;
    } g;
    g.guard.fill(0xA5);
    static_assert(offsetof(Guarded, guard) == DevModeRecord::kSize);

    ASSERT_TRUE(api_.enumCurrentSettings(g.record));
    for (size_t i = 0; i < g.guard.size(); ++i) ASSERT_EQ(g.guard[i], 0xA5) << "guard byte " << i;

    // The system says how much of the record it filled: the display part our type
    // mirrors, no more.
    EXPECT_EQ(g.record.dmSize(), DevModeRecord::kSize);
    EXPECT_EQ(g.record.dmPelsWidth(), kDesktopWidth);
    EXPECT_EQ(g.record.dmPelsHeight(), kDesktopHeight);
    EXPECT_NE(g.record.dmDisplayFrequency(), 0u);
}

// Handing the enumerated record straight back is a change to the mode in force.
TEST_F(DisplayWinTest, ChangeToTheEnumeratedRecordSucceedsAndLeavesTheModeAlone) {
    DevModeRecord record;
    ASSERT_TRUE(api_.enumCurrentSettings(record));
    DevModeRecord before = record;
    EXPECT_EQ(api_.changeSettings(record, 0), DISP_CHANGE_SUCCESSFUL_);
    EXPECT_EQ(record, before);
    EXPECT_EQ(screenMetrics().width, kDesktopWidth);
    EXPECT_EQ(screenMetrics().height, kDesktopHeight);
}

TEST_F(DisplayWinTest, BroadcastReachesHiddenTopLevelWindowsWithItsParameters) {
    BroadcastListener listener;
    UINT probe = RegisterWindowMessageW(L"diag_win_tests_broadcast_probe");
    ASSERT_NE(probe, 0u);
    listener.watch(probe);

    api_.broadcast(probe, 0x1234, -77);
    listener.pump();

    ASSERT_EQ(listener.count(probe), 1);
    EXPECT_EQ(listener.log[0].wParam, WPARAM(0x1234));
    EXPECT_EQ(listener.log[0].lParam, LPARAM(-77));
}

struct AcceptedMode {
    int width, height;
};
std::ostream& operator<<(std::ostream& os, const AcceptedMode& m) { return os << m.width << "x" << m.height; }

class ChangeResolutionWinTest : public DisplayWinTest, public ::testing::WithParamInterface<AcceptedMode> {};

// Modes the virtual desktop offers on a 1920 x 1200 X screen.
INSTANTIATE_TEST_SUITE_P(Offered, ChangeResolutionWinTest,
                         ::testing::Values(AcceptedMode{1024, 768}, AcceptedMode{800, 600},
                                           AcceptedMode{1440, 900}),
                         [](const auto& p) {
                             return std::to_string(p.param.width) + "x" + std::to_string(p.param.height);
                         });

// Looks for our announcement: WM_DEVMODECHANGE with an empty device name, then a
// WM_DISPLAYCHANGE carrying the depth and the packed size. The system may send its own
// WM_DISPLAYCHANGE as well; only one after our WM_DEVMODECHANGE counts as ours.
void expectAnnounced(const BroadcastListener& listener, int width, int height, int bits) {
    EXPECT_EQ(listener.count(WM_DEVMODECHANGE), 1);
    bool devModeSeen = false, announced = false;
    for (const auto& r : listener.log) {
        if (r.message == WM_DEVMODECHANGE) {
            devModeSeen = true;
            EXPECT_EQ(r.wParam, WPARAM(0));
            EXPECT_EQ(r.text, L"");
        } else if (r.message == WM_DISPLAYCHANGE && devModeSeen) {
            announced = true;
            EXPECT_EQ(r.wParam, WPARAM(bits));
            EXPECT_EQ(LOWORD(r.lParam), width);
            EXPECT_EQ(HIWORD(r.lParam), height);
        }
    }
    EXPECT_TRUE(announced) << "no WM_DISPLAYCHANGE after our WM_DEVMODECHANGE";
}

TEST_P(ChangeResolutionWinTest, AppliesReadsBackAndIsAnnounced) {
    const AcceptedMode target = GetParam();
    BroadcastListener listener;

    modes_.ChangeResolution(float(target.width), float(target.height), bits_);
    listener.pump();

    EXPECT_EQ(modes_.GetCurrentWidth(), target.width);
    EXPECT_EQ(modes_.GetCurrentHeight(), target.height);
    EXPECT_EQ(modes_.GetCurrentBitsPerPixel(), bits_);
    EXPECT_EQ(screenMetrics().width, target.width);
    EXPECT_EQ(screenMetrics().height, target.height);
    // Stored as the user's setting too, not only applied.
    DEVMODEA stored = systemMode(ENUM_REGISTRY_SETTINGS);
    EXPECT_EQ(int(stored.dmPelsWidth), target.width);
    EXPECT_EQ(int(stored.dmPelsHeight), target.height);
    expectAnnounced(listener, target.width, target.height, bits_);

    // And back, through the same call.
    listener.log.clear();
    modes_.ChangeResolution(float(kDesktopWidth), float(kDesktopHeight), bits_);
    listener.pump();
    EXPECT_EQ(modes_.GetCurrentWidth(), kDesktopWidth);
    EXPECT_EQ(modes_.GetCurrentHeight(), kDesktopHeight);
    EXPECT_EQ(screenMetrics().width, kDesktopWidth);
    EXPECT_EQ(screenMetrics().height, kDesktopHeight);
    EXPECT_EQ(int(systemMode(ENUM_REGISTRY_SETTINGS).dmPelsWidth), kDesktopWidth);
    expectAnnounced(listener, kDesktopWidth, kDesktopHeight, bits_);
}

TEST_F(DisplayWinTest, ModeAlreadyInForceChangesAndAnnouncesNothing) {
    BroadcastListener listener;
    modes_.ChangeResolution(float(kDesktopWidth), float(kDesktopHeight), bits_);
    listener.pump();
    EXPECT_TRUE(listener.log.empty()) << listener.log.size() << " messages";
    EXPECT_EQ(modes_.GetCurrentWidth(), kDesktopWidth);
}

struct RefusedMode {
    int width, height;
    int32_t code;
};

std::ostream& operator<<(std::ostream& os, const RefusedMode& m) {
    return os << m.width << "x" << m.height << " -> " << m.code;
}

class RefusedModeWinTest : public DisplayWinTest, public ::testing::WithParamInterface<RefusedMode> {};

// Sizes the virtual desktop does not offer. Wine answers them with DISP_CHANGE_BADMODE.
INSTANTIATE_TEST_SUITE_P(NotOffered, RefusedModeWinTest,
                         ::testing::Values(RefusedMode{1000, 700, DISP_CHANGE_BADMODE_},
                                           RefusedMode{12, 0, DISP_CHANGE_BADMODE_},
                                           RefusedMode{2560, 1600, DISP_CHANGE_BADMODE_}),
                         [](const auto& p) {
                             return std::to_string(p.param.width) + "x" + std::to_string(p.param.height);
                         });

TEST_P(RefusedModeWinTest, RaisesWithTheCodeChangesNothingAndAnnouncesNothing) {
    const RefusedMode target = GetParam();
    BroadcastListener listener;

    try {
        modes_.ChangeResolution(float(target.width), float(target.height), bits_);
        ADD_FAILURE() << "no DisplayChangeError";
    } catch (const DisplayChangeError& e) {
        EXPECT_EQ(e.code(), target.code);
        EXPECT_EQ(e.width(), target.width);
        EXPECT_EQ(e.height(), target.height);
        EXPECT_EQ(e.bits(), bits_);
    }
    listener.pump();

    EXPECT_EQ(modes_.GetCurrentWidth(), kDesktopWidth);
    EXPECT_EQ(modes_.GetCurrentHeight(), kDesktopHeight);
    EXPECT_EQ(screenMetrics().width, kDesktopWidth);
    EXPECT_EQ(screenMetrics().height, kDesktopHeight);
    EXPECT_EQ(listener.count(WM_DISPLAYCHANGE), 0);
    EXPECT_EQ(listener.count(WM_DEVMODECHANGE), 0);
}

} // namespace
} // namespace diag
