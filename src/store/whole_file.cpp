#include "store/whole_file.h"

#include "app/values.h"
#include "store/paths.h"
#include "store/record_file.h"
#include "store/saved_resolution.h"

namespace diag {

namespace {
// A name as Windows opens it: without a stream (name:stream) and without the trailing
// dots and spaces it drops; compared without regard to case.
bool isRecordFileName(std::string_view name) {
    name = name.substr(0, name.find(':'));
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.remove_suffix(1);
    return lowerAscii(name) == lowerAscii(kRecordFileName);
}
} // namespace

void writeWholeFile(const std::string& path, std::string_view bytes) {
    MadeFolders made = makeFoldersFor(path);
    replaceWhole(path, path, bytes);
    made.keep();
}

GuardedWrite recordGuard(const OpenedFile& target) {
    if (isRecordFileName(leafOf(target.path)))
        return target.existed ? GuardedWrite::RecordFile : GuardedWrite::RecordFileName;
    if (target.existed && isInitialised(Record(target.head.substr(0, kInitMarker.size()))))
        return GuardedWrite::RecordCopy;
    return GuardedWrite::Written;
}

GuardedWrite writeWholeFileUnlessRecord(const std::string& path, std::string_view bytes) {
    OpenedFile target = openedFile(path, kInitMarker.size());
    GuardedWrite refused = recordGuard(target);
    // A write refused or failed leaves nothing it made, the folders on the way neither.
    if (refused != GuardedWrite::Written) return refused;
    replaceWhole(target.path, path, bytes);
    target.madeFolders.keep();
    return refused;
}

} // namespace diag
