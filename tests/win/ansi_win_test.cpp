// Text through the system ANSI code page. The harness runs Wine in a Western European
// locale (code page 1252, that of French Windows), so the bytes are known.
#include "app/ansi.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>
#include <string>

namespace diag {
namespace {

struct AnsiCase {
    const char* name;
    std::string utf8;
    std::string ansi;
    bool roundTrips;
};

std::ostream& operator<<(std::ostream& os, const AnsiCase& c) { return os << '"' << c.utf8 << '"'; }

class AnsiWinTest : public ::testing::TestWithParam<AnsiCase> {};

INSTANTIATE_TEST_SUITE_P(
    Cp1252, AnsiWinTest,
    ::testing::Values(AnsiCase{"Empty", "", "", true},
                      AnsiCase{"Ascii", "1024 x 768", "1024 x 768", true},
                      AnsiCase{"Accented", "résolution", "r\xE9solution", true},
                      AnsiCase{"Uppercase", "ÉCRAN À", "\xC9" "CRAN \xC0", true},
                      AnsiCase{"EuroSign", "5 €", "5 \x80", true},
                      // Outside the code page: the system's replacement, as the file will hold it.
                      AnsiCase{"NotInCodePage", "a→b", "a?b", false}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_P(AnsiWinTest, ConvertsThroughTheSystemCodePage) {
    ASSERT_EQ(GetACP(), 1252u) << "run under a Western European locale";
    const AnsiCase& c = GetParam();
    EXPECT_EQ(utf8ToAnsi(c.utf8), c.ansi);
    EXPECT_EQ(ansiToUtf8(c.ansi), c.roundTrips ? c.utf8 : std::string("a?b"));
}

// Whatever the code page, what it can hold comes back unchanged.
TEST(AnsiRoundTripWinTest, ResolutionSurvivesTheRoundTrip) {
    const std::string word = "résolution";
    std::string ansi = utf8ToAnsi(word);
    EXPECT_NE(ansi, word) << "the UTF-8 text should not pass through unconverted";
    EXPECT_EQ(ansiToUtf8(ansi), word);
}

} // namespace
} // namespace diag
