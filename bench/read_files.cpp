// The floor /synthese's time is measured against: the same files of the same folder,
// listed and read the same way (FindFirstFileExW, CreateFileW shared, ReadFile), and
// nothing else done with them. Prints how many files and bytes.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void readAll(const std::wstring& folder, unsigned long long& files, unsigned long long& bytes, std::vector<char>& buffer) {
    WIN32_FIND_DATAW found{};
    HANDLE h = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring path = folder + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            readAll(path, files, bytes, buffer);
            continue;
        }
        if (name.size() < 5 || _wcsicmp(name.c_str() + name.size() - 5, L".json") != 0) continue;
        HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (f == INVALID_HANDLE_VALUE) continue;
        LARGE_INTEGER size{};
        GetFileSizeEx(f, &size);
        buffer.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        if (ReadFile(f, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) bytes += got;
        CloseHandle(f);
        ++files;
    } while (FindNextFileW(h, &found));
    FindClose(h);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    unsigned long long files = 0, bytes = 0;
    std::vector<char> buffer;
    readAll(argv[1], files, bytes, buffer);
    std::printf("%llu files, %llu bytes\n", files, bytes);
    return 0;
}
