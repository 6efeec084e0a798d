#include "main_window/help.h"

#include "app/errors.h"
#include "main_window/help_errors.h"
#include "store/paths.h"
#include "store/store_errors.h"
#include "store/whole_file.h"

namespace diag {

namespace {

bool keptInUrl(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~' || c == '/' || c == ':';
}

} // namespace

HelpPage helpPageIn(std::string_view folder) {
    std::string file = joinPath(joinPath(folder, "diagreso"), "decalage.htm");
    return {file, fileUrl(file)};
}

std::string fileUrl(std::string_view path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string encoded;
    for (char ch : path) {
        auto c = static_cast<unsigned char>(ch == '\\' ? '/' : ch);
        if (keptInUrl(c)) {
            encoded.push_back(static_cast<char>(c));
        } else {
            encoded.push_back('%');
            encoded.push_back(hex[c >> 4]);
            encoded.push_back(hex[c & 15]);
        }
    }
    if (encoded.starts_with("//")) return "file:" + encoded; // \\server\share\...
    if (encoded.starts_with('/')) return "file://" + encoded; // /home/...
    return "file:///" + encoded;                              // C:\... (the empty host)
}

HelpPage writeHelpPage(HelpPageFiles& files) {
    std::vector<HelpPageWriteError::Attempt> attempts;
    for (const std::string& folder : {files.localAppDataFolder(), files.temporaryFolder()}) {
        if (folder.empty()) continue;
        HelpPage page = helpPageIn(folder);
        try {
            writeWholeFile(page.file, files.builtInPage());
            return page;
        } catch (const FileError& e) {
            // The next folder is tried; the user hears of this one only if none serves.
            attempts.push_back({e.directory(), e.reason()});
        }
    }
    throw HelpPageWriteError(std::move(attempts));
}

std::string helpCommandLine(std::string_view address) { return std::string(kBrowserPath) + " " + std::string(address); }

void openHelpPage(ProcessLauncher& launcher, const HelpPage& page) {
    if (launcher.start(std::string(kBrowserPath), helpCommandLine(page.address), kShowMaximized)) return;
    if (launcher.openWithDefaultBrowser(page.address, kShowMaximized)) return;
    throw HelpPageError(page.file.empty() ? page.address : page.file, !page.file.empty());
}

} // namespace diag
