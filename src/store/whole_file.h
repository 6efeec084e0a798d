#pragma once
// A file written whole: complete or left as it was. The bytes go to a file beside it,
// which then replaces it, so a reader never sees half a file and a failure leaves the
// older copy. Folders on the way are made as needed.
#include "store/store_errors.h"

#include <string>
#include <string_view>
#include <vector>

namespace diag {

// FileError (Write) naming the file and its folder when any step fails.
void writeWholeFile(const std::string& path, std::string_view bytes);

// How a write that must never replace a record file ended.
enum class GuardedWrite {
    Written,
    RecordFile,     // refused: the file is named W_ECRA_R.WDO
    RecordFileName, // refused: no such file yet, but W_ECRA_R.WDO is the name it would get
    RecordCopy,     // refused: another name, but its first record begins with the marker
};

// writeWholeFile, except over a record file, in any folder. Decided on the file the
// system opens for the path, whatever spelling reaches it (case, short names, links, the
// trailing dots and spaces Windows drops, \\?\ and \??\): by the name that file has
// and by its first bytes; the bytes then go to that very name. FileError (Write).
GuardedWrite writeWholeFileUnlessRecord(const std::string& path, std::string_view bytes);

// What writeWholeFileUnlessRecord refuses, decided on the file a path opens (openedFile,
// with at least the marker's length of its head): Written where nothing is refused.
struct OpenedFile;
GuardedWrite recordGuard(const OpenedFile& target);

// The folders made on the way to a file, from the top down: removed again, the deepest
// first, unless kept (the file was written), so that a write refused or failed leaves
// nothing it made.
class MadeFolders {
  public:
    MadeFolders() = default;
    MadeFolders(MadeFolders&& other) noexcept : folders_(std::move(other.folders_)) { other.folders_.clear(); }
    // The folders held before go with `other`.
    MadeFolders& operator=(MadeFolders&& other) noexcept {
        folders_.swap(other.folders_);
        return *this;
    }
    ~MadeFolders();
    void add(std::string folder) { folders_.push_back(std::move(folder)); }
    void keep() { folders_.clear(); }

  private:
    std::vector<std::string> folders_;
};

// Makes every folder of the path that does not exist yet; FileError (Write) naming the path.
MadeFolders makeFoldersFor(const std::string& path);

// The file the system opens for a path: its full name as the system gives it (on Windows
// with \\?\ before it) and its first headSize bytes. A file that does not exist is
// created to learn its name, and removed again; the folders on the way are made, and
// removed again unless kept. FileError (Write) naming the path.
struct OpenedFile {
    std::string path;
    bool existed = false;
    std::string head;
    MadeFolders madeFolders;
};
OpenedFile openedFile(const std::string& path, size_t headSize);

// The bytes written to a file beside `target`, which then replaces it; failures name
// `shownAs`. FileError (Write).
void replaceWhole(const std::string& target, std::string_view shownAs, std::string_view bytes);

} // namespace diag
