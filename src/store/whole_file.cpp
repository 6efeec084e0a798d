#include "store/whole_file.h"

namespace diag {

namespace {
size_t lastSeparator(std::string_view path) {
#ifdef _WIN32
    return path.find_last_of("\\/");
#else
    return path.find_last_of('/');
#endif
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

} // namespace diag
