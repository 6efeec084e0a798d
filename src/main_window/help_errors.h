#pragma once
// The errors of the help command.
#include "app/errors.h"

#include <string>
#include <vector>

namespace diag {

// Neither the help browser nor the default browser could be started. The location is
// the web address, or the path of the page written on this computer.
class HelpPageError : public AppError {
  public:
    std::string describe() const override;
    HelpPageError(std::string location, bool localFile)
        : AppError("help page not opened"), location_(std::move(location)), localFile_(localFile) {}
    const std::string& location() const { return location_; }
    bool localFile() const { return localFile_; }

  private:
    std::string location_;
    bool localFile_;
};

// The built-in help page could be written in none of the folders tried.
class HelpPageWriteError : public AppError {
  public:
    std::string describe() const override;
    struct Attempt {
        std::string folder, reason; // UTF-8
    };
    explicit HelpPageWriteError(std::vector<Attempt> attempts)
        : AppError("help page not written"), attempts_(std::move(attempts)) {}
    const std::vector<Attempt>& attempts() const { return attempts_; }

  private:
    std::vector<Attempt> attempts_;
};

} // namespace diag
