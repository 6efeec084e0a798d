// readNumber and the rounding conversions on arbitrary bytes. Every outcome must be a
// value or an OverflowError; the results are checked against rules written out here
// independently of values.cpp.
#include "app/errors.h"
#include "app/values.h"

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void fail(const char* what, std::string_view input) {
    std::fprintf(stderr, "invariant failed: %s\ninput (%zu bytes): \"", what, input.size());
    for (unsigned char c : input) std::fprintf(stderr, c >= 0x20 && c < 0x7F && c != '"' ? "%c" : "\\x%02X", c);
    std::fprintf(stderr, "\"\n");
    std::abort();
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The outcome of one call: a value, or an overflow. Any other exception escapes and is
// caught by the caller as a fault.
template <class T> struct Outcome {
    std::optional<T> value; // empty: OverflowError
    bool operator==(const Outcome& o) const {
        if (value.has_value() != o.value.has_value()) return false;
        if (!value) return true;
        return std::memcmp(&*value, &*o.value, sizeof(T)) == 0; // bit for bit: 0.0 is not -0.0
    }
};

template <class T, class F> Outcome<T> attempt(F&& f, std::string_view input) {
    try {
        return {f()};
    } catch (const diag::OverflowError&) {
        return {};
    } catch (const std::exception& e) {
        std::fprintf(stderr, "unexpected exception: %s\n", e.what());
        fail("only OverflowError may be raised", input);
    } catch (...) {
        fail("only OverflowError may be raised", input);
    }
}

// The number the rules describe: blanks left out, then the longest prefix of
// [sign] digits* [. digits*] [e [sign] digits+], with at least one mantissa digit and
// an exponent only after one; converted by strtod. nullopt when strtod overflows.
std::optional<double> expectedNumber(std::string_view text) {
    std::string s;
    for (char c : text)
        if (!isBlank(c)) s.push_back(c);
    size_t i = 0, mantissa = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    while (i < s.size() && isDigit(s[i])) ++i, ++mantissa;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) ++i, ++mantissa;
    }
    if (mantissa == 0) return 0.0;
    size_t end = i;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        size_t digits = 0;
        while (j < s.size() && isDigit(s[j])) ++j, ++digits;
        if (digits > 0) end = j;
    }
    std::string number = s.substr(0, end);
    double v = std::strtod(number.c_str(), nullptr);
    if (std::isinf(v)) return std::nullopt;
    return v == 0.0 ? 0.0 : v;
}

// Halves to even, by the C library in its default rounding mode.
double nearest(double v) { return std::nearbyint(v); }

void checkConversions(double v, std::string_view input) {
    // toSingle: an overflow exactly when the nearest float is infinite (or v is NaN).
    auto single = attempt<float>([&] { return diag::toSingle(v); }, input);
    float asFloat = static_cast<float>(v); // IEEE conversion: infinity past the float range
    if (std::isnan(v) || std::isinf(asFloat)) {
        if (single.value) fail("toSingle must overflow", input);
    } else {
        if (!single.value) fail("toSingle overflowed on a value within the float range", input);
        if (std::memcmp(&*single.value, &asFloat, sizeof asFloat) != 0) fail("toSingle is not the nearest float", input);
    }

    double r = nearest(v);
    auto i32 = attempt<int32_t>([&] { return diag::toInt32(v); }, input);
    if (std::isfinite(r) && r >= -2147483648.0 && r <= 2147483647.0) {
        if (!i32.value) fail("toInt32 overflowed within range", input);
        if (*i32.value != static_cast<int32_t>(r)) fail("toInt32 is not the nearest, halves to even", input);
        auto n16 = attempt<int16_t>([&] { return diag::narrowToInt16(*i32.value); }, input);
        if (n16.value.has_value() != (*i32.value >= -32768 && *i32.value <= 32767))
            fail("narrowToInt16 range", input);
        if (n16.value && *n16.value != *i32.value) fail("narrowToInt16 changed the value", input);
    } else if (i32.value) {
        fail("toInt32 must overflow", input);
    }

    auto i16 = attempt<int16_t>([&] { return diag::toInt16(v); }, input);
    if (std::isfinite(r) && r >= -32768.0 && r <= 32767.0) {
        if (!i16.value) fail("toInt16 overflowed within range", input);
        if (*i16.value != static_cast<int16_t>(r)) fail("toInt16 is not the nearest, halves to even", input);
    } else if (i16.value) {
        fail("toInt16 must overflow", input);
    }

    auto whole = attempt<std::string>([&] { return diag::wholeNumber(v); }, input);
    if (!std::isfinite(v)) {
        if (whole.value) fail("wholeNumber of a non-finite value must overflow", input);
        return;
    }
    if (!whole.value) fail("wholeNumber overflowed on a finite value", input);
    const std::string& w = *whole.value;
    // Plain decimal digits, a minus sign only before a non-zero number.
    size_t start = !w.empty() && w[0] == '-' ? 1 : 0;
    if (start == w.size()) fail("wholeNumber gave no digits", input);
    for (size_t k = start; k < w.size(); ++k)
        if (!isDigit(w[k])) fail("wholeNumber gave a character that is not a digit", input);
    if (w.size() - start > 1 && w[start] == '0') fail("wholeNumber gave a leading zero", input);
    if (w == "-0") fail("wholeNumber gave -0", input);
    // Read back, it is the rounded value itself (an integral double prints exactly).
    auto back = attempt<double>([&] { return diag::readNumber(w); }, input);
    if (!back.value || *back.value != r) fail("readNumber(wholeNumber(v)) differs from v rounded", input);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The program never changes the rounding mode or the locale; nearest() relies on it.
    if (std::fegetround() != FE_TONEAREST) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);

    auto got = attempt<double>([&] { return diag::readNumber(text); }, text);
    std::optional<double> want = expectedNumber(text);
    if (got.value.has_value() != want.has_value()) fail("readNumber overflow differs from the rules", text);
    if (got.value) {
        double v = *got.value;
        if (!std::isfinite(v)) fail("readNumber returned a non-finite value", text);
        if (v == 0.0 && std::signbit(v)) fail("readNumber returned -0", text);
        if (std::memcmp(&v, &*want, sizeof v) != 0) fail("readNumber differs from the rules", text);
    }

    // Blanks change nothing, wherever they stand.
    std::string squeezed;
    for (char c : text)
        if (!isBlank(c)) squeezed.push_back(c);
    if (!(attempt<double>([&] { return diag::readNumber(squeezed); }, text) == got))
        fail("readNumber changes when blanks are removed", text);

    // A text whose first non-blank character cannot start a number reads as 0; so does
    // one with no digit at all.
    bool noDigit = squeezed.find_first_of("0123456789") == std::string::npos;
    if (noDigit || (!squeezed.empty() && std::string_view("+-.0123456789").find(squeezed[0]) == std::string_view::npos)) {
        if (!got.value || *got.value != 0.0) fail("a text that does not begin with a number must read as 0", text);
    }
    // Whatever follows a complete number does not change it.
    if (got.value) {
        std::string extended = std::string(text) + "x123";
        if (!(attempt<double>([&] { return diag::readNumber(extended); }, text) == got))
            fail("text after the number changed it", text);
    }

    if (got.value) checkConversions(*got.value, text);
    // The conversions also get the raw bits of the input, for NaN, infinities and
    // values no decimal text would give.
    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        checkConversions(raw, text);
    }
    return 0;
}
