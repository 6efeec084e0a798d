#pragma once
// The little JSON the report needs, written by hand.
#include <string>
#include <string_view>

namespace diag {

// A JSON string, quoted: quotes and backslashes escaped, control characters as \n, \r,
// \t or \u00XX; everything else, UTF-8 included, as it is.
std::string jsonString(std::string_view utf8);

} // namespace diag
