#pragma once
// Typed errors raised by the value rules, the record file and the display service.
// They travel up to the event that started the work: Form::deliver (forms/form.h) for
// the window, runSwitch's cases (report/command_line.h) for the command line, which tell
// them in French. On the way only a few places catch one to go on or to put it aside:
// the start-up capture keeps the file's failure to tell it after the labels
// (store/saved_resolution.cpp), the report notes what it could not read
// (report/report.cpp), the help page tries its next folder (main_window/help.cpp), and
// the whole-file writes remove what they made before passing it on.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace diag {

class AppError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A value that does not fit the variable or integer it is stored in.
class OverflowError : public AppError {
  public:
    explicit OverflowError(std::string value)
        : AppError("overflow: " + value), value_(std::move(value)) {}
    const std::string& value() const { return value_; }

  private:
    std::string value_;
};

// Invalid operation, division by zero or overflow inside a floating-point computation.
class FloatingPointError : public AppError {
  public:
    using AppError::AppError;
};

// The record file could not be opened, read or written.
class FileError : public AppError {
  public:
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

// The system refused a display change, or applied it without storing it.
class DisplayChangeError : public AppError {
  public:
    // `inForce`: the mode is on the screen, only storing it failed (as DISP_CHANGE_NOTUPDATED says).
    DisplayChangeError(int32_t width, int32_t height, int16_t bits, int32_t code, bool inForce = false)
        : AppError("display change refused, code " + std::to_string(code)), width_(width), height_(height),
          bits_(bits), code_(code), inForce_(inForce || code == -3) {}
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    int16_t bits() const { return bits_; }
    int32_t code() const { return code_; } // a DISP_CHANGE_* value
    bool inForce() const { return inForce_; }

  private:
    int32_t width_, height_;
    int16_t bits_;
    int32_t code_;
    bool inForce_;
};

// The saved resolution cannot be a screen mode (a blank, zero, negative or huge size, a
// depth that no display has): going back to it would ask the system for nothing sensible.
class SavedModeError : public AppError {
  public:
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

// The system could not make a window, a font, an icon or a timer the program needs.
class CreationError : public AppError {
  public:
    CreationError(std::string what, std::string reason)
        : AppError("could not create " + what), thing_(std::move(what)), reason_(std::move(reason)) {}
    const std::string& thing() const { return thing_; } // French, e.g. "la fenêtre « Confirmation »"
    const std::string& reason() const { return reason_; }

  private:
    std::string thing_, reason_;
};

// No saved resolution to go back to: the record file is absent, or it was never
// initialised (no marker in record 1).
class NoSavedModeError : public AppError {
  public:
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

// Neither the help browser nor the default browser could be started. The location is
// the web address, or the path of the page written on this computer.
class HelpPageError : public AppError {
  public:
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
