#include "main_window/win32_help_files.h"

#include "app/win32_handles.h"
#include "app/win32_wide.h"

#include <shlobj.h>

namespace diag {

namespace {
// FOLDERID_LocalAppData, spelled out: defining it through <initguid.h> would define
// every known folder's GUID in the exe.
constexpr GUID kLocalAppData = {0xF1B32785, 0x6FBA, 0x4FCF, {0x9D, 0x55, 0x7B, 0x8E, 0x7F, 0x15, 0x70, 0x91}};
} // namespace

std::string Win32HelpPageFiles::localAppDataFolder() {
    UniqueCoTaskMemory<wchar_t> path;
    // Not created here: nothing is written before a help request, which makes the folders it needs.
    if (SUCCEEDED(SHGetKnownFolderPath(kLocalAppData, KF_FLAG_DONT_VERIFY, nullptr, path.put())) && path)
        return narrow(path.get());
    return {};
}

std::string Win32HelpPageFiles::temporaryFolder() {
    wchar_t buf[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, buf);
    if (n == 0 || n > MAX_PATH) return {};
    std::wstring folder(buf, n);
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return narrow(folder);
}

std::string_view Win32HelpPageFiles::builtInPage() {
    HRSRC res = FindResourceW(instance_, L"HELP_PAGE", RT_RCDATA);
    HGLOBAL loaded = res ? LoadResource(instance_, res) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    return data ? std::string_view(static_cast<const char*>(data), SizeofResource(instance_, res)) : std::string_view{};
}

} // namespace diag
