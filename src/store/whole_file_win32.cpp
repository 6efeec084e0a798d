// Whole files on Windows: CreateFileW beside the target, then MoveFileExW over it; the
// file a path reaches, told by its handle.
#include "store/whole_file.h"

#include "app/errors.h"
#include "store/paths.h"
#include "store/store_errors.h"
#include "app/win32_handles.h"
#include "app/win32_wide.h"
#include "app/system_reason.h"

#include <windows.h>

namespace diag {

namespace {

[[noreturn]] void fail(std::string_view path, DWORD code) {
    throw FileError(FileError::Op::Write, std::string(leafOf(path)), std::string(folderOf(path)),
                    systemReason(code));
}

// Every folder of the path that does not exist yet, from the top down, noted in `made`.
void makeFolders(const std::wstring& folder, std::string_view path, MadeFolders& made) {
    if (folder.empty() || GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    size_t up = folder.find_last_of(L"\\/");
    if (up != std::wstring::npos && up > 0) makeFolders(folder.substr(0, up), path, made);
    if (CreateDirectoryW(folder.c_str(), nullptr)) return made.add(narrow(folder));
    DWORD code = GetLastError();
    if (code != ERROR_ALREADY_EXISTS) fail(path, code);
}

} // namespace

MadeFolders::~MadeFolders() {
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) RemoveDirectoryW(widen(*it).c_str());
}

MadeFolders makeFoldersFor(const std::string& path) {
    MadeFolders made;
    makeFolders(widen(folderOf(path)), path, made);
    return made;
}

OpenedFile openedFile(const std::string& path, size_t headSize) {
    std::wstring given = widen(path);
    // Shared with everyone, for reading only: the window may hold the record file open
    // (reading and writing, shared) meanwhile, and must be able to open it again.
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    OpenedFile file;
    DWORD code = ERROR_SUCCESS;
    UniqueKernelHandle opened(
        CreateFileW(given.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    file.existed = static_cast<bool>(opened);
    if (!file.existed) {
        code = GetLastError();
        if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) fail(path, code);
        file.madeFolders = makeFoldersFor(path);
        // Made only to learn the name the system gives it.
        opened.reset(CreateFileW(given.c_str(), GENERIC_READ | DELETE, kShareAll, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!opened) fail(path, GetLastError());
    }
    HANDLE h = opened.get();
    std::wstring named(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(h, named.data(), static_cast<DWORD>(named.size()), FILE_NAME_NORMALIZED);
    if (n >= named.size()) {
        named.resize(n);
        n = GetFinalPathNameByHandleW(h, named.data(), n, FILE_NAME_NORMALIZED);
    }
    code = ERROR_SUCCESS;
    if (n == 0 || n >= named.size()) code = n ? ERROR_BUFFER_OVERFLOW : GetLastError();
    named.resize(code == ERROR_SUCCESS ? n : 0);
    if (file.existed && code == ERROR_SUCCESS) {
        file.head.resize(headSize);
        DWORD got = 0;
        if (!ReadFile(h, file.head.data(), static_cast<DWORD>(headSize), &got, nullptr)) code = GetLastError();
        file.head.resize(got);
    }
    bool gone = file.existed;
    if (!file.existed) {
        FILE_DISPOSITION_INFO remove{TRUE};
        gone = SetFileInformationByHandle(h, FileDispositionInfo, &remove, sizeof remove) != FALSE;
    }
    opened.reset(); // closed before a file made here can be deleted by its name
    if (!gone) DeleteFileW(given.c_str());
    if (code != ERROR_SUCCESS) fail(path, code);
    file.path = narrow(named);
    return file;
}

void replaceWhole(const std::string& targetPath, std::string_view shownAs, std::string_view bytes) {
    std::wstring target = widen(targetPath);
    std::wstring beside = target + widen(".~" + std::to_string(GetCurrentProcessId()));
    UniqueKernelHandle h(
        CreateFileW(beside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) fail(shownAs, GetLastError());
    DWORD written = 0;
    BOOL ok = WriteFile(h.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    DWORD code = ok ? (written == bytes.size() ? ERROR_SUCCESS : ERROR_DISK_FULL) : GetLastError();
    // A write the system finishes only at the close can fail there.
    if (!closeNow(h) && code == ERROR_SUCCESS) code = GetLastError();
    if (code == ERROR_SUCCESS &&
        !MoveFileExW(beside.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        code = GetLastError();
    if (code != ERROR_SUCCESS) {
        DeleteFileW(beside.c_str());
        fail(shownAs, code);
    }
}

} // namespace diag
