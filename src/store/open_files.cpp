#include "store/open_files.h"
#include "store/record_file.h"

#include <vector>
#include <algorithm>

namespace diag {

namespace {
std::vector<RecordFile*>& openFiles() {
    static std::vector<RecordFile*> files;
    return files;
}
} // namespace

void trackOpenFile(RecordFile* file) { openFiles().push_back(file); }

void untrackOpenFile(RecordFile* file) {
    auto& files = openFiles();
    files.erase(std::remove(files.begin(), files.end(), file), files.end());
}

void closeAllFiles() {
    // close() untracks, so work on a copy.
    std::vector<RecordFile*> files = openFiles();
    for (RecordFile* f : files) f->close();
}

} // namespace diag
