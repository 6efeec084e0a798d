#pragma once
// One 20-byte record of the record file as it is stored: the text, filled up with `fill`.
#include <string>
#include <string_view>

namespace diag::test {

inline std::string rec(std::string_view text, char fill = ' ') {
    std::string r(text.substr(0, 20));
    r.resize(20, fill);
    return r;
}

} // namespace diag::test
