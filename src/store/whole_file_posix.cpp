// Whole files on POSIX systems (native build): a file beside the target, then rename; the
// file a path reaches, told by its descriptor.
#include "store/whole_file.h"

#include "app/errors.h"
#include "store/paths.h"
#include "store/store_errors.h"
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

// Every folder of the path that does not exist yet, from the top down, noted in `made`.
void makeFolders(const std::string& folder, std::string_view path, MadeFolders& made) {
    struct stat st {};
    if (folder.empty() || stat(folder.c_str(), &st) == 0) return;
    size_t up = folder.find_last_of('/');
    if (up != std::string::npos && up > 0) makeFolders(folder.substr(0, up), path, made);
    if (mkdir(folder.c_str(), 0777) == 0) return made.add(folder);
    if (errno != EEXIST) fail(path, errno);
}

} // namespace

MadeFolders::~MadeFolders() {
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) ::rmdir(it->c_str());
}

MadeFolders makeFoldersFor(const std::string& path) {
    MadeFolders made;
    makeFolders(std::string(folderOf(path)), path, made);
    return made;
}

OpenedFile openedFile(const std::string& path, size_t headSize) {
    OpenedFile file;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    file.existed = fd >= 0;
    if (!file.existed) {
        if (errno != ENOENT) fail(path, errno);
        file.madeFolders = makeFoldersFor(path);
        // Made only to learn the name the system gives it.
        fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) fail(path, errno);
    }
    // The opened file's own name, after links and . and .., as the system keeps it.
    std::error_code error;
    std::string named = std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), error).string();
    struct stat st {};
    int code = error ? error.value() : fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    if (file.existed && code == 0) {
        file.head.resize(headSize);
        ssize_t got = pread(fd, file.head.data(), headSize, 0);
        if (got < 0) code = errno;
        file.head.resize(got < 0 ? 0 : static_cast<size_t>(got));
    }
    ::close(fd);
    if (!file.existed) ::unlink(path.c_str());
    if (code != 0) fail(path, code);
    file.path = named;
    return file;
}

void replaceWhole(const std::string& target, std::string_view shownAs, std::string_view bytes) {
    std::string beside = target + ".~" + std::to_string(getpid());
    int fd = ::open(beside.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) fail(shownAs, errno);
    int code = 0;
    for (size_t done = 0; done < bytes.size() && code == 0;) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) code = n < 0 ? errno : EIO;
        else done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0 && code == 0) code = errno;
    if (code == 0 && std::rename(beside.c_str(), target.c_str()) != 0) code = errno;
    if (code != 0) {
        ::unlink(beside.c_str());
        fail(shownAs, code);
    }
}

} // namespace diag
