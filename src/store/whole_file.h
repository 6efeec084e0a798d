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

// The path as it is when absolute (on Windows also a drive-relative one), otherwise
// inside the current directory, so that messages name the folder; on Windows with
// backslashes only.
std::string absolutePath(std::string_view path);

} // namespace diag
