#pragma once
// The Win32 edge of the command line (Windows builds only): the arguments, the computer's
// name, and the standard output and error of a window program.
#include "command_line/text_output.h"

#include <string>
#include <vector>

namespace diag {

// The arguments after the program's name, UTF-8, split as the system splits them.
std::vector<std::string> commandLineArguments();

// The computer's name as the network knows it, UTF-8.
std::string computerName();

// The handle the program inherited (a redirection, a pipe: UTF-8 bytes); without one, the
// console of the process that started it (UTF-16, so accents show in any code page).
class Win32StdStream final : public TextOutput {
  public:
    enum class Which { Output, Error };
    explicit Win32StdStream(Which which);
    bool write(std::string_view utf8) override;
    std::string failure() const override { return failure_; }

  private:
    bool fail(bool callSucceeded); // false, with the reason kept
    void* handle_;
    bool console_ = false;
    std::string failure_;
};

} // namespace diag
