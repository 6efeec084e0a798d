#pragma once
// A file written whole: complete or left as it was. The bytes go to a file beside it,
// which then replaces it, so a reader never sees half a file and a failure leaves the
// older copy. Folders on the way are made as needed.
#include <string>
#include <string_view>

namespace diag {

// FileError (Write) naming the file and its folder when any step fails.
void writeWholeFile(const std::string& path, std::string_view bytes);

// The folder part and the name part of a path (either separator on Windows).
std::string_view folderOf(std::string_view path);
std::string_view leafOf(std::string_view path);

// A folder and a name below it, with one separator between them even where the folder
// ends in one (a drive's root, C:\).
std::string joinPath(std::string_view folder, std::string_view name);

// Whether two paths name the same file: the same full path whatever its case, its
// separators or its . and .. parts; and, where both exist, the same file on the same
// volume, which catches another name of it (a short 8.3 name, a link).
bool sameFile(std::string_view a, std::string_view b);

// The path as it is when absolute (on Windows also a drive-relative one), otherwise
// inside the current directory, so that messages name the folder; on Windows with
// backslashes only.
std::string absolutePath(std::string_view path);

} // namespace diag
