#include "app/ansi.h"
#include "app/errors.h"
#include "app/fixed_text.h"
#include "app/values.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace diag;

TEST(ReadNumber, ReadsTheNumberAtTheStartOfAText) {
    struct Case {
        const char* text;
        double expected;
    } cases[] = {
        {"1280", 1280},
        {"1280                ", 1280},      // a record as stored
        {"   1024", 1024},                   // leading blanks
        {" 12 80", 1280},                    // blanks inside the number are skipped too
        {"1\t0\r\n2 4", 1024},               // every kind of blank
        {"1e3", 1000},
        {"1E3", 1000},
        {"2.5e-1", 0.25},
        {"1 e 3", 1000},
        {"12e", 12},                         // an exponent without digits is not part of the number
        {"12e+", 12},
        {"-", 0},
        {"-0", 0},
        {"+", 0},
        {"-1024", -1024},
        {"+32", 32},
        {"- 5", -5},
        {"1024.5", 1024.5},
        {".5", 0.5},
        {"5.", 5},
        {".", 0},
        {"", 0},
        {"abc", 0},
        {"1024 x 768", 1024},                // stops at the first character that cannot continue
        {"1280x", 1280},
        {"768 ?", 768},
        {"1.2.3", 1.2},
        {"+-5", 0},
        {"#INIT#12-08-2026", 0},
        {"00032", 32},
        {"99999999999", 99999999999.0},
        {"1e-400", 0},                       // underflow is zero, not an error
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(readNumber(c.text), c.expected) << '"' << c.text << '"';
        if (c.expected == 0) {
            EXPECT_FALSE(std::signbit(readNumber(c.text))) << "negative zero from \"" << c.text << '"';
        }
    }
}

TEST(ReadNumber, NumberBeyondDoubleRangeIsAnOverflow) {
    for (const char* text : {"1e400", "-1e400", "1" "000000000000000000000000000000000000000000000000000000000000"
                                                "e300"})
        EXPECT_THROW(readNumber(text), OverflowError) << text;
}

TEST(Conversions, RoundToNearestWithHalvesToEven) {
    struct Case {
        double value;
        int32_t expected;
    } cases[] = {
        {1024.5, 1024}, {1025.5, 1026}, {0.5, 0},      {1.5, 2},        {2.5, 2},         {-0.5, 0},
        {-1.5, -2},     {-2.5, -2},     {1024.49, 1024}, {1024.51, 1025}, {32767.4, 32767}, {-32768.5, -32768},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toInt32(c.value), c.expected) << c.value;
        EXPECT_EQ(toInt16(c.value), c.expected) << c.value;
    }
}

TEST(Conversions, OutOfRangeIsAnOverflow) {
    const double int16Overflows[] = {32767.5, 32768, -32768.51, -32769, 1e10, NAN, INFINITY};
    for (double v : int16Overflows) EXPECT_THROW(toInt16(v), OverflowError) << v;
    const double int32Overflows[] = {2147483647.5, 2147483648.0, -2147483648.51, 1e40, NAN, -INFINITY};
    for (double v : int32Overflows) EXPECT_THROW(toInt32(v), OverflowError) << v;
    EXPECT_EQ(toInt32(2147483647.4), 2147483647);
    EXPECT_EQ(toInt32(-2147483648.5), INT32_MIN); // half to even lands inside
    EXPECT_EQ(toInt16(32766.5), 32766);
}

TEST(Conversions, NarrowingTo16Bits) {
    EXPECT_EQ(narrowToInt16(32767), 32767);
    EXPECT_EQ(narrowToInt16(-32768), -32768);
    EXPECT_THROW(narrowToInt16(32768), OverflowError);
    EXPECT_THROW(narrowToInt16(-32769), OverflowError);
    EXPECT_THROW(narrowToInt16(INT32_MAX), OverflowError);
}

TEST(Conversions, SinglePrecisionVariableTooSmallIsAnOverflow) {
    EXPECT_EQ(toSingle(1280), 1280.0f);
    EXPECT_EQ(toSingle(3.4028234663852886e38), 3.4028234663852886e38f); // FLT_MAX itself
    EXPECT_THROW(toSingle(readNumber("1e40")), OverflowError);
    EXPECT_THROW(toSingle(-1e39), OverflowError);
    EXPECT_THROW(toSingle(NAN), OverflowError);
    EXPECT_EQ(toSingle(1e-50), 0.0f);
}

TEST(WholeNumber, NearestWholeNumberWithoutSeparatorsOrFill) {
    struct Case {
        double value;
        const char* expected;
    } cases[] = {
        {1280, "1280"},  {32, "32"},   {8, "8"},       {0, "0"},       {-0.4, "0"},
        {1024.5, "1024"}, {1025.5, "1026"}, {-1024, "-1024"}, {1234567, "1234567"}, {99999999999.0, "99999999999"},
    };
    for (const Case& c : cases) EXPECT_EQ(wholeNumber(c.value), c.expected) << c.value;
    EXPECT_THROW(wholeNumber(INFINITY), OverflowError);
}

TEST(FixedText, FillsWithSpacesOrCuts) {
    using T20 = FixedText<20>;
    EXPECT_EQ(T20("1280").view(), "1280                ");
    EXPECT_EQ(T20("").view(), std::string(20, ' '));
    EXPECT_EQ(T20("#INIT#12-08-202609:05:30").view(), "#INIT#12-08-202609:0");
    EXPECT_EQ(T20(std::string_view("a\0b", 3)).view(), std::string_view("a\0b                 ", 20));
    T20 t("long text that is cut at twenty");
    t = "8";
    EXPECT_EQ(t.view(), "8                   ");
}

TEST(AnsiCodePage, Windows1252RoundTrip) {
    struct Case {
        std::string ansi;
        std::string utf8;
    } cases[] = {
        {"1280", "1280"},
        {"r\xE9solution", "résolution"},
        {"caract\xE8res \xE0 96", "caractères à 96"},
        {"\x80 \x9C \xFF", "€ œ ÿ"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ansiToUtf8(c.ansi), c.utf8);
        EXPECT_EQ(utf8ToAnsi(c.utf8), c.ansi);
    }
    // Undefined bytes and characters outside the code page do not break the text.
    EXPECT_EQ(ansiToUtf8("\x81"), "\xEF\xBF\xBD");
    EXPECT_EQ(utf8ToAnsi("日"), "?");
    EXPECT_EQ(utf8ToAnsi("a\xC3"), "a?"); // truncated sequence
}

TEST(TrimSpaces, OnlySpacesAreTrimmed) {
    EXPECT_EQ(trimSpaces("  1280  "), "1280");
    EXPECT_EQ(trimSpaces("                    "), "");
    EXPECT_EQ(trimSpaces("\t12 80\t"), "\t12 80\t");
}
