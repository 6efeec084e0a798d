// The record file on Windows: CreateFileW with shared read and write, OPEN_ALWAYS; or
// read-only, shared with everyone, OPEN_EXISTING.
#include "store/open_files.h"
#include "store/store_errors.h"
#include "store/record_file.h"

#include "app/win32_wide.h"
#include "app/system_reason.h"

#include <windows.h>

namespace diag {

namespace {

HANDLE asHandle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

// Another program holds the file without sharing it (a backup, an antivirus scan, the
// point-of-sale program): told as such, not in the system's words.
bool inUse(DWORD err) { return err == ERROR_SHARING_VIOLATION || err == ERROR_LOCK_VIOLATION; }
constexpr const char* kInUse = "le fichier est utilisé par un autre programme (violation de partage)";

} // namespace

std::string currentDirectory() {
    wchar_t buf[MAX_PATH * 4];
    DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(std::size(buf)), buf);
    return n && n < std::size(buf) ? narrow(std::wstring_view(buf, n)) : std::string(".");
}

void RecordFile::open(const std::string& name) {
    begin(name);
    std::wstring path = widen(name);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    readOnly_ = false;
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
        h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
        readOnly_ = h != INVALID_HANDLE_VALUE;
        if (!readOnly_) SetLastError(ERROR_ACCESS_DENIED); // why it cannot be written is what matters
    }
    if (h == INVALID_HANDLE_VALUE) {
        DWORD err = GetLastError();
        if (inUse(err)) failOpen(kInUse, FileError::Cause::InUse);
        failOpen(systemReason(err), FileError::Cause::System);
    }
    adopt(reinterpret_cast<intptr_t>(h), FileError::Op::Open);
}

bool RecordFile::openToRead(const std::string& name) {
    begin(name);
    HANDLE h = CreateFileW(widen(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD err = GetLastError();
        if (err == ERROR_FILE_NOT_FOUND) return false;
        if (inUse(err)) fail(FileError::Op::OpenToRead, kInUse, FileError::Cause::InUse);
        fail(FileError::Op::OpenToRead, systemReason(err));
    }
    adopt(reinterpret_cast<intptr_t>(h), FileError::Op::OpenToRead);
    readOnly_ = true;
    return true;
}

// CreateFileW opens no folder without FILE_FLAG_BACKUP_SEMANTICS: every handle here is a file's.
void RecordFile::adopt(intptr_t handle, FileError::Op) {
    handle_ = handle;
    trackOpenFile(this);
}

void RecordFile::close() {
    if (!isOpen()) return;
    CloseHandle(asHandle(handle_));
    handle_ = kClosed;
    untrackOpenFile(this);
}

Record RecordFile::read(int32_t recordNumber) {
    check(FileError::Op::Read, recordNumber);
    char buf[kRecordLength];
    ULONGLONG offset = static_cast<ULONGLONG>(recordNumber - 1) * kRecordLength;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (!ReadFile(asHandle(handle_), buf, static_cast<DWORD>(kRecordLength), &got, &at)) {
        DWORD err = GetLastError();
        if (err != ERROR_HANDLE_EOF) fail(FileError::Op::Read, systemReason(err));
        got = 0; // past the end: the record reads as spaces
    }
    return Record(std::string_view(buf, got));
}

void RecordFile::write(int32_t recordNumber, const Record& record) {
    check(FileError::Op::Write, recordNumber);
    ULONGLONG offset = static_cast<ULONGLONG>(recordNumber - 1) * kRecordLength;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD done = 0;
    if (!WriteFile(asHandle(handle_), record.view().data(), static_cast<DWORD>(kRecordLength), &done, &at))
        fail(FileError::Op::Write, systemReason(GetLastError()));
    if (done != kRecordLength) fail(FileError::Op::Write, "écriture incomplète");
}

} // namespace diag
