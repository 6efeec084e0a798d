#pragma once
// The density the harness set for this run (DIAGRESO_TEST_DPI): the Windows tiers run
// once at 96 dpi and some tests again at 120.
#include <cstdlib>
#include <optional>
#include <string>

namespace diag::test {

inline std::optional<int> harnessDpi() {
    const char* value = std::getenv("DIAGRESO_TEST_DPI");
    if (!value || !*value) return std::nullopt;
    return std::atoi(value);
}

// True at 96 dpi, or when the harness said nothing.
inline bool at96dpi() { return harnessDpi().value_or(96) == 96; }

} // namespace diag::test
