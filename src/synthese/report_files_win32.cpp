// The reports of a folder on Windows: listed with FindFirstFileExW, read with CreateFileW
// shared for reading, writing and deleting.
#include "synthese/report_files.h"

#include "app/system_reason.h"
#include "app/values.h"
#include "app/win32_handles.h"
#include "app/win32_wide.h"
#include "store/paths.h"

#include <windows.h>


namespace diag {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

struct SearchDeleter {
    void operator()(HANDLE h) const {
        if (h != INVALID_HANDLE_VALUE) FindClose(h);
    }
};
using UniqueSearch = UniqueHandle<HANDLE, SearchDeleter>;

bool endsWithJson(std::wstring_view name) {
    return name.size() > 5 && lowerAscii(narrow(name.substr(name.size() - 5))) == ".json";
}

void list(const std::wstring& folder, const std::string& relative, int depth, FolderListing& out) {
    WIN32_FIND_DATAW found{};
    UniqueSearch search(FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                         nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (search.get() == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND) return; // nothing in it, not even . and ..
        if (relative.empty()) out.unreadable = systemReason(code);
        else out.skipped.push_back({relative, systemReason(code)});
        return;
    }
    std::vector<std::pair<std::wstring, bool>> entries; // name, is a folder
    do {
        std::wstring_view name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder && (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        if (isFolder || endsWithJson(name)) entries.emplace_back(name, isFolder);
    } while (FindNextFileW(search.get(), &found));
    DWORD code = GetLastError();
    search.reset();
    if (code != ERROR_NO_MORE_FILES) {
        if (relative.empty()) out.unreadable = systemReason(code);
        else out.skipped.push_back({relative, systemReason(code)});
        return;
    }
    for (const auto& [name, isFolder] : entries) {
        std::string shown = relative + narrow(name);
        if (noteEntry(out, shown, isFolder, depth, '\\')) list(folder + L"\\" + name, shown + "\\", depth + 1, out);
    }
}

// The folder's final path, lower case, as the system resolves it; empty where it cannot
// be opened.
std::wstring finalPath(const std::string& folder) {
    UniqueKernelHandle h(CreateFileW(widen(folder).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (h.get() == INVALID_HANDLE_VALUE) return {};
    std::wstring named(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(h.get(), named.data(), static_cast<DWORD>(named.size()), FILE_NAME_NORMALIZED);
    if (n >= named.size()) {
        named.resize(n);
        n = GetFinalPathNameByHandleW(h.get(), named.data(), n, FILE_NAME_NORMALIZED);
    }
    if (n == 0 || n >= named.size()) return {};
    named.resize(n);
    CharLowerBuffW(named.data(), n);
    while (!named.empty() && named.back() == L'\\') named.pop_back();
    return named;
}

} // namespace

FolderListing listReportFiles(const std::string& folder) {
    FolderListing out;
    std::wstring wide = widen(folder);
    while (wide.size() > 1 && (wide.back() == L'\\' || wide.back() == L'/') && wide[wide.size() - 2] != L':')
        wide.pop_back();
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        out.unreadable = systemReason(GetLastError());
        return out;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        out.unreadable = "ce n'est pas un dossier";
        return out;
    }
    if (!wide.empty() && (wide.back() == L'\\' || wide.back() == L'/')) wide.pop_back(); // C:\ -> C:
    list(wide, {}, 0, out);
    return out;
}

FileBytes readFileShared(const std::string& path, size_t most) {
    FileBytes file;
    UniqueKernelHandle h(CreateFileW(widen(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (h.get() == INVALID_HANDLE_VALUE) {
        file.failure = systemReason(GetLastError());
        return file;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h.get(), &size)) {
        file.failure = systemReason(GetLastError());
        return file;
    }
    if (static_cast<unsigned long long>(size.QuadPart) > most) {
        file.tooLarge = true;
        return file;
    }
    file.bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < file.bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(h.get(), file.bytes.data() + done, static_cast<DWORD>(file.bytes.size() - done), &got,
                      nullptr)) {
            file.failure = systemReason(GetLastError());
            file.bytes.clear();
            return file;
        }
        if (got == 0) break; // shorter now than when its size was asked: read as it is
        done += got;
    }
    file.bytes.resize(done);
    return file;
}

bool folderWithin(const std::string& inner, const std::string& outer) {
    std::wstring in = finalPath(inner), out = finalPath(outer);
    if (in.empty() || out.empty()) return false;
    return in == out || (in.size() > out.size() && in.compare(0, out.size(), out) == 0 && in[out.size()] == L'\\');
}

} // namespace diag
