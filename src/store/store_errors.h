#pragma once
// The errors of the record file and the whole-file writes.
#include "app/errors.h"

#include <string>

namespace diag {

// The record file could not be opened, read or written.
class FileError : public AppError {
  public:
    std::string describe() const override;
    enum class Op { Open, OpenToRead, Read, Write, Close };
    // Beyond the system's words: another program holds the file (a sharing violation), or
    // the file is used in a run whose opening of it at start-up failed, for any reason or
    // because another program held it then; reason() is then that opening's.
    enum class Cause { System, InUse, NotOpenedAtStart, InUseAtStart };
    FileError(Op op, std::string fileName, std::string directory, std::string reason, Cause cause = Cause::System)
        : AppError("file error: " + fileName + ": " + reason), op_(op), cause_(cause),
          fileName_(std::move(fileName)), directory_(std::move(directory)), reason_(std::move(reason)) {}
    Op op() const { return op_; }
    Cause cause() const { return cause_; }
    const std::string& fileName() const { return fileName_; }
    const std::string& directory() const { return directory_; }
    const std::string& reason() const { return reason_; } // the operating system's words, UTF-8

  private:
    Op op_;
    Cause cause_;
    std::string fileName_, directory_, reason_;
};

// The saved resolution cannot be a screen mode (a blank, zero, negative or huge size, a
// depth that no display has): going back to it would ask the system for nothing sensible.
class SavedModeError : public AppError {
  public:
    std::string describe() const override;
    enum class Part { Width, Height, Bits };
    SavedModeError(std::string fileName, Part part, std::string text)
        : AppError("unusable saved resolution"), fileName_(std::move(fileName)), part_(part),
          text_(std::move(text)) {}
    const std::string& fileName() const { return fileName_; }
    Part part() const { return part_; }
    const std::string& text() const { return text_; } // as stored, trimmed, UTF-8

  private:
    std::string fileName_;
    Part part_;
    std::string text_;
};

// No saved resolution to go back to: the record file is absent, or it was never
// initialised (no marker in record 1).
class NoSavedModeError : public AppError {
  public:
    std::string describe() const override;
    NoSavedModeError(std::string fileName, std::string directory, bool absent)
        : AppError("no saved resolution"), fileName_(std::move(fileName)), directory_(std::move(directory)),
          absent_(absent) {}
    const std::string& fileName() const { return fileName_; }
    const std::string& directory() const { return directory_; }
    bool absent() const { return absent_; }

  private:
    std::string fileName_, directory_;
    bool absent_;
};

} // namespace diag
