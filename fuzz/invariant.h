#pragma once
// What a fuzz target says when an invariant fails: which, and the input (its first 200
// bytes, escaped), then abort so that libFuzzer saves the input.
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace fuzz {

// The input of the run under way.
inline std::string_view g_input;

[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "invariant failed: %s\ninput (%zu bytes): \"", what, g_input.size());
    for (size_t i = 0; i < g_input.size() && i < 200; ++i) {
        auto c = static_cast<unsigned char>(g_input[i]);
        std::fprintf(stderr, c >= 0x20 && c < 0x7F && c != '"' ? "%c" : "\\x%02X", c);
    }
    std::fprintf(stderr, "%s\"\n", g_input.size() > 200 ? "..." : "");
    std::abort();
}

} // namespace fuzz
