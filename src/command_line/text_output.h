#pragma once
// Where the command line writes: its standard output or standard error.
#include <string>
#include <string_view>

namespace diag {

class TextOutput {
  public:
    virtual ~TextOutput() = default;
    // UTF-8 text, written whole; false when it could not be, with the reason in failure().
    virtual bool write(std::string_view utf8) = 0;
    virtual std::string failure() const = 0; // UTF-8, without the final full stop
};

} // namespace diag
