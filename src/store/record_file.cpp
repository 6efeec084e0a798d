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

} // namespace diag
