// What the record file does the same on every system.
#include "store/record_file.h"

namespace diag {

RecordFile::~RecordFile() { close(); }

void RecordFile::fail(FileError::Op op, const std::string& reason) const {
    throw FileError(op, name_, directory_, reason);
}

void RecordFile::begin(const std::string& name) {
    close();
    name_ = name;
    directory_ = currentDirectory();
}

void RecordFile::check(FileError::Op op, int32_t recordNumber) const {
    if (!isOpen()) fail(op, "le fichier n'est pas ouvert");
    if (op == FileError::Op::Write && readOnly_) fail(op, "le fichier est en lecture seule");
    if (recordNumber < 1) fail(op, "numéro d'enregistrement incorrect");
}

} // namespace diag
