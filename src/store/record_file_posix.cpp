// The record file on POSIX systems (native build).
#include "store/open_files.h"
#include "store/record_file.h"

#include "app/errors.h"
#include "store/store_errors.h"
#include "app/system_reason.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace diag {

std::string currentDirectory() {
    char buf[4096];
    return getcwd(buf, sizeof buf) ? std::string(buf) : std::string(".");
}

void RecordFile::open(const std::string& name) {
    begin(name);
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    readOnly_ = false;
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        int denied = errno;
        fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) errno = denied; // the reason that matters is why it cannot be written
        readOnly_ = fd >= 0;
    }
    if (fd < 0) failOpen(systemReason(errno), FileError::Cause::System);
    adopt(fd, FileError::Op::Open);
}

bool RecordFile::openToRead(const std::string& name) {
    begin(name);
    int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) return false;
    if (fd < 0) fail(FileError::Op::OpenToRead, systemReason(errno));
    adopt(fd, FileError::Op::OpenToRead);
    readOnly_ = true;
    return true;
}

void RecordFile::adopt(intptr_t handle, FileError::Op op) {
    int fd = static_cast<int>(handle);
    struct stat st {};
    if (fstat(fd, &st) == 0 && !S_ISREG(st.st_mode)) {
        ::close(fd);
        if (op == FileError::Op::Open) failOpen(systemReason(EISDIR), FileError::Cause::System);
        fail(op, systemReason(EISDIR));
    }
    handle_ = fd;
    trackOpenFile(this);
}

void RecordFile::close() {
    if (!isOpen()) return;
    ::close(static_cast<int>(handle_));
    handle_ = kClosed;
    untrackOpenFile(this);
}

Record RecordFile::read(int32_t recordNumber) {
    check(FileError::Op::Read, recordNumber);
    char buf[kRecordLength];
    size_t got = 0;
    off_t offset = static_cast<off_t>(recordNumber - 1) * static_cast<off_t>(kRecordLength);
    while (got < kRecordLength) {
        ssize_t n = pread(static_cast<int>(handle_), buf + got, kRecordLength - got, offset + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail(FileError::Op::Read, systemReason(errno));
        if (n == 0) break; // end of file: the rest reads as spaces
        got += static_cast<size_t>(n);
    }
    return Record(std::string_view(buf, got));
}

void RecordFile::write(int32_t recordNumber, const Record& record) {
    check(FileError::Op::Write, recordNumber);
    std::string_view bytes = record.view();
    size_t done = 0;
    off_t offset = static_cast<off_t>(recordNumber - 1) * static_cast<off_t>(kRecordLength);
    while (done < bytes.size()) {
        ssize_t n = pwrite(static_cast<int>(handle_), bytes.data() + done, bytes.size() - done,
                           offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail(FileError::Op::Write, systemReason(n < 0 ? errno : EIO));
        done += static_cast<size_t>(n);
    }
}

} // namespace diag
