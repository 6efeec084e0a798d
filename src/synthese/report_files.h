#pragma once
// The reports of a folder as /synthese reads them: the files whose names end in .json,
// in the folder and its subfolders, each opened for reading only and shared with every
// other use (a till may be writing, renaming or deleting its report meanwhile): nothing
// there is written, moved or locked. Windows: FindFirstFileExW and CreateFileW; other
// systems (the native tests): POSIX.
#include <string>
#include <vector>

namespace diag {

// A folder nested deeper than this below the folder is not listed.
inline constexpr int kMostFolderDepth = 32;

struct FolderListing {
    std::string unreadable;          // the system's words where the folder itself cannot be listed
    std::vector<std::string> files;  // relative to the folder, in the order the system lists them
    struct Skipped {
        std::string folder, reason;  // a subfolder (relative, ending with a separator) not listed, and why
    };
    std::vector<Skipped> skipped;
};

// One entry of a listing, `shown` relative to the folder: a file is listed, a folder
// nested too deep is skipped with its reason. True for a folder to list in turn.
inline bool noteEntry(FolderListing& out, const std::string& shown, bool isFolder, int depth, char separator) {
    if (!isFolder) {
        out.files.push_back(shown);
        return false;
    }
    if (depth + 1 <= kMostFolderDepth) return true;
    out.skipped.push_back(
        {shown + separator, "dossier à plus de " + std::to_string(kMostFolderDepth) + " niveaux sous le dossier"});
    return false;
}

// Links and junctions to folders are not followed (they could lead back up).
FolderListing listReportFiles(const std::string& folder);

struct FileBytes {
    std::string bytes;
    std::string failure; // the system's words where it could not be read
    bool tooLarge = false;
};

// At most `most` bytes: a larger file is not read.
FileBytes readFileShared(const std::string& path, size_t most);

// Whether the folder `inner` is the folder `outer` or lies below it, however the two are
// spelled (case, short names, links, another letter for the same folder where the system
// tells the final path); false where either cannot be opened.
bool folderWithin(const std::string& inner, const std::string& outer);

} // namespace diag
