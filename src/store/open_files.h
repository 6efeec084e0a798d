#pragma once
// The set of open record files, for closeAllFiles.
namespace diag {
class RecordFile;
void trackOpenFile(RecordFile* file);
void untrackOpenFile(RecordFile* file);
} // namespace diag
