#include "app/values.h"

#include "app/errors.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace diag {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string describe(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", value);
    return buf;
}

// Rounds to the nearest integer, halves to even, whatever the current rounding mode.
double roundHalfEven(double value) {
    double floor = std::floor(value);
    double diff = value - floor;
    if (diff > 0.5) return floor + 1.0;
    if (diff < 0.5) return floor;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

} // namespace

double readNumber(std::string_view text) {
    // Gather the characters of the number with the blanks left out, following
    // [sign] digits [. digits] [e [sign] digits]; then let strtod convert them.
    std::string number;
    enum class State { Sign, Mantissa, Fraction, ExponentSign, Exponent } state = State::Sign;
    bool mantissaDigits = false;
    size_t beforeExponent = 0;
    bool exponentDigits = false;
    for (char c : text) {
        if (isBlank(c)) continue;
        bool taken = false;
        switch (state) {
        case State::Sign:
            if (c == '+' || c == '-') {
                state = State::Mantissa;
                taken = true;
                break;
            }
            [[fallthrough]];
        case State::Mantissa:
        case State::Fraction:
            if (isDigit(c)) {
                mantissaDigits = taken = true;
                if (state == State::Sign) state = State::Mantissa;
            } else if (c == '.' && state != State::Fraction) {
                taken = true;
                state = State::Fraction;
            } else if ((c == 'e' || c == 'E') && mantissaDigits) {
                beforeExponent = number.size();
                taken = true;
                state = State::ExponentSign;
            }
            break;
        case State::ExponentSign:
            if (c == '+' || c == '-') {
                taken = true;
                state = State::Exponent;
                break;
            }
            [[fallthrough]];
        case State::Exponent:
            if (isDigit(c)) {
                exponentDigits = taken = true;
                state = State::Exponent;
            }
            break;
        }
        if (!taken) break;
        number.push_back(c);
    }
    if (!mantissaDigits) return 0.0;
    if (state == State::ExponentSign || (state == State::Exponent && !exponentDigits))
        number.resize(beforeExponent); // "12e" and "12e+" read as 12
    // strtod honours the C locale's decimal point, which the program never changes.
    // An underflow (1e-400) keeps strtod's tiny or zero result.
    double value = std::strtod(number.c_str(), nullptr);
    if (std::isinf(value)) throw OverflowError(number);
    return value + 0.0; // no negative zero
}

int32_t toInt32(double value) {
    double r = roundHalfEven(value);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw OverflowError(describe(value));
    return static_cast<int32_t>(r);
}

int16_t toInt16(double value) {
    double r = roundHalfEven(value);
    if (!(r >= -32768.0 && r <= 32767.0)) throw OverflowError(describe(value));
    return static_cast<int16_t>(r);
}

int16_t narrowToInt16(int32_t value) {
    if (value < -32768 || value > 32767) throw OverflowError(std::to_string(value));
    return static_cast<int16_t>(value);
}

float toSingle(double value) {
    // Doubles from halfway between FLT_MAX and 2^128 upwards round to infinity.
    static const double limit = std::ldexp(2.0 - std::ldexp(1.0, -24), 127);
    if (std::isnan(value) || std::fabs(value) >= limit) throw OverflowError(describe(value));
    return static_cast<float>(value);
}

std::string wholeNumber(double value) {
    if (!std::isfinite(value)) throw OverflowError(describe(value));
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.0f", roundHalfEven(value) + 0.0);
    return buf;
}

std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

CaptionParts splitCaption(std::string_view caption) {
    size_t x = caption.find_first_of("xX");
    if (x == std::string_view::npos) return {0, {}, caption};
    return {x + 1, caption.substr(0, x), caption.substr(x + 1)};
}

std::string_view trimSpaces(std::string_view text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

} // namespace diag
