#pragma once
// The little JSON the report needs, written by hand.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace diag {

// A JSON string, quoted: quotes and backslashes escaped, control characters as \n, \r,
// \t or \u00XX, the line and paragraph separators U+2028 and U+2029 as \u2028 and
// \u2029 (a script that takes the report for code would end a line there); everything
// else, UTF-8 included, as it is.
std::string jsonString(std::string_view utf8);

// The members of one JSON object, appended to `out` in order, each after `separator`.
class JsonMembers {
  public:
    JsonMembers(std::string& out, const char* separator) : out_(out), separator_(separator) { out_ += '{'; }
    JsonMembers& raw(const char* key, std::string_view json);
    JsonMembers& text(const char* key, std::string_view value) { return raw(key, jsonString(value)); }
    JsonMembers& number(const char* key, int64_t value) { return raw(key, std::to_string(value)); }
    JsonMembers& boolean(const char* key, bool value) { return raw(key, value ? "true" : "false"); }
    JsonMembers& numbers(std::initializer_list<std::pair<const char*, int64_t>> members) {
        for (const auto& [key, value] : members) number(key, value);
        return *this;
    }
    void close(const char* before = "") {
        out_ += before;
        out_ += '}';
    }

  private:
    std::string& out_;
    const char* separator_;
    bool first_ = true;
};

// An object of whole numbers only, on one line.
std::string jsonNumbers(std::initializer_list<std::pair<const char*, int64_t>> members);

} // namespace diag
