#include "store/paths.h"

#include "store/record_file.h"

namespace diag {

namespace {
#ifdef _WIN32
constexpr std::string_view kSeparators = "\\/";
#else
constexpr std::string_view kSeparators = "/";
#endif

size_t lastSeparator(std::string_view path) { return path.find_last_of(kSeparators); }

bool isAbsolute(std::string_view path) {
#ifdef _WIN32
    if (path.size() >= 2 && path[1] == ':') return true;
#endif
    return !path.empty() && kSeparators.find(path[0]) != std::string_view::npos;
}

} // namespace

std::string_view folderOf(std::string_view path) {
    size_t at = lastSeparator(path);
    return at == std::string_view::npos ? std::string_view{} : path.substr(0, at);
}

std::string_view leafOf(std::string_view path) {
    size_t at = lastSeparator(path);
    return at == std::string_view::npos ? path : path.substr(at + 1);
}

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string joined(folder);
    if (!joined.empty() && kSeparators.find(joined.back()) == std::string_view::npos) joined += kSeparators[0];
    return joined + std::string(name);
}

std::string absolutePath(std::string_view path) {
    std::string full = isAbsolute(path) ? std::string(path) : joinPath(currentDirectory(), path);
#ifdef _WIN32
    // One separator throughout, as the system writes paths in its messages.
    for (char& c : full)
        if (c == '/') c = '\\';
#endif
    return full;
}

} // namespace diag
