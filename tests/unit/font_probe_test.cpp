#include "display/font_api.h"
#include "display/simulated_font.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace diag;

TEST(FontIsLarge, AnyHeightButSixteenCountsAsEnlarged) {
    struct Case {
        int32_t height;
        bool large;
    } cases[] = {{16, false}, {20, true}, {13, true}, {15, true}, {17, true}, {0, true}, {-16, true}};
    for (const Case& c : cases) {
        SimulatedFont font(c.height);
        EXPECT_EQ(FontIsLarge(font), c.large) << c.height;
        EXPECT_EQ(font.outstandingDcs, 0) << "context not released";
        EXPECT_EQ(font.mapMode, 7) << "mapping mode not put back";
    }
}

TEST(FontIsLarge, MeasuresInPixelsWhateverTheContextsMappingMode) {
    SimulatedFont font(16); // reads 8 unless the probe switches to MM_TEXT
    EXPECT_EQ(FontIsLarge(font), std::optional<bool>(false));
}

TEST(FontIsLarge, EarlyEndsAndFailures) {
    using Calls = std::vector<std::string>;
    const Calls full = {"GetDesktopWindow", "GetWindowDC", "SetMapMode", "GetTextMetricsA", "SetMapMode",
                        "ReleaseDC"};
    struct Case {
        const char* name;
        bool noDesktop, noDc, failMetrics;
        std::optional<bool> large; // none: nothing measured, the state unknown
        Calls calls;
    } cases[] = {
        {"all well", false, false, false, false, full},
        {"no desktop window", true, false, false, {}, {"GetDesktopWindow"}},
        {"no device context", false, true, false, {}, {"GetDesktopWindow", "GetWindowDC"}},
        {"metrics fail", false, false, true, {}, full},
    };
    for (const Case& c : cases) {
        SimulatedFont font(16);
        font.noDesktop = c.noDesktop;
        font.noDc = c.noDc;
        font.failMetrics = c.failMetrics;
        EXPECT_EQ(FontIsLarge(font), c.large) << c.name;
        EXPECT_EQ(font.calls, c.calls) << c.name;
        EXPECT_EQ(font.outstandingDcs, 0) << c.name;
    }
}
