#include "command_line/json.h"

#include <cstdio>

namespace diag {

std::string jsonString(std::string_view utf8) {
    std::string out = "\"";
    for (size_t i = 0; i < utf8.size(); ++i) {
        char ch = utf8[i];
        auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else if (c == 0xE2 && utf8.substr(i + 1, 1) == "\x80" && i + 2 < utf8.size() &&
                   (utf8[i + 2] == '\xA8' || utf8[i + 2] == '\xA9')) {
            out += utf8[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            out += ch;
        }
    }
    return out + '"';
}

JsonMembers& JsonMembers::raw(const char* key, std::string_view json) {
    if (!first_) out_ += separator_;
    first_ = false;
    out_ += '"';
    out_ += key;
    out_ += "\": ";
    out_ += json;
    return *this;
}

std::string jsonNumbers(std::initializer_list<std::pair<const char*, int64_t>> members) {
    std::string out;
    JsonMembers(out, ", ").numbers(members).close();
    return out;
}

} // namespace diag
