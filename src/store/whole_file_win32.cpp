// Whole files on Windows: CreateFileW beside the target, then MoveFileExW over it.
#include "store/whole_file.h"

#include "app/errors.h"
#include "app/win32_wide.h"
#include "app/system_reason.h"

#include <windows.h>

namespace diag {

namespace {

[[noreturn]] void fail(std::string_view path, DWORD code) {
    throw FileError(FileError::Op::Write, std::string(leafOf(path)), std::string(folderOf(path)),
                    systemReason(code));
}

// Every folder of the path that does not exist yet, from the top down.
void makeFolders(const std::wstring& folder, std::string_view path) {
    if (folder.empty() || GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    size_t up = folder.find_last_of(L"\\/");
    if (up != std::wstring::npos && up > 0) makeFolders(folder.substr(0, up), path);
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        fail(path, GetLastError());
}

// The full path the system makes of a path: current folder, . and .., one separator.
std::wstring fullPath(std::string_view path) {
    std::wstring given = widen(path);
    std::wstring full(MAX_PATH, L'\0');
    DWORD n = GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n > full.size()) {
        full.resize(n);
        n = GetFullPathNameW(given.c_str(), n, full.data(), nullptr);
    }
    if (n == 0) return given;
    full.resize(n);
    return full;
}

// The volume and the file index of an existing file or folder; opened for no access, so
// it neither disturbs nor waits on another program's use of it.
bool identify(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = GetFileInformationByHandle(h, &info) != FALSE;
    CloseHandle(h);
    return ok;
}

} // namespace

bool sameFile(std::string_view a, std::string_view b) {
    std::wstring fullA = fullPath(a), fullB = fullPath(b);
    if (CompareStringOrdinal(fullA.c_str(), -1, fullB.c_str(), -1, TRUE) == CSTR_EQUAL) return true;
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    return identify(fullA, ia) && identify(fullB, ib) && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

void writeWholeFile(const std::string& path, std::string_view bytes) {
    makeFolders(widen(folderOf(path)), path);
    std::wstring target = widen(path);
    std::wstring beside = target + L".~" + std::to_wstring(GetCurrentProcessId());
    HANDLE h = CreateFileW(beside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) fail(path, GetLastError());
    DWORD written = 0;
    BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    DWORD code = ok ? (written == bytes.size() ? ERROR_SUCCESS : ERROR_DISK_FULL) : GetLastError();
    if (!CloseHandle(h) && code == ERROR_SUCCESS) code = GetLastError();
    if (code == ERROR_SUCCESS &&
        !MoveFileExW(beside.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        code = GetLastError();
    if (code != ERROR_SUCCESS) {
        DeleteFileW(beside.c_str());
        fail(path, code);
    }
}

} // namespace diag
