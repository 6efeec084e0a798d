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

} // namespace

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
