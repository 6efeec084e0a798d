// The font probe against the real desktop. The harness runs this file twice: at 96 dpi
// with every other test, and alone at 120 dpi; DIAGRESO_TEST_DPI says which, so a run
// that did not get the density it asked for fails instead of testing the wrong thing.
// Our headers first: devmode.h declares names that <windows.h> defines as macros.
#include "display/font_api.h"
#include "display/win32_display_api.h"

#include "support/density.h"
#include "win_test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace diag {
namespace {

struct Density {
    int dpi;
    int32_t systemFontHeight; // pixels, as Windows (and Wine) size the system font
    bool large;
};

constexpr Density kDensities[] = {
    {96, 16, false},
    {120, 20, true},
};

const Density* densityOf(int dpi) {
    for (const Density& d : kDensities)
        if (d.dpi == dpi) return &d;
    return nullptr;
}

int screenDpi() {
    HDC dc = GetDC(nullptr);
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi;
}

TEST(FontProbeWinTest, AnswersForTheDensityTheHarnessSet) {
    std::optional<int> wanted = test::harnessDpi();
    if (!wanted) GTEST_SKIP() << "DIAGRESO_TEST_DPI is not set; scripts/run-win-tests.sh sets it";
    const Density* density = densityOf(*wanted);
    ASSERT_NE(density, nullptr) << "no expectation for " << *wanted << " dpi";
    ASSERT_EQ(screenDpi(), density->dpi) << "the run did not get the density it asked for";

    Win32FontApi api;
    WindowHandle desktop = api.getDesktopWindow();
    ASSERT_NE(desktop, 0u);
    DcHandle dc = api.getWindowDC(desktop);
    ASSERT_NE(dc, 0u);
    TextMetrics metrics;
    EXPECT_TRUE(api.getTextMetrics(dc, metrics));
    EXPECT_EQ(api.releaseDC(desktop, dc), 1);
    EXPECT_EQ(metrics.tmHeight, density->systemFontHeight);

    EXPECT_EQ(FontIsLarge(api), density->large);
}

// The probe restores the mapping mode it changed, on a context it does not own either.
TEST(FontProbeWinTest, SetMapModeReturnsThePreviousMode) {
    Win32FontApi api;
    WindowHandle desktop = api.getDesktopWindow();
    DcHandle dc = api.getWindowDC(desktop);
    ASSERT_NE(dc, 0u);
    EXPECT_EQ(api.setMapMode(dc, MM_LOMETRIC), MM_TEXT);
    EXPECT_EQ(api.setMapMode(dc, MM_TEXT), MM_LOMETRIC);
    api.releaseDC(desktop, dc);
}

TEST(FontProbeWinTest, NullHandlesFail) {
    Win32FontApi api;
    TextMetrics metrics;
    metrics.tmHeight = 99;
    EXPECT_FALSE(api.getTextMetrics(0, metrics));
    EXPECT_EQ(metrics.tmHeight, 0); // a failed query reads as height 0, not a stale value
}

} // namespace
} // namespace diag
