// What the record file does the same on every system.
#include "store/record_file.h"
#include "store/store_errors.h"

namespace diag {

RecordFile::~RecordFile() { close(); }

void RecordFile::fail(FileError::Op op, const std::string& reason, FileError::Cause cause) const {
    throw FileError(op, name_, directory_, reason, cause);
}

void RecordFile::failOpen(const std::string& reason, FileError::Cause cause) {
    openFailure_ = reason;
    openFailureCause_ = cause;
    fail(FileError::Op::Open, reason, cause);
}

void RecordFile::begin(const std::string& name) {
    close();
    name_ = name;
    directory_ = currentDirectory();
    openFailure_.clear();
}

void RecordFile::check(FileError::Op op, int32_t recordNumber) const {
    // The window opens the file once, at start-up: after a failed opening, why it failed.
    using Cause = FileError::Cause;
    if (!isOpen() && !openFailure_.empty())
        fail(op, openFailure_, openFailureCause_ == Cause::InUse ? Cause::InUseAtStart : Cause::NotOpenedAtStart);
    if (!isOpen()) fail(op, "le fichier n'est pas ouvert");
    if (op == FileError::Op::Write && readOnly_) fail(op, "le fichier est en lecture seule");
    if (recordNumber < 1) fail(op, "numéro d'enregistrement incorrect");
}

} // namespace diag
