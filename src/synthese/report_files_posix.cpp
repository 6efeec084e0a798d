// The reports of a folder on POSIX systems (the native tests): opendir and open, read only.
#include "synthese/report_files.h"

#include "app/system_reason.h"
#include "app/values.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace diag {

namespace {

bool endsWithJson(std::string_view name) {
    return name.size() > 5 && lowerAscii(name.substr(name.size() - 5)) == ".json";
}

void list(const std::string& folder, const std::string& relative, int depth, FolderListing& out) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
        if (relative.empty()) out.unreadable = systemReason(static_cast<unsigned long>(errno));
        else out.skipped.push_back({relative, systemReason(static_cast<unsigned long>(errno))});
        return;
    }
    std::vector<std::pair<std::string, bool>> entries; // name, is a folder
    while (const dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        if (lstat((folder + "/" + name).c_str(), &st) != 0) continue;
        bool isFolder = S_ISDIR(st.st_mode);
        // A link is followed to a file, never to a folder.
        if (S_ISLNK(st.st_mode) && (stat((folder + "/" + name).c_str(), &st) != 0 || S_ISDIR(st.st_mode))) continue;
        if (isFolder || endsWithJson(name)) entries.emplace_back(name, isFolder);
    }
    closedir(dir);
    for (const auto& [name, isFolder] : entries) {
        std::string shown = relative + name;
        if (noteEntry(out, shown, isFolder, depth, '/')) list(folder + "/" + name, shown + "/", depth + 1, out);
    }
}

std::string realPath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

} // namespace

FolderListing listReportFiles(const std::string& folder) {
    FolderListing out;
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0) {
        out.unreadable = systemReason(static_cast<unsigned long>(errno));
        return out;
    }
    if (!S_ISDIR(st.st_mode)) {
        out.unreadable = "ce n'est pas un dossier";
        return out;
    }
    list(folder, {}, 0, out);
    return out;
}

FileBytes readFileShared(const std::string& path, size_t most) {
    FileBytes file;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        file.failure = systemReason(static_cast<unsigned long>(errno));
        return file;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        file.failure = systemReason(static_cast<unsigned long>(errno));
    } else if (static_cast<unsigned long long>(st.st_size) > most) {
        file.tooLarge = true;
    } else {
        file.bytes.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (done < file.bytes.size()) {
            ssize_t n = ::read(fd, file.bytes.data() + done, file.bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                file.failure = systemReason(static_cast<unsigned long>(errno));
                break;
            }
            if (n == 0) break;
            done += static_cast<size_t>(n);
        }
        file.bytes.resize(file.failure.empty() ? done : 0);
    }
    ::close(fd);
    return file;
}

bool folderWithin(const std::string& inner, const std::string& outer) {
    std::string in = realPath(inner), out = realPath(outer);
    if (in.empty() || out.empty()) return false;
    if (out == "/") return true;
    return in == out || (in.size() > out.size() && in.compare(0, out.size(), out) == 0 && in[out.size()] == '/');
}

} // namespace diag
