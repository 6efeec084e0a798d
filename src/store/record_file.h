#pragma once
// A file of fixed 20-byte records, numbered from 1, opened for reading and writing in
// shared mode (no lock: other processes may read and write it meanwhile) and created
// empty when missing; or opened only to be read, never created. Every open file is
// tracked so the exit can close them all.
//
// A read that reaches past the end of the file yields spaces for the missing bytes: a
// record beyond the end reads as a blank record (so as no marker and as the number 0),
// a record cut short by the end is filled with spaces. One rule for every read.
#include "app/errors.h"
#include "store/store_errors.h"
#include "app/module1.h"

#include <cstdint>
#include <string>

namespace diag {

class RecordFile {
  public:
    RecordFile() = default;
    virtual ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    // Relative names are resolved against the current directory at this moment. A file
    // that may not be written (read-only) is opened for reading only: an initialised
    // record file is never written, so it still serves; a write then fails.
    void open(const std::string& name); // FileError
    // For reading only, shared with readers, writers and deleters, so it neither changes
    // nor locks the file. False when there is no such file (nothing is created); FileError
    // (OpenToRead) when it exists but cannot be read.
    bool openToRead(const std::string& name);
    bool readOnly() const { return readOnly_; }
    void close();                       // no error when not open
    bool isOpen() const { return handle_ != kClosed; }

    // Virtual so that tests can make a read or a write fail as a disk or a network would.
    virtual Record read(int32_t recordNumber);                     // FileError
    virtual void write(int32_t recordNumber, const Record& record); // FileError

    const std::string& name() const { return name_; }
    const std::string& directory() const { return directory_; }

  private:
    [[noreturn]] void fail(FileError::Op op, const std::string& reason,
                           FileError::Cause cause = FileError::Cause::System) const;
    // A failed open(): remembered, so that a later use tells why the file is not open.
    [[noreturn]] void failOpen(const std::string& reason, FileError::Cause cause);
    // Takes an opened handle as this file's, once it is known to be a plain file.
    void adopt(intptr_t handle, FileError::Op op);
    // Closes what is open and names the file, resolved against the current directory now.
    void begin(const std::string& name);
    // FileError unless the file is open (for writing too, for a write) and the number is one.
    void check(FileError::Op op, int32_t recordNumber) const;
    static constexpr intptr_t kClosed = -1;
    intptr_t handle_ = kClosed; // a HANDLE on Windows, a descriptor elsewhere
    bool readOnly_ = false;
    std::string name_, directory_;
    std::string openFailure_; // why the last open() failed; empty after any other opening
    FileError::Cause openFailureCause_ = FileError::Cause::System;
};

// Closes every RecordFile that is open.
void closeAllFiles();

// The current directory, UTF-8, for messages.
std::string currentDirectory();

} // namespace diag
