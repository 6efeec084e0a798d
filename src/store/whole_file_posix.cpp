// Whole files on POSIX systems (native build): a file beside the target, then rename.
#include "store/whole_file.h"

#include "app/errors.h"
#include "app/system_reason.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace diag {

namespace {

[[noreturn]] void fail(std::string_view path, int code) {
    throw FileError(FileError::Op::Write, std::string(leafOf(path)), std::string(folderOf(path)),
                    systemReason(static_cast<unsigned long>(code)));
}

void makeFolders(const std::string& folder, std::string_view path) {
    struct stat st {};
    if (folder.empty() || stat(folder.c_str(), &st) == 0) return;
    size_t up = folder.find_last_of('/');
    if (up != std::string::npos && up > 0) makeFolders(folder.substr(0, up), path);
    if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) fail(path, errno);
}

std::string lowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

bool sameFile(std::string_view a, std::string_view b) {
    // Compared as Windows compares names, case aside, so the native tests hold the same rule.
    auto full = [](std::string_view path) {
        return lowerAscii(std::filesystem::path(absolutePath(path)).lexically_normal().string());
    };
    if (full(a) == full(b)) return true;
    struct stat sa {}, sb {};
    return stat(std::string(a).c_str(), &sa) == 0 && stat(std::string(b).c_str(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void writeWholeFile(const std::string& path, std::string_view bytes) {
    makeFolders(std::string(folderOf(path)), path);
    std::string beside = path + ".~" + std::to_string(getpid());
    int fd = ::open(beside.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) fail(path, errno);
    int code = 0;
    for (size_t done = 0; done < bytes.size() && code == 0;) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) code = n < 0 ? errno : EIO;
        else done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0 && code == 0) code = errno;
    if (code == 0 && std::rename(beside.c_str(), path.c_str()) != 0) code = errno;
    if (code != 0) {
        ::unlink(beside.c_str());
        fail(path, code);
    }
}

} // namespace diag
