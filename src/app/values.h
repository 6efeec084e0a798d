#pragma once
// The value rules every part of the program shares: reading a text as a number,
// writing a whole number, and the rounding conversions that raise OverflowError
// instead of wrapping or invoking undefined behaviour.
#include <cstdint>
#include <string>
#include <string_view>

namespace diag {

// Reads the decimal number at the start of `text`. Blanks (space, tab, CR, LF) are
// skipped wherever they stand; an optional sign, digits, a decimal point and an
// exponent are accepted; reading stops at the first character that cannot continue
// the number. A text that does not begin with a number gives 0. A number beyond the
// double range raises OverflowError.
double readNumber(std::string_view text);

// Nearest value, halves to even; OverflowError outside the target range (NaN too).
int16_t toInt16(double value);
int32_t toInt32(double value);
// Narrowing a 32-bit integer to 16 bits, OverflowError outside -32768..32767.
int16_t narrowToInt16(int32_t value);
// Storing a double in a single-precision variable: nearest float, OverflowError when
// it would become infinite.
float toSingle(double value);

// The nearest whole number (halves to even) in decimal digits, no separators, no fill.
std::string wholeNumber(double value);

// Leading and trailing spaces (only 0x20) removed.
std::string_view trimSpaces(std::string_view text);

// A-Z turned to a-z, every other byte as it is: names compared as Windows compares them,
// case aside, whatever the locale.
std::string lowerAscii(std::string_view text);

// A test button's caption as the window reads it: a width, an x (in either case), a
// height. separatorPos counts the x from 1 (0: none); without an x the width is read
// from nothing and the height from the whole caption.
struct CaptionParts {
    size_t separatorPos = 0;
    std::string_view width, height;
};
CaptionParts splitCaption(std::string_view caption);

} // namespace diag
