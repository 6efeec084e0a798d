#pragma once
// Paths as the program names files in its messages and writes: their parts, a join, and
// the absolute form. Windows takes either separator; the other systems, the slash.
#include <string>
#include <string_view>

namespace diag {

// The folder part and the name part of a path.
std::string_view folderOf(std::string_view path);
std::string_view leafOf(std::string_view path);

// A folder and a name below it, with one separator between them even where the folder
// ends in one (a drive's root, C:\).
std::string joinPath(std::string_view folder, std::string_view name);

// The path as it is when absolute (on Windows also a drive-relative one), otherwise
// inside the current directory, so that messages name the folder; on Windows with
// backslashes only.
std::string absolutePath(std::string_view path);

} // namespace diag
