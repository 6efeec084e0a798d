#include "synthese/json_reader.h"

#include <algorithm>

namespace diag {

namespace {

// The length of the UTF-8 sequence at `at`, 0 where it is not one: no overlong form, no
// surrogate, nothing beyond U+10FFFF (RFC 3629).
size_t utf8Length(std::string_view s, size_t at) {
    auto byte = [&](size_t i) { return i < s.size() ? static_cast<unsigned char>(s[i]) : 0u; };
    unsigned c = byte(at);
    if (c < 0x80) return 1;
    auto follows = [&](size_t i, unsigned lo = 0x80, unsigned hi = 0xBF) { return byte(i) >= lo && byte(i) <= hi; };
    if (c >= 0xC2 && c <= 0xDF) return follows(at + 1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        unsigned lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
        return follows(at + 1, lo, hi) && follows(at + 2) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        unsigned lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
        return follows(at + 1, lo, hi) && follows(at + 2) && follows(at + 3) ? 4 : 0;
    }
    return 0;
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

class Reader {
  public:
    Reader(std::string_view text, const std::vector<std::string_view>* keep) : s_(text), keep_(keep) {}

    JsonReading read() {
        JsonReading r;
        if (s_.substr(0, 3) == "\xEF\xBB\xBF") at_ = 3;
        for (size_t i = at_; i < s_.size();) {
            size_t n = utf8Length(s_, i);
            if (n == 0) return failed(JsonProblem::NotUtf8, i);
            i += n;
        }
        blanks();
        if (!value(&r.value, 0)) {
            r.problem = problem_;
            r.offset = problemAt_;
            r.value = {};
            return r;
        }
        blanks();
        if (at_ != s_.size()) {
            r.problem = JsonProblem::Syntax;
            r.offset = at_;
            r.value = {};
        }
        return r;
    }

  private:
    JsonReading failed(JsonProblem p, size_t at) {
        JsonReading r;
        r.problem = p;
        r.offset = at;
        return r;
    }
    bool fail(JsonProblem p) {
        problem_ = at_ >= s_.size() && p == JsonProblem::Syntax ? JsonProblem::CutShort : p;
        problemAt_ = at_;
        return false;
    }
    void blanks() {
        while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r')) ++at_;
    }
    bool literal(std::string_view word) {
        if (s_.substr(at_, word.size()) != word) {
            // A word the text stops in the middle of is cut short, not mistyped.
            if (at_ + word.size() > s_.size() && word.substr(0, s_.size() - at_) == s_.substr(at_)) at_ = s_.size();
            return fail(JsonProblem::Syntax);
        }
        at_ += word.size();
        return true;
    }
    bool digits() {
        size_t from = at_;
        while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') ++at_;
        return at_ > from || fail(JsonProblem::Syntax);
    }

    bool number(JsonValue& v) {
        size_t from = at_;
        bool negative = s_[at_] == '-';
        if (negative) ++at_;
        if (at_ < s_.size() && s_[at_] == '0') {
            ++at_;
        } else if (!digits()) {
            return false;
        }
        bool whole = true;
        if (at_ < s_.size() && s_[at_] == '.') {
            ++at_;
            if (!digits()) return false;
            whole = false;
        }
        if (at_ < s_.size() && (s_[at_] == 'e' || s_[at_] == 'E')) {
            ++at_;
            if (at_ < s_.size() && (s_[at_] == '+' || s_[at_] == '-')) ++at_;
            if (!digits()) return false;
            whole = false;
        }
        v.kind = JsonValue::Kind::OtherNumber;
        if (!whole) return true;
        // Accumulated negatively, so that the most negative 64-bit value reads too.
        int64_t n = 0;
        for (size_t i = from + (negative ? 1 : 0); i < at_; ++i) {
            int d = s_[i] - '0';
            if (n < (INT64_MIN + d) / 10) return true; // beyond 64 bits
            n = n * 10 - d;
        }
        if (!negative && n == INT64_MIN) return true;
        v.kind = JsonValue::Kind::Integer;
        v.integer = negative ? n : -n;
        return true;
    }

    bool hex4(uint32_t& cp) {
        cp = 0;
        for (int i = 0; i < 4; ++i, ++at_) {
            if (at_ >= s_.size()) return fail(JsonProblem::CutShort);
            char c = s_[at_];
            unsigned d = c >= '0' && c <= '9' ? unsigned(c - '0')
                         : c >= 'a' && c <= 'f' ? unsigned(c - 'a' + 10)
                         : c >= 'A' && c <= 'F' ? unsigned(c - 'A' + 10)
                                                : 16u;
            if (d == 16) return fail(JsonProblem::Syntax);
            cp = cp * 16 + d;
        }
        return true;
    }

    // Into `out`, or only checked where it is null.
    bool string(std::string* out) {
        ++at_; // the opening quote
        for (;;) {
            if (at_ >= s_.size()) return fail(JsonProblem::CutShort);
            auto c = static_cast<unsigned char>(s_[at_]);
            if (c == '"') {
                ++at_;
                return true;
            }
            if (c < 0x20) return fail(JsonProblem::Syntax);
            if (c != '\\') {
                // Runs of plain bytes in one go: a report's strings are mostly that.
                size_t from = at_;
                while (at_ < s_.size() && s_[at_] != '"' && s_[at_] != '\\' &&
                       static_cast<unsigned char>(s_[at_]) >= 0x20)
                    ++at_;
                if (out) out->append(s_, from, at_ - from);
                continue;
            }
            if (++at_ >= s_.size()) return fail(JsonProblem::CutShort);
            char e = s_[at_++];
            std::string scratch;
            std::string& to = out ? *out : scratch;
            switch (e) {
            case '"': to += '"'; break;
            case '\\': to += '\\'; break;
            case '/': to += '/'; break;
            case 'b': to += '\b'; break;
            case 'f': to += '\f'; break;
            case 'n': to += '\n'; break;
            case 'r': to += '\r'; break;
            case 't': to += '\t'; break;
            case 'u': {
                uint32_t cp = 0;
                size_t escape = at_ - 2;
                if (!hex4(cp)) return false;
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    uint32_t low = 0;
                    if (s_.substr(at_, 2) != "\\u") {
                        if (at_ + 2 > s_.size() && s_.substr(at_) == std::string_view("\\").substr(0, s_.size() - at_))
                            return fail(JsonProblem::CutShort);
                        at_ = escape;
                        return fail(JsonProblem::NotUtf8);
                    }
                    at_ += 2;
                    if (!hex4(low)) return false;
                    if (low < 0xDC00 || low > 0xDFFF) {
                        at_ = escape;
                        return fail(JsonProblem::NotUtf8);
                    }
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                    at_ = escape;
                    return fail(JsonProblem::NotUtf8);
                }
                appendUtf8(to, cp);
                break;
            }
            default: --at_; return fail(JsonProblem::Syntax);
            }
        }
    }

    // Into `v`, or only checked where it is null: a member nobody reads costs no memory,
    // however large. At the top, only the members `keep_` names are kept (all without it).
    bool value(JsonValue* v, int depth) {
        if (at_ >= s_.size()) return fail(JsonProblem::CutShort);
        char c = s_[at_];
        JsonValue scratch;
        JsonValue& into = v ? *v : scratch;
        switch (c) {
        case '{':
        case '[': {
            if (depth + 1 > kMostJsonDepth) return fail(JsonProblem::TooDeep);
            bool object = c == '{';
            into.kind = object ? JsonValue::Kind::Object : JsonValue::Kind::Array;
            ++at_;
            blanks();
            char close = object ? '}' : ']';
            if (at_ < s_.size() && s_[at_] == close) {
                ++at_;
                return true;
            }
            std::string name;
            for (;;) {
                blanks();
                JsonValue* item = nullptr;
                if (object) {
                    if (at_ >= s_.size()) return fail(JsonProblem::CutShort);
                    if (s_[at_] != '"') return fail(JsonProblem::Syntax);
                    name.clear();
                    if (!string(&name)) return false;
                    blanks();
                    if (at_ >= s_.size()) return fail(JsonProblem::CutShort);
                    if (s_[at_] != ':') return fail(JsonProblem::Syntax);
                    ++at_;
                    blanks();
                    bool kept = v && (depth > 0 || !keep_ || std::find(keep_->begin(), keep_->end(), name) != keep_->end());
                    if (kept) {
                        into.members.push_back({std::move(name), {}});
                        item = &into.members.back().value;
                    }
                } else if (v) {
                    into.items.emplace_back();
                    item = &into.items.back();
                }
                if (!value(item, depth + 1)) return false;
                blanks();
                if (at_ >= s_.size()) return fail(JsonProblem::CutShort);
                if (s_[at_] == close) {
                    ++at_;
                    return true;
                }
                if (s_[at_] != ',') return fail(JsonProblem::Syntax);
                ++at_;
            }
        }
        case '"': into.kind = JsonValue::Kind::String; return string(v ? &into.text : nullptr);
        case 't': into.kind = JsonValue::Kind::Boolean; into.boolean = true; return literal("true");
        case 'f': into.kind = JsonValue::Kind::Boolean; return literal("false");
        case 'n': return literal("null");
        default:
            if (c == '-' || (c >= '0' && c <= '9')) return number(into);
            return fail(JsonProblem::Syntax);
        }
    }

    std::string_view s_;
    const std::vector<std::string_view>* keep_;
    size_t at_ = 0;
    JsonProblem problem_ = JsonProblem::None;
    size_t problemAt_ = 0;
};

} // namespace

const JsonValue* JsonValue::find(std::string_view name) const {
    if (kind != Kind::Object) return nullptr;
    // The first of two members of one name, as most readers do.
    for (const JsonMember& m : members)
        if (m.name == name) return &m.value;
    return nullptr;
}

JsonReading readJson(std::string_view text, const std::vector<std::string_view>* keep) {
    return Reader(text, keep).read();
}

} // namespace diag
