#pragma once
// JSON as the reports of tills hold it (RFC 8259, UTF-8), read into a small tree. Every
// byte comes from elsewhere (a till, a share, whoever wrote there): nothing here throws
// or aborts for what a text holds, and nesting is bounded, so neither the stack nor the
// page can be made to run away. Sizes are bounded by whoever reads the file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace diag {

struct JsonMember;

struct JsonValue {
    // OtherNumber: a fraction, an exponent or a whole number beyond 64 bits; a report holds
    // none, so its value is not kept.
    enum class Kind : uint8_t { Null, Boolean, Integer, OtherNumber, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    int64_t integer = 0;
    std::string text;               // String: UTF-8, escapes undone
    std::vector<JsonValue> items;   // Array
    std::vector<JsonMember> members; // Object, in the order written

    // The member of an object by its name; none for another kind or a missing name.
    const JsonValue* find(std::string_view name) const;
    bool isNull() const { return kind == Kind::Null; }
};

struct JsonMember {
    std::string name;
    JsonValue value;
};

// The deepest nesting read: a report nests 5 deep; more is not a report.
inline constexpr int kMostJsonDepth = 16;

// Why a text was not read.
enum class JsonProblem {
    None,
    NotUtf8,   // a byte sequence that is not UTF-8, or an escaped lone surrogate
    CutShort,  // the text ends inside a value
    TooDeep,   // nested beyond kMostJsonDepth
    Syntax,    // anything else that is not JSON, duplicate names in one object included
};

struct JsonReading {
    JsonValue value;
    JsonProblem problem = JsonProblem::None;
    size_t offset = 0; // where the problem was found, in bytes
};

// One JSON value, blanks around it allowed, after an optional UTF-8 byte-order mark. With
// `keep`, of a top-level object only the members it names are kept; the others are read
// (a text that is not JSON is still told) but not stored.
JsonReading readJson(std::string_view text, const std::vector<std::string_view>* keep = nullptr);

} // namespace diag
